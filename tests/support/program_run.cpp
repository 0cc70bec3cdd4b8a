#include "support/program_run.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace tapwright::testing {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_file(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

namespace {
// Every scratch folder of a test process lies under one, removed when the
// process ends, so that runs leave nothing behind.
struct ScratchRoot {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("tapwright-tests-" + std::to_string(::getpid()));
  ~ScratchRoot() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};
}  // namespace

std::string scratch_dir(const std::string& name) {
  static const ScratchRoot root;
  const auto dir = root.path / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

ProgramRun run_program(const std::string& program, const std::vector<std::string>& args) {
  const std::string dir = scratch_dir("run");
  const std::string out_path = dir + "/out";
  const std::string err_path = dir + "/err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  // The child starts out in this process's memory, and the kernel counts
  // this process's peak into the child's; start that peak afresh (where the
  // kernel allows) so the child's reads as its own.
  write_file("/proc/self/clear_refs", "5");
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);
  int wait_status = 0;
  rusage usage{};
  wait4(pid, &wait_status, 0, &usage);
  ProgramRun run;
  run.peak_rss_kb = usage.ru_maxrss;
  run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  run.out = read_file(out_path);
  run.err = read_file(err_path);
  std::filesystem::remove_all(dir);
  return run;
}

namespace {

// Whether `text` is `pattern`, each "..." in it standing for any text.
bool matches(std::string_view text, std::string_view pattern) {
  std::size_t at = 0;
  for (std::size_t start = 0;;) {
    const std::size_t gap = pattern.find("...", start);
    const std::string_view piece = pattern.substr(start, gap - std::min(gap, start));
    if (gap == pattern.npos) return text.size() >= at + piece.size() && text.ends_with(piece);
    at = start == 0 ? (text.starts_with(piece) ? 0 : text.npos) : text.find(piece, at);
    if (at == text.npos) return false;
    at += piece.size();
    start = gap + 3;
  }
}

}  // namespace

void check_runs(const std::string& program, const std::vector<RunCase>& cases,
                const std::string& at) {
  const auto place = [&at](const std::string& text) {
    return std::regex_replace(text, std::regex("@"), at);
  };
  for (const RunCase& c : cases) {
    std::vector<std::string> args;
    std::istringstream split(c.args);
    for (std::string word; split >> word;) args.push_back(word == "''" ? "" : place(word));
    const ProgramRun run = run_program(program, args);
    EXPECT_EQ(run.status, c.status) << c.args;
    for (const auto& [text, expected] :
         {std::pair{run.out, place(c.out)}, {run.err, place(c.err)}}) {
      if (expected.find("...") == std::string::npos) {
        EXPECT_EQ(text, expected) << c.args;
      } else {
        EXPECT_TRUE(matches(text, expected)) << c.args << "\n" << text;
      }
    }
  }
}

}  // namespace tapwright::testing
