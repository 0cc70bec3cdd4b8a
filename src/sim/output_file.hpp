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
    if (file_ && std::fwrite(data, 1, size, file_) != size) failed_ = true;
  }
  // Flushes and closes; false when any write or the flush failed.
  bool close();
  bool failed() const { return failed_; }
  const std::string& path() const { return path_; }

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  bool failed_ = false;
};

}  // namespace tapwright::sim
