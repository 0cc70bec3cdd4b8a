#include "sim/sim_device.hpp"

#include <vector>

#include "sim/chain_description.hpp"

namespace tapwright::sim {

SimDevice::SimDevice() {
  std::vector<DeviceSpec> devices;
  std::string error;
  parse_chain(SimOptions{}.chain, devices, error);
  chip_ = std::make_unique<BitBangChip>(Chain(devices));
}

SimDevice::~SimDevice() {
  finish();
}

int SimDevice::configure(const SimOptions& options, std::string& error) {
  std::vector<DeviceSpec> devices;
  FaultPlan fault;
  if (!parse_chain(options.chain, devices, error) || !parse_fault(options.fault, fault, error)) {
    return 0;
  }
  OutputFile capture_out;
  OutputFile capture_in;
  std::unique_ptr<VcdWriter> vcd;
  if (!options.capture_out.empty() &&
      !capture_out.open(options.capture_out, "capture file", error)) {
    return 0;
  }
  if (!options.capture_in.empty() && !capture_in.open(options.capture_in, "capture file", error)) {
    return 0;
  }
  if (!options.vcd.empty()) {
    vcd = std::make_unique<VcdWriter>();
    if (!vcd->open(options.vcd, error)) return 0;
  }

  finish();
  chip_ = std::make_unique<BitBangChip>(Chain(devices));
  fault_ = fault;
  capture_out_ = std::move(capture_out);
  capture_in_ = std::move(capture_in);
  vcd_ = std::move(vcd);
  if (vcd_) vcd_->begin(!chip_->chain().empty(), chip_->pins(), chip_->tdo(), chip_->first_state());
  output_error_.clear();
  open_ = false;
  open_calls_ = write_calls_ = read_calls_ = 0;
  return 1;
}

DeviceStatus SimDevice::open(int index, DeviceHandle* handle) {
  ++open_calls_;
  if (fault_.kind == FaultKind::open) return device_error;
  if (fault_.kind == FaultKind::reopen && open_calls_ == 2) return device_error;
  if (index != 0 || open_ || handle == nullptr) return device_error;
  open_ = true;
  *handle = this;
  return device_ok;
}

DeviceStatus SimDevice::close(DeviceHandle handle) {
  if (!valid(handle)) return device_error;
  open_ = false;
  return device_ok;
}

DeviceStatus SimDevice::read(DeviceHandle handle, std::uint8_t* buffer, std::uint32_t to_read,
                             std::uint32_t* got) {
  ++read_calls_;
  if (got) *got = 0;
  if (!valid(handle) || buffer == nullptr) return device_error;
  std::uint32_t limit = to_read;
  if (fault_.kind == FaultKind::read && read_calls_ == fault_.call && limit > 0) --limit;
  const auto n = static_cast<std::uint32_t>(chip_->take_returned(buffer, limit));
  if (got) *got = n;
  return device_ok;
}

DeviceStatus SimDevice::write(DeviceHandle handle, const std::uint8_t* buffer,
                              std::uint32_t to_write, std::uint32_t* written) {
  ++write_calls_;
  if (written) *written = 0;
  if (!valid(handle) || (buffer == nullptr && to_write > 0)) return device_error;
  std::uint32_t count = to_write;
  if (fault_.kind == FaultKind::write && write_calls_ == fault_.call && count > 0) --count;
  const std::span<const std::uint8_t> returned = chip_->apply(buffer, count, vcd_.get());
  capture_out_.write(buffer, count);
  if (!returned.empty()) capture_in_.write(returned.data(), returned.size());
  if (written) *written = count;
  return device_ok;
}

DeviceStatus SimDevice::set_divisor(DeviceHandle, std::uint16_t) {
  return device_ok;
}

DeviceStatus SimDevice::set_bit_mode(DeviceHandle handle, std::uint8_t mask, std::uint8_t mode) {
  if (!valid(handle) || fault_.kind == FaultKind::bit_mode) return device_error;
  return chip_->set_bit_mode(mask, mode) ? device_ok : device_error;
}

void SimDevice::finish() {
  const auto note = [this](bool ok, const std::string& path, const char* what) {
    if (!ok && output_error_.empty()) {
      output_error_ = std::string("could not write all of ") + what + " '" + path + "'";
    }
  };
  if (capture_out_.is_open()) {
    const std::string path = capture_out_.path();
    note(capture_out_.close(), path, "capture file");
  }
  if (capture_in_.is_open()) {
    const std::string path = capture_in_.path();
    note(capture_in_.close(), path, "capture file");
  }
  if (vcd_ && vcd_->is_open()) {
    const std::string path = vcd_->path();
    note(vcd_->finish(), path, "VCD file");
  };
}

std::string SimDevice::output_error() const {
  return output_error_;
}

}  // namespace tapwright::sim
