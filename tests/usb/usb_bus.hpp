#pragma once
// The emulated bus: its devices, and every transfer from the host's
// submission to its completion, in simulated time. Each device's link is cut
// into frames (microframes at high speed) of equal slots, numbered from the
// start; each packet, and each NAK the chip answers instead of one, takes a
// slot. Transfers in flight on one device share its slots in turn, as a host
// controller serves its queue: an OUT packet when the channel's transmit FIFO
// has room for it, an IN packet when the channel has a full packet's data,
// a send-immediate, or a latency timer that ran out. A transfer starts at
// the next frame after its submission, which is what a round trip through
// the host costs at least. Synchronous transfers are a submission and a
// wait, as in libusb, so completions of others in flight are delivered
// while they wait.
#include <libusb.h>

#include <memory>
#include <vector>

#include "emulated_chip.hpp"

struct timeval;

namespace tapwright::usb {

struct Transfer {
  EmulatedChip* chip = nullptr;
  Channel* channel = nullptr;  // none for a control transfer
  char kind = 'c';             // its trace letter: b, c, o or i
  std::uint8_t* data = nullptr;
  int length = 0, done = 0;
  int stages = 3;         // a control transfer's set-up, data and status
  Picoseconds start = 0;  // its first slot's frame
  Picoseconds deadline = never;
  long number = 0;                  // among the device's transfers
  long turn = -1;                   // when it was last served, for the round robin
  libusb_transfer* user = nullptr;  // the host's, when asynchronous
  bool finished = false;
  libusb_transfer_status status = LIBUSB_TRANSFER_COMPLETED;
  Picoseconds end = 0;
};

class Bus {
 public:
  // The devices that `settings` describe (see bus_settings.hpp).
  explicit Bus(const char* settings);
  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;

  std::vector<std::unique_ptr<EmulatedChip>>& devices() { return devices_; }

  // libusb's synchronous calls: a count or a negative LIBUSB_ERROR_*.
  int control(EmulatedChip& chip, std::uint8_t request_type, std::uint8_t request,
              std::uint16_t value, std::uint16_t index, std::uint8_t* data, std::uint16_t length,
              unsigned timeout_ms);
  int bulk(EmulatedChip& chip, std::uint8_t endpoint, std::uint8_t* data, int length,
           int* transferred, unsigned timeout_ms);
  // libusb's asynchronous calls.
  int submit(EmulatedChip& chip, libusb_transfer* transfer);
  int cancel(libusb_transfer* transfer);
  // Whether `transfer` is in flight or waits to be delivered.
  bool holds(const libusb_transfer* transfer) const;
  // Waits until the next completion (its callback runs then) or until the
  // time-out `tv` ends; a zero or null `tv` waits for the completion, as a
  // host that polls without a pause spins until it comes.
  int handle_events(const timeval* tv, int* completed);

 private:
  Transfer* begin(EmulatedChip& chip, char kind, unsigned timeout_ms);
  Channel& channel_of(EmulatedChip& chip, std::uint8_t endpoint);
  Transfer* next_completion(Picoseconds horizon);
  void wait_for(Transfer& transfer);
  void deliver(Transfer& transfer);
  void step(EmulatedChip& chip);
  bool ready(const Transfer& transfer, Picoseconds t) const;
  Picoseconds ready_time(const Transfer& transfer) const;
  void serve(Transfer& transfer, long long slot);
  void finish(Transfer& transfer, libusb_transfer_status status, Picoseconds end);
  void forget(const Transfer& transfer);

  Picoseconds now_ = 0;  // the host's clock
  std::vector<std::unique_ptr<EmulatedChip>> devices_;
  std::vector<std::unique_ptr<Transfer>> transfers_;  // in flight, or not yet delivered
  std::vector<Transfer*> eligible_;                   // a step's, kept to spare allocations
};

}  // namespace tapwright::usb
