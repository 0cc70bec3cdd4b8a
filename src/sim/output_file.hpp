#pragma once
// A file the simulated cable writes its observations to, created (or
// truncated) on open and closed with the object. A failed write is
// remembered rather than reported at once, so the cable's operations stay
// those of a chip.
#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>

namespace tapwright::sim {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  OutputFile(OutputFile&& other) noexcept { *this = std::move(other); }
  OutputFile& operator=(OutputFile&& other) noexcept;
  ~OutputFile() { close(); }

  // 1 when `path` could be created; 0 with the reason, naming it as `what`.
  int open(const std::string& path, const char* what, std::string& error);
  bool is_open() const { return file_ != nullptr; }
  void write(const void* data, std::size_t size) {
    if (file_ && std::fwrite(data, 1, size, file_) != size) note_failure();
  }
  // Flushes and closes; false when any write or the flush failed.
  bool close();
  // Closes the file and deletes it when it is a regular file: a device or a
  // pipe named as output is never removed.
  void remove();
  bool failed() const { return failed_; }
  // The system's reason for the first failure, or an empty text.
  const std::string& reason() const { return reason_; }
  const std::string& path() const { return path_; }

 private:
  void note_failure();

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string reason_;
  bool failed_ = false;
};

}  // namespace tapwright::sim
