#pragma once
// One listed channel as the device a run opens: opening device 0, or its
// channel, opens the chosen channel; every other operation goes to the back
// end as it is. The players open "device 0", so they need not know how
// the channel was chosen.
#include <utility>

#include "link/forwarding_device.hpp"

namespace tapwright {

class ChosenDevice final : public ForwardingDevice {
 public:
  ChosenDevice(Device& back_end, ListedChannel chosen)
      : ForwardingDevice(back_end), chosen_(std::move(chosen)) {}

  const ListedChannel& chosen() const { return chosen_; }

  DeviceStatus open(int index, DeviceHandle* handle) override;
  DeviceStatus open_channel(int index, char channel, DeviceHandle* handle) override;

 private:
  ListedChannel chosen_;
};

}  // namespace tapwright
