#include "sim/output_file.hpp"

#include <cerrno>
#include <cstring>
#include <utility>

namespace tapwright::sim {

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    close();
    file_ = std::exchange(other.file_, nullptr);
    path_ = std::move(other.path_);
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
  failed_ = false;
  return 1;
}

bool OutputFile::close() {
  if (file_) {
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
  }
  return !failed_;
}

}  // namespace tapwright::sim
