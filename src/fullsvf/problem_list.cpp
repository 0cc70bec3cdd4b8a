#include "fullsvf/problem_list.hpp"

#include <algorithm>

namespace tapwright::fullsvf {
namespace {

std::string counted(int n, const char* what) {
  return std::to_string(n) + " more " + what + (n == 1 ? "" : "s");
}

}  // namespace

void ProblemList::add(const Diagnostic& d) {
  problems_ += d.note ? 0 : 1;
  // After every earlier line and every one found before it on its own.
  const auto at =
      std::upper_bound(first_.begin(), first_.end(), d.line,
                       [](int line, const Diagnostic& kept) { return line < kept.line; });
  if (first_.size() == shown && at == first_.end()) {
    (d.note ? unlisted_notes_ : unlisted_problems_) += 1;
    return;
  }
  first_.insert(at, d);
  if (first_.size() > shown) {
    (first_.back().note ? unlisted_notes_ : unlisted_problems_) += 1;
    first_.pop_back();
  }
}

void ProblemList::print(std::FILE* err, const char* program) const {
  for (const Diagnostic& d : first_) {
    std::fprintf(err, "%s:%d: %s%s\n", name_.c_str(), d.line, d.note ? "note: " : "",
                 d.message.c_str());
  }
  if (unlisted_problems_ == 0 && unlisted_notes_ == 0) return;
  std::string rest = unlisted_problems_ ? counted(unlisted_problems_, "problem") : "";
  if (unlisted_problems_ && unlisted_notes_) rest += " and ";
  if (unlisted_notes_) rest += counted(unlisted_notes_, "note");
  std::fprintf(err, "%s: %s not listed\n", program, rest.c_str());
}

}  // namespace tapwright::fullsvf
