#include "play/interrupt.hpp"

namespace tapwright::play {
namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void raise_flag(int) {
  interrupted = 1;
}

}  // namespace

void catch_interrupts() {
  std::signal(SIGINT, raise_flag);
  std::signal(SIGTERM, raise_flag);
}

const volatile std::sig_atomic_t* interrupt_flag() {
  return &interrupted;
}

}  // namespace tapwright::play
