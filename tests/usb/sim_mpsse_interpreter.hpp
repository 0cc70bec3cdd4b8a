#pragma once
// The simulated cable's MPSSE engine as a channel's command interpreter:
// the same engine tapwright-sim runs, here fed as the host's packets bring
// the commands and clocked at its TCK rate in simulated time.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "mpsse_port.hpp"
#include "sim/sim_chip.hpp"

namespace tapwright::usb {

class SimMpsseInterpreter final : public MpsseInterpreter {
 public:
  // `chip` holds the engine and the chain it shares with the bit-bang port.
  explicit SimMpsseInterpreter(sim::SimChip& chip) : chip_(chip) {}

  Progress run(std::span<const std::uint8_t> commands, std::uint64_t clock_budget,
               std::span<std::uint8_t> answer) override {
    sim::MpsseEngine& engine = chip_.mpsse();
    // The engine keeps the commands it was handed and not yet executed;
    // the FIFO keeps them too, until they are.
    if (commands.size() > handed_) {
      engine.write(commands.data() + handed_, commands.size() - handed_);
      handed_ = commands.size();
    }
    const std::uint64_t bad = engine.bad_commands();
    const sim::MpsseRun run = engine.run(clock_budget, answer.size(), nullptr);
    // The chip answers a command it does not know, as it answers the sync
    // probes; a player that sends one by mistake fails the test.
    if (engine.bad_commands() != bad && engine.last_bad_command() != 0xAA &&
        engine.last_bad_command() != 0xAB) {
      std::fprintf(stderr, "emulated MPSSE engine: unknown command 0x%02x\n",
                   engine.last_bad_command());
      std::abort();
    }
    Progress progress;
    progress.taken = handed_ - engine.queued();
    handed_ -= progress.taken;
    progress.clocks = run.clocks;
    progress.answered = chip_.take_returned(answer.data(), answer.size());
    progress.send_immediate = run.stop == sim::MpsseStop::send_immediate;
    return progress;
  }
  Picoseconds tck_period() const override {
    return static_cast<Picoseconds>(1e12 / chip_.mpsse().tck_hz());
  }
  void restart() override { handed_ = 0; }

 private:
  sim::SimChip& chip_;
  std::size_t handed_ = 0;  // FIFO bytes the engine holds, not yet executed
};

}  // namespace tapwright::usb
