#include "driver/player.hpp"

#include <memory>
#include <new>
#include <string>

#include "driver/messages.hpp"
#include "jtag/tap_controller.hpp"
#include "link/clock_stream.hpp"
#include "svf/svf_run.hpp"

namespace tapwright {

namespace {

struct Settings {
  const char* svf_path = nullptr;
  int verbose = 0;
  int compare_mode = 0;
  bool help = false;
};

// Options are whole words, exactly; anything else is the SVF path, the last
// one winning. "-h" ends the scan at once.
Settings scan_arguments(int argc, const char* const* argv) {
  Settings settings;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-v") {
      settings.verbose = 1;
    } else if (arg == "-c") {
      settings.compare_mode = 1;
    } else if (arg == "-h") {
      settings.help = true;
      return settings;
    } else {
      settings.svf_path = argv[i];
    }
  }
  return settings;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Closes the device when the run leaves, before the SVF file is closed.
class OpenDevice {
 public:
  OpenDevice(Device& device, DeviceHandle handle) : device_(device), handle_(handle) {}
  ~OpenDevice() { device_.close(handle_); }
  OpenDevice(const OpenDevice&) = delete;
  OpenDevice& operator=(const OpenDevice&) = delete;
  DeviceHandle handle() const { return handle_; }

 private:
  Device& device_;
  DeviceHandle handle_;
};

// Reset, statements, drain and summary on an open, configured device.
int play(const Settings& settings, std::FILE* svf, Device& device, DeviceHandle handle,
         const PlayerStreams& streams) {
  const int compare = settings.compare_mode;
  auto stream = std::make_unique<ClockStream>(device);
  TapState state{};
  if (!tap_reset(*stream, handle, state, compare)) {
    std::fputs(messages::cant_write, streams.err);
    return exit_failed;
  }
  SvfTokenizer tokenizer(svf);
  SvfMasks masks;
  if (!svf_run(tokenizer, *stream, handle, settings.verbose, state, compare, masks, streams.out)) {
    std::fputs(messages::parse_error, streams.err);
    return exit_failed;
  }
  // A drain that fails has lost the last block or left it uncompared: the
  // summary would claim more than was checked.
  if (!stream->tap_flush(handle, compare)) {
    std::fputs(messages::cant_write, streams.err);
    return exit_failed;
  }
  if (compare != 1) return exit_ok;
  const long long mismatches = stream->mismatch_count();
  if (mismatches > 0) {
    std::fprintf(streams.out, messages::mismatched, mismatches);
    return exit_mismatched;
  }
  std::fputs(messages::all_matched, streams.out);
  return exit_ok;
}

}  // namespace

int run_player(int argc, const char* const* argv, Device& device, const PlayerStreams& streams) {
  const Settings settings = scan_arguments(argc, argv);
  if (settings.help) {
    std::fputs(messages::usage, streams.out);
    if (!streams.usage_tail.empty()) {
      std::fwrite(streams.usage_tail.data(), 1, streams.usage_tail.size(), streams.out);
    }
    return exit_ok;
  }
  if (!settings.svf_path) {
    std::fputs(messages::no_svf_file, streams.err);
    return exit_failed;
  }
  // Binary mode: CR is a blank to the tokenizer anyway, and a text-mode
  // stream on Windows would end the file at the first Ctrl-Z byte.
  FilePtr svf(std::fopen(settings.svf_path, "rb"));
  if (!svf) {
    std::fprintf(streams.err, messages::cant_open_file, settings.svf_path);
    return exit_failed;
  }

  const std::uint8_t mode = settings.compare_mode == 1 ? mode_sync_bitbang : mode_async_bitbang;
  // A first pass that puts the chip into the right mode and lets it go
  // again; whatever it reports, the run goes on to the real open.
  DeviceHandle handle = nullptr;
  if (device.open(0, &handle) == device_ok) {
    device.set_bit_mode(handle, direction_mask, mode);
    device.close(handle);
  }
  handle = nullptr;
  if (device.open(0, &handle) != device_ok) {
    std::fputs(messages::cant_open_device, streams.err);
    svf.reset();
    std::fflush(streams.err);
    return exit_failed;
  }

  int status = exit_failed;
  {
    OpenDevice open_device(device, handle);
    if (device.set_bit_mode(handle, direction_mask, mode) != device_ok) {
      std::fputs(messages::cant_initialize_device, streams.err);
    } else {
      device.set_divisor(handle, 1);
      try {
        status = play(settings, svf.get(), device, handle, streams);
      } catch (const std::bad_alloc&) {
        // A value too large to hold cannot be played; end the run like any
        // other statement that cannot be, with everything released.
        std::fputs(messages::parse_error, streams.err);
        status = exit_failed;
      }
    }
  }  // the device is released first, then the file
  svf.reset();
  std::fflush(streams.err);
  return status;
}

}  // namespace tapwright
