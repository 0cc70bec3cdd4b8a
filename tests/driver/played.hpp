#pragma once
// The player run in this process over a scripted cable whose TDO follows
// TDI, and what a test looks at afterwards: the exit status, both streams
// (and how much of each the player flushed), the device calls in order and
// the TMS of every cycle that reached the cable.
#include <sstream>
#include <string>
#include <vector>

#include "driver/player.hpp"
#include "support/captured_stream.hpp"
#include "support/program_run.hpp"
#include "support/scripted_device.hpp"

namespace tapwright::testing {

struct Played {
  int status = -1;
  std::string out, out_flushed, err, err_flushed, calls, tms;
};

// `args` are blank-separated; FILE names a file that holds `svf`. The calls
// read like "open0 bit7,4 div1 write40 read40 close": the open of device
// 0, set_bit_mode with mask 7 and mode 4, set_divisor 1, the byte counts.
inline Played play(ScriptedDevice& device, const std::string& svf, const std::string& args) {
  const std::string path = scratch_dir("player") + "/f.svf";
  write_file(path, svf);
  std::vector<std::string> words = {"tapwright"};
  std::istringstream split(args);
  for (std::string word; split >> word;) words.push_back(word == "FILE" ? path : word);
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  device.reply = [](std::uint8_t b) { return std::uint8_t(b & pin_tdi ? b | pin_tdo : b); };
  CapturedStream out, err;
  Played p;
  p.status = run_player(int(argv.size()), argv.data(), device, {out.file(), err.file()});
  p.out_flushed = out.flushed();
  p.err_flushed = err.flushed();
  p.out = out.text();
  p.err = err.text();
  for (const DeviceCall& c : device.calls) {
    p.calls.append(p.calls.empty() ? "" : " ")
        .append(c.op.starts_with("set_") ? c.op.substr(4, 3) : c.op);
    if (c.op != "close") p.calls.append(std::to_string(c.a));
    if (c.op == "set_bit_mode") p.calls.append(",").append(std::to_string(c.b));
  }
  for (std::size_t i = 0; i < device.written.size(); i += 2) {
    p.tms.push_back(device.written[i] & pin_tms ? '1' : '0');
  }
  return p;
}

}  // namespace tapwright::testing
