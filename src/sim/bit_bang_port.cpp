#include "sim/bit_bang_port.hpp"

namespace tapwright::sim {

int BitBangPort::set_bit_mode(std::uint8_t mask, std::uint8_t mode) {
  if (mode != mode_async_bitbang && mode != mode_sync_bitbang) return 0;
  mode_ = mode;
  driven_ = static_cast<std::uint8_t>(mask & outputs_);
  return 1;
}

std::span<const std::uint8_t> BitBangPort::apply(const std::uint8_t* bytes, std::size_t count,
                                                 VcdWriter* trace) {
  if (mode_ == 0 || count == 0) return {};
  const bool sync = mode_ == mode_sync_bitbang;
  std::uint8_t* out = sync ? returned_.append(count) : nullptr;
  if (trace) {
    if (sync) {
      run<true, true>(bytes, count, out, trace);
    } else {
      run<false, true>(bytes, count, out, trace);
    }
  } else if (chain_.inert()) {
    run_without_devices(bytes, count, out);
  } else if (sync) {
    run<true, false>(bytes, count, out, trace);
  } else {
    run<false, false>(bytes, count, out, trace);
  }
  return sync ? std::span<const std::uint8_t>(out, count) : std::span<const std::uint8_t>();
}

template <bool sync, bool traced>
void BitBangPort::run(const std::uint8_t* bytes, std::size_t count, std::uint8_t* out,
                      VcdWriter* trace) {
  std::uint8_t pins = pins_;
  unsigned tdo_bit = static_cast<unsigned>(chain_.tdo()) << tdo_at_;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t next = level(bytes[i]);
    if constexpr (sync) out[i] = static_cast<std::uint8_t>(pins | tdo_bit);
    if ((pins ^ next) & tck_) {
      if (next & tck_) {
        chain_.rising_edge((next >> tms_at_) & 1, (next >> tdi_at_) & 1);
      } else {
        chain_.falling_edge();
        tdo_bit = static_cast<unsigned>(chain_.tdo()) << tdo_at_;
      }
    }
    pins = next;
    if constexpr (traced) trace->step(wires(pins), chain_.tdo(), chain_.first_state());
  }
  pins_ = pins;
}

// No device: TDO stays high and edges change nothing, so the returned byte
// is the previous pin levels with TDO set.
void BitBangPort::run_without_devices(const std::uint8_t* bytes, std::size_t count,
                                      std::uint8_t* out) {
  if (out) {
    const unsigned tdo = 1u << tdo_at_;
    out[0] = static_cast<std::uint8_t>(pins_ | tdo);
    for (std::size_t i = 1; i < count; ++i) {
      out[i] = static_cast<std::uint8_t>(level(bytes[i - 1]) | tdo);
    }
  }
  pins_ = level(bytes[count - 1]);
}

}  // namespace tapwright::sim
