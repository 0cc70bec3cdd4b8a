#pragma once
// The SVF file a program reads twice (once to check it, once to use it): a
// path, or standard input. Standard input and any other file that cannot be
// read twice (a pipe, /dev/stdin) are first copied to a temporary file that
// goes away with the object.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace tapwright::fullsvf {

class SvfInput {
 public:
  SvfInput() = default;
  SvfInput(const SvfInput&) = delete;
  SvfInput& operator=(const SvfInput&) = delete;

  // `path` "-" is standard input. 0 with the reason in `problem` (a path
  // that cannot be opened or is a directory, a read error).
  int open(const std::string& path, std::string& problem);
  std::FILE* file() const { return file_.get(); }
  // Back to the first byte; 0 with the reason.
  int rewind(std::string& problem);
  // The file's size in bytes, 0 where the system does not tell.
  std::uint64_t size() const { return size_; }
  // How messages name the file: its path, or "<stdin>".
  const std::string& name() const { return name_; }

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  int spool(std::FILE* from, const std::string& what, std::string& problem);
  std::unique_ptr<std::FILE, Closer> file_;
  std::uint64_t size_ = 0;
  std::string name_;
};

}  // namespace tapwright::fullsvf
