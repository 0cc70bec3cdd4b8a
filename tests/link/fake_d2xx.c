/* A stand-in for the vendor's D2XX library, exporting by name the six
   operations the player loads. Built once whole and once without each
   operation in turn (FAKE_D2XX_WITHOUT_<name>). Counts are reported through
   32-bit DWORDs, as the current Linux releases declare them. */
#include <string.h>

#include "fake_d2xx.h"

#define FAKE_EXPORT __attribute__((visibility("default")))

typedef uint32_t DWORD;
typedef uint32_t FT_STATUS;

static struct FakeD2xxState state = {.report_count = -1};

FAKE_EXPORT struct FakeD2xxState* fake_d2xx_state(void) {
  state.handle_given = &state;
  return &state;
}

static DWORD reported(DWORD asked) {
  return state.report_count < 0 ? asked : (DWORD)state.report_count;
}

#ifndef FAKE_D2XX_WITHOUT_FT_Open
FAKE_EXPORT FT_STATUS FT_Open(int index, void** handle) {
  ++state.open_calls;
  state.open_index = index;
  if (state.open_status == 0) *handle = fake_d2xx_state();
  return state.open_status;
}
#endif

#ifndef FAKE_D2XX_WITHOUT_FT_Close
FAKE_EXPORT FT_STATUS FT_Close(void* handle) {
  ++state.close_calls;
  state.handle_seen = handle;
  return 0;
}
#endif

#ifndef FAKE_D2XX_WITHOUT_FT_Read
FAKE_EXPORT FT_STATUS FT_Read(void* handle, void* buffer, DWORD to_read, DWORD* got) {
  ++state.read_calls;
  state.handle_seen = handle;
  state.asked = to_read;
  *got = reported(to_read);
  for (DWORD i = 0; i < *got && i < to_read; ++i) ((uint8_t*)buffer)[i] = (uint8_t)(0xA0 + i);
  return 0;
}
#endif

#ifndef FAKE_D2XX_WITHOUT_FT_Write
FAKE_EXPORT FT_STATUS FT_Write(void* handle, void* buffer, DWORD to_write, DWORD* written) {
  ++state.write_calls;
  state.handle_seen = handle;
  state.asked = to_write;
  state.written_len = to_write < sizeof state.written ? to_write : sizeof state.written;
  memcpy(state.written, buffer, state.written_len);
  *written = reported(to_write);
  return 0;
}
#endif

#ifndef FAKE_D2XX_WITHOUT_FT_SetDivisor
FAKE_EXPORT FT_STATUS FT_SetDivisor(void* handle, unsigned short divisor) {
  ++state.set_divisor_calls;
  state.handle_seen = handle;
  state.divisor = divisor;
  return 0;
}
#endif

#ifndef FAKE_D2XX_WITHOUT_FT_SetBitMode
FAKE_EXPORT FT_STATUS FT_SetBitMode(void* handle, unsigned char mask, unsigned char mode) {
  ++state.set_bit_mode_calls;
  state.handle_seen = handle;
  state.mask = mask;
  state.mode = mode;
  return 0;
}
#endif
