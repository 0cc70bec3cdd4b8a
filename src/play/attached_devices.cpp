#include "play/attached_devices.hpp"

#include "play/device_choice.hpp"

namespace tapwright::play {
namespace {

int list_attached(Device& back_end, DeviceList& list, std::FILE* err) {
  if (back_end.list_channels(list)) return 1;
  const std::string why = back_end.failure();
  std::fprintf(err, "tapwright-play: the FTDI devices could not be listed%s%s\n",
               why.empty() ? "" : ": ", why.c_str());
  return 0;
}

}  // namespace

int scan_usb(Device& back_end, std::FILE* out, std::FILE* err) {
  DeviceList list;
  if (!list_attached(back_end, list, err)) return 0;
  std::fputs(listing_text(list).c_str(), out);
  return 1;
}

std::unique_ptr<ChosenDevice> choose_attached(Device& back_end, const PlayOptions& o,
                                              CableSetup& setup, std::string& label,
                                              std::FILE* err) {
  DeviceList list;
  if (!list_attached(back_end, list, err)) return nullptr;
  const DeviceRequest request{&o.selectors, o.channel, setup.cable, !o.cable.empty()};
  std::size_t chosen = 0;
  std::string problem;
  if (!choose_device(list, request, chosen, problem)) {
    std::fprintf(err, "tapwright-play: %s%s", problem.c_str(), problem.back() == '\n' ? "" : "\n");
    return nullptr;
  }
  setup.channel = list[chosen].channel;
  label = device_label(list, chosen);
  return std::make_unique<ChosenDevice>(back_end, list[chosen]);
}

}  // namespace tapwright::play
