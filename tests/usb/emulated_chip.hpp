#pragma once
// An FTDI chip as the USB bus sees it, in simulated time: its transmit and
// receive FIFOs, its bulk packets with two modem-status bytes in front of
// every IN packet, its latency timer, its vendor control requests, and its
// bit-bang port driving a simulated JTAG chain. Nothing sleeps: every
// transfer advances a virtual clock by what the bus and the chip would take,
// so a run tells how long it would last on the real chip.
#include <libusb.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "sim/bit_bang_chip.hpp"
#include "sim/chain_description.hpp"

namespace tapwright::usb {

// Picoseconds, so that bus slots and bit-bang periods need no rounding worth
// speaking of.
using Picoseconds = std::int64_t;
inline constexpr Picoseconds ps_per_ms = 1'000'000'000;
inline constexpr Picoseconds never = std::numeric_limits<Picoseconds>::max();
// A packet that is not full goes up only when this much time has passed
// since the last one: the chip's latency timer as it is after power-up,
// which tapwright leaves alone.
inline constexpr Picoseconds latency = 16 * ps_per_ms;

// The two chips differ only in these figures. A high-speed bus has 512-byte
// packets in 125 us microframes; the FT2232H is modelled by its port A.
struct ChipModel {
  const char* name;
  std::uint16_t product;
  std::uint16_t bcd_device;  // tells libftdi1 which chip it has
  int packet;
  int tx_fifo;  // host to chip
  int rx_fifo;  // chip to host
  Picoseconds frame;
  int packets_per_frame;  // the most bulk packets the bus carries in a frame
};
inline constexpr ChipModel chip_models[] = {
    {"ft232r", 0x6001, 0x0600, 64, 128, 256, ps_per_ms, 19},
    {"ft2232h", 0x6010, 0x0700, 512, 4096, 4096, ps_per_ms / 8, 13},
};

// The bus, cut into frames of equal slots, numbered from the start: each
// packet, and each NAK the chip answers instead of one, takes a slot. A
// transfer starts at the next frame after the previous one ended, which is
// what a round trip through the host costs at least.
struct Slots {
  Slots(const ChipModel& model, Picoseconds after)
      : frame(model.frame),
        count(model.packets_per_frame),
        slot((after + frame - 1) / frame * count) {}
  Picoseconds start() const { return slot / count * frame + slot % count * frame / count; }
  void next() { ++slot; }
  // To the first slot that starts at `t` or later, one slot on at least.
  void skip_to(Picoseconds t) {
    slot = std::max(slot + 1, t / frame * count + (t % frame * count + frame - 1) / frame);
  }
  Picoseconds frame, count, slot;
};

[[noreturn]] inline void bad_setting(const std::string& word) {
  std::fprintf(stderr, "TAPWRIGHT_USB_EMU: bad setting '%s'\n", word.c_str());
  std::abort();
}

// The settings, as blank-separated key=value words: chip=ft232r (the
// default)|ft2232h|none, chain=LIST (as tapwright-sim's --chain), pins=FILE
// (every byte put on the pins), report=FILE, trace=FILE (a letter per
// transfer: b for a bit-mode request, c for another control request, o and
// i for bulk transfers), unplug=N (from the N-th transfer on the chip is
// gone), silent=N (from the N-th transfer on its port stops, what it held
// is lost, and the bus finds nothing more in it), gap=N (every N-th
// transfer that reads finds nothing ready, as when the host polls just as
// the latency timer runs out).
using Settings = std::map<std::string, std::string>;
inline Settings parse_settings(const char* text) {
  Settings settings = {
      {"chip", "ft232r"}, {"chain", "8:0x59604093"}, {"pins", ""},    {"report", ""},
      {"trace", ""},      {"unplug", "0"},           {"silent", "0"}, {"gap", "0"}};
  std::istringstream words(text ? text : "");
  for (std::string word; words >> word;) {
    const std::size_t eq = word.find('=');
    const auto found = settings.find(word.substr(0, eq));
    if (eq == std::string::npos || found == settings.end()) bad_setting(word);
    found->second = word.substr(eq + 1);
  }
  return settings;
}

class EmulatedChip {
 public:
  explicit EmulatedChip(const Settings& settings)
      : settings_(settings),
        port_(chain_of(settings)),
        unplug_at_(std::atol(settings.at("unplug").c_str())),
        silent_from_(std::atol(settings.at("silent").c_str())),
        gap_(std::atol(settings.at("gap").c_str())) {
    for (const ChipModel& model : chip_models) {
      if (settings.at("chip") == model.name) model_ = &model;
    }
    if (!model_) bad_setting("chip=" + settings.at("chip"));
  }
  // Lets the port clock what it holds, then writes the files the settings
  // name.
  ~EmulatedChip() {
    const auto save = [this](const char* key, const std::string& bytes) {
      const std::string& path = settings_.at(key);
      if (!path.empty() && !(std::ofstream(path, std::ios::binary) << bytes)) {
        refuse("cannot write " + path);
      }
    };
    const std::string text = report();
    save("pins", pins_);
    save("trace", trace_);
    save("report", text);
  }
  EmulatedChip(const EmulatedChip&) = delete;
  EmulatedChip& operator=(const EmulatedChip&) = delete;

