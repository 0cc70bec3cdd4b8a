#include "prep/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

namespace tapwright::prep {
namespace {

namespace fs = std::filesystem;

// The temporary file an interrupt must remove. A signal handler can reach
// only what is global, and may call only async-signal-safe functions.
std::array<char, 4096> pending_temp{};
volatile std::sig_atomic_t have_pending_temp = 0;

extern "C" void remove_pending_temp(int signal_number) {
  if (have_pending_temp) ::unlink(pending_temp.data());
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

constexpr int interrupting_signals[] = {SIGINT, SIGTERM, SIGHUP};

void guard_temp(const std::string& temp) {
  if (temp.size() >= pending_temp.size()) return;
  std::memcpy(pending_temp.data(), temp.c_str(), temp.size() + 1);
  have_pending_temp = 1;
  for (int s : interrupting_signals) std::signal(s, remove_pending_temp);
}

void release_temp() {
  for (int s : interrupting_signals) std::signal(s, SIG_DFL);
  have_pending_temp = 0;
}

mode_t current_umask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

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

}  // namespace

LoweredOutput::~LoweredOutput() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    release_temp();
  }
}

int LoweredOutput::open(const std::string& path, std::string& problem) {
  path_ = path;
  target_ = follow_links(path);
  struct stat st {};
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd_ < 0) {
      problem = "cannot write " + path + ": " + std::strerror(errno);
      return 0;
    }
    return 1;
  }
  std::string temp = target_ + ".XXXXXX";
  fd_ = ::mkstemp(temp.data());
  if (fd_ < 0) {
    problem = "cannot create a file next to " + path + ": " + std::strerror(errno);
    return 0;
  }
  temp_ = temp;
  guard_temp(temp_);
  const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~current_umask());
  if (::fchmod(fd_, mode) != 0) {
    failed_ = true;
    error_ = errno;
  }
  return 1;
}

int LoweredOutput::write(std::string_view data) {
  while (!failed_ && !data.empty()) {
    const ssize_t n = ::write(fd_, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed_ = true;
      error_ = n < 0 ? errno : ENOSPC;
      break;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return failed_ ? 0 : 1;
}

int LoweredOutput::commit(std::string& problem) {
  if (::close(fd_) != 0 && !failed_) {
    failed_ = true;
    error_ = errno;
  }
  fd_ = -1;
  if (!failed_ && !temp_.empty()) {
    if (::rename(temp_.c_str(), target_.c_str()) == 0) {
      temp_.clear();
      release_temp();
    } else {
      failed_ = true;
      error_ = errno;
    }
  }
  if (failed_) problem = "cannot write " + path_ + ": " + std::strerror(error_);
  return failed_ ? 0 : 1;
}

}  // namespace tapwright::prep
