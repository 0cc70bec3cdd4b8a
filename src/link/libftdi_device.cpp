#include "link/libftdi_device.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

#include "link/cable_table.hpp"

namespace tapwright {

namespace {

constexpr int base_clock_hz = 3'000'000;
// Room for the returned bytes of two blocks and the largest window in
// flight, so that the player's write-one-block, read-the-one-before rhythm
// never reallocates.
constexpr std::size_t collected_reserve = 3 * 4096;

unsigned char ftdi_mode_for(std::uint8_t mode) {
  switch (mode) {
    case mode_async_bitbang:
      return ftdi_bitmode_bitbang;
    case mode_sync_bitbang:
      return ftdi_bitmode_syncbb;
    default:
      // The vendor library and libftdi1 number the other modes alike.
      return mode;
  }
}

}  // namespace

int ftdi_baudrate_for_divisor(std::uint16_t divisor, bool bitbang) {
  int rate = base_clock_hz;
  if (divisor == 1) {
    rate = base_clock_hz * 2 / 3;
  } else if (divisor > 1) {
    rate = base_clock_hz / divisor;
  }
  return bitbang ? rate / 4 : rate;
}

struct LibftdiDevice::Connection {
  explicit Connection(ftdi_context* c) : context(c) { collected.reserve(collected_reserve); }
  ftdi_context* context;
  bool bitbang = false;
  bool sync = false;
  // The returned bytes the chip may owe at most, in synchronous mode.
  std::int64_t window = 0;
  // Returned bytes the chip owes for bytes written in synchronous mode.
  std::int64_t in_flight = 0;
  // Returned bytes read from the chip during writes, oldest first.
  std::vector<std::uint8_t> collected;
  // MPSSE: what the chip returns for the next write, read while that write
  // goes out; the read under way and where it lands.
  bool mpsse = false;
  std::uint32_t expected = 0;
  ftdi_transfer_control* pending = nullptr;
  std::vector<std::uint8_t> landing;
  bool read_failed = false;  // a read could not be started or fell silent
};

LibftdiDevice::LibftdiDevice(FtdiCalls& calls, std::chrono::milliseconds read_timeout, Clock clock)
    : calls_(calls), read_timeout_(read_timeout), clock_(std::move(clock)) {}

LibftdiDevice::~LibftdiDevice() {
  while (!connections_.empty()) close(connections_.back().get());
}

LibftdiDevice::Connection* LibftdiDevice::find(DeviceHandle handle) const {
  for (const auto& connection : connections_) {
    if (connection.get() == handle) return connection.get();
  }
  return nullptr;
}

DeviceStatus LibftdiDevice::open(int index, DeviceHandle* handle) {
  return open_channel(index, 'A', handle);
}

ftdi_context* LibftdiDevice::context_for(char channel) {
  if (channel < 'A' || channel > 'D') return nullptr;
  ftdi_context* context = calls_.new_context();
  if (context && channel != 'A' && calls_.set_interface(context, 1 + (channel - 'A')) < 0) {
    calls_.free_context(context);
    return nullptr;
  }
  return context;
}

DeviceStatus LibftdiDevice::keep(ftdi_context* context, DeviceHandle* handle) {
  connections_.push_back(std::make_unique<Connection>(context));
  *handle = connections_.back().get();
  return device_ok;
}

DeviceStatus LibftdiDevice::open_channel(int index, char channel, DeviceHandle* handle) {
  ftdi_context* context = index < 0 ? nullptr : context_for(channel);
  if (!context) return device_error;
  for (const int product : ftdi_product_ids) {
    if (calls_.usb_open_desc_index(context, ftdi_vendor_id, product,
                                   static_cast<unsigned int>(index)) == 0) {
      return keep(context, handle);
    }
  }
  calls_.free_context(context);
  return device_error;
}

DeviceStatus LibftdiDevice::open_listed(const ListedChannel& channel, DeviceHandle* handle) {
  ftdi_context* context = channel.bus < 0 ? nullptr : context_for(channel.channel);
  if (!context) return device_error;
  if (calls_.usb_open_bus_addr(context, channel.bus, channel.address) == 0) {
    return keep(context, handle);
  }
  calls_.free_context(context);
  return device_error;
}

int LibftdiDevice::list_channels(DeviceList& channels) {
  std::vector<std::pair<int, int>> ids;
  for (const int product : ftdi_product_ids) ids.emplace_back(ftdi_vendor_id, product);
  for (const CableRow& row : cable_rows()) {
    if (std::find(ids.begin(), ids.end(), std::pair<int, int>(row.vid, row.pid)) == ids.end()) {
      ids.emplace_back(row.vid, row.pid);
    }
  }
  ftdi_context* context = calls_.new_context();
  if (!context) return 0;
  std::vector<UsbDevice> found;
  for (const auto& [vendor, product] : ids) calls_.find_all(context, vendor, product, found);
  calls_.free_context(context);
  for (const UsbDevice& usb : found) {
    ListedChannel chip;
    chip.chip = find_ftdi_chip_by_release(usb.bcd_device);
    chip.vid = usb.vid;
    chip.pid = usb.pid;
    chip.bus = usb.bus;
    chip.address = usb.address;
    chip.serial = usb.serial;
    chip.description = usb.description;
    add_channels(channels, chip);
  }
  return 1;
}

DeviceStatus LibftdiDevice::close(DeviceHandle handle) {
  Connection* connection = find(handle);
  if (!connection) return device_error;
  finish_pending(*connection);
  const int result = calls_.usb_close(connection->context);
  calls_.free_context(connection->context);
  std::erase_if(connections_, [connection](const auto& c) { return c.get() == connection; });
  return result < 0 ? device_error : device_ok;
}

DeviceStatus LibftdiDevice::set_bit_mode(DeviceHandle handle, std::uint8_t mask,
                                         std::uint8_t mode) {
  Connection* connection = find(handle);
  if (!connection) return device_error;
  if (calls_.set_bitmode(connection->context, mask, ftdi_mode_for(mode)) < 0) return device_error;
  // A new mode starts a new stream of returned bytes. Reset (0) and MPSSE
  // (2) are no bit-bang modes: their clock is not the baud rate's.
  finish_pending(*connection);
  connection->bitbang = mode == mode_async_bitbang || mode == mode_sync_bitbang;
  connection->mpsse = mode == mode_mpsse;
  connection->read_failed = false;
  connection->sync = mode == mode_sync_bitbang;
  connection->in_flight = 0;
  connection->collected.clear();
  if (connection->sync) {
    const int packet = calls_.max_packet_size(connection->context) >= 512 ? 512 : 64;
    const int packets = (packet == 512 ? high_speed_fifo_bytes : full_speed_fifo_bytes) / packet;
    connection->window = packets * (packet - 2);
    // Only the speed of the read-back depends on it.
    calls_.read_data_set_chunksize(connection->context,
                                   static_cast<unsigned int>(packets * packet));
  }
  return device_ok;
}

DeviceStatus LibftdiDevice::set_divisor(DeviceHandle handle, std::uint16_t divisor) {
  Connection* connection = find(handle);
  if (!connection) return device_error;
  const int rate = ftdi_baudrate_for_divisor(divisor, connection->bitbang);
  return calls_.set_baudrate(connection->context, rate) < 0 ? device_error : device_ok;
}

int LibftdiDevice::collect_all(Connection& connection) {
  const auto deadline = clock_() + read_timeout_;
  while (connection.in_flight > 0) {
    auto& collected = connection.collected;
    const std::size_t old_size = collected.size();
    collected.resize(old_size + static_cast<std::size_t>(connection.in_flight));
    const int got = calls_.read_data(connection.context, collected.data() + old_size,
                                     static_cast<int>(connection.in_flight));
    collected.resize(old_size + static_cast<std::size_t>(std::max(got, 0)));
    if (got < 0) return 0;
    connection.in_flight -= got;
    if (connection.in_flight > 0 && clock_() >= deadline) return 0;
  }
  return 1;
}

std::uint32_t LibftdiDevice::write_in_pieces(Connection& connection, const std::uint8_t* buffer,
                                             std::uint32_t to_write) {
  std::uint32_t done = 0;
  while (done < to_write) {
    if (connection.in_flight >= connection.window && !collect_all(connection)) break;
    const std::int64_t rest = to_write - done;
    const int piece = static_cast<int>(std::min(rest, connection.window - connection.in_flight));
    const int taken = calls_.write_data(connection.context, buffer + done, piece);
    if (taken > 0) {
      done += static_cast<std::uint32_t>(taken);
      connection.in_flight += taken;
    }
    if (taken != piece) break;
  }
  return done;
}

void LibftdiDevice::expect_returned(DeviceHandle handle, std::uint32_t bytes) {
  if (Connection* connection = find(handle)) connection->expected = bytes;
}

int LibftdiDevice::finish_pending(Connection& connection) {
  if (!connection.pending) return connection.read_failed ? 0 : 1;
  const int got = calls_.transfer_data_done(connection.pending, idle_ms());
  connection.pending = nullptr;
  connection.read_failed =
      connection.read_failed || got != static_cast<int>(connection.landing.size());
  if (got > 0) {
    connection.collected.insert(connection.collected.end(), connection.landing.begin(),
                                connection.landing.begin() + got);
  }
  return connection.read_failed ? 0 : 1;
}

std::uint32_t LibftdiDevice::write_while_reading(Connection& connection, const std::uint8_t* buffer,
                                                 std::uint32_t to_write) {
  ftdi_transfer_control* write =
      calls_.write_data_submit(connection.context, buffer, static_cast<int>(to_write));
  if (!write) return 0;
  // The answer of the block before comes in while this one goes out; only
  // then can the next read start, libftdi1 having one read buffer.
  finish_pending(connection);
  connection.landing.resize(connection.expected);
  connection.pending = calls_.read_data_submit(connection.context, connection.landing.data(),
                                               static_cast<int>(connection.expected));
  connection.read_failed = connection.read_failed || !connection.pending;
  connection.expected = 0;
  const int taken = calls_.transfer_data_done(write, idle_ms());
  return static_cast<std::uint32_t>(std::max(taken, 0));
}

DeviceStatus LibftdiDevice::write(DeviceHandle handle, const std::uint8_t* buffer,
                                  std::uint32_t to_write, std::uint32_t* written) {
  *written = 0;
  Connection* connection = find(handle);
  if (!connection) return device_error;
  if (connection->mpsse && connection->expected > 0) {
    *written = write_while_reading(*connection, buffer, to_write);
  } else if (connection->sync) {
    *written = write_in_pieces(*connection, buffer, to_write);
  } else {
    const int taken = calls_.write_data(connection->context, buffer, static_cast<int>(to_write));
    *written = static_cast<std::uint32_t>(std::max(taken, 0));
  }
  return *written == to_write ? device_ok : device_error;
}

DeviceStatus LibftdiDevice::read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                                 std::uint32_t* got) {
  *got = 0;
  Connection* connection = find(handle);
  if (!connection) return device_error;

  // Bytes collected during earlier writes are older than anything the chip
  // still holds, so they come first. A read under way that fell silent has
  // waited its time out already.
  const bool answered = finish_pending(*connection);
  auto& collected = connection->collected;
  const std::uint32_t kept =
      std::min<std::uint32_t>(to_read, static_cast<std::uint32_t>(collected.size()));
  if (kept > 0) {
    std::memcpy(buffer, collected.data(), kept);
    collected.erase(collected.begin(), collected.begin() + kept);
    *got = kept;
  }
  if (!answered) return device_ok;

  const auto deadline = clock_() + read_timeout_;
  while (*got < to_read) {
    const int n =
        calls_.read_data(connection->context, buffer + *got, static_cast<int>(to_read - *got));
    if (n < 0) return device_error;
    *got += static_cast<std::uint32_t>(n);
    connection->in_flight = std::max<std::int64_t>(connection->in_flight - n, 0);
    if (*got < to_read && clock_() >= deadline) break;
  }
  return device_ok;
}

}  // namespace tapwright