  const ChipModel& model() const { return *model_; }
  bool unplugged() const { return unplug_at_ > 0 && transfers_ >= unplug_at_; }
  // The kernel's serial driver holds the chip until it is detached, as on
  // any Linux machine.
  bool driver_bound = true;

  // Results are libusb's: a count or a negative LIBUSB_ERROR_*.
  int control(std::uint8_t request_type, std::uint8_t request, std::uint16_t value,
              std::uint16_t index, std::uint16_t length, unsigned timeout_ms) {
    if (const int s = begin_transfer(request == 0x0b ? 'b' : 'c', timeout_ms); s < 0) return s;
    // Set-up, data and status stages, from the next frame on.
    Slots slots(model(), now_);
    slots.slot += 3;
    now_ = slots.start();
    run_port(now_);
    // Only the vendor requests tapwright needs are modelled, all without a
    // data stage: the chip's reset (its FIFOs are empty then, on tapwright's
    // way), the baud rate and the bit mode.
    const bool vendor = request_type == 0x40 && length == 0;
    if (vendor && request == 0x03) {
      set_baud(value, index);
    } else if (vendor && request == 0x0b) {
      if (!port_.set_bit_mode(value & 0xff, value >> 8))
        refuse("bit mode " + std::to_string(value));
    } else if (!vendor || request != 0x00 || value != 0) {
      refuse("control request " + std::to_string(request_type) + "/" + std::to_string(request));
    }
    return 0;
  }

  int bulk(std::uint8_t endpoint, std::uint8_t* data, int length, int* transferred,
           unsigned timeout_ms) {
    *transferred = 0;
    const bool in = endpoint == 0x81;
    if (!in && endpoint != 0x02) refuse("endpoint " + std::to_string(endpoint));
    if (const int status = begin_transfer(in ? 'i' : 'o', timeout_ms); status < 0) return status;
    return in ? in_transfer(data, length, transferred) : out_transfer(data, length, transferred);
  }

  // Lets the port clock what it can, then tells, key and value per line:
  // the simulated time at the end of the last transfer or the last byte
  // clocked, bytes clocked, transfers, time-outs and stalls among them, the
  // bit-bang rate, the kernel driver, and the time of a fault and the
  // transfers after it.
  std::string report() {
    if (const Picoseconds last = when_clocked(tx_.size()); last != never) run_port(last);
    const Picoseconds end = tx_.empty() ? std::max(now_, port_next_) : now_;
    std::ostringstream out;
    out << "simulated_ns " << end / 1000 << "\nclocked " << clocked_ << "\ntransfers " << transfers_
        << "\ntimeouts " << timeouts_ << "\nstalls " << stalls_ << "\nbaud " << baud_
        << "\ndriver_bound " << driver_bound << "\nfault_ns "
        << (fault_time_ < 0 ? -1 : fault_time_ / 1000) << "\nafter_fault " << after_fault_ << "\n";
    return out.str();
  }

