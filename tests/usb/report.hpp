#pragma once
// An emulated device's report (EmulatedChip::report), key by key.
#include <map>
#include <sstream>
#include <string>

namespace tapwright::testing {

using Report = std::map<std::string, long long>;

inline Report parse_report(const std::string& text) {
  Report report;
  std::istringstream lines(text);
  std::string key;
  for (long long value; lines >> key >> value;) report[key] = value;
  return report;
}

}  // namespace tapwright::testing
