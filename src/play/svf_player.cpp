#include "play/svf_player.hpp"

#include "fullsvf/hex_value.hpp"
#include "jtag/shift_vector.hpp"
#include "jtag/tap_controller.hpp"

namespace tapwright::play {
namespace {

using namespace fullsvf;

// RUNTEST counts above this are typos: days of clocks on any cable.
constexpr std::uint64_t max_count = std::uint64_t{1} << 53;
// Clocks given between looks at the interrupt flag.
constexpr std::uint64_t clocks_per_look = std::uint64_t{1} << 20;
// A wait is slept in slices this long, so that Ctrl-C is not kept waiting.
constexpr std::int64_t sleep_slice_ns = 50'000'000;

std::uint64_t walk_length(TapState from, TapState to) {
  std::uint64_t n = 0;
  for (TapState s = from; s != to; ++n) s = walk_step(s, to).next;
  return n;
}

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
                     Engine* engine, ScanCheck* check,
                     const volatile std::sig_atomic_t* interrupted)
    : diagnostics_(diagnostics),
      settings_(settings),
      clock_(clock),
      engine_(engine),
      check_(check),
      interrupted_(interrupted) {}

int SvfPlayer::fail() {
  broken_ = true;
  return 0;
}

void SvfPlayer::echo_line(int line, const std::string& text) {
  if (!settings_.verbose || !settings_.echo) return;
  std::fprintf(settings_.echo, "%s:%d: %s\n", settings_.name.c_str(), line, text.c_str());
}

int SvfPlayer::walk(TapState target) {
  if (!playing()) return 0;
  return tap_goto(engine_->stream, engine_->device, engine_->state, target, settings_.compare)
             ? 1
             : fail();
}

int SvfPlayer::hold(TapState state, std::uint64_t count) {
  while (count > 0) {
    if (!playing()) return 0;
    if (interrupted_ && *interrupted_) return fail();
    const std::uint64_t part = count < clocks_per_look ? count : clocks_per_look;
    if (!tap_hold(engine_->stream, engine_->device, state, part, settings_.compare)) return fail();
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
  if (!playing() || !check_ || !check_->pending()) return 1;
  return engine_->stream.tap_sync(engine_->device, settings_.compare) ? 1 : fail();
}

bool SvfPlayer::may_go_on() {
  return settle() && !stopped_at_mismatch();
}

void SvfPlayer::scan(const ScanCommand& c) {
  const bool ir = c.kind == ScanKind::ir;
  const TapState shift = ir ? TapState::shift_ir : TapState::shift_dr;
  const TapState exit1 = ir ? TapState::exit1_ir : TapState::exit1_dr;
  const TapState capture = ir ? TapState::capture_ir : TapState::capture_dr;
  const std::int64_t length = c.length();
  if (length == 0) {
    clocks_ += walk_length(c.from, capture) + 1 + walk_length(exit1, c.end_state);
  } else {
    clocks_ += walk_length(c.from, shift) + static_cast<std::uint64_t>(length) +
               walk_length(exit1, c.end_state);
  }
  if (!engine_) return;
  if (ir && !may_go_on()) return;
  // Small scans are shown (and reported) as one vector; long ones are
  // shifted in their parts, so that no part is ever copied.
  const bool small = length <= reported_bits;
  const bool wrapped = c.header.length != 0 || c.trailer.length != 0;
  const ScanBits whole = small ? fold_scan(c.header, c.scan, c.trailer, folded_) : c.scan;
  if (settings_.verbose) {
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
    if (!walk(capture)) return;
    if (!tap_step(engine_->stream, engine_->device, engine_->state, exit1, settings_.compare)) {
      fail();
      return;
    }
  } else {
    if (!walk(shift)) return;
    // Known before the first bit goes out: a long scan's first blocks are
    // read back while its last ones are still being shifted.
    if (settings_.compare == 1 && c.compares && check_) {
      check_->expect(engine_->stream.cycles(), c.line, scan_label(c), length,
                     small ? whole.tdo : "", small ? whole.mask : "");
    }
    std::int64_t left = length;
    for (const ScanBits* part : {&c.header, &c.scan, &c.trailer}) {
      if (part->length == 0) continue;
      left -= part->length;
      // An empty mask compares every bit: the MASK of all ones.
      const bool compared = part->compares && settings_.compare == 1;
      if (!tap_shift_digits(engine_->stream, engine_->device, part->length, part->tdi,
                            compared ? part->tdo : "0",
                            compared ? (part->mask_ones ? "" : part->mask) : "0",
                            settings_.compare, left == 0 ? 1 : 0)) {
        fail();
        return;
      }
    }
    engine_->state = exit1;
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
  clocks_ += walk_length(c.from, c.run_state) + *count + walk_length(c.run_state, c.end_state);
  if (!engine_) {
    if (c.max_time) {
      diagnostics_.note(c.line, "MAXIMUM " + seconds(*c.max_time) +
                                    " is not enforced: tapwright-play waits at least the "
                                    "minimum and bounds no wait from above");
    }
    return;
  }
  if (!may_go_on()) return;
  if (!walk(c.run_state) || !hold(c.run_state, *count)) return;
  std::string text = "RUNTEST " + std::string(tap_state_name(c.run_state)) + " " +
                     std::to_string(*count) + " TCK";
  if (*ns > 0) {
    // Every cycle so far must have reached the chip (and, when comparing,
    // come back) before the time starts.
    if (!engine_->stream.tap_sync(engine_->device, settings_.compare)) {
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
  if (c.path.size() == 1) {
    clocks_ += walk_length(c.from, c.path[0]);
  } else {
    TapState at = c.from;
    for (TapState next : c.path) {
      clocks_ += next == TapState::test_logic_reset && at != next ? walk_length(at, next) : 1;
      at = next;
    }
  }
  if (!engine_ || !playing()) return;
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
    TapState& at = engine_->state;
    if (next == TapState::test_logic_reset && at != next) {
      // TMS held at 1 reaches it from anywhere.
      if (!walk(next)) return;
    } else if (!tap_step(engine_->stream, engine_->device, at, next, settings_.compare)) {
      fail();
      return;
    }
  }
}

void SvfPlayer::end_state(const EndStateCommand& c) {
  if (!engine_) return;
  echo_line(c.line, std::string(c.kind == ScanKind::ir ? "ENDIR " : "ENDDR ") +
                        std::string(tap_state_name(c.state)));
}

void SvfPlayer::trst(const TrstCommand& c) {
  if (c.mode != TrstMode::on) return;
  clocks_ += walk_length(c.from, TapState::test_logic_reset);
  if (!engine_) {
    if (!told_trst_) {
      diagnostics_.note(c.line, "TRST ON: the cable has no TRST wire; the TAP controller is "
                                "reset through TMS instead, as STATE RESET does");
      told_trst_ = true;
    }
    return;
  }
  echo_line(c.line, "TRST ON (STATE RESET)");
  walk(TapState::test_logic_reset);
}

void SvfPlayer::frequency(const FrequencyCommand& c) {
  if (!engine_) return;
  echo_line(c.line, c.hz ? "FREQUENCY " + c.hz->to_string() +
                               " HZ: noted; the cable keeps its own clock rate"
                         : std::string("FREQUENCY: noted; the cable keeps its own clock rate"));
}

void SvfPlayer::unsupported(const Statement& s) {
  if (s.command == "PIO" || s.command == "PIOMAP") {
    diagnostics_.error(s.line, s.command +
                                   " cannot be played: the cable drives no parallel I/O pins");
  } else {
    diagnostics_.error(s.line, quoted(s.command_token.text) + " is no SVF statement");
  }
}

}  // namespace tapwright::play
