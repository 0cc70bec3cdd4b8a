#include "driver/player.hpp"

#include <memory>
#include <new>
#include <string>

#include "driver/cable_session.hpp"
#include "driver/messages.hpp"
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
// one winning. "-h" ends the scan at once, and so does "--help": nobody can
// mean a file of that name.
Settings scan_arguments(int argc, const char* const* argv) {
  Settings settings;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-v") {
      settings.verbose = 1;
    } else if (arg == "-c") {
      settings.compare_mode = 1;
    } else if (arg == "-h" || arg == "--help") {
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

// Some paths open but cannot be read, a directory on Linux among them: the
// first read tells, before the device is touched. Its byte goes back for
// the tokenizer; an empty file is readable.
bool readable(std::FILE* file) {
  const int first = std::fgetc(file);
  if (first == EOF) return !std::ferror(file);
  return std::ungetc(first, file) == first;
}

// The summary of a run that was played and drained.
int summary(const Settings& settings, std::int64_t mismatches, const PlayerStreams& streams) {
  if (settings.compare_mode != 1) return exit_ok;
  if (mismatches > 0) {
    std::fprintf(streams.out, messages::mismatched, static_cast<long long>(mismatches));
    return exit_mismatched;
  }
  std::fputs(messages::all_matched, streams.out);
  return exit_ok;
}

// The run on the cable, with the message of the phase it failed in.
int play(const Settings& settings, std::FILE* svf, Device& device, const PlayerStreams& streams) {
  const CableRun run = run_on_cable(device, {settings.compare_mode}, [&](Tap& tap) {
    SvfTokenizer tokenizer(svf);
    SvfMasks masks;
    return svf_run_on(tokenizer, tap, settings.verbose, masks, streams.out);
  });
  switch (run.end) {
    case CablePhase::open:
      std::fputs(messages::cant_open_device, streams.err);
      return exit_failed;
    case CablePhase::configure:
      std::fputs(messages::cant_initialize_device, streams.err);
      return exit_failed;
    case CablePhase::play:
      std::fputs(messages::parse_error, streams.err);
      return exit_failed;
    case CablePhase::reset:
    case CablePhase::drain:
      // A drain that fails has lost the last block or left it uncompared:
      // the summary would claim more than was checked.
      std::fputs(messages::cant_write, streams.err);
      return exit_failed;
    case CablePhase::done:
      break;
  }
  return summary(settings, run.mismatches, streams);
}

}  // namespace

const char* player_svf_path(int argc, const char* const* argv) {
  const Settings settings = scan_arguments(argc, argv);
  return settings.help ? nullptr : settings.svf_path;
}

int run_player(int argc, const char* const* argv, Device& device, const PlayerStreams& streams) {
  const Settings settings = scan_arguments(argc, argv);
  if (settings.help) {
    const auto put = [&streams](std::string_view text) {
      if (!text.empty()) std::fwrite(text.data(), 1, text.size(), streams.out);
    };
    put(streams.usage_line.empty() ? messages::usage_line : streams.usage_line);
    put(messages::usage_options);
    put(streams.usage_tail);
    return exit_ok;
  }
  if (!settings.svf_path) {
    std::fputs(messages::no_svf_file, streams.err);
    return exit_failed;
  }
  // Binary mode: CR is a blank to the tokenizer anyway, and a text-mode
  // stream on Windows would end the file at the first Ctrl-Z byte.
  FilePtr svf(std::fopen(settings.svf_path, "rb"));
  if (!svf || !readable(svf.get())) {
    std::fprintf(streams.err, messages::cant_open_file, settings.svf_path);
    return exit_failed;
  }

  int status = exit_failed;
  try {
    status = play(settings, svf.get(), device, streams);
  } catch (const std::bad_alloc&) {
    // A value too large to hold cannot be played; end the run like any
    // other statement that cannot be, with everything released.
    std::fputs(messages::parse_error, streams.err);
    status = exit_failed;
  }
  // The device was released first, then the file.
  svf.reset();
  std::fflush(streams.err);
  return status;
}

}  // namespace tapwright
