#pragma once
// The commands of FTDI's MPSSE engine that JTAG uses, and its pins. The
// data-shifting opcodes are built from bits: 0x01 write on the falling
// edge, 0x02 bit mode (else bytes), 0x04 read on the falling edge (else
// rising), 0x08 LSB first, 0x10 write TDI, 0x20 read TDO, 0x40 write TMS.
// JTAG wants TDI changed on the falling edge and TDO sampled on the rising
// edge, least significant bit first.
#include <cstdint>

namespace tapwright::mpsse {

inline constexpr std::uint8_t write_bytes = 0x19;       // LEN_L LEN_H data: 8·(LEN+1) clocks
inline constexpr std::uint8_t write_bits = 0x1B;        // LEN data: LEN+1 clocks (1-8)
inline constexpr std::uint8_t read_write_bytes = 0x39;  // a byte back per data byte
inline constexpr std::uint8_t read_write_bits = 0x3B;   // one byte back, bits at its top
inline constexpr std::uint8_t write_tms = 0x4B;         // LEN data: TMS bits 0..LEN, TDI bit 7
inline constexpr std::uint8_t read_write_tms = 0x6B;    // one byte back, bits at its top
inline constexpr std::uint8_t set_low = 0x80;           // VALUE DIR of xDBUS0-7
inline constexpr std::uint8_t read_low = 0x81;          // one byte back
inline constexpr std::uint8_t set_high = 0x82;          // VALUE DIR of xCBUS0-7
inline constexpr std::uint8_t read_high = 0x83;
inline constexpr std::uint8_t loopback_on = 0x84;
inline constexpr std::uint8_t loopback_off = 0x85;
inline constexpr std::uint8_t set_divisor = 0x86;  // DIV_L DIV_H: base / (2 · (1 + DIV))
inline constexpr std::uint8_t send_immediate = 0x87;
inline constexpr std::uint8_t divide_by_5_off = 0x8A;  // the H chips: 60 MHz base
inline constexpr std::uint8_t divide_by_5_on = 0x8B;   // 12 MHz base
inline constexpr std::uint8_t three_phase_on = 0x8C;
inline constexpr std::uint8_t three_phase_off = 0x8D;
inline constexpr std::uint8_t clock_bits = 0x8E;   // LEN: LEN+1 clocks (1-8), no data
inline constexpr std::uint8_t clock_bytes = 0x8F;  // LEN_L LEN_H: 8·(LEN+1) clocks, no data
inline constexpr std::uint8_t adaptive_on = 0x96;
inline constexpr std::uint8_t adaptive_off = 0x97;
// What the engine answers to a command it does not know, followed by it.
inline constexpr std::uint8_t bad_command_answer = 0xFA;
// Commands no chip knows, sent to find where the answers of this session
// begin.
inline constexpr std::uint8_t sync_probe = 0xAA;
inline constexpr std::uint8_t sync_probe_2 = 0xAB;

// The JTAG pins on the low byte.
inline constexpr std::uint8_t pin_tck = 0x01;
inline constexpr std::uint8_t pin_tdi = 0x02;
inline constexpr std::uint8_t pin_tdo = 0x04;
inline constexpr std::uint8_t pin_tms = 0x08;

// The longest data run of one command, in bytes, and of a TMS command, in
// clocks.
inline constexpr int max_command_bytes = 65536;
inline constexpr int max_tms_clocks = 7;

}  // namespace tapwright::mpsse
