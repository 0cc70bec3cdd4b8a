#pragma once
// The SVF file a program reads more than once (to check it, then to use
// it): a path, or standard input. A file that cannot be read twice
// (standard input, a pipe, a device) is copied to a temporary file as the
// first pass reads it, and the later passes read the copy, which goes away
// with the object.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "fullsvf/svf_source.hpp"

namespace tapwright::fullsvf {

class SvfInput {
 public:
  SvfInput() = default;
  SvfInput(const SvfInput&) = delete;
  SvfInput& operator=(const SvfInput&) = delete;

  // `path` "-" is standard input. The open of a FIFO waits for a writer, or
  // for a signal. 0 with the reason (a path that cannot be opened or is a
  // directory, no room for the copy).
  int open(const std::string& path, std::string& problem);
  // The next pass over the whole input, from its first byte; null with the
  // reason when the input cannot be read again.
  std::unique_ptr<SvfSource> next_pass(std::string& problem);
  // After a pass: 0 with the reason when a read or the copy failed, so that
  // the input was not seen to its end; a stop of the caller's is no failure.
  int check_pass(const SvfSource& source, std::string& problem) const;
  // True for an input copied as the first pass reads it.
  bool is_stream() const { return copy_ != nullptr; }
  // The file's size in bytes (a stream's once it is copied), 0 where the
  // system does not tell.
  std::uint64_t size() const { return size_; }
  // How messages name the file: its path, or "<stdin>".
  const std::string& name() const { return name_; }

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> owned_;  // the file opened, unless standard input
  std::FILE* file_ = nullptr;                 // what the first pass reads
  std::unique_ptr<std::FILE, Closer> copy_;   // a stream's copy, for the later passes
  // Hands a piece of a stream on to its copy, unless the disk would fill.
  int copy(std::string_view piece);

  std::string copy_folder_;
  std::string copy_problem_;
  std::uint64_t copied_ = 0;
  std::uint64_t space_checked_at_ = 0;
  int passes_ = 0;
  std::uint64_t size_ = 0;
  std::string name_;
};

}  // namespace tapwright::fullsvf
