#pragma once
// Each rising edge of TCK as the chain sees it: the levels of TMS and TDI,
// as text, one line per run of equal edges ("TMS TDI COUNT", e.g. "1 0 5"
// for five clocks with TMS 1 and TDI 0). Two runs compare by it whatever
// the cable, its encoding or its wiring.
#include <cstdint>
#include <string>

#include "cli/output_file.hpp"

namespace tapwright::sim {

class ClockTrace {
 public:
  int open(const std::string& path, std::string& error) {
    return file_.open(path, "clock trace", error);
  }
  void edge(int tms, int tdi) {
    const unsigned levels = static_cast<unsigned>((tms & 1) << 1 | (tdi & 1));
    if (levels == levels_ && count_ > 0) {
      ++count_;
      return;
    }
    put_run();
    levels_ = levels;
    count_ = 1;
  }
  // Writes the last run; the file is then ready to be put in place.
  void finish() {
    put_run();
    count_ = 0;
  }
  cli::OutputFile& file() { return file_; }

 private:
  void put_run() {
    if (count_ == 0) return;
    const std::string line = std::to_string(levels_ >> 1) + " " + std::to_string(levels_ & 1) +
                             " " + std::to_string(count_) + "\n";
    file_.write(line.data(), line.size());
  }

  cli::OutputFile file_;
  unsigned levels_ = 0;
  std::uint64_t count_ = 0;
};

}  // namespace tapwright::sim
