// The loader of the vendor's library against stand-ins of that library:
// each operation reaches it with its arguments and brings back its answer,
// and without the library or any one of its operations every call fails.
#include "link/d2xx_library.hpp"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "fake_d2xx.h"

namespace tapwright {
namespace {

// The stand-in's record in the copy of it that the loader loaded; null when
// the loader holds none (RTLD_NOLOAD loads nothing).
FakeD2xx* loaded_fake(const char* path) {
  void* module = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (!module) return nullptr;
  auto get = reinterpret_cast<FakeD2xx* (*)()>(dlsym(module, "fake_d2xx"));
  dlclose(module);  // the loader's own reference keeps it loaded
  return get();
}

DeviceHandle const untouched = reinterpret_cast<DeviceHandle>(0x1234);

TEST(D2xxLibrary, EachOperationReachesTheLibraryAsCalled) {
  D2xxLibrary library(FAKE_D2XX_PATH);
  DeviceHandle handle = untouched;
  ASSERT_EQ(library.open(1, &handle), device_ok);
  FakeD2xx* fake = loaded_fake(FAKE_D2XX_PATH);
  ASSERT_NE(fake, nullptr) << "the loader did not load the library at the given path";
  EXPECT_EQ(library.set_bit_mode(handle, direction_mask, mode_sync_bitbang), device_ok);
  EXPECT_EQ(library.set_divisor(handle, 1), device_ok);
  // The counts the library reports come back as they are, short or not.
  const std::array<std::uint8_t, 3> out = {0x02, 0x06, 0x01};
  std::array<std::uint8_t, 4> in{};
  std::array<std::uint32_t, 4> counts{};
  for (int k = 0; k < 2; ++k) {
    fake->report_count = k ? 2 : -1;
    library.write(handle, out.data(), 3, &counts[2 * k]);
    library.read(handle, in.data(), 4, &counts[2 * k + 1]);
  }
  EXPECT_EQ(library.close(handle), device_ok);
  EXPECT_EQ(counts, (std::array<std::uint32_t, 4>{3, 4, 2, 2}));
  EXPECT_EQ(in, (std::array<std::uint8_t, 4>{0xA0, 0xA1, 0xA2, 0xA3}));
  // A refused open passes the library's status on and hands out no handle.
  fake->open_status = 2;
  handle = untouched;
  EXPECT_EQ(library.open(0, &handle), 2u);
  EXPECT_EQ(handle, untouched);
  EXPECT_STREQ(fake->log,
               "open 1;mode 1 7 4;divisor 1 1;write 1 020601;read 1 4;write 1 020601;read 1 4;"
               "close 1;open 0;");
  fake->open_status = 0;
  fake->report_count = -1;
}

// Every channel the vendor library lists, those of one chip on one device
// and without the letter the library appends; each opened by the serial it
// was listed with.
TEST(D2xxLibrary, ListsEachChannelAndOpensItAgainBySerial) {
  D2xxLibrary library(FAKE_D2XX_PATH);
  DeviceList listed;
  ASSERT_TRUE(library.list_channels(listed));
  std::string seen;
  for (const ListedChannel& c : listed) {
    seen += std::string(c.chip ? c.chip->name : "?") + " " + c.channel + " " + c.serial + " " +
            c.description + " " + std::to_string(c.device) + ";";
  }
  EXPECT_EQ(seen,
            "FT232R A A10KZP3Q FT232R USB UART 0;FT2232H A FT1234 Dual RS232-HS 1;FT2232H B "
            "FT1234 Dual RS232-HS 1;FT2232D A  Dual RS232 2;FT4232H A FT4444 Quad RS232-HS 3;");
  DeviceHandle handle = untouched;
  ASSERT_EQ(library.open_listed(listed.at(2), &handle), device_ok);
  EXPECT_EQ(library.failure(), "");
  ASSERT_EQ(library.open_listed(listed.at(3), &handle), device_ok);
  const std::string log = loaded_fake(FAKE_D2XX_PATH)->log;
  EXPECT_NE(log.find("openex serial FT1234B;openex location 49;"), std::string::npos) << log;
}

TEST(D2xxLibrary, WithoutTheLibraryOrAnyOfItsOperationsEveryCallFails) {
  for (const char* path : {"/nonexistent/tapwright/libftd2xx.so", FAKE_D2XX_WITHOUT_FT_Open_PATH,
                           FAKE_D2XX_WITHOUT_FT_Close_PATH, FAKE_D2XX_WITHOUT_FT_Read_PATH,
                           FAKE_D2XX_WITHOUT_FT_Write_PATH, FAKE_D2XX_WITHOUT_FT_SetDivisor_PATH,
                           FAKE_D2XX_WITHOUT_FT_SetBitMode_PATH}) {
    D2xxLibrary library(path);
    DeviceHandle handle = untouched;
    std::array<std::uint8_t, 4> buffer{};
    std::uint32_t written = 99, got = 99;
    // A second open fails the same way, and the library is not kept loaded.
    EXPECT_TRUE(library.open(0, &handle) && library.open(0, &handle) && !loaded_fake(path) &&
                library.write(handle, buffer.data(), 4, &written) &&
                library.read(handle, buffer.data(), 4, &got) &&
                library.set_bit_mode(handle, direction_mask, mode_async_bitbang) &&
                library.set_divisor(handle, 1) && library.close(handle))
        << path;
    EXPECT_EQ(handle, untouched) << path;
    EXPECT_EQ(written + got, 0u) << path;
  }
}

}  // namespace
}  // namespace tapwright
