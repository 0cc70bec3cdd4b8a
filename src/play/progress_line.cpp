#include "play/progress_line.hpp"

#include <string>

namespace tapwright::play {
namespace {

constexpr std::int64_t redraw_ns = 100'000'000;

std::string with_unit(double value, const char* unit) {
  const char* prefixes[] = {"", "k", "M", "G"};
  int p = 0;
  while (value >= 1000 && p < 3) {
    value /= 1000;
    ++p;
  }
  char text[48];
  std::snprintf(text, sizeof text, "%.3g %s%s", value, prefixes[p], unit);
  return text;
}

}  // namespace

std::string duration_text(double seconds) {
  char text[48];
  if (seconds < 1) {
    std::snprintf(text, sizeof text, "%.3g ms", seconds * 1000);
  } else if (seconds < 60) {
    std::snprintf(text, sizeof text, "%.3g s", seconds);
  } else {
    const auto whole = static_cast<unsigned long long>(seconds + 0.5);
    std::snprintf(text, sizeof text, "%llu:%02llu", whole / 60, whole % 60);
  }
  return text;
}

ProgressLine::ProgressLine(std::FILE* out, bool enabled, HostClock& clock, std::string name,
                           std::uint64_t file_bytes, std::uint64_t total_clocks)
    : out_(out),
      enabled_(enabled),
      clock_(clock),
      name_(std::move(name)),
      file_bytes_(file_bytes),
      total_clocks_(total_clocks),
      start_ns_(clock.now_ns()),
      next_draw_ns_(start_ns_ + redraw_ns) {}

void ProgressLine::update(std::uint64_t bytes_done, std::uint64_t clocks_done,
                          std::int64_t wait_left_ns) {
  if (!enabled_) return;
  const std::int64_t now = clock_.now_ns();
  if (now < next_draw_ns_) return;
  next_draw_ns_ = now + redraw_ns;
  const double seconds = static_cast<double>(now - start_ns_) / 1e9;
  const double rate = seconds > 0 ? static_cast<double>(clocks_done) / seconds : 0;
  std::string text = "tapwright-play: ";
  if (!device_.empty()) text += device_ + ": ";
  if (file_bytes_ > 0) {
    text += std::to_string(bytes_done * 100 / file_bytes_) + "% of " + name_ + ", ";
  }
  text += with_unit(static_cast<double>(clocks_done), "clocks");
  if (wait_left_ns >= 0) {
    char wait[48];
    std::snprintf(wait, sizeof wait, ", waiting: %.1f s to go",
                  static_cast<double>(wait_left_ns) / 1e9);
    text += wait;
  } else {
    text += " at " + with_unit(rate, "Hz");
  }
  if (wait_left_ns < 0 && rate > 0 && total_clocks_ > clocks_done) {
    const auto left =
        static_cast<std::uint64_t>(static_cast<double>(total_clocks_ - clocks_done) / rate);
    char eta[48];
    std::snprintf(eta, sizeof eta, ", about %llu:%02llu left",
                  static_cast<unsigned long long>(left / 60),
                  static_cast<unsigned long long>(left % 60));
    text += eta;
  }
  if (estimate_s_ >= 0) text += ", " + duration_text(estimate_s_) + " estimated";
  const std::size_t shown = text.size();
  if (shown < drawn_) text.append(drawn_ - shown, ' ');
  std::fprintf(out_, "\r%s", text.c_str());
  std::fflush(out_);
  drawn_ = shown;
}

void ProgressLine::played(double seconds) {
  if (!enabled_) return;
  erase();
  std::fprintf(out_, "tapwright-play: %s: played in %s (%s estimated)\n", name_.c_str(),
               duration_text(seconds).c_str(), duration_text(estimate_s_).c_str());
}

void ProgressLine::erase() {
  if (!enabled_ || drawn_ == 0) return;
  std::fprintf(out_, "\r%s\r", std::string(drawn_, ' ').c_str());
  std::fflush(out_);
  drawn_ = 0;
}

}  // namespace tapwright::play
