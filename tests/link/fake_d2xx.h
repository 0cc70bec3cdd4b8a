/* What reached the stand-in for the vendor's D2XX library: shared by the
   stand-in (C) and the loader test (C++), which finds it through
   fake_d2xx_state() in the loaded library. */
#ifndef TAPWRIGHT_TESTS_FAKE_D2XX_H
#define TAPWRIGHT_TESTS_FAKE_D2XX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct FakeD2xxState {
  /* Calls per operation. */
  int open_calls, close_calls, read_calls, write_calls, set_divisor_calls, set_bit_mode_calls;
  /* Arguments of the latest call of each kind. */
  int open_index;
  void* handle_seen; /* handle argument of the latest call that takes one */
  uint16_t divisor;
  uint8_t mask, mode;
  uint32_t asked; /* byte count asked by the latest read or write */
  uint8_t written[64];
  uint32_t written_len;
  /* Scripted answers. */
  uint32_t open_status;
  int64_t report_count; /* count a read or write reports; -1: the count asked */
  /* The handle FT_Open hands out. */
  void* handle_given;
};

typedef struct FakeD2xxState* (*FakeD2xxStateFn)(void);

#ifdef __cplusplus
}
#endif

#endif
