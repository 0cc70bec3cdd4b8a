#include "cli/standard_streams.hpp"

#include <cerrno>
#include <cstring>

#include "cli/exit_status.hpp"

namespace tapwright::cli {

int finish_streams(int status, const char* program, std::FILE* out, std::FILE* err) {
  errno = 0;
  const bool out_failed = std::fflush(out) != 0 || std::ferror(out) != 0;
  if (out_failed) {
    const int reason = errno;
    std::fprintf(err, "%s: cannot write standard output%s%s\n", program, reason ? ": " : "",
                 reason ? std::strerror(reason) : "");
  }
  const bool err_failed = std::fflush(err) != 0 || std::ferror(err) != 0;
  if ((out_failed || err_failed) && status != exit_interrupted) return exit_failed;
  return status;
}

}  // namespace tapwright::cli
