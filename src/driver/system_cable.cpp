#include "driver/system_cable.hpp"

#include "driver/cable_choice.hpp"
#include "link/d2xx_library.hpp"
#ifdef TAPWRIGHT_HAVE_LIBFTDI1
#include "link/libftdi_device.hpp"
#include "link/system_ftdi_calls.hpp"
#endif

namespace tapwright {
namespace {

class VendorBackEnd final : public CableBackEnd {
 public:
  int available() override { return library_.load(); }
  Device& device() override { return library_; }

 private:
  D2xxLibrary library_;
};

#ifdef TAPWRIGHT_HAVE_LIBFTDI1
// Linked into the program, so always there; without a cable its open fails.
class LibftdiBackEnd final : public CableBackEnd {
 public:
  int available() override { return 1; }
  Device& device() override { return device_; }

 private:
  SystemFtdiCalls calls_;
  LibftdiDevice device_{calls_};
};
#endif

}  // namespace

struct SystemCable::BackEnds {
  VendorBackEnd vendor;
#ifdef TAPWRIGHT_HAVE_LIBFTDI1
  LibftdiBackEnd libftdi;
  CableBackEnd* second() {
    return &libftdi;
  }
#else
  CableBackEnd* second() {
    return nullptr;
  }
#endif
};

SystemCable::SystemCable() : back_ends_(std::make_unique<BackEnds>()) {}
SystemCable::~SystemCable() = default;

Device& SystemCable::device() {
  if (!chosen_) chosen_ = &choose_cable(back_ends_->vendor, back_ends_->second());
  return *chosen_;
}

}  // namespace tapwright
