#include "cli/interrupt.hpp"

#include <cstring>

#include "cli/exit_status.hpp"

#ifdef _WIN32
#include <io.h>
#include <stdlib.h>
#else
#include <unistd.h>
#endif

namespace tapwright::cli {
namespace {

// What a signal handler reads must be global, and it may call only
// async-signal-safe functions: unlink and _exit.
constexpr int guard_places = 8;
constexpr std::size_t path_room = 4096;
char guarded_paths[guard_places][path_room];
volatile std::sig_atomic_t guarded[guard_places];
volatile std::sig_atomic_t raised = 0;
volatile std::sig_atomic_t end_at_once = 0;

void remove_temporaries_and_exit() {
  for (int i = 0; i < guard_places; ++i) {
#ifdef _WIN32
    if (guarded[i]) ::_unlink(guarded_paths[i]);
#else
    if (guarded[i]) ::unlink(guarded_paths[i]);
#endif
  }
  ::_exit(exit_interrupted);
}

extern "C" void on_signal(int signal_number) {
  if (raised || end_at_once) remove_temporaries_and_exit();
  raised = 1;
#ifdef _WIN32
  // The Windows run-time resets the handler before calling it.
  std::signal(signal_number, on_signal);
#else
  (void)signal_number;
#endif
}

void install() {
#ifdef _WIN32
  for (int s : {SIGINT, SIGTERM, SIGBREAK}) std::signal(s, on_signal);
#else
  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocked read returns with EINTR
  for (int s : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction before {};
    if (s == SIGHUP && sigaction(s, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) {
      continue;
    }
    sigaction(s, &action, nullptr);
  }
#endif
}

}  // namespace

void catch_interrupts() {
  end_at_once = 0;
  install();
}

void exit_on_interrupt() {
  end_at_once = 1;
  install();
}

bool interrupted() {
  return raised != 0;
}

const volatile std::sig_atomic_t* interrupt_flag() {
  return &raised;
}

int guard_temporary(const std::string& path) {
  if (path.size() >= path_room) return -1;
  for (int i = 0; i < guard_places; ++i) {
    if (guarded[i]) continue;
    std::memcpy(guarded_paths[i], path.c_str(), path.size() + 1);
    guarded[i] = 1;  // only now may the handler read the place
    return i;
  }
  return -1;
}

void release_temporary(int guard) {
  if (guard >= 0 && guard < guard_places) guarded[guard] = 0;
}

}  // namespace tapwright::cli
