#include "emulated_chip.hpp"

#include <libusb.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace tapwright::usb {
namespace {

// How many transfers in a row may end in their time-out with nothing moved
// before the emulator calls it a host that retries forever.
constexpr long idle_timeouts_allowed = 100;

long number(const Settings& settings, const std::string& key, int base = 10) {
  const std::string& text = settings.at(key);
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, base);
  if (text.empty() || *end != '\0' || value < 0) bad_setting(key + "=" + text);
  return value;
}

std::vector<sim::DeviceSpec> chain_of(const std::string& text) {
  std::vector<sim::DeviceSpec> specs;
  std::string error;
  if (!sim::parse_chain(text, specs, error)) bad_setting(error);
  return specs;
}

// "pins" for channel A, "pins:B" for B, and so on.
std::string key_of(const std::string& key, int channel) {
  return channel == 0 ? key : key + ":" + static_cast<char>('A' + channel);
}

}  // namespace

EmulatedChip::EmulatedChip(const Settings& settings, int position, const Picoseconds& now)
    : settings_(settings),
      now_(now),
      unplug_at_(number(settings, "unplug")),
      silent_from_(number(settings, "silent")),
      gap_(number(settings, "gap")) {
  for (const ChipModel& model : chip_models) {
    if (settings.at("chip") == model.key) model_ = &model;
  }
  if (!model_) bad_setting("chip=" + settings.at("chip"));
  product_ = model_->product;
  if (const std::string& id = settings.at("id"); !id.empty()) {
    unsigned vendor = 0, product = 0;
    char end = 0;
    if (std::sscanf(id.c_str(), "%4x:%4x%c", &vendor, &product, &end) != 2) bad_setting(id);
    vendor_ = static_cast<std::uint16_t>(vendor);
    product_ = static_cast<std::uint16_t>(product);
  }
  bus_ = static_cast<int>(number(settings, "bus"));
  address_ =
      settings.at("address").empty() ? position + 2 : static_cast<int>(number(settings, "address"));
  const std::string& description = settings.at("product");
  strings_[0] = settings.at("manufacturer");
  strings_[1] = description.empty() ? std::string(model_->description) : description;
  strings_[2] = settings.at("serial");
  for (int i = 1; i < 4; ++i) {
    const bool given = !settings.at(key_of("chain", i)).empty();
    if (i >= model_->channels && (given || !settings.at(key_of("pins", i)).empty())) {
      bad_setting(key_of("chain", i) + " or " + key_of("pins", i) + " on a chip without it");
    }
  }
  for (int i = 0; i < model_->channels; ++i) {
    const std::string& own = settings.at(key_of("chain", i));
    channels_.push_back(
        std::make_unique<Channel>(*model_, i, chain_of(own.empty() ? settings.at("chain") : own),
                                  !settings.at(key_of("pins", i)).empty()));
  }
}

EmulatedChip::~EmulatedChip() {
  const auto save = [this](const std::string& key, const std::string& bytes) {
    const std::string& path = settings_.at(key);
    if (!path.empty() && !(std::ofstream(path, std::ios::binary) << bytes)) {
      refuse("cannot write " + path);
    }
  };
  const std::string text = report();
  for (int i = 0; i < channel_count(); ++i) save(key_of("pins", i), channel(i).taken());
  save("trace", trace_);
  save("report", text);
}

bool EmulatedChip::begin_transfer(char kind) {
  ++transfers_;
  trace_ += kind;
  const bool gone = unplugged();
  const bool mute = silent_from_ > 0 && transfers_ >= silent_from_;
  if (fault_time_ >= 0) ++after_fault_;
  if ((gone || mute) && fault_time_ < 0) {
    // The ports stop with the chip: what they have not clocked yet is lost.
    for (auto& each : channels_) {
      each->run(now_);
      each->stop();
    }
    fault_time_ = now_;
  }
  return !gone;
}

