#pragma once
// Ctrl-C (SIGINT) and SIGTERM, caught so that a run stops at a statement
// boundary with the cable released, rather than wherever the signal lands.
#include <csignal>

namespace tapwright::play {

// From now on the two signals only raise the flag.
void catch_interrupts();
// Set once a signal came. A signal handler can reach only what is global.
const volatile std::sig_atomic_t* interrupt_flag();

}  // namespace tapwright::play
