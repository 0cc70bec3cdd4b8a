#pragma once
// The exit statuses of every tapwright program.
namespace tapwright::cli {

// Played, lowered or checked as asked; or --help, --version.
inline constexpr int exit_ok = 0;
// Ended with a message on standard error: a usage error, a file that cannot
// be read, played or lowered, no cable, a cable that failed, an output that
// could not be written.
inline constexpr int exit_failed = 1;
// A compare run played to its end (or to the scan it stops at) and found TDO
// bits that differ.
inline constexpr int exit_mismatched = 2;
// SIGINT, SIGTERM or SIGHUP ended the run: one status for all three, so
// that a script tells "interrupted" from "failed" without knowing which.
inline constexpr int exit_interrupted = 130;

}  // namespace tapwright::cli
