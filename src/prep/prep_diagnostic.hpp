#pragma once
// A problem or a note found while lowering, tied to a line of the input.
#include <string>
#include <vector>

namespace tapwright::prep {

struct Diagnostic {
  int line = 0;
  std::string message;
  bool note = false;  // a note does not stop the file from being lowered
};

// Collects every diagnostic of one file in the order they were found.
class Diagnostics {
 public:
  void error(int line, std::string message) { list_.push_back({line, std::move(message), false}); }
  void note(int line, std::string message) { list_.push_back({line, std::move(message), true}); }
  int error_count() const {
    int count = 0;
    for (const Diagnostic& d : list_) count += d.note ? 0 : 1;
    return count;
  }
  const std::vector<Diagnostic>& list() const { return list_; }
  std::vector<Diagnostic> take() { return std::move(list_); }

 private:
  std::vector<Diagnostic> list_;
};

}  // namespace tapwright::prep
