#pragma once
// A channel's port in MPSSE mode: the transmit FIFO's bytes go to an MPSSE
// command interpreter, which clocks TCK at the rate it was set to and
// answers into the receive FIFO; it stalls when that FIFO is full, as the
// chip does, and a send-immediate sends what the FIFO holds at once.
#include <algorithm>
#include <cstring>
#include <memory>
#include <span>

#include "port.hpp"
#include "sim/byte_queue.hpp"

namespace tapwright::usb {

// The command interpreter, as the port drives it: command bytes come as the
// host's packets bring them, so a command may be cut anywhere and its rest
// come in a later call.
class MpsseInterpreter {
 public:
  virtual ~MpsseInterpreter() = default;
  struct Progress {
    std::size_t taken = 0;        // command bytes it no longer needs
    std::uint64_t clocks = 0;     // TCK cycles clocked
    std::size_t answered = 0;     // bytes written into the answer room
    bool send_immediate = false;  // it stopped right after a send-immediate
  };
  // Works through `commands` within `clock_budget` TCK cycles and the room
  // of `answer`. It uses the whole budget unless it runs out of command
  // bytes or answer room, and returns right after a send-immediate.
  virtual Progress run(std::span<const std::uint8_t> commands, std::uint64_t clock_budget,
                       std::span<std::uint8_t> answer) = 0;
  // One TCK cycle at the clock divisor set so far.
  virtual Picoseconds tck_period() const = 0;
};

class MpssePort final : public Port {
 public:
  MpssePort(std::unique_ptr<MpsseInterpreter> interpreter, std::vector<std::uint8_t>& tx,
            std::size_t rx_fifo, std::string* record)
      : Port(tx, rx_fifo, record), interpreter_(std::move(interpreter)), answer_(rx_fifo) {}

  bool has_interpreter() const { return interpreter_ != nullptr; }
  // The port's clock starts when the mode is set.
  void start(Picoseconds now) { clock_time_ = last_clock_ = std::max(clock_time_, now); }

  // Runs the interpreter for the clocks that fit until `until`; when it
  // stops short of them it waits for the host, idle until then.
  void run(Picoseconds until) override {
    while (interpreter_ && !stopped() && clock_time_ <= until) {
      const Picoseconds period = interpreter_->tck_period();
      const auto budget = static_cast<std::uint64_t>((until - clock_time_) / period);
      const std::size_t room = rx_fifo_ - returned_.size();
      const MpsseInterpreter::Progress done =
          interpreter_->run(tx_, budget, std::span(answer_).first(room));
      if (done.answered > 0) {
        std::memcpy(returned_.append(done.answered), answer_.data(), done.answered);
      }
      consume(done.taken);
      clock_time_ += static_cast<Picoseconds>(done.clocks) * period;
      last_clock_ = clock_time_;
      tck_ += static_cast<long long>(done.clocks);
      if (done.send_immediate) {
        urgent_ = true;
        owed_ = returned_.size();
        continue;
      }
      host_needed_ = done.clocks < budget;
      if (host_needed_) clock_time_ = until;
      return;
    }
  }
  // Any progress takes a clock at least; without the host there is none.
  Picoseconds when_taken(std::size_t count) const override {
    return count > tx_.size() ? never : when_progress();
  }
  Picoseconds when_returned(std::size_t) const override { return when_progress(); }
  std::size_t waiting() const override { return stopped() ? 0 : returned_.size(); }
  std::size_t take(std::uint8_t* out, std::size_t count) override {
    const std::size_t got = returned_.take(out, count);
    owed_ -= std::min(owed_, got);
    urgent_ = urgent_ && owed_ > 0;
    return got;
  }
  void clear_returned() override {
    while (take(answer_.data(), answer_.size()) > 0) {
    }
    urgent_ = false;
  }
  bool urgent() const override { return urgent_; }
  Picoseconds drain(Picoseconds now) override {
    while (interpreter_ && !stopped() && !tx_.empty() && !host_needed_)
      run(clock_time_ + ps_per_ms);
    return std::max(now, last_clock_);
  }
  std::vector<std::pair<std::string, long long>> figures() const override {
    return {{"tck", tck_}};
  }

 private:
  Picoseconds when_progress() const {
    if (!interpreter_ || stopped() || host_needed_) return never;
    return clock_time_ + interpreter_->tck_period();
  }

  std::unique_ptr<MpsseInterpreter> interpreter_;
  std::vector<std::uint8_t> answer_;  // the interpreter's answers, before the FIFO
  sim::ByteQueue returned_;           // the receive FIFO
  Picoseconds clock_time_ = 0;        // the port's own clock
  Picoseconds last_clock_ = 0;        // the end of the last TCK cycle
  bool host_needed_ = false;          // it stopped for bytes or room
  bool urgent_ = false;               // a send-immediate is owed
  std::size_t owed_ = 0;              // bytes the send-immediate sends
  long long tck_ = 0;
};

}  // namespace tapwright::usb
