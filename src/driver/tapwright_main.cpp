// tapwright: plays an SVF file into the JTAG chain behind an FTDI cable,
// through the vendor's library when it loads, else through libftdi1.
#include <cstdio>

#include "driver/cable_choice.hpp"
#include "driver/player.hpp"
#include "link/d2xx_library.hpp"
#ifdef TAPWRIGHT_HAVE_LIBFTDI1
#include "link/libftdi_device.hpp"
#include "link/system_ftdi_calls.hpp"
#endif

namespace {

class VendorBackEnd final : public tapwright::CableBackEnd {
 public:
  int available() override { return library_.load(); }
  tapwright::Device& device() override { return library_; }

 private:
  tapwright::D2xxLibrary library_;
};

#ifdef TAPWRIGHT_HAVE_LIBFTDI1
// Linked into the program, so always there; without a cable its open fails.
class LibftdiBackEnd final : public tapwright::CableBackEnd {
 public:
  int available() override { return 1; }
  tapwright::Device& device() override { return device_; }

 private:
  tapwright::SystemFtdiCalls calls_;
  tapwright::LibftdiDevice device_{calls_};
};
#endif

}  // namespace

int main(int argc, char** argv) {
  VendorBackEnd vendor;
#ifdef TAPWRIGHT_HAVE_LIBFTDI1
  LibftdiBackEnd libftdi;
  tapwright::Device& cable = tapwright::choose_cable(vendor, &libftdi);
#else
  tapwright::Device& cable = tapwright::choose_cable(vendor, nullptr);
#endif
  return tapwright::run_player(argc, argv, cable, {stdout, stderr});
}
