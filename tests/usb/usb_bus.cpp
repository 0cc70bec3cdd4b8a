#include "usb_bus.hpp"

#include <sys/time.h>

#include <algorithm>
#include <cstdio>

namespace tapwright::usb {
namespace {

// A device's slots: `count` to a frame of `frame` picoseconds.
struct Slots {
  explicit Slots(const ChipModel& model)
      : frame(frame_of(model)), count(packets_per_frame(model)) {}
  Picoseconds start(long long slot) const {
    return slot / count * frame + slot % count * frame / count;
  }
  // The first slot that starts at `t` or later.
  long long at(Picoseconds t) const {
    return t / frame * count + (t % frame * count + frame - 1) / frame;
  }
  Picoseconds next_frame(Picoseconds t) const { return (t + frame - 1) / frame * frame; }
  Picoseconds frame;
  long long count;
};

[[noreturn]] void bus_refuses(const char* what) {
  std::fprintf(stderr, "emulated USB bus: %s\n", what);
  std::abort();
}

int result_of(const Transfer& transfer) {
  switch (transfer.status) {
    case LIBUSB_TRANSFER_COMPLETED:
      return 0;
    case LIBUSB_TRANSFER_TIMED_OUT:
      return LIBUSB_ERROR_TIMEOUT;
    default:
      return LIBUSB_ERROR_NO_DEVICE;
  }
}

}  // namespace

Bus::Bus(const char* settings) {
  int position = 0;
  for (const Settings& each : parse_bus_settings(settings)) {
    if (each.at("chip") == "none") continue;
    devices_.push_back(std::make_unique<EmulatedChip>(each, position++, now_));
  }
}

Transfer* Bus::begin(EmulatedChip& chip, char kind, unsigned timeout_ms) {
  if (!chip.begin_transfer(kind)) {
    // Whatever the device had in flight ends with it.
    for (auto& each : transfers_) {
      if (each->chip == &chip && !each->finished) finish(*each, LIBUSB_TRANSFER_NO_DEVICE, now_);
    }
    return nullptr;
  }
  auto transfer = std::make_unique<Transfer>();
  transfer->chip = &chip;
  transfer->kind = kind;
  transfer->number = chip.transfers();
  transfer->start = Slots(chip.model()).next_frame(now_);
  if (timeout_ms > 0) transfer->deadline = now_ + timeout_ms * ps_per_ms;
  chip.wake = std::min(chip.wake, transfer->start);
  transfers_.push_back(std::move(transfer));
  return transfers_.back().get();
}

// Endpoints 0x02, 0x04 ... carry channel A, B ... out, 0x81, 0x83 ... in.
Channel& Bus::channel_of(EmulatedChip& chip, std::uint8_t endpoint) {
  const bool in = endpoint & 0x80;
  const int number = endpoint & 0x7f;
  const int index = in ? (number - 1) / 2 : number / 2 - 1;
  if (number % 2 != (in ? 1 : 0) || index < 0 || index >= chip.channel_count()) {
    chip.refuse("endpoint " + std::to_string(endpoint));
  }
  return chip.channel(index);
}

int Bus::control(EmulatedChip& chip, std::uint8_t request_type, std::uint8_t request,
                 std::uint16_t value, std::uint16_t index, std::uint8_t* data, std::uint16_t length,
                 unsigned timeout_ms) {
  Transfer* transfer = begin(chip, request == 0x0b ? 'b' : 'c', timeout_ms);
  if (!transfer) return LIBUSB_ERROR_NO_DEVICE;
  wait_for(*transfer);
  const int result = result_of(*transfer);
  forget(*transfer);
  // The request takes effect as its status stage ends.
  return result < 0 ? result : chip.request(request_type, request, value, index, data, length);
}

int Bus::bulk(EmulatedChip& chip, std::uint8_t endpoint, std::uint8_t* data, int length,
              int* transferred, unsigned timeout_ms) {
  *transferred = 0;
  Channel& channel = channel_of(chip, endpoint);
  Transfer* transfer = begin(chip, endpoint & 0x80 ? 'i' : 'o', timeout_ms);
  if (!transfer) return LIBUSB_ERROR_NO_DEVICE;
  transfer->channel = &channel;
  transfer->data = data;
  transfer->length = length;
  wait_for(*transfer);
  *transferred = transfer->done;
  const int result = result_of(*transfer);
  forget(*transfer);
  return result;
}

int Bus::submit(EmulatedChip& chip, libusb_transfer* user) {
  if (user->type != LIBUSB_TRANSFER_TYPE_BULK || user->flags != 0) {
    chip.refuse("an asynchronous transfer other than a plain bulk one");
  }
  for (const auto& each : transfers_) {
    if (each->user == user) return LIBUSB_ERROR_BUSY;
  }
  Channel& channel = channel_of(chip, user->endpoint);
  Transfer* transfer = begin(chip, user->endpoint & 0x80 ? 'i' : 'o', user->timeout);
  if (!transfer) return LIBUSB_ERROR_NO_DEVICE;
  transfer->channel = &channel;
  transfer->data = user->buffer;
  transfer->length = user->length;
  transfer->user = user;
  return 0;
}

// The transfer ends now, with what it moved so far.
int Bus::cancel(libusb_transfer* user) {
  for (auto& each : transfers_) {
    if (each->user != user || each->finished) continue;
    finish(*each, LIBUSB_TRANSFER_CANCELLED, now_);
    return 0;
  }
  return LIBUSB_ERROR_NOT_FOUND;
}

bool Bus::holds(const libusb_transfer* user) const {
  return std::any_of(transfers_.begin(), transfers_.end(),
                     [&](const auto& each) { return each->user == user; });
}

int Bus::handle_events(const timeval* tv, int* completed) {
  if (completed && *completed) return 0;
  const Picoseconds pause =
      tv ? (tv->tv_sec * 1'000'000LL + tv->tv_usec) * (ps_per_ms / 1000) : Picoseconds{0};
  const Picoseconds horizon = pause > 0 ? now_ + pause : never;
  Transfer* due = next_completion(horizon);
  if (!due && horizon == never) bus_refuses("the host waits for a transfer, and none is in flight");
  // Everything that completes at that moment is delivered together.
  while (due) {
    deliver(*due);
    due = nullptr;
    for (auto& each : transfers_) {
      if (each->finished && each->user && each->end <= now_) due = each.get();
    }
  }
  return 0;
}

// Runs the devices' slots in time order until the earliest completion can
// no longer be preceded by anything, and returns it with the host's clock at
// its time; null, with the clock at `horizon`, when none comes by then.
Transfer* Bus::next_completion(Picoseconds horizon) {
  while (true) {
    Transfer* first = nullptr;
    for (auto& each : transfers_) {
      if (each->finished && (!first || each->end < first->end)) first = each.get();
    }
    EmulatedChip* busy = nullptr;
    for (auto& each : devices_) {
      if (each->wake != never && (!busy || each->wake < busy->wake)) busy = each.get();
    }
    const Picoseconds next = busy ? busy->wake : never;
    if (first && first->end <= next && first->end <= horizon) {
      now_ = std::max(now_, first->end);
      return first;
    }
    if (next > horizon || !busy) {
      if (horizon != never) now_ = std::max(now_, horizon);
      return nullptr;
    }
    step(*busy);
  }
}

void Bus::wait_for(Transfer& transfer) {
  while (true) {
    Transfer* first = next_completion(never);
    if (!first) transfer.chip->refuse("a transfer that can never end");
    if (first == &transfer) return;
    deliver(*first);
  }
}

// Hands an asynchronous transfer back to the host and calls it back; the
// callback may submit it again at once.
void Bus::deliver(Transfer& transfer) {
  libusb_transfer* user = transfer.user;
  user->status = transfer.status;
  user->actual_length = transfer.done;
  forget(transfer);
  user->callback(user);
}

void Bus::forget(const Transfer& transfer) {
  std::erase_if(transfers_, [&](const auto& each) { return each.get() == &transfer; });
}

// One step of a device's link at its wake time: the transfers whose
// time-out has come and that the chip cannot serve end; then, when the time
// is a slot's, the next ready transfer in turn takes the slot, or the link
// sleeps until the first moment one may be ready.
void Bus::step(EmulatedChip& chip) {
  const Slots slots(chip.model());
  const Picoseconds t = chip.wake;
  eligible_.clear();
  for (auto& each : transfers_) {
    if (each->chip != &chip || each->finished || each->start > t) continue;
    if (each->channel) each->channel->run(t);
    if (each->deadline <= t && !ready(*each, t)) {
      finish(*each, LIBUSB_TRANSFER_TIMED_OUT, t);
    } else {
      eligible_.push_back(each.get());
    }
  }
  long long slot = slots.at(t);
  const bool on_slot = slots.start(slot) == t;
  Transfer* pick = nullptr;
  for (Transfer* each : eligible_) {
    if (on_slot && ready(*each, t) && (!pick || each->turn < pick->turn)) pick = each;
  }
  Picoseconds next = never;  // the first moment a transfer may be ready
  if (pick) {
    serve(*pick, slot);
    pick->turn = ++chip.turn;
    next = slots.start(slot + 1);
  } else {
    for (Transfer* each : eligible_) next = std::min(next, ready(*each, t) ? t : ready_time(*each));
    // A slot that found nothing ready went by with a NAK.
    if (next != never) next = slots.start(std::max(on_slot ? slot + 1 : slot, slots.at(next)));
  }
  for (auto& each : transfers_) {
    if (each->chip != &chip || each->finished) continue;
    next = std::min({next, each->deadline, each->start > t ? each->start : never});
  }
  chip.wake = next;
}

bool Bus::ready(const Transfer& transfer, Picoseconds t) const {
  if (!transfer.channel) return true;
  if (transfer.kind == 'o') {
    return transfer.channel->takes(static_cast<std::size_t>(
        std::min(transfer.chip->model().packet, transfer.length - transfer.done)));
  }
  return (transfer.chip->gap_at(transfer.number) && transfer.done == 0) ||
         transfer.channel->sends(t);
}

Picoseconds Bus::ready_time(const Transfer& transfer) const {
  if (transfer.kind != 'o') return transfer.channel->when_sends();
  return transfer.channel->when_takes(static_cast<std::size_t>(
      std::min(transfer.chip->model().packet, transfer.length - transfer.done)));
}

void Bus::serve(Transfer& transfer, long long slot) {
  EmulatedChip& chip = *transfer.chip;
  const Picoseconds end = Slots(chip.model()).start(slot + 1);
  if (!transfer.channel) {
    if (--transfer.stages == 0) finish(transfer, LIBUSB_TRANSFER_COMPLETED, end);
    return;
  }
  Channel& channel = *transfer.channel;
  std::uint8_t* at = transfer.data + transfer.done;
  bool last = false;
  if (transfer.kind == 'o') {
    const int piece = std::min(chip.model().packet, transfer.length - transfer.done);
    channel.run(end);
    if (const std::string refused = channel.accept(at, static_cast<std::size_t>(piece));
        !refused.empty()) {
      chip.refuse(refused);
    }
    transfer.done += piece;
    last = transfer.done == transfer.length;
  } else {
    const bool empty = chip.gap_at(transfer.number) && transfer.done == 0;
    const std::size_t count = empty ? 0 : std::min(channel.port().waiting(), channel.payload());
    if (transfer.done + 2 + static_cast<int>(count) > transfer.length) {
      chip.refuse("a packet larger than the host's room");
    }
    transfer.done += static_cast<int>(channel.send(at, empty, end));
    last = count < channel.payload() || transfer.done == transfer.length;
  }
  if (last) finish(transfer, LIBUSB_TRANSFER_COMPLETED, end);
}

void Bus::finish(Transfer& transfer, libusb_transfer_status status, Picoseconds end) {
  transfer.finished = true;
  transfer.status = status;
  transfer.end = end;
  if (status == LIBUSB_TRANSFER_COMPLETED) transfer.chip->completed();
  if (status == LIBUSB_TRANSFER_TIMED_OUT) {
    const bool stalled = transfer.kind == 'o' && ready_time(transfer) == never;
    transfer.chip->timed_out(stalled, transfer.done > 0);
  }
}

}  // namespace tapwright::usb
