#pragma once
// Runs a program of the project as a user would, and hands back what it
// printed and how it ended.
#include <string>
#include <vector>

namespace tapwright::testing {

struct ProgramRun {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs `program` with `args`, standard input closed, in a scratch folder.
ProgramRun run_program(const std::string& program, const std::vector<std::string>& args);

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& text);
// A fresh folder under the test's temporary directory.
std::string scratch_dir(const std::string& name);

}  // namespace tapwright::testing
