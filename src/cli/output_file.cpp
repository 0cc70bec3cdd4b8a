#include "cli/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "cli/interrupt.hpp"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tapwright::cli {
namespace {

namespace fs = std::filesystem;

// The file a chain of symbolic links leads to (which may not exist yet).
std::string follow_links(const std::string& path) {
  fs::path p = path;
  std::error_code ec;
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
    const fs::path next = fs::read_symlink(p, ec);
    if (ec) break;
    p = next.is_absolute() ? next : p.parent_path() / next;
  }
  return p.string();
}

// A file of a new name beside `target`, created so that no other file is
// ever opened in its place; its permissions are those of a new file.
std::FILE* create_beside(const std::string& target, std::string& temp) {
  static constexpr char letters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  auto seed =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = target + '.';
    for (int i = 0; i < 6; ++i, seed = seed * 6364136223846793005ULL + 1442695040888963407ULL) {
      temp += letters[(seed >> 33) % (sizeof letters - 1)];
    }
#ifdef _WIN32
    const int fd =
        ::_open(temp.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return nullptr;
    if (std::FILE* f = ::_fdopen(fd, "wb")) return f;
    ::_close(fd);
#else
    const int fd = ::open(temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return nullptr;
    if (std::FILE* f = ::fdopen(fd, "wb")) return f;
    ::close(fd);
#endif
    ::remove(temp.c_str());
    return nullptr;
  }
  errno = EEXIST;
  return nullptr;
}

bool replace(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return ::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    discard();
    file_ = std::exchange(other.file_, nullptr);
    path_ = std::move(other.path_);
    what_ = std::move(other.what_);
    target_ = std::move(other.target_);
    temp_ = std::exchange(other.temp_, std::string());
    guard_ = std::exchange(other.guard_, -1);
    failed_ = std::exchange(other.failed_, false);
    error_ = std::exchange(other.error_, 0);
  }
  return *this;
}

int OutputFile::open(const std::string& path, const std::string& what, std::string& problem) {
  discard();
  path_ = path;
  what_ = what;
  target_ = follow_links(path);
  failed_ = false;
  error_ = 0;
  std::error_code ec;
  const fs::file_status status = fs::status(target_, ec);
  const bool exists = fs::exists(status);
  errno = 0;
  if (exists && !fs::is_regular_file(status)) {
    // A device or a pipe: there is nothing to keep. The open of a FIFO
    // waits for a reader, or for a signal.
    file_ = std::fopen(target_.c_str(), "wb");
  } else {
    file_ = create_beside(target_, temp_);
    if (file_) guard_ = guard_temporary(temp_);
  }
  if (!file_) {
    problem = "cannot create " + what + " '" + path + "': " + std::strerror(errno ? errno : EIO);
    temp_.clear();
    return 0;
  }
#ifndef _WIN32
  if (exists && !temp_.empty() &&
      ::fchmod(::fileno(file_), static_cast<mode_t>(status.permissions() & fs::perms::mask)) != 0) {
    note_failure();
  }
#endif
  // Captures of long runs come in blocks of a few KB; a large buffer keeps
  // the system calls few.
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
  return 1;
}

void OutputFile::note_failure() {
  // The first failure is the one that explains the rest.
  if (!failed_) error_ = errno != 0 ? errno : EIO;
  failed_ = true;
}

void OutputFile::close() {
  if (!file_) return;
  errno = 0;
  if (std::fclose(file_) != 0) note_failure();
  file_ = nullptr;
}

int OutputFile::commit(std::string& problem) {
  close();
  if (!failed_ && !temp_.empty()) {
    errno = 0;
    if (replace(temp_, target_)) {
      temp_.clear();
    } else {
      note_failure();
    }
  }
  if (failed_) {
    problem = "could not write all of " + what_ + " '" + path_ + "': " + std::strerror(error_);
  }
  discard();
  return failed_ ? 0 : 1;
}

void OutputFile::discard() {
  close();
  if (!temp_.empty()) std::remove(temp_.c_str());
  temp_.clear();
  release_temporary(guard_);
  guard_ = -1;
}

}  // namespace tapwright::cli
