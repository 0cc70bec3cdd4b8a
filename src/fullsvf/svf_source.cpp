#include "fullsvf/svf_source.hpp"

#include <cerrno>
#include <cstring>

namespace tapwright::fullsvf {

SvfSource::SvfSource(std::FILE* file, std::size_t buffer_bytes)
    : file_(file),
      storage_(new char[buffer_bytes < 2 ? 2 : buffer_bytes]),
      capacity_(buffer_bytes < 2 ? 2 : buffer_bytes),
      data_(storage_.get()) {}

SvfSource::SvfSource(std::string_view text) : data_(text.data()), len_(text.size()) {}

int SvfSource::peek_next() {
  if (pos_ + 1 >= len_) fill();
  if (pos_ + 1 >= len_) return -1;
  return static_cast<unsigned char>(data_[pos_ + 1]);
}

std::uint64_t SvfSource::distance_to(char c) {
  const char* at = data_ + pos_;
  const void* found = std::memchr(at, c, len_ - pos_);
  if (found) return static_cast<std::uint64_t>(static_cast<const char*>(found) - at);
  std::uint64_t distance = len_ - pos_;
  // A stream being copied is read once: what is read ahead would be lost.
  if (!file_ || ended_early() || copy_) return distance;
  const long back = std::ftell(file_);
  if (back < 0) return distance;  // a stream that cannot be read twice: no measure
  char chunk[1 << 16];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file_)) > 0;) {
    if (const void* end = std::memchr(chunk, c, got)) {
      distance += static_cast<std::uint64_t>(static_cast<const char*>(end) - chunk);
      break;
    }
    distance += got;
  }
  std::clearerr(file_);
  if (std::fseek(file_, back, SEEK_SET) != 0) failed_ = true;
  return distance;
}

bool SvfSource::fill() {
  if (!file_ || ended_early()) return false;
  if (stop_ && stop_()) {
    stopped_ = true;
    return false;
  }
  char* buffer = storage_.get();
  const std::size_t left = len_ - pos_;
  if (left > 0 && pos_ > 0) std::memmove(buffer, buffer + pos_, left);
  base_ += pos_;
  pos_ = 0;
  len_ = left;
  errno = 0;
  const std::size_t got = std::fread(buffer + len_, 1, capacity_ - len_, file_);
  if (got == 0 && std::ferror(file_)) {
    // A signal that cut a read short (EINTR) lands here too.
    failed_ = true;
    error_ = errno;
  } else if (copy_ && !copy_({buffer + len_, got})) {
    copy_failed_ = true;
  }
  len_ += got;
  return got > 0;
}

}  // namespace tapwright::fullsvf
