// tapwright: plays an SVF file into the JTAG chain behind an FTDI cable,
// through the vendor's library when it loads, else through libftdi1.
#include <cstdio>

#include "cli/standard_streams.hpp"
#include "driver/player.hpp"
#include "driver/system_cable.hpp"

int main(int argc, char** argv) {
  tapwright::SystemCable cable;
  const int status = tapwright::run_player(argc, argv, cable.device(), {stdout, stderr});
  return tapwright::cli::finish_streams(status, "tapwright", stdout, stderr);
}
