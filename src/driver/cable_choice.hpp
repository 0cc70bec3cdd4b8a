#pragma once
// Which library tapwright reaches the cable through. Nothing is configured:
// the vendor's library when it loads, else libftdi1 where the program was
// built with it. With neither, the vendor library is used all the same, so
// that the run fails at open with the usual message.
#include "link/device.hpp"

namespace tapwright {

// One way of reaching the cable, which may be missing on this machine.
class CableBackEnd {
 public:
  virtual ~CableBackEnd() = default;
  // 1 when the back end can be used here (its library is present).
  virtual int available() = 0;
  virtual Device& device() = 0;
};

// `libftdi` is null where the program is built without libftdi1. Its
// availability is only asked when the vendor library is missing.
Device& choose_cable(CableBackEnd& vendor, CableBackEnd* libftdi);

}  // namespace tapwright
