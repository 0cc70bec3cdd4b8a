#include "play/svf_player.hpp"

#include <algorithm>

#include "fullsvf/hex_value.hpp"
#include "play/cable_choice.hpp"

namespace tapwright::play {
namespace {

using namespace fullsvf;

// RUNTEST counts above this are typos: days of clocks on any cable.
constexpr std::uint64_t max_count = std::uint64_t{1} << 53;
// Clocks given between looks at the interrupt flag.
constexpr std::uint64_t clocks_per_look = std::uint64_t{1} << 20;
// A wait is slept in slices this long, so that Ctrl-C is not kept waiting.
constexpr std::int64_t sleep_slice_ns = 50'000'000;

// A value in an echo line: lower case, long ones shortened.
std::string shown_value(std::string_view digits) {
  std::string text(digits.size() <= 64 ? digits : digits.substr(0, 32));
  for (char& c : text) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c + 32);
  }
  if (digits.size() > 64) text += "... " + std::to_string(digits.size()) + " digits";
  return text;
}

std::string scan_label(const ScanCommand& c) {
  std::string label = std::string(c.name) + " " + std::to_string(c.scan.length);
  if (c.header.length != 0 || c.trailer.length != 0) {
    label += " (with " + std::to_string(c.header.length) + " header and " +
             std::to_string(c.trailer.length) + " trailer bits, shown as shifted)";
  }
  return label;
}

std::string seconds(const DecimalNumber& n) {
  return n.to_string() + " SEC";
}

}  // namespace

SvfPlayer::SvfPlayer(Diagnostics& diagnostics, const PlaySettings& settings, HostClock& clock,
                     Tap& tap, ScanCheck* check, const volatile std::sig_atomic_t* interrupted,
                     Pass pass)
    : diagnostics_(diagnostics),
      settings_(settings),
      clock_(clock),
      tap_(tap),
      check_(check),
      interrupted_(interrupted),
      pass_(pass) {}

int SvfPlayer::fail() {
  broken_ = true;
  return 0;
}

void SvfPlayer::echo_line(int line, const std::string& text) {
  if (checking() || !settings_.verbose || !settings_.echo) return;
  std::fprintf(settings_.echo, "%s:%d: %s\n", settings_.name.c_str(), line, text.c_str());
}

int SvfPlayer::walk(TapState target) {
  return !broken_ && (tap_.walk(target) || fail());
}

int SvfPlayer::step(TapState next) {
  return !broken_ && (tap_.step(next) || fail());
}

int SvfPlayer::shift(const ShiftRun& run) {
  return !broken_ && (tap_.shift(run) || fail());
}

int SvfPlayer::hold(std::uint64_t count) {
  while (count > 0) {
    if (broken_) return 0;
    if (interrupted_ && *interrupted_) return fail();
    // The counting link takes any count at once; a cable in parts, between
    // which Ctrl-C is looked for.
    const std::uint64_t part = checking() || count < clocks_per_look ? count : clocks_per_look;
    if (!tap_.hold(part)) return fail();
    count -= part;
  }
  return 1;
}

int SvfPlayer::wait_ns(std::int64_t ns) {
  const std::int64_t deadline = clock_.now_ns() + ns;
  for (std::int64_t now = clock_.now_ns(); now < deadline; now = clock_.now_ns()) {
    if (interrupted_ && *interrupted_) return fail();
    const std::int64_t left = deadline - now;
    if (settings_.waiting) settings_.waiting(left);
    clock_.sleep_ns(left < sleep_slice_ns ? left : sleep_slice_ns);
  }
  return 1;
}

int SvfPlayer::settle() {
  if (broken_ || !check_ || !check_->pending()) return 1;
  return tap_.sync() ? 1 : fail();
}

bool SvfPlayer::may_go_on() {
  return settle() && !stopped_at_mismatch();
}

