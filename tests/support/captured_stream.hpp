#pragma once
// A FILE* whose output lands in memory, for checking what the player prints.
// What has been flushed to it is visible on its own, so a test can also tell
// whether the code under test flushed the stream.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tapwright::testing {

class CapturedStream {
 public:
  CapturedStream() : file_(open_memstream(&data_, &size_)) {}
  ~CapturedStream() {
    if (file_) std::fclose(file_);
    std::free(data_);
  }
  CapturedStream(const CapturedStream&) = delete;
  CapturedStream& operator=(const CapturedStream&) = delete;

  std::FILE* file() const { return file_; }

  // What the stream holds without a flush of ours.
  std::string flushed() const { return data_ ? std::string(data_, size_) : std::string(); }

  // Everything written so far.
  std::string text() {
    std::fflush(file_);
    return flushed();
  }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_;
};

}  // namespace tapwright::testing
