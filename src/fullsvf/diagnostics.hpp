#pragma once
// Problems and notes found in a file, each tied to a line. They go to a sink
// as they are found rather than into a list, so that a file with a million
// problems costs no memory.
#include <functional>
#include <string>
#include <string_view>

namespace tapwright::fullsvf {

struct Diagnostic {
  int line = 0;
  std::string message;
  bool note = false;  // a note does not stop the file from being played
};

class Diagnostics {
 public:
  using Sink = std::function<void(const Diagnostic&)>;

  explicit Diagnostics(Sink sink = {}) : sink_(std::move(sink)) {}

  void error(int line, std::string message) { emit({line, std::move(message), false}); }
  void note(int line, std::string message) { emit({line, std::move(message), true}); }
  int error_count() const { return errors_; }

 private:
  void emit(const Diagnostic& d) {
    errors_ += d.note ? 0 : 1;
    if (sink_) sink_(d);
  }

  Sink sink_;
  int errors_ = 0;
};

// A piece of the file as it stands in a message: between single quotes, as
// written, at most 40 characters and then "...", with control characters
// and bytes above 126 escaped (\x1b), so that no file can write to the
// user's terminal through a message.
std::string quoted(std::string_view text);

}  // namespace tapwright::fullsvf
