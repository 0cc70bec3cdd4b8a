#pragma once
// The statements of a full SVF file once SVF's rules have filled in what
// each leaves out, as the front end hands them to a back end. Each carries
// its line and the TAP state the file has reached before it.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "fullsvf/decimal_number.hpp"
#include "fullsvf/scan_memory.hpp"
#include "jtag/tap_state.hpp"

namespace tapwright::fullsvf {

enum class ScanKind { ir, dr };

// SIR or SDR with the header and trailer of its kind: the header's bits
// are shifted first, then the statement's, then the trailer's.
struct ScanCommand {
  int line = 0;
  ScanKind kind = ScanKind::dr;
  std::string_view name;  // "SIR" or "SDR"
  ScanBits header, scan, trailer;
  // Some part compares TDO under a mask with a bit set.
  bool compares = false;
  TapState end_state = TapState::run_test_idle;
  TapState from = TapState::run_test_idle;

  std::int64_t length() const { return header.length + scan.length + trailer.length; }
};

// RUNTEST [run_state] [count TCK|SCK] [min_time SEC [MAXIMUM max SEC]]
//         [ENDSTATE end_state], with SVF's defaults applied.
struct RuntestCommand {
  int line = 0;
  TapState run_state = TapState::run_test_idle;
  TapState end_state = TapState::run_test_idle;
  std::optional<DecimalNumber> count;
  bool count_in_sck = false;
  std::optional<DecimalNumber> min_time;
  std::optional<DecimalNumber> max_time;
  TapState from = TapState::run_test_idle;
};

// STATE: one stable state to walk to, or a path of two or more states to
// follow one clock each (already checked against the state graph).
struct StateCommand {
  int line = 0;
  std::vector<TapState> path;
  TapState from = TapState::run_test_idle;
};

struct EndStateCommand {
  int line = 0;
  ScanKind kind = ScanKind::dr;
  TapState state = TapState::run_test_idle;
};

enum class TrstMode { on, off, z, absent };
struct TrstCommand {
  int line = 0;
  TrstMode mode = TrstMode::off;
  TapState from = TapState::run_test_idle;
};

struct FrequencyCommand {
  int line = 0;
  std::optional<DecimalNumber> hz;  // none: back to the cable's own rate
};

}  // namespace tapwright::fullsvf
