#pragma once
#include <cstdio>

namespace tapwright::play {

// True when `stream` is a terminal a person watches.
bool is_terminal(std::FILE* stream);

}  // namespace tapwright::play
