#include "driver/cable_choice.hpp"

namespace tapwright {

Device& choose_cable(CableBackEnd& vendor, CableBackEnd* libftdi) {
  if (vendor.available()) return vendor.device();
  if (libftdi && libftdi->available()) return libftdi->device();
  return vendor.device();
}

}  // namespace tapwright
