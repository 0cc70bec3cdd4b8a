#pragma once
// The problems and notes of a file as a program lists them on standard
// error: by line, however they were found (the end of a statement may be
// judged before its start), at most `shown` of them, then how many more
// there are, so that a file of a million bad lines costs a screenful.
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "fullsvf/diagnostics.hpp"

namespace tapwright::fullsvf {

class ProblemList {
 public:
  static constexpr std::size_t shown = 20;

  // `name`: the file, as the lines name it.
  explicit ProblemList(std::string name) : name_(std::move(name)) {}

  void add(const Diagnostic& d);
  // "FILE:LINE: message" for each of the first, then "PROGRAM: N more
  // problems and M more notes not listed".
  void print(std::FILE* err, const char* program) const;
  // Problems, listed or not; notes are none.
  int problems() const { return problems_; }

 private:
  std::string name_;
  std::vector<Diagnostic> first_;  // the earliest lines, in order
  int problems_ = 0;
  int unlisted_problems_ = 0;
  int unlisted_notes_ = 0;
};

}  // namespace tapwright::fullsvf