void SvfPlayer::scan(const ScanCommand& c) {
  const bool ir = c.kind == ScanKind::ir;
  const std::int64_t length = c.length();
  if (ir && !checking() && !may_go_on()) return;
  // Small scans are shown (and reported) as one vector; long ones are
  // shifted in their parts, so that no part is ever copied.
  const bool small = length <= reported_bits;
  const bool wrapped = c.header.length != 0 || c.trailer.length != 0;
  const ScanBits whole =
      small && !checking() ? fold_scan(c.header, c.scan, c.trailer, folded_) : c.scan;
  if (settings_.verbose && !checking()) {
    std::string text = scan_label(c) + " TDI (" + shown_value(whole.tdi) + ")";
    if (c.compares) {
      text += " TDO (" + shown_value(whole.tdo) + ") MASK (" +
              (whole.mask_ones ? std::string("all ones") : shown_value(whole.mask)) + ")";
    }
    if (!small && wrapped) text += " with its header and trailer";
    echo_line(c.line, text);
  }
  if (length == 0) {
    // No bit to shift: through Capture straight to Exit1, since a clock
    // in the shift state would shift one.
    if (!walk(ir ? TapState::capture_ir : TapState::capture_dr) ||
        !step(ir ? TapState::exit1_ir : TapState::exit1_dr)) {
      return;
    }
  } else {
    if (!walk(ir ? TapState::shift_ir : TapState::shift_dr)) return;
    // Known before the first bit goes out: a long scan's first blocks are
    // read back while its last ones are still being shifted.
    const bool compared = settings_.compare == 1 && c.compares;
    if (compared && check_) {
      check_->expect(tap_.link().cycles(), c.line, scan_label(c), length, small ? whole.tdo : "",
                     small ? whole.mask : "");
    }
    std::int64_t left = length;
    for (const ScanBits* part : {&c.header, &c.scan, &c.trailer}) {
      if (part->length == 0) continue;
      left -= part->length;
      // An empty mask compares every bit: the MASK of all ones.
      if (!shift({part->length, part->tdi, part->tdo, part->mask_ones ? "" : part->mask,
                  compared && part->compares, left == 0})) {
        return;
      }
    }
  }
  walk(c.end_state);
}

void SvfPlayer::runtest(const RuntestCommand& c) {
  if (c.count_in_sck) {
    diagnostics_.error(c.line, "RUNTEST counts SCK clocks; the cable has no SCK wire to give them");
    return;
  }
  const std::optional<std::uint64_t> count =
      c.count ? c.count->ceil() : std::optional<std::uint64_t>(0);
  if (!count || *count > max_count) {
    diagnostics_.error(c.line, "RUNTEST gives more than 2^53 clocks");
    return;
  }
  // Nanoseconds, rounded up: a wait is never shorter than written.
  std::optional<std::uint64_t> ns = 0;
  if (c.min_time) ns = ceil_product(*c.min_time, *parse_decimal("1E9"), std::uint64_t{1} << 62);
  if (!ns) {
    diagnostics_.error(c.line, "RUNTEST waits longer than tapwright-play can time");
    return;
  }
  if (checking()) {
    if (c.max_time) {
      diagnostics_.note(c.line, "MAXIMUM " + seconds(*c.max_time) +
                                    " is not enforced: tapwright-play waits at least the "
                                    "minimum and bounds no wait from above");
    }
    wait_ns_ += *ns;
    if (walk(c.run_state) && hold(*count)) walk(c.end_state);
    return;
  }
  if (!may_go_on()) return;
  if (!walk(c.run_state) || !hold(*count)) return;
  std::string text =
      "RUNTEST " + std::string(tap_state_name(c.run_state)) + " " + std::to_string(*count) + " TCK";
  if (*ns > 0) {
    // Every cycle so far must have reached the chip (and, when comparing,
    // come back) before the time starts.
    if (!tap_.sync()) {
      fail();
      return;
    }
    if (stopped_at_mismatch()) return;
    const std::int64_t margin = settings_.compare == 1 ? 0 : settings_.unconfirmed_margin_ns;
    const std::int64_t wait = static_cast<std::int64_t>(*ns) + margin;
    const std::int64_t start = clock_.now_ns();
    char took[64];
    if (settings_.no_wait) {
      std::snprintf(took, sizeof took, ": a wait of %.1f ms, skipped (--no-wait)",
                    static_cast<double>(wait) / 1e6);
    } else {
      if (!wait_ns(wait)) return;
      std::snprintf(took, sizeof took, ": waited %.1f ms",
                    static_cast<double>(clock_.now_ns() - start) / 1e6);
    }
    text += ' ';
    text += seconds(*c.min_time);
    text += took;
  }
  text += " ENDSTATE " + std::string(tap_state_name(c.end_state));
  echo_line(c.line, text);
  walk(c.end_state);
}

