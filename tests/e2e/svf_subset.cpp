#include "svf_subset.hpp"

#include <cctype>
#include <set>
#include <vector>

namespace tapwright::testing {

namespace {

const std::set<std::string> stable_states = {"IDLE", "RESET", "IRPAUSE", "DRPAUSE"};

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool is_hex(const std::string& value) {
  for (char c : value) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool is_number(const std::string& word) {
  if (word.empty()) return false;
  for (char c : word) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// Words of one statement with "//" comments removed and every parenthesised
// value joined into one word, however it was wrapped.
std::vector<std::string> words_of(const std::string& statement) {
  std::vector<std::string> words;
  std::string current;
  bool in_value = false;
  for (std::size_t i = 0; i < statement.size(); ++i) {
    const char c = statement[i];
    if (!in_value && current.empty() && c == '/' && i + 1 < statement.size() &&
        statement[i + 1] == '/') {
      while (i < statement.size() && statement[i] != '\n') ++i;
      continue;
    }
    if (is_blank(c)) {
      if (!in_value && !current.empty()) {
        words.push_back(current);
        current.clear();
      }
      continue;
    }
    if (c == '(' && current.empty()) in_value = true;
    if (c == ')') in_value = false;
    current.push_back(c);
  }
  if (!current.empty()) words.push_back(current);
  return words;
}

std::string check_statement(const std::vector<std::string>& w) {
  const std::string& command = w[0];
  if (command == "TRST" || command == "FREQUENCY") return "";
  if (command == "HIR" || command == "TIR" || command == "HDR" || command == "TDR") {
    return (w.size() == 1 || w[1] == "0") ? "" : "non-zero " + command;
  }
  if (command == "ENDIR" || command == "ENDDR") {
    return w.size() == 2 && stable_states.count(w[1]) ? "" : command + " state";
  }
  if (command == "STATE") {
    if (w.size() < 2) return "STATE without state";
    for (std::size_t i = 1; i < w.size(); ++i) {
      if (!stable_states.count(w[i])) return "STATE through " + w[i];
    }
    return "";
  }
  if (command == "RUNTEST") {
    return w.size() == 3 && is_number(w[1]) && w[2] == "TCK" ? "" : "RUNTEST form";
  }
  if (command == "SIR" || command == "SDR") {
    if (w.size() < 2 || !is_number(w[1])) return "scan length";
    bool tdi = false;
    for (std::size_t i = 2; i < w.size(); ++i) {
      const std::string& word = w[i];
      if (word == "TDI" || word == "TDO" || word == "MASK" || word == "SMASK") {
        if (i + 1 >= w.size() || w[i + 1].front() != '(' || w[i + 1].back() != ')') {
          return "clause without value";
        }
        const std::string value = w[i + 1].substr(1, w[i + 1].size() - 2);
        if (!is_hex(value)) return "value not hex";
        if (word == "TDI" && !value.empty()) tdi = true;
        ++i;
      } else if (word.find('(') != std::string::npos) {
        return "clause glued to its value";
      }
    }
    return (tdi || w[1] == "0") ? "" : "scan without TDI";
  }
  return "command " + command;
}

}  // namespace

SubsetVerdict check_subset(const std::string& text) {
  SubsetVerdict verdict;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    const std::string statement = text.substr(start, end - start);
    const std::vector<std::string> words = words_of(statement);
    if (!words.empty()) {
      const std::string reason = check_statement(words);
      if (!reason.empty()) {
        verdict.inside = false;
        // The statement begins at its first word, after any comment lines.
        std::size_t at = start;
        while (at < end) {
          while (at < end && is_blank(text[at])) ++at;
          if (text.compare(at, 2, "//") != 0) break;
          while (at < end && text[at] != '\n') ++at;
        }
        verdict.first_outside = at;
        verdict.reason = reason;
        return verdict;
      }
    }
    start = end + 1;
  }
  return verdict;
}

}  // namespace tapwright::testing
