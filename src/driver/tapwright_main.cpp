// tapwright: plays an SVF file into the JTAG chain behind an FTDI cable.
#include <cstdio>

#include "driver/player.hpp"
#include "link/d2xx_library.hpp"

int main(int argc, char** argv) {
  tapwright::D2xxLibrary device;
  return tapwright::run_player(argc, argv, device, {stdout, stderr});
}
