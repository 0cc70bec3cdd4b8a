#include "sim/vcd_writer.hpp"

#include <charconv>
#include <cstring>

namespace tapwright::sim {

namespace {

// Identifier codes, in the bit order of the packed value: TDI, TMS, TCK,
// TDO, then the four state bits.
constexpr char codes[8] = {'#', '"', '!', '$', '%', '&', '\'', '('};

constexpr const char* header_wires =
    "$version tapwright simulated cable $end\n"
    "$timescale 1 us $end\n"
    "$scope module cable $end\n"
    "$var wire 1 ! TCK $end\n"
    "$var wire 1 \" TMS $end\n"
    "$var wire 1 # TDI $end\n"
    "$var wire 1 $ TDO $end\n"
    "$upscope $end\n";

constexpr const char* header_state =
    "$scope module device1 $end\n"
    "$var wire 1 % state [0] $end\n"
    "$var wire 1 & state [1] $end\n"
    "$var wire 1 ' state [2] $end\n"
    "$var wire 1 ( state [3] $end\n"
    "$upscope $end\n";

// Room a time step needs at most: the time and eight changes.
constexpr std::size_t step_room = 24 + 8 * 3;
// Room the closing time stamp needs at most.
constexpr std::size_t end_room = 24;

}  // namespace

int VcdWriter::open(const std::string& path, std::uint64_t limit, std::string& error) {
  used_ = 0;
  room_ = 0;
  written_ = 0;
  limit_ = limit;
  time_ = 0;
  stopped_at_ = 0;
  return file_.open(path, "VCD file", error);
}

void VcdWriter::begin(bool with_state, std::uint8_t pins, int tdo, int state) {
  with_state_ = with_state;
  put(header_wires, std::strlen(header_wires));
  if (with_state_) put(header_state, std::strlen(header_state));
  static constexpr char dump_start[] = "$enddefinitions $end\n#0\n$dumpvars\n";
  put(dump_start, sizeof dump_start - 1);
  last_ = (pins & 0x07u) | (static_cast<unsigned>(tdo & 1) << 3) |
          (with_state_ ? static_cast<unsigned>(state & 0x0F) << 4 : 0u);
  const int wires = with_state_ ? 8 : 4;
  for (int bit = 0; bit < wires; ++bit) {
    const char line[3] = {static_cast<char>('0' + ((last_ >> bit) & 1u)), codes[bit], '\n'};
    put(line, 3);
  }
  put("$end\n", 5);
  make_room();
}

int VcdWriter::make_room() {
  if (stopped_at_ != 0) return 0;
  drain();
  room_ = sizeof buffer_;
  if (limit_ != 0) {
    const std::uint64_t left = limit_ > written_ + end_room ? limit_ - written_ - end_room : 0;
    if (left < room_) room_ = static_cast<std::size_t>(left);
    if (room_ < step_room) {
      // This step is the first the dump leaves out; the file closes before it.
      stopped_at_ = time_ > 0 ? time_ : 1;
      room_ = 0;
      return 0;
    }
  }
  return 1;
}

void VcdWriter::emit(unsigned value) {
  // Only the room check stands on the path of every step.
  if (used_ + step_room > room_ && !make_room()) return;
  char* out = buffer_ + used_;
  *out++ = '#';
  out = std::to_chars(out, out + 24, time_).ptr;
  *out++ = '\n';
  const unsigned changed = value ^ last_;
  for (int bit = 0; bit < 8; ++bit) {
    if ((changed >> bit) & 1u) {
      *out++ = static_cast<char>('0' + ((value >> bit) & 1u));
      *out++ = codes[bit];
      *out++ = '\n';
    }
  }
  used_ = static_cast<std::size_t>(out - buffer_);
  last_ = value;
}

void VcdWriter::put(const char* text, std::size_t size) {
  if (used_ + size > sizeof buffer_) drain();
  std::memcpy(buffer_ + used_, text, size);
  used_ += size;
}

void VcdWriter::drain() {
  file_.write(buffer_, used_);
  written_ += used_;
  used_ = 0;
}

void VcdWriter::finish() {
  if (!file_.is_open()) return;
  // A last time stamp, so that viewers show the final step for its full
  // length; in a stopped dump, the last step before the stop.
  const std::uint64_t end_time = stopped_at_ != 0 ? stopped_at_ : time_ + 1;
  char line[32] = {'#'};
  char* end = std::to_chars(line + 1, line + sizeof line - 1, end_time).ptr;
  *end++ = '\n';
  put(line, static_cast<std::size_t>(end - line));
  drain();
}

}  // namespace tapwright::sim
