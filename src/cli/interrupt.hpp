#pragma once
// SIGINT, SIGTERM and SIGHUP (Ctrl-C and Ctrl-Break on Windows). A program
// either stops on its own at the next place it looks (catch_interrupts), or
// has nothing to release and ends at once (exit_on_interrupt). Either way
// no temporary output file is left behind: the files a program is writing
// are known here, and removed by the handler when it ends the program.
#include <csignal>
#include <string>

namespace tapwright::cli {

// From now on the first signal only raises the flag, and a call blocked in
// the system (a read of a pipe, the open of a FIFO) returns early with
// EINTR instead of being restarted, so that the program can look at the
// flag. A second signal removes the temporary files and ends the program
// at once with exit_interrupted. A SIGHUP ignored from the start (nohup)
// stays ignored.
void catch_interrupts();
// From now on every signal removes the temporary files and ends the program
// at once with exit_interrupted.
void exit_on_interrupt();

bool interrupted();
// The flag itself, for code that must not depend on this library.
const volatile std::sig_atomic_t* interrupt_flag();

// A temporary file to remove if a signal ends the program; the number to
// give back once the file is renamed or removed. -1 (nothing guarded) when
// every place is taken or the path is too long.
int guard_temporary(const std::string& path);
void release_temporary(int guard);

}  // namespace tapwright::cli
