#include "sim/tap_device.hpp"

namespace tapwright::sim {

namespace {
const BitString& empty_bits() {
  static const BitString empty;
  return empty;
}
}  // namespace

TapDevice::TapDevice(const DeviceSpec& spec)
    : spec_(spec),
      ir_length_(spec.ir_length),
      ir_mask_(spec.ir_length >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << spec.ir_length) - 1),
      instruction_(reset_opcode()) {
  load_instruction(instruction_);
}

const BitString& TapDevice::scratch(std::uint64_t opcode) const {
  const auto it = scratch_.find(opcode);
  return it == scratch_.end() ? empty_bits() : it->second;
}

void TapDevice::load_instruction(std::uint64_t opcode) {
  instruction_ = opcode;
  stored_ = nullptr;
  if (opcode == spec_.idcode_opcode && spec_.has_idcode) {
    selected_ = DataRegister::idcode;
    dr_length_ = 32;
  } else if (opcode == ir_mask_) {
    selected_ = DataRegister::bypass;
    dr_length_ = 1;
  } else {
    selected_ = DataRegister::scratch;
    stored_ = &scratch_[opcode];  // nodes stay put as the map grows
  }
}

void TapDevice::capture_dr() {
  switch (selected_) {
    case DataRegister::idcode:
      dr_shift_ = spec_.idcode;
      break;
    case DataRegister::bypass:
      dr_shift_ = 0;
      break;
    case DataRegister::scratch:
      shifted_.clear();
      break;
  }
  updated_ = false;
}

void TapDevice::update_dr() {
  // A scan that shifted nothing leaves the register as it was, as a real
  // register's update of its unchanged capture would.
  if (selected_ == DataRegister::scratch && shifted_.size() > 0) {
    stored_->swap(shifted_);
    shifted_.clear();
    updated_ = true;
  }
}

}  // namespace tapwright::sim
