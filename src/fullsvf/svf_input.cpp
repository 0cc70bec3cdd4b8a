#include "fullsvf/svf_input.hpp"

#include <sys/stat.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tapwright::fullsvf {
namespace {

std::string reason(int error) {
  return std::strerror(error != 0 ? error : EIO);
}

// A temporary file that the system removes once it is closed.
std::FILE* temporary_file() {
#ifdef _WIN32
  // tmpfile() on Windows writes to the root of the drive, which users may
  // not be allowed to; the user's temporary folder always is.
  std::error_code ignored;
  const auto dir = std::filesystem::temp_directory_path(ignored);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto path =
        dir / ("tapwright-" + std::to_string(std::rand()) + "-" + std::to_string(attempt) + ".svf");
    // Never an existing file; deleted when closed.
    const int fd = ::_open(path.string().c_str(),
                           _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY | _O_TEMPORARY | _O_SHORT_LIVED,
                           _S_IREAD | _S_IWRITE);
    if (fd < 0) continue;
    if (std::FILE* f = ::_fdopen(fd, "w+b")) return f;
    ::_close(fd);
  }
  return nullptr;
#else
  return std::tmpfile();
#endif
}

}  // namespace

// Copies `from` to a new temporary file, which becomes the input.
int SvfInput::spool(std::FILE* from, const std::string& what, std::string& problem) {
  file_.reset(temporary_file());
  if (!file_) {
    problem = "cannot create a temporary file for " + what + ": " + reason(errno);
    return 0;
  }
  char buffer[1 << 16];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, from)) > 0) {
    if (std::fwrite(buffer, 1, got, file_.get()) != got) {
      problem = "cannot copy " + what + " to a temporary file: " + reason(errno);
      return 0;
    }
    size_ += got;
  }
  if (std::ferror(from)) {
    problem = "cannot read " + what + ": " + reason(errno);
    return 0;
  }
  return rewind(problem);
}

int SvfInput::open(const std::string& path, std::string& problem) {
  errno = 0;
  if (path == "-") {
    name_ = "<stdin>";
#ifdef _WIN32
    // Text mode would turn CR LF into LF and end the file at a Ctrl-Z.
    ::_setmode(::_fileno(stdin), _O_BINARY);
#endif
    return spool(stdin, "standard input", problem);
  }
  name_ = path;
  std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    problem = "cannot open " + path + ": " + reason(errno);
    return 0;
  }
  struct stat st {};
  if (::fstat(fileno(file.get()), &st) != 0 || S_ISDIR(st.st_mode)) {
    problem = "cannot open " + path + ": " + reason(S_ISDIR(st.st_mode) ? EISDIR : errno);
    return 0;
  }
  if (!S_ISREG(st.st_mode)) {
    // A pipe or a device (/dev/stdin, <(...)) cannot be read twice.
    return spool(file.get(), path, problem);
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
  file_ = std::move(file);
  return 1;
}

int SvfInput::rewind(std::string& problem) {
  if (std::fflush(file_.get()) != 0 || std::fseek(file_.get(), 0, SEEK_SET) != 0) {
    problem = "cannot read " + name_ + " again: " + reason(errno);
    return 0;
  }
  std::clearerr(file_.get());
  return 1;
}

}  // namespace tapwright::fullsvf
