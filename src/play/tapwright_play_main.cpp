// tapwright-play: plays any SVF file, as vendor tools write it, into the
// JTAG chain behind an FTDI cable, with waits timed by the host.
#include <cstdio>
#include <string>
#include <vector>

#include "driver/system_cable.hpp"
#include "play/play_command.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  tapwright::play::SystemClock clock;
  tapwright::SystemCable cable;
  return tapwright::play::play_main(args, {stdout, stderr}, clock,
                                    [&]() -> tapwright::Device& { return cable.device(); });
}
