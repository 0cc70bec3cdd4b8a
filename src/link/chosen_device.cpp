#include "link/chosen_device.hpp"

namespace tapwright {

DeviceStatus ChosenDevice::open(int index, DeviceHandle* handle) {
  return index == 0 ? back_end().open_listed(chosen_, handle) : device_error;
}

DeviceStatus ChosenDevice::open_channel(int index, char channel, DeviceHandle* handle) {
  return channel == chosen_.channel ? open(index, handle) : device_error;
}

}  // namespace tapwright
