#pragma once
// The end of a run as standard output and standard error tell it: what a
// program printed is part of its result, so a write to either that failed
// (a full disk, a closed pipe) fails the run.
#include <cstdio>

namespace tapwright::cli {

// Flushes both streams. `status` when every write reached them; else
// exit_failed (an interrupted run keeps its status), with a message on
// standard error when standard output is the one that failed.
int finish_streams(int status, const char* program, std::FILE* out, std::FILE* err);

}  // namespace tapwright::cli
