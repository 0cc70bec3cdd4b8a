#pragma once
// A value change dump (IEEE 1364) of the cable's wires, one time step per
// byte put on the pins, streamed to disk as it happens. The TAP state of the
// first device is four one-bit wires "state [0]" to "state [3]" holding its
// state code: waveform viewers join them into a vector, and readers that
// take only one-bit signals (sigrok) still load the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/output_file.hpp"

namespace tapwright::sim {

class VcdWriter {
 public:
  // 1 when `path` could be created; 0 with the reason. At `limit` bytes (0:
  // none) the dump stops: the steps before it stay, closed so that the file
  // is still a valid VCD file, and those after are dropped. The header and
  // the values at time 0 are always written.
  int open(const std::string& path, std::uint64_t limit, std::string& error);
  bool is_open() const { return file_.is_open(); }

  // The header and the values at time 0. `with_state`: the chain has a
  // first device whose state to show.
  void begin(bool with_state, std::uint8_t pins, int tdo, int state);

  // The next time step: the pins (TDI, TMS, TCK in bits 0 to 2), TDO and the
  // first device's state code after a byte was applied.
  void step(std::uint8_t pins, int tdo, int state) {
    ++time_;
    const unsigned value = (pins & 0x07u) | (static_cast<unsigned>(tdo & 1) << 3) |
                           (with_state_ ? static_cast<unsigned>(state & 0x0F) << 4 : 0u);
    if (value != last_) emit(value);
  }

  // Ends the dump at the close of the last step it holds; the file is then
  // to be committed.
  void finish();
  std::uint64_t time() const { return time_; }
  // The pins the dump shows last (TDI, TMS, TCK in bits 0 to 2).
  std::uint8_t pins() const { return static_cast<std::uint8_t>(last_ & 0x07u); }
  // 0 while every step is in the dump; else the first step left out.
  std::uint64_t stopped_at() const { return stopped_at_; }
  std::uint64_t limit() const { return limit_; }
  cli::OutputFile& file() { return file_; }
  const std::string& path() const { return file_.path(); }

 private:
  void emit(unsigned value);
  // Drains the buffer and sets how much of it the next steps may fill; 0
  // when the limit leaves no room for another step.
  int make_room();
  void put(const char* text, std::size_t size);
  void drain();

  cli::OutputFile file_;
  char buffer_[1 << 16];
  std::size_t used_ = 0;
  std::size_t room_ = 0;  // how far steps may fill the buffer
  std::uint64_t written_ = 0;
  std::uint64_t limit_ = 0;
  std::uint64_t time_ = 0;
  std::uint64_t stopped_at_ = 0;
  unsigned last_ = 0;
  bool with_state_ = false;
};

}  // namespace tapwright::sim
