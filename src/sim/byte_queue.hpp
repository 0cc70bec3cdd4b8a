#pragma once
// Bytes a chip holds in order: what it returns, kept until read, and the
// commands written to it, kept until executed. Appended in blocks at the
// back, taken from the front. Storage grows only when more bytes wait than
// ever before.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace tapwright::sim {

class ByteQueue {
 public:
  std::size_t size() const { return tail_ - head_; }

  // Room for `count` more bytes at the back, which the caller fills; they
  // count as queued from now on.
  std::uint8_t* append(std::size_t count) {
    if (tail_ + count > capacity_) make_room(count);
    std::uint8_t* room = data_.get() + tail_;
    tail_ += count;
    return room;
  }

  const std::uint8_t* front() const { return data_.get() + head_; }
  // Just past the last byte queued.
  const std::uint8_t* end() const { return data_.get() + tail_; }
  // Forgets the first `count` bytes (no more than are queued).
  void drop(std::size_t count) {
    head_ += count;
    if (head_ == tail_) head_ = tail_ = 0;
  }
  void clear() { head_ = tail_ = 0; }

  // Moves up to `count` bytes from the front into `out`; the number moved.
  std::size_t take(std::uint8_t* out, std::size_t count) {
    const std::size_t n = count < size() ? count : size();
    if (n > 0) std::memcpy(out, front(), n);
    drop(n);
    return n;
  }

 private:
  void make_room(std::size_t count) {
    const std::size_t waiting = size();
    if (waiting + count > capacity_) {
      std::size_t capacity = capacity_ == 0 ? 16384 : capacity_;
      while (capacity < waiting + count) capacity *= 2;
      std::unique_ptr<std::uint8_t[]> grown(new std::uint8_t[capacity]);
      if (waiting > 0) std::memcpy(grown.get(), data_.get() + head_, waiting);
      data_ = std::move(grown);
      capacity_ = capacity;
    } else if (waiting > 0) {
      std::memmove(data_.get(), data_.get() + head_, waiting);
    }
    head_ = 0;
    tail_ = waiting;
  }

  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t capacity_ = 0;
  std::size_t head_ = 0;
  std::size_t tail_ = 0;
};

}  // namespace tapwright::sim
