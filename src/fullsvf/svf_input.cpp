#include "fullsvf/svf_input.hpp"

#include <sys/stat.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
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

// A copy stops before it leaves less than this on its disk, which the
// system and everything else on it still need.
constexpr std::uint64_t space_kept = std::uint64_t{64} << 20;
// How much is copied between two looks at the space left.
constexpr std::uint64_t space_look = std::uint64_t{16} << 20;

// A file in the user's temporary folder that goes away once it is closed.
std::FILE* temporary_file(const std::filesystem::path& dir) {
#ifdef _WIN32
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
  std::string path = (dir / "tapwright-XXXXXX").string();
  const int fd = ::mkstemp(path.data());
  if (fd < 0) return nullptr;
  ::unlink(path.c_str());
  if (std::FILE* f = ::fdopen(fd, "w+b")) return f;
  ::close(fd);
  return nullptr;
#endif
}

}  // namespace

int SvfInput::open(const std::string& path, std::string& problem) {
  errno = 0;
  bool stream = true;
  if (path == "-") {
    name_ = "<stdin>";
#ifdef _WIN32
    // Text mode would turn CR LF into LF and end the file at a Ctrl-Z.
    ::_setmode(::_fileno(stdin), _O_BINARY);
#endif
    file_ = stdin;
  } else {
    name_ = path;
    owned_.reset(std::fopen(path.c_str(), "rb"));
    struct stat st {};
    if (!owned_ || ::fstat(fileno(owned_.get()), &st) != 0 || S_ISDIR(st.st_mode)) {
      problem =
          "cannot open " + path + ": " + reason(owned_ && S_ISDIR(st.st_mode) ? EISDIR : errno);
      return 0;
    }
    file_ = owned_.get();
    // A pipe or a device (/dev/stdin, <(...)) cannot be read twice.
    stream = !S_ISREG(st.st_mode);
    size_ = stream ? 0 : static_cast<std::uint64_t>(st.st_size);
  }
  if (!stream) return 1;
  std::error_code ignored;
  const std::filesystem::path dir = std::filesystem::temp_directory_path(ignored);
  copy_folder_ = dir.string();
  copy_.reset(temporary_file(dir));
  if (!copy_) {
    problem = "cannot create a temporary file in " + copy_folder_ + " for " + name_ + ": " +
              reason(errno);
    return 0;
  }
  return 1;
}

std::unique_ptr<SvfSource> SvfInput::next_pass(std::string& problem) {
  if (passes_++ == 0) {
    auto source = std::make_unique<SvfSource>(file_);
    if (copy_) source->copy_to([this](std::string_view piece) { return copy(piece); });
    return source;
  }
  std::FILE* again = copy_ ? copy_.get() : file_;
  const bool flushed = std::fflush(again) == 0;
  if (flushed && copy_) size_ = static_cast<std::uint64_t>(std::max(0L, std::ftell(again)));
  if (!flushed || std::fseek(again, 0, SEEK_SET) != 0) {
    problem = "cannot read " + name_ + " again: " + reason(errno);
    return nullptr;
  }
  std::clearerr(again);
  return std::make_unique<SvfSource>(again);
}

int SvfInput::copy(std::string_view piece) {
  if (copied_ >= space_checked_at_) {
    std::error_code ec;
    const std::filesystem::space_info space = std::filesystem::space(copy_folder_, ec);
    if (!ec && space.available < space_kept + space_look) {
      copy_problem_ =
          "it would fill the disk, which has " + std::to_string(space.available >> 20) + " MB left";
      return 0;
    }
    space_checked_at_ = copied_ + space_look;
  }
  copied_ += piece.size();
  if (std::fwrite(piece.data(), 1, piece.size(), copy_.get()) == piece.size()) return 1;
  copy_problem_ = reason(errno);
  return 0;
}

int SvfInput::check_pass(const SvfSource& source, std::string& problem) const {
  if (source.copy_failed()) {
    problem =
        "cannot copy " + name_ + " to a temporary file in " + copy_folder_ + ": " + copy_problem_;
    return 0;
  }
  if (source.failed()) {
    problem = "cannot read " + name_ + " to its end: " + reason(source.error());
    return 0;
  }
  return 1;
}

}  // namespace tapwright::fullsvf