void EmulatedChip::timed_out(bool stalled, bool moved) {
  ++timeouts_;
  stalls_ += stalled;
  idle_timeouts_ = moved ? 0 : idle_timeouts_ + 1;
  if (idle_timeouts_ >= idle_timeouts_allowed) {
    refuse(std::to_string(idle_timeouts_) +
           " transfers in a row ended in their time-out with nothing moved: the host "
           "retries forever");
  }
}

int EmulatedChip::request(std::uint8_t request_type, std::uint8_t request, std::uint16_t value,
                          std::uint16_t index, std::uint8_t* data, std::uint16_t length) {
  const bool vendor_out = request_type == 0x40 && length == 0;
  Channel& target = addressed(index);
  if (vendor_out && request == 0x00 && value <= 2) {
    // 0 resets the chip (its FIFOs are empty then, on the players' way);
    // 1 and 2 purge the transmit and the receive FIFO.
    target.purge(value, now_);
  } else if (vendor_out && request == 0x03) {
    set_baud(value, index);
  } else if (vendor_out && request == 0x09) {
    target.set_latency(value & 0xff);
  } else if (request_type == 0xc0 && request == 0x0a && length == 1) {
    data[0] = static_cast<std::uint8_t>(target.latency_ms());
    return 1;
  } else if (vendor_out && request == 0x0b) {
    if (!target.set_bit_mode(value & 0xff, value >> 8, now_)) {
      refuse("bit mode " + std::to_string(value) + " on channel " + target.letter());
    }
  } else {
    refuse("control request " + std::to_string(request_type) + "/" + std::to_string(request));
  }
  return 0;
}

// The channel a vendor request's index names in its low byte (1 for A; 0
// also means A), on the chips with more than one.
Channel& EmulatedChip::addressed(std::uint16_t index) {
  const int port = std::max(1, index & 0xff);
  if (model_->channels == 1) return channel(0);
  if (port > model_->channels) refuse("a request for channel " + std::to_string(port));
  return channel(port - 1);
}

// The divisor of the baud-rate generator: an integer part in the low 14
// bits of the value and an eighths code in its top two bits and one bit of
// the index (bit 0 on the full-speed chips, bit 8 on the others, whose low
// byte names the channel). 0 and 1 mean the reference clock and two thirds
// of it. The high-speed chips run the generator from 12 MHz when bit 9 of
// the index says so, else from 3 MHz. A bit-bang port clocks one byte per
// baud period. libftdi1 names no channel for the full-speed chips: the rate
// is channel A's.
void EmulatedChip::set_baud(std::uint16_t value, std::uint16_t index) {
  static constexpr int eighths[8] = {0, 4, 2, 1, 3, 5, 6, 7};
  const bool high_speed = model_->high_speed();
  const int code = (value >> 14) | (((high_speed ? index >> 8 : index) & 1) << 2);
  const long integer = value & 0x3fff;
  const long reference = high_speed && (index & 0x200) ? 12'000'000 : 3'000'000;
  const long baud = code == 0 && integer < 2 ? (integer == 0 ? reference : reference * 2 / 3)
                                             : reference * 8 / (integer * 8 + eighths[code]);
  (high_speed ? addressed(index) : channel(0)).set_baud(baud, now_);
}

std::string EmulatedChip::report() {
  Picoseconds end = now_;
  for (auto& each : channels_) end = std::max(end, each->port().drain(now_));
  std::ostringstream out;
  out << "simulated_ns " << end / 1000 << "\ntransfers " << transfers_ << "\ntimeouts " << timeouts_
      << "\nstalls " << stalls_ << "\nfault_ns " << (fault_time_ < 0 ? -1 : fault_time_ / 1000)
      << "\nafter_fault " << after_fault_ << "\n";
  for (int i = 0; i < channel_count(); ++i) {
    for (const auto& [key, value] : channel(i).figures()) {
      out << key_of(key, i) << " " << value << "\n";
    }
  }
  return out.str();
}

void EmulatedChip::refuse(const std::string& what) const {
  std::fprintf(stderr, "emulated %s: %s\n", std::string(model().key).c_str(), what.c_str());
  std::abort();
}

}  // namespace tapwright::usb
