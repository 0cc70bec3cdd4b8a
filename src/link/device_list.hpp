#pragma once
// The FTDI channels a back end sees attached, one entry each, as a user
// chooses among them: the chip, its USB identity and place, its strings.
#include <cstdint>
#include <string>
#include <vector>

#include "link/ftdi_chip.hpp"

namespace tapwright {

struct ListedChannel {
  const FtdiChipModel* chip = nullptr;  // null: a chip the table does not know
  std::uint16_t vid = 0, pid = 0;
  int bus = -1, address = -1;  // -1 where the system does not tell
  std::string serial;          // empty: the chip has none
  std::string description;     // the product string
  char channel = 'A';
  // Which chip of the listing the channel is on: the channels of one chip
  // share it, counted from 0 in the order the chips were found.
  int device = 0;
  // How the back end finds the channel again: the vendor library's serial
  // for it (with the channel letter on a multi-channel chip) or location.
  std::string open_serial;
  std::uint32_t location = 0;

  bool mpsse() const { return chip && has_mpsse(*chip, channel - 'A'); }
};

using DeviceList = std::vector<ListedChannel>;

// Appends one entry per channel of `chip`'s model (one where it is unknown),
// all on a new device number. Inline: the simulated cable uses it and
// depends on the headers of link only.
inline void add_channels(DeviceList& list, ListedChannel chip) {
  chip.device = list.empty() ? 0 : list.back().device + 1;
  const int channels = chip.chip ? chip.chip->channels : 1;
  for (int c = 0; c < channels; ++c) {
    chip.channel = static_cast<char>('A' + c);
    list.push_back(chip);
  }
}

// "FT2232H A", "FT232R"; "unknown FTDI chip" for one the table lacks.
inline std::string chip_text(const ListedChannel& channel) {
  if (!channel.chip) return "unknown FTDI chip";
  std::string text(channel.chip->name);
  if (channel.chip->channels > 1) text += std::string(" ") + channel.channel;
  return text;
}

}  // namespace tapwright