  // Stops the process with a message: the chip was used in a way it does
  // not model.
  [[noreturn]] void refuse(const std::string& what) const {
    std::fprintf(stderr, "emulated %s: %s\n", model().name, what.c_str());
    std::abort();
  }

 private:
  static sim::Chain chain_of(const Settings& settings) {
    std::vector<sim::DeviceSpec> specs;
    std::string error;
    if (!sim::parse_chain(settings.at("chain"), specs, error)) bad_setting(error);
    return sim::Chain(specs);
  }

  int begin_transfer(char kind, unsigned timeout_ms) {
    ++transfers_;
    trace_ += kind;
    const bool gone = unplugged();
    const bool mute = silent_from_ > 0 && transfers_ >= silent_from_;
    if (fault_time_ >= 0) ++after_fault_;
    if ((gone || mute) && fault_time_ < 0) {
      // The port stops with the chip: what it has not clocked yet is lost.
      run_port(now_);
      tx_.clear();
      fault_time_ = now_;
    }
    if (gone) return LIBUSB_ERROR_NO_DEVICE;
    deadline_ = now_ + timeout_ms * ps_per_ms;
    stopped_ |= mute;
    return 0;
  }

  int time_out() {
    ++timeouts_;
    now_ = deadline_;
    return LIBUSB_ERROR_TIMEOUT;
  }

  // The divisor of the baud-rate generator: an integer part in the low 14
  // bits of the value and an eighths code in its top two bits and one bit of
  // the index (bit 0 on one-port chips, bit 8 on the others). 0 and 1 mean
  // the reference clock and two thirds of it. The high-speed chips run the
  // generator from 12 MHz when bit 9 of the index says so, else from 3 MHz.
  // The port clocks one bit-bang byte per baud period.
  void set_baud(std::uint16_t value, std::uint16_t index) {
    static constexpr int eighths[8] = {0, 4, 2, 1, 3, 5, 6, 7};
    const bool high_speed = model().packet == 512;
    const int code = (value >> 14) | (((high_speed ? index >> 8 : index) & 1) << 2);
    const long integer = value & 0x3fff;
    const long reference = high_speed && (index & 0x200) ? 12'000'000 : 3'000'000;
    run_port(now_);
    baud_ = code == 0 && integer < 2 ? (integer == 0 ? reference : reference * 2 / 3)
                                     : reference * 8 / (integer * 8 + eighths[code]);
    byte_time_ = 1'000'000'000'000 / baud_;
  }

  // The chip takes a packet only when its transmit FIFO has room for all of
  // it, and NAKs it otherwise; the host tries again in a later slot.
  int out_transfer(const std::uint8_t* data, int length, int* transferred) {
    Slots slots(model(), now_);
    while (*transferred < length) {
      run_port(slots.start());
      const int piece = std::min(model().packet, length - *transferred);
      const std::size_t filled = tx_.size() + static_cast<std::size_t>(piece);
      const auto tx_fifo = static_cast<std::size_t>(model().tx_fifo);
      if (filled <= tx_fifo) {
        if (port_.mode() == 0) refuse("bytes written outside bit-bang mode");
        slots.next();
        run_port(slots.start());
        tx_.insert(tx_.end(), data + *transferred, data + *transferred + piece);
        *transferred += piece;
        continue;
      }
      const Picoseconds room = when_clocked(filled - tx_fifo);
      if (room >= deadline_) {
        // A synchronous port that waits for room in the receive FIFO never
        // makes room in the transmit FIFO: the transfer stalls into its
        // time-out with what it got in.
        stalls_ += room == never;
        return time_out();
      }
      slots.skip_to(room);
    }
    now_ = slots.start();
    return 0;
  }

