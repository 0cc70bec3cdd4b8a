#pragma once
// The fields of a 32-bit IEEE 1149.1 IDCODE, and the names of the makers
// and parts that chains commonly hold.
#include <cstdint>
#include <optional>
#include <string_view>

namespace tapwright {

// Bit 0 is always 1 in an IDCODE; bits 11-1 are the maker's JEP106 code:
// bits 11-8 count the continuation codes (0x7F) before it, so the code
// belongs to bank count + 1, and bits 7-1 are the code without its parity.
struct IdcodeFields {
  int version = 0;      // bits 31-28
  int part = 0;         // bits 27-12
  int jep106_bank = 0;  // bits 11-8 plus one: banks are numbered from 1
  int jep106_code = 0;  // bits 7-1
};

constexpr IdcodeFields idcode_fields(std::uint32_t idcode) {
  return {static_cast<int>(idcode >> 28), static_cast<int>((idcode >> 12) & 0xFFFFu),
          static_cast<int>((idcode >> 8) & 0xFu) + 1, static_cast<int>((idcode >> 1) & 0x7Fu)};
}

// The maker's name, or empty for a maker not in the table.
std::string_view jep106_maker(int bank, int code);

// A part whose instruction register length is known.
struct KnownPart {
  int ir_length = 0;
  std::string_view name;
};

// The part `idcode` belongs to, if it is a known one.
std::optional<KnownPart> find_known_part(std::uint32_t idcode);

}  // namespace tapwright
