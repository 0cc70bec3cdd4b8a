#include "sim/output_file.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace tapwright::sim {

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    close();
    file_ = std::exchange(other.file_, nullptr);
    path_ = std::move(other.path_);
    reason_ = std::move(other.reason_);
    failed_ = std::exchange(other.failed_, false);
  }
  return *this;
}

int OutputFile::open(const std::string& path, const char* what, std::string& error) {
  close();
  errno = 0;
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) {
    error = std::string("cannot create ") + what + " '" + path + "'";
    if (errno != 0) error += std::string(": ") + std::strerror(errno);
    return 0;
  }
  // Captures of large runs are written in 4 KB blocks; a bigger buffer keeps
  // the number of system calls down.
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
  path_ = path;
  reason_.clear();
  failed_ = false;
  return 1;
}

void OutputFile::note_failure() {
  // The first failure is the one that explains the rest.
  if (!failed_ && errno != 0) reason_ = std::strerror(errno);
  failed_ = true;
}

bool OutputFile::close() {
  if (file_) {
    errno = 0;
    if (std::fclose(file_) != 0) note_failure();
    file_ = nullptr;
  }
  return !failed_;
}

void OutputFile::remove() {
  close();
  if (path_.empty()) return;
  std::error_code ec;
  if (std::filesystem::is_regular_file(path_, ec)) std::filesystem::remove(path_, ec);
}

}  // namespace tapwright::sim
