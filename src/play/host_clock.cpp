#include "play/host_clock.hpp"

#include <chrono>
#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace tapwright::play {

std::int64_t SystemClock::now_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void SystemClock::sleep_ns(std::int64_t ns) {
  if (ns <= 0) return;
#ifdef _WIN32
  // Sleep() may wake a little early on a coarse timer; the caller measures
  // and sleeps again for what is left.
  ::Sleep(static_cast<DWORD>((ns + 999'999) / 1'000'000));
#else
  timespec t{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
  ::nanosleep(&t, nullptr);
#endif
}

}  // namespace tapwright::play
