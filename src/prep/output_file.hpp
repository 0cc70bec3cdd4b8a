#pragma once
// Where tapwright-prep writes the lowered file. A regular file (or a new
// one) is written through a temporary file beside it that is renamed over
// it at the end, so that it holds either its old content or the whole new
// file; an interrupted run (SIGINT, SIGTERM, SIGHUP) removes the temporary
// file. A symbolic link is followed, as cp follows it, and an existing
// file keeps its permission bits. Anything else (a pipe, /dev/null) is
// written directly.
#include <string>
#include <string_view>

namespace tapwright::prep {

class LoweredOutput {
 public:
  LoweredOutput() = default;
  ~LoweredOutput();
  LoweredOutput(const LoweredOutput&) = delete;
  LoweredOutput& operator=(const LoweredOutput&) = delete;

  // 1, or 0 with the reason.
  int open(const std::string& path, std::string& problem);
  int write(std::string_view data);
  // Puts the file in place; 0 with the reason. Without it, the destructor
  // leaves the old file as it was.
  int commit(std::string& problem);

 private:
  std::string path_;    // what the user named
  std::string target_;  // the file it leads to
  std::string temp_;    // empty when written directly
  int fd_ = -1;
  bool failed_ = false;
  int error_ = 0;
};

}  // namespace tapwright::prep
