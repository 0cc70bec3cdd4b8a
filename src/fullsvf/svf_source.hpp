#pragma once
// The bytes of an SVF file, read through a buffer of fixed size, so that
// reading a file costs the same memory whatever its size. A source can also
// stand over text already in memory.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string_view>

namespace tapwright::fullsvf {

class SvfSource {
 public:
  static constexpr std::size_t default_buffer_bytes = std::size_t{1} << 18;

  // Reads `file` from its current position; the caller keeps it open.
  explicit SvfSource(std::FILE* file, std::size_t buffer_bytes = default_buffer_bytes);
  explicit SvfSource(std::string_view text);
  SvfSource(const SvfSource&) = delete;
  SvfSource& operator=(const SvfSource&) = delete;

  // The bytes from the current position to the end of what is buffered,
  // refilled when nothing is: empty only at the end of the input.
  std::string_view buffered() {
    if (pos_ == len_) fill();
    return {data_ + pos_, len_ - pos_};
  }
  // The byte at the current position, or -1 at the end of the input.
  int peek() {
    if (pos_ == len_ && !fill()) return -1;
    return static_cast<unsigned char>(data_[pos_]);
  }
  // The byte after the current one, or -1.
  int peek_next();
  void consume(std::size_t n) { pos_ += n; }

  // Bytes from the current position up to the next `c` (or to the end of
  // the input): how long a value that runs past the buffer is, so that it
  // can be held in one allocation of its own size rather than grown by
  // doubling, which would need three times its size at the last step. A
  // file is read ahead and then back; the input's position is unchanged.
  std::uint64_t distance_to(char c);

  // Every piece read is handed to `copy` too (a stream kept for another
  // pass); when it returns 0 the input ends early.
  void copy_to(std::function<int(std::string_view)> copy) { copy_ = std::move(copy); }
  // `stop` is asked before every read; true ends the input early (an
  // interrupt, a problem that makes reading on pointless).
  void stop_when(std::function<bool()> stop) { stop_ = std::move(stop); }

  // Bytes consumed since the source began.
  std::uint64_t offset() const { return base_ + pos_; }
  // True when reading failed (rather than reached the end of the file):
  // what follows the failure was never seen, so the input cannot count as
  // read to its end.
  bool failed() const { return failed_; }
  bool copy_failed() const { return copy_failed_; }
  // The input ended before the end of the file: a failed read or copy, or
  // a stop. What stands at its end is cut off, not the end of the text.
  bool ended_early() const { return failed_ || copy_failed_ || stopped_; }
  // The system's error number of a failed read.
  int error() const { return error_; }

 private:
  // Moves what is left to the front of the buffer and reads more after it;
  // false when nothing more came.
  bool fill();

  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> storage_;
  std::size_t capacity_ = 0;
  const char* data_ = nullptr;
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  std::uint64_t base_ = 0;
  std::function<int(std::string_view)> copy_;
  std::function<bool()> stop_;
  bool failed_ = false;
  bool copy_failed_ = false;
  bool stopped_ = false;
  int error_ = 0;
};

}  // namespace tapwright::fullsvf
