#pragma once
// One simulated JTAG device: a TAP controller with an instruction register,
// the 32-bit IDCODE register (unless it has none), BYPASS, and a scratch
// data register for every other opcode. The controller moves on the rising edge of TCK, sampling
// TMS and TDI there, and changes TDO on the falling edge.
#include <cstdint>
#include <unordered_map>

#include "sim/bit_string.hpp"
#include "sim/chain_description.hpp"
#include "sim/controller_state.hpp"

namespace tapwright::sim {

enum class DataRegister : std::uint8_t { idcode, bypass, scratch };

class TapDevice {
 public:
  // A device after power-up: Test-Logic-Reset, IDCODE (or BYPASS) selected.
  explicit TapDevice(const DeviceSpec& spec);

  // The rising edge of TCK: the register of the current state captures or
  // shifts, then the controller takes its transition. Entering Update-IR,
  // Update-DR or Test-Logic-Reset acts at once; nothing observes the
  // difference from acting on the falling edge that follows.
  void rising_edge(int tms, int tdi) {
    switch (state_) {
      case ControllerState::capture_ir:
        ir_shift_ = spec_.ir_capture;  // ...01
        break;
      case ControllerState::shift_ir:
        ir_shift_ = (ir_shift_ >> 1) | (static_cast<std::uint64_t>(tdi & 1) << (ir_length_ - 1));
        break;
      case ControllerState::capture_dr:
        capture_dr();
        break;
      case ControllerState::shift_dr:
        shift_dr(tdi);
        break;
      default:
        break;
    }
    state_ = controller_next(state_, tms);
    switch (state_) {
      case ControllerState::update_ir:
        load_instruction(ir_shift_ & ir_mask_);
        break;
      case ControllerState::update_dr:
        update_dr();
        break;
      case ControllerState::test_logic_reset:
        if (instruction_ != reset_opcode()) load_instruction(reset_opcode());
        break;
      default:
        break;
    }
  }

  // The falling edge of TCK: in a shift state TDO shows the bit at the
  // register's output end; elsewhere the line is undriven and pulled high.
  void falling_edge() {
    if (state_ == ControllerState::shift_dr) {
      tdo_ = selected_ == DataRegister::scratch ? stored_->bit(shifted_.size())
                                                : static_cast<int>(dr_shift_ & 1u);
    } else if (state_ == ControllerState::shift_ir) {
      tdo_ = static_cast<int>(ir_shift_ & 1u);
    } else {
      tdo_ = 1;
    }
  }

  // The selected data register's length: 32 or 1, or 0 for a scratch
  // register, which takes as many bits as are shifted into it.
  int fixed_dr_length() const { return selected_ == DataRegister::scratch ? 0 : dr_length_; }
  // Right after Update-DR: drops the first `count` bits a scratch register
  // took, which in a chain belong to the devices after it.
  void pass_on(std::size_t count) {
    if (updated_) stored_->drop_front(count);
  }

  int tdo() const { return tdo_; }
  ControllerState state() const { return state_; }
  const DeviceSpec& spec() const { return spec_; }
  std::uint64_t instruction() const { return instruction_; }
  DataRegister selected() const { return selected_; }
  // What the scratch register of `opcode` holds (empty: never updated, reads
  // as zeros).
  const BitString& scratch(std::uint64_t opcode) const;

 private:
  // IDCODE's, or BYPASS's for a device without IDCODE.
  std::uint64_t reset_opcode() const { return spec_.has_idcode ? spec_.idcode_opcode : ir_mask_; }
  void load_instruction(std::uint64_t opcode);
  void capture_dr();
  void shift_dr(int tdi) {
    if (selected_ == DataRegister::scratch) {
      shifted_.push_back(tdi);
    } else {
      dr_shift_ = (dr_shift_ >> 1) | (static_cast<std::uint64_t>(tdi & 1) << (dr_length_ - 1));
    }
  }
  void update_dr();

  DeviceSpec spec_;
  int ir_length_;
  std::uint64_t ir_mask_;
  ControllerState state_ = ControllerState::test_logic_reset;
  int tdo_ = 1;
  std::uint64_t ir_shift_ = 0;
  std::uint64_t instruction_;
  DataRegister selected_ = DataRegister::idcode;
  // IDCODE and BYPASS shift here; dr_length_ is 32 or 1.
  std::uint64_t dr_shift_ = 0;
  int dr_length_ = 32;
  // A scratch register shifts out what it holds (`stored_`, captured in
  // place) while the bits shifted in collect in `shifted_`; Update-DR makes
  // these the new contents, however many there were.
  std::unordered_map<std::uint64_t, BitString> scratch_;
  BitString* stored_ = nullptr;
  BitString shifted_;
  bool updated_ = false;  // the last Update-DR stored new scratch contents
};

}  // namespace tapwright::sim
