// A stand-in for the vendor's D2XX library, exporting by name the six
// operations the player loads and logging each call with its arguments.
// Built once whole and once without each operation in turn
// (FAKE_D2XX_WITHOUT_<name>). Counts are reported through 32-bit DWORDs, as
// the current Linux releases declare them.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "fake_d2xx.h"

#define FAKE_EXPORT __attribute__((visibility("default")))

typedef uint32_t DWORD;

static struct FakeD2xx fake = {.report_count = -1};

FAKE_EXPORT struct FakeD2xx* fake_d2xx(void) {
  return &fake;
}

// Appends to the log. A handle is logged as 1 when it is the one FT_Open
// handed out.
static void note(const char* format, ...) {
  const size_t used = strlen(fake.log);
  va_list args;
  va_start(args, format);
  vsnprintf(fake.log + used, sizeof fake.log - used, format, args);
  va_end(args);
}

#ifndef FAKE_D2XX_WITHOUT_FT_Open
FAKE_EXPORT DWORD FT_Open(int index, void** handle) {
  note("open %d;", index);
  if (fake.open_status == 0) *handle = &fake;
  return fake.open_status;
}
#endif

#ifndef FAKE_D2XX_WITHOUT_FT_Close
FAKE_EXPORT DWORD FT_Close(void* handle) {
  note("close %d;", handle == &fake);
  return 0;
}
#endif

#ifndef FAKE_D2XX_WITHOUT_FT_Read
FAKE_EXPORT DWORD FT_Read(void* handle, uint8_t* buffer, DWORD to_read, DWORD* got) {
  note("read %d %u;", handle == &fake, to_read);
  *got = fake.report_count < 0 ? to_read : (DWORD)fake.report_count;
  for (DWORD i = 0; i < *got && i < to_read; ++i) buffer[i] = (uint8_t)(0xA0 + i);
  return 0;
}
#endif

#ifndef FAKE_D2XX_WITHOUT_FT_Write
FAKE_EXPORT DWORD FT_Write(void* handle, uint8_t* buffer, DWORD to_write, DWORD* written) {
  note("write %d ", handle == &fake);
  for (DWORD i = 0; i < to_write; ++i) note("%02x", buffer[i]);
  note(";");
  *written = fake.report_count < 0 ? to_write : (DWORD)fake.report_count;
  return 0;
}
#endif

#ifndef FAKE_D2XX_WITHOUT_FT_SetDivisor
FAKE_EXPORT DWORD FT_SetDivisor(void* handle, unsigned short divisor) {
  note("divisor %d %u;", handle == &fake, divisor);
  return 0;
}
#endif

#ifndef FAKE_D2XX_WITHOUT_FT_SetBitMode
FAKE_EXPORT DWORD FT_SetBitMode(void* handle, unsigned char mask, unsigned char mode) {
  note("mode %d %u %u;", handle == &fake, mask, mode);
  return 0;
}
#endif

// The list of the devices attached: an FT232R, both channels of an FT2232H,
// each a device of its own whose serial ends in its letter, an FT2232D
// without a serial and channel A of an FT4232H.
static const struct {
  DWORD type, id, location;
  const char *serial, *description;
} attached[] = {{5, 0x04036001, 0x11, "A10KZP3Q", "FT232R USB UART"},
                {6, 0x04036010, 0x21, "FT1234A", "Dual RS232-HS A"},
                {6, 0x04036010, 0x22, "FT1234B", "Dual RS232-HS B"},
                {4, 0x04036010, 0x31, "", "Dual RS232 A"},
                {7, 0x04036011, 0x41, "FT4444A", "Quad RS232-HS A"}};

FAKE_EXPORT DWORD FT_CreateDeviceInfoList(DWORD* count) {
  *count = sizeof attached / sizeof attached[0];
  return 0;
}

FAKE_EXPORT DWORD FT_GetDeviceInfoDetail(DWORD i, DWORD* flags, DWORD* type, DWORD* id,
                                         DWORD* location, char* serial, char* description,
                                         void** handle) {
  *flags = 0;
  *type = attached[i].type;
  *id = attached[i].id;
  *location = attached[i].location;
  strcpy(serial, attached[i].serial);
  strcpy(description, attached[i].description);
  *handle = NULL;
  return 0;
}

// Opens by serial number (flag 1) or by location (flag 4).
FAKE_EXPORT DWORD FT_OpenEx(void* what, DWORD flags, void** handle) {
  if (flags == 1) note("openex serial %s;", (const char*)what);
  if (flags == 4) note("openex location %u;", (unsigned)(uintptr_t)what);
  *handle = &fake;
  return 0;
}
