#pragma once
// An output file of a run: a lowered SVF file, a capture, a waveform. A
// regular file, or a name not yet taken, is written through a temporary
// file beside it that is renamed over it only once complete, so that under
// its name there is always either what was there before or the whole new
// file; a signal that ends the program removes the temporary file. A
// symbolic link is followed, as cp follows it, and an existing file keeps
// its permission bits. Anything else (/dev/null, a pipe, a terminal) is
// written directly. A failed write is remembered, not reported at once.
#include <cstddef>
#include <cstdio>
#include <string>

namespace tapwright::cli {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  OutputFile(OutputFile&& other) noexcept { *this = std::move(other); }
  OutputFile& operator=(OutputFile&& other) noexcept;
  ~OutputFile() { discard(); }

  // `what` names it in messages ("VCD file"). 1, or 0 with the reason.
  int open(const std::string& path, const std::string& what, std::string& problem);
  bool is_open() const { return file_ != nullptr; }
  void write(const void* data, std::size_t size) {
    if (file_ && !failed_ && std::fwrite(data, 1, size, file_) != size) note_failure();
  }
  bool failed() const { return failed_; }
  // Puts the whole file under its name: 1; or 0 with the reason when a
  // write failed or the file could not be put in place, the name then left
  // as it was.
  int commit(std::string& problem);
  // Leaves the name as it was, the temporary file removed.
  void discard();
  const std::string& path() const { return path_; }

 private:
  void note_failure();
  void close();

  std::FILE* file_ = nullptr;
  std::string path_;  // as the user named it
  std::string what_;
  std::string target_;  // the file a link leads to
  std::string temp_;    // empty when written directly
  int guard_ = -1;
  bool failed_ = false;
  int error_ = 0;
};

}  // namespace tapwright::cli
