// The makers and parts detection names. The parts of the vendor SVF files
// tapwright is tested on are here, their IR lengths those of the files'
// SIRs; where a file checks the IDCODE (under a mask that leaves out the
// version and, for CoolRunner-II, the package bits) the row is what it
// checks. The AG256 (a clone of the EPM240) is not: the IDCODE its files
// read through instruction 0x006, 0x00057620, lacks bit 0, so a chain holding
// it reads a BYPASS bit there after reset.
#include <array>

#include "jtag/idcode.hpp"

namespace tapwright {
namespace {

struct Maker {
  int bank;
  int code;
  std::string_view name;
};

constexpr std::array makers = {
    Maker{1, 0x01, "AMD"},
    Maker{1, 0x04, "Fujitsu"},
    Maker{1, 0x09, "Intel"},
    Maker{1, 0x0E, "Freescale (Motorola)"},
    Maker{1, 0x15, "NXP (Philips)"},
    Maker{1, 0x17, "Texas Instruments"},
    Maker{1, 0x1F, "Atmel"},
    Maker{1, 0x20, "STMicroelectronics"},
    Maker{1, 0x21, "Lattice Semiconductor"},
    Maker{1, 0x29, "Microchip Technology"},
    Maker{1, 0x34, "Cypress Semiconductor"},
    Maker{1, 0x41, "Infineon (Siemens)"},
    Maker{1, 0x49, "Xilinx"},
    Maker{1, 0x4E, "Samsung"},
    Maker{1, 0x65, "Analog Devices"},
    Maker{1, 0x6E, "Altera"},
    Maker{5, 0x3B, "ARM"},
    Maker{5, 0x72, "Tensilica"},
    Maker{9, 0x0D, "Gowin Semiconductor"},
    Maker{10, 0x09, "SiFive"},
};

constexpr std::uint32_t no_version = 0x0FFFFFFF;
// CoolRunner-II IDCODEs carry the package in bits 14-12 as well.
constexpr std::uint32_t no_version_or_package = 0x0FFF8FFF;

constexpr std::array parts = {
    // Xilinx
    KnownPart{0x09602093, no_version, 8, "XC9536XL"},
    KnownPart{0x09604093, no_version, 8, "XC9572XL"},
    KnownPart{0x09608093, no_version, 8, "XC95144XL"},
    KnownPart{0x09616093, no_version, 8, "XC95288XL"},
    KnownPart{0x06E18093, no_version_or_package, 8, "XC2C32A"},
    KnownPart{0x06E58093, no_version_or_package, 8, "XC2C64A"},
    KnownPart{0x04001093, no_version, 6, "XC6SLX9"},
    KnownPart{0x04002093, no_version, 6, "XC6SLX16"},
    KnownPart{0x04008093, no_version, 6, "XC6SLX45"},
    KnownPart{0x0362D093, no_version, 6, "XC7A35T"},
    KnownPart{0x03631093, no_version, 6, "XC7A100T"},
    KnownPart{0x03722093, no_version, 6, "XC7Z010"},
    KnownPart{0x03727093, no_version, 6, "XC7Z020"},
    // Altera
    KnownPart{0x020A10DD, no_version, 10, "EPM240"},
    KnownPart{0x020A20DD, no_version, 10, "EPM570"},
    KnownPart{0x020A30DD, no_version, 10, "EPM1270"},
    KnownPart{0x020A40DD, no_version, 10, "EPM2210"},
    KnownPart{0x020A50DD, no_version, 10, "5M40Z, 5M80Z, 5M160Z or 5M240Z"},
    KnownPart{0x020F10DD, no_version, 10, "EP4CE6 or EP4CE10"},
    KnownPart{0x020F20DD, no_version, 10, "EP4CE15"},
    KnownPart{0x020F30DD, no_version, 10, "EP4CE22"},
    KnownPart{0x020F40DD, no_version, 10, "EP4CE30 or EP4CE40"},
    KnownPart{0x020F50DD, no_version, 10, "EP4CE55"},
    KnownPart{0x020F60DD, no_version, 10, "EP4CE75"},
    KnownPart{0x020F70DD, no_version, 10, "EP4CE115"},
    // Atmel
    KnownPart{0x0150203F, no_version, 10, "ATF1502AS"},
    KnownPart{0x0150403F, no_version, 10, "ATF1504AS"},
    KnownPart{0x0150803F, no_version, 10, "ATF1508AS"},
    // Lattice: ECP5 parts differ in the version bits too.
    KnownPart{0x21111043, 0xFFFFFFFF, 8, "LFE5U-12F"},
    KnownPart{0x41111043, 0xFFFFFFFF, 8, "LFE5U-25F"},
    KnownPart{0x41112043, 0xFFFFFFFF, 8, "LFE5U-45F"},
    KnownPart{0x41113043, 0xFFFFFFFF, 8, "LFE5U-85F"},
    KnownPart{0x012B9043, no_version, 8, "LCMXO2-640HC"},
    // Processors
    KnownPart{0x0BA00477, no_version, 4, "ARM JTAG debug port"},
    KnownPart{0x06410041, no_version, 5, "STM32F1 (medium density) boundary scan"},
    KnownPart{0x06413041, no_version, 5, "STM32F4 boundary scan"},
    KnownPart{0x120034E5, 0xFFFFFFFF, 5, "ESP32"},
};

}  // namespace

std::string_view jep106_maker(int bank, int code) {
  for (const Maker& m : makers) {
    if (m.bank == bank && m.code == code) return m.name;
  }
  return {};
}

const KnownPart* find_known_part(std::uint32_t idcode) {
  for (const KnownPart& p : parts) {
    if (((idcode ^ p.idcode) & p.mask) == 0) return &p;
  }
  return nullptr;
}

}  // namespace tapwright
