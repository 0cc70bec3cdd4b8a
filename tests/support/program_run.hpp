#pragma once
// Programs run as a user runs them, and the files they read and write.
#include <string>
#include <vector>

namespace tapwright::testing {

struct ProgramRun {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
  long peak_rss_kb = 0;  // the program's own peak resident memory
};

// Runs `program` (a path) with `args`, standard input closed.
ProgramRun run_program(const std::string& program, const std::vector<std::string>& args);
// Runs a bash command line, for pipes.
inline ProgramRun run_shell(const std::string& command) {
  return run_program("/bin/bash", {"-c", command});
}

// A command line and all it must give: exit status, standard output and
// error. The arguments are blank-separated ('' is an empty one); "@" in
// them and in the texts stands for a folder given to check_runs, and
// "..." in a text for anything in its stream.
struct RunCase {
  std::string args;
  int status;
  std::string out, err;
};
void check_runs(const std::string& program, const std::vector<RunCase>& cases,
                const std::string& at);

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& text);
// A fresh, empty folder under the temporary directory.
std::string scratch_dir(const std::string& name);

}  // namespace tapwright::testing