  // A packet goes up when the receive FIFO holds a full packet's data or
  // when the latency timer has run out since the last packet; a short packet
  // ends the transfer, as does a full buffer.
  int in_transfer(std::uint8_t* data, int length, int* transferred) {
    const auto payload = static_cast<std::size_t>(model().packet - 2);
    Slots slots(model(), now_);
    while (true) {
      const Picoseconds start = slots.start();
      run_port(start);
      const bool gap = gap_ > 0 && transfers_ % gap_ == 0 && *transferred == 0;
      const std::size_t waiting = stopped_ || gap ? 0 : port_.returned_waiting();
      if (gap || waiting >= payload || start - last_in_packet_ >= latency) {
        const std::size_t count = std::min(waiting, payload);
        std::uint8_t* packet = data + *transferred;
        *transferred += 2 + static_cast<int>(count);
        if (*transferred > length) refuse("a packet larger than the host's room");
        packet[0] = 0x01;  // the modem status
        packet[1] = 0x60;
        port_.take_returned(packet + 2, count);
        slots.next();
        last_in_packet_ = slots.start();
        if (count < payload || *transferred == length) break;
        continue;
      }
      const Picoseconds filled =
          port_.mode() == mode_sync_bitbang ? when_clocked(payload - waiting) : never;
      const Picoseconds next = std::min(last_in_packet_ + latency, filled);
      if (next >= deadline_) return time_out();
      slots.skip_to(next);
    }
    now_ = slots.start();
    return 0;
  }

  // The time the port clocks the `count`-th byte from now, or never when the
  // transmit FIFO does not hold it or a synchronous port will find no room
  // for its sample.
  Picoseconds when_clocked(std::size_t count) const {
    const auto rx_fifo = static_cast<std::size_t>(model().rx_fifo);
    if (count == 0) return port_next_;
    if (stopped_ || tx_.size() < count) return never;
    if (port_.mode() == mode_sync_bitbang && rx_fifo - port_.returned_waiting() < count) {
      return never;
    }
    return port_next_ + static_cast<Picoseconds>(count - 1) * byte_time_;
  }

  // Clocks every byte due by `until`, one per byte time; a synchronous port
  // clocks a byte only when the receive FIFO has room for its sample.
  void run_port(Picoseconds until) {
    const auto rx_fifo = static_cast<std::size_t>(model().rx_fifo);
    while (port_next_ <= until && !stopped_) {
      const std::size_t room =
          port_.mode() == mode_sync_bitbang ? rx_fifo - port_.returned_waiting() : tx_.size();
      const auto due = static_cast<std::size_t>((until - port_next_) / byte_time_ + 1);
      const std::size_t count = std::min({tx_.size(), room, due});
      if (count == 0) {
        port_next_ = until;  // idle until now
        return;
      }
      port_.apply(tx_.data(), count, nullptr);
      if (!settings_.at("pins").empty())
        pins_.insert(pins_.end(), tx_.begin(), tx_.begin() + count);
      clocked_ += static_cast<long>(count);
      tx_.erase(tx_.begin(), tx_.begin() + static_cast<std::ptrdiff_t>(count));
      port_next_ += static_cast<Picoseconds>(count) * byte_time_;
    }
  }

  Settings settings_;
  const ChipModel* model_ = nullptr;
  sim::BitBangChip port_;
  long unplug_at_, silent_from_, gap_;
  bool stopped_ = false;          // the port, by silent=N
  std::vector<std::uint8_t> tx_;  // the transmit FIFO
  long baud_ = 9600;
  Picoseconds byte_time_ = 1'000'000'000'000 / 9600;  // one bit-bang byte
  Picoseconds port_next_ = 0;                         // when the port may clock its next byte
  Picoseconds now_ = 0;                               // the end of the last transfer
  Picoseconds deadline_ = 0;                          // of the transfer under way
  Picoseconds last_in_packet_ = 0;
  long transfers_ = 0, after_fault_ = 0, stalls_ = 0, timeouts_ = 0, clocked_ = 0;
  Picoseconds fault_time_ = -1;
  std::string pins_, trace_;
};

// The chip on this process's emulated bus, null when there is none, for
// tests that drive libftdi1 themselves.
EmulatedChip* emulated_chip();

}  // namespace tapwright::usb
