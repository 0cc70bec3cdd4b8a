#pragma once
// The player's own texts: the usage text, one message per way a run can end
// early, and the two summary lines of a compare run.
namespace tapwright::messages {

// The usage text is its first line, then the option lines; a front end
// may put its own line first.
inline constexpr const char* usage_line = "tapwright svf_file [options]\n";
inline constexpr const char* usage_options =
    " options:\n"
    "   -c compare TDO outputs to the expected values\n"
    "   -v verbose\n"
    "   -h help\n";

inline constexpr const char* no_svf_file = "speciry SVF file\n";
inline constexpr const char* cant_open_file = "can't open %s\n";
inline constexpr const char* cant_open_device = "can't open USB device\n";
inline constexpr const char* cant_initialize_device = "can't initialize USB device\n";
inline constexpr const char* cant_write = "can't write to USB\n";
inline constexpr const char* parse_error = "parse error\n";
inline constexpr const char* mismatched =
    "\n   <<< %lld TDO outputs didn't match to the expected values... >>>\n\n";
inline constexpr const char* all_matched =
    "\n   <<< All TDO outputs matched to the expected values! >>>\n\n";

}  // namespace tapwright::messages
