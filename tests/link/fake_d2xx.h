// What reached the stand-in for the vendor's D2XX library and what it is to
// answer: shared by the stand-in (C) and the loader's test (C++), which finds
// it through fake_d2xx() in the copy of the library the loader loaded.
#ifndef TAPWRIGHT_TESTS_FAKE_D2XX_H
#define TAPWRIGHT_TESTS_FAKE_D2XX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct FakeD2xx {
  char log[512];         // every call with its arguments, in order
  uint32_t open_status;  // what FT_Open returns
  int64_t report_count;  // the count a read or write reports; -1: the count asked
};

#ifdef __cplusplus
}
#endif

#endif