void SvfPlayer::state(const StateCommand& c) {
  if (settings_.verbose) {
    std::string text = "STATE";
    for (TapState s : c.path) (text += ' ') += tap_state_name(s);
    echo_line(c.line, text);
  }
  if (c.path.size() == 1) {
    walk(c.path[0]);
    return;
  }
  for (TapState next : c.path) {
    // TMS held at 1 reaches Test-Logic-Reset from anywhere.
    const bool reset = next == TapState::test_logic_reset && tap_.state() != next;
    if (!(reset ? walk(next) : step(next))) return;
  }
}

void SvfPlayer::end_state(const EndStateCommand& c) {
  echo_line(c.line, std::string(c.kind == ScanKind::ir ? "ENDIR " : "ENDDR ") +
                        std::string(tap_state_name(c.state)));
}

void SvfPlayer::trst(const TrstCommand& c) {
  if (settings_.trst_pin) {
    drive_trst(c);
    return;
  }
  if (c.mode != TrstMode::on) return;
  if (checking() && !told_trst_) {
    diagnostics_.note(c.line,
                      "TRST ON: the cable has no TRST pin; the TAP controller is "
                      "reset through TMS instead, as STATE RESET does");
    told_trst_ = true;
  }
  echo_line(c.line, "TRST ON (STATE RESET)");
  walk(TapState::test_logic_reset);
}

// The cable's TRST pin as the statement says; ON also walks the controller
// to Test-Logic-Reset through TMS, which a pin that reaches no TAP makes
// certain, and which keeps the clocks the same on every cable.
void SvfPlayer::drive_trst(const TrstCommand& c) {
  static constexpr const char* names[] = {"TRST ON", "TRST OFF", "TRST Z", "TRST ABSENT"};
  static constexpr ResetDrive drives[] = {ResetDrive::assert, ResetDrive::release,
                                          ResetDrive::floating};
  const auto mode = static_cast<std::size_t>(c.mode);
  echo_line(c.line, names[mode]);
  if (c.mode == TrstMode::absent || broken_) return;
  if (!checking() && tap_.link().drive_trst(drives[mode]) == 0) {
    fail();
    return;
  }
  if (c.mode == TrstMode::on) walk(TapState::test_logic_reset);
}

void SvfPlayer::frequency(const FrequencyCommand& c) {
  const std::string asked = c.hz ? "FREQUENCY " + c.hz->to_string() + " HZ" : "FREQUENCY";
  if (settings_.max_hz == 0) {
    echo_line(c.line, asked + ": noted; the cable keeps its own clock rate");
    return;
  }
  std::uint64_t hz = settings_.start_hz;
  if (c.hz) {
    const auto whole = c.hz->whole();
    const auto above = c.hz->ceil();
    hz = whole ? *whole : above ? *above - 1 : UINT64_MAX;
  }
  if (hz < settings_.min_hz) {
    // Faster than asked would make every clock count that stands for a
    // time a shorter wait than the file means.
    diagnostics_.error(c.line, asked + " is below the slowest rate the cable makes (" +
                                   rate_text(static_cast<double>(settings_.min_hz)) + ")");
    return;
  }
  if (broken_) return;
  const std::uint64_t set = tap_.link().set_rate(std::min(hz, settings_.max_hz));
  if (set == 0) {
    fail();
    return;
  }
  echo_line(c.line, asked + ": TCK " + rate_text(static_cast<double>(set)));
}

void SvfPlayer::unsupported(const Statement& s) {
  if (s.command == "PIO" || s.command == "PIOMAP") {
    diagnostics_.error(s.line,
                       s.command + " cannot be played: the cable drives no parallel I/O pins");
  } else {
    diagnostics_.error(s.line, quoted(s.command_token.text) + " is no SVF statement");
  }
}

}  // namespace tapwright::play
