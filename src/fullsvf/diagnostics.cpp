#include "fullsvf/diagnostics.hpp"

namespace tapwright::fullsvf {

std::string quoted(std::string_view text) {
  constexpr std::size_t shown = 40;
  static const char hex[] = "0123456789abcdef";
  std::string out = "'";
  for (std::size_t i = 0; i < text.size() && i < shown; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c > 0x7e) {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  if (text.size() > shown) out += "...";
  out += '\'';
  return out;
}

}  // namespace tapwright::fullsvf
