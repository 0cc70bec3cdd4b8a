#include "sim/sim_device.hpp"

#include <string>
#include <vector>

#include "sim/chain_description.hpp"

namespace tapwright::sim {

SimDevice::SimDevice() {
  std::vector<DeviceSpec> devices;
  std::string error;
  parse_chain(SimOptions{}.chain, devices, error);
  chip_ = std::make_unique<SimChip>(Chain(devices));
}

SimDevice::~SimDevice() {
  finish();
}

namespace {

// The chip model and channel index the options name; 0 with the reason.
int parse_chip(const SimOptions& options, const ChipModel*& model, int& channel,
               std::string& error) {
  model = find_chip_model(options.chip);
  channel = options.channel - 'A';
  if (!model || channel < 0 || channel >= model->channels) {
    error = "no simulated chip '" + options.chip + "' with a channel " + options.channel;
    return 0;
  }
  return 1;
}

}  // namespace

int SimDevice::configure(const SimOptions& options, std::string& error) {
  std::vector<DeviceSpec> devices;
  FaultPlan fault;
  const ChipModel* model = nullptr;
  int channel = 0;
  if (!parse_chip(options, model, channel, error) || !parse_chain(options.chain, devices, error) ||
      !parse_fault(options.fault, fault, error)) {
    return 0;
  }
  cli::OutputFile capture_out;
  cli::OutputFile capture_in;
  std::unique_ptr<VcdWriter> vcd;
  if (!options.capture_out.empty() &&
      !capture_out.open(options.capture_out, "capture file", error)) {
    return 0;
  }
  if (!options.capture_in.empty() && !capture_in.open(options.capture_in, "capture file", error)) {
    return 0;
  }
  std::unique_ptr<ClockTrace> clocks;
  if (!options.capture_clocks.empty()) {
    clocks = std::make_unique<ClockTrace>();
    if (!clocks->open(options.capture_clocks, error)) return 0;
  }
  if (!options.vcd.empty()) {
    vcd = std::make_unique<VcdWriter>();
    if (!vcd->open(options.vcd, options.vcd_limit, error)) return 0;
  }

  finish();
  Chain chain(devices);
  if (fault.kind == FaultKind::tdo_low || fault.kind == FaultKind::tdo_high) {
    chain.stick_tdo(fault.kind == FaultKind::tdo_high ? 1 : 0);
  }
  chip_ = std::make_unique<SimChip>(std::move(chain), *model, channel, options.pins);
  fault_ = fault;
  capture_out_ = std::move(capture_out);
  capture_in_ = std::move(capture_in);
  clocks_ = std::move(clocks);
  chip_->set_clock_trace(clocks_.get());
  vcd_ = std::move(vcd);
  if (vcd_) {
    const Chain& chain = chip_->chain();
    vcd_->begin(!chain.empty(), chip_->bit_bang().pins(), chain.tdo(), chain.first_state());
  }
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

int SimDevice::list_channels(DeviceList& channels) {
  ListedChannel chip;
  chip.chip = &chip_->model();
  chip.vid = 0x0403;
  chip.pid = chip_->model().product;
  chip.serial = chip.open_serial = sim_serial;
  chip.description = std::string(chip_->model().description);
  add_channels(channels, chip);
  return 1;
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

namespace {

// A size as --vcd-limit takes it: "4G" rather than 4294967296.
std::string size_text(std::uint64_t bytes) {
  static constexpr const char* suffixes[] = {"", "K", "M", "G"};
  int scale = 0;
  while (scale < 3 && bytes != 0 && bytes % 1024 == 0) {
    bytes /= 1024;
    ++scale;
  }
  return std::to_string(bytes) + suffixes[scale];
}

}  // namespace

bool SimDevice::settle(cli::OutputFile& file) {
  std::string problem;
  if (!file.is_open() || file.commit(problem)) return true;
  if (output_error_.empty()) output_error_ = problem;
  return false;
}

void SimDevice::finish() {
  settle(capture_out_);
  settle(capture_in_);
  if (clocks_) {
    clocks_->finish();
    settle(clocks_->file());
  }
  if (vcd_ && vcd_->is_open()) {
    vcd_->finish();
    if (settle(vcd_->file()) && vcd_->stopped_at() != 0 && output_error_.empty()) {
      output_error_ = "VCD file '" + vcd_->path() + "' stopped at its size limit (--vcd-limit " +
                      size_text(vcd_->limit()) + ", 0 for none): it ends before time step " +
                      std::to_string(vcd_->stopped_at()) + " of " + std::to_string(vcd_->time());
    }
  }
}

void SimDevice::remove_outputs() {
  capture_out_.discard();
  capture_in_.discard();
  if (clocks_) clocks_->file().discard();
  if (vcd_) vcd_->file().discard();
}

std::string SimDevice::output_error() const {
  return output_error_;
}

}  // namespace tapwright::sim
