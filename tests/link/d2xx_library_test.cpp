#include "link/d2xx_library.hpp"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "fake_d2xx.h"

namespace tapwright {
namespace {

// The stand-in's record, found in the copy of it that the loader has loaded
// (RTLD_NOLOAD: null when the loader has not loaded it).
class FakeState {
 public:
  explicit FakeState(const char* path) : module_(dlopen(path, RTLD_NOW | RTLD_NOLOAD)) {
    if (!module_) return;
    auto get = reinterpret_cast<FakeD2xxStateFn>(dlsym(module_, "fake_d2xx_state"));
    if (get) state_ = get();
  }
  ~FakeState() {
    if (module_) dlclose(module_);
  }
  FakeState(const FakeState&) = delete;
  FakeState& operator=(const FakeState&) = delete;
  FakeD2xxState* operator->() const { return state_; }
  explicit operator bool() const { return state_ != nullptr; }

 private:
  void* module_;
  FakeD2xxState* state_ = nullptr;
};

TEST(D2xxLibrary, OperationsReachTheLibraryWithTheirArguments) {
  D2xxLibrary library(FAKE_D2XX_PATH);
  ASSERT_EQ(library.load(), 1);
  FakeState fake(FAKE_D2XX_PATH);
  ASSERT_TRUE(fake) << "the loader did not load the library at the given path";

  DeviceHandle handle = nullptr;
  ASSERT_EQ(library.open(0, &handle), device_ok);
  EXPECT_EQ(fake->open_calls, 1);
  EXPECT_EQ(fake->open_index, 0);
  EXPECT_EQ(handle, fake->handle_given);

  EXPECT_EQ(library.set_bit_mode(handle, direction_mask, mode_sync_bitbang), device_ok);
  EXPECT_EQ(fake->mask, 7);
  EXPECT_EQ(fake->mode, 4);
  EXPECT_EQ(fake->handle_seen, handle);

  EXPECT_EQ(library.set_divisor(handle, 1), device_ok);
  EXPECT_EQ(fake->divisor, 1);

  const std::array<std::uint8_t, 6> out = {0x02, 0x06, 0x01, 0x05, 0x00, 0x04};
  std::uint32_t written = 99;
  fake->handle_seen = nullptr;
  library.write(handle, out.data(), 6, &written);
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(fake->asked, 6u);
  EXPECT_EQ(fake->handle_seen, handle);
  EXPECT_EQ(std::vector<std::uint8_t>(fake->written, fake->written + fake->written_len),
            std::vector<std::uint8_t>(out.begin(), out.end()));

  // The count the library reports comes back as it is, short or not.
  fake->report_count = 5;
  library.write(handle, out.data(), 6, &written);
  EXPECT_EQ(written, 5u);

  std::array<std::uint8_t, 4> in{};
  std::uint32_t got = 99;
  fake->report_count = -1;
  fake->handle_seen = nullptr;
  library.read(handle, in.data(), 4, &got);
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(fake->asked, 4u);
  EXPECT_EQ(fake->handle_seen, handle);
  EXPECT_EQ(in, (std::array<std::uint8_t, 4>{0xA0, 0xA1, 0xA2, 0xA3}));
  fake->report_count = 3;
  library.read(handle, in.data(), 4, &got);
  EXPECT_EQ(got, 3u);

  fake->handle_seen = nullptr;
  library.close(handle);
  EXPECT_EQ(fake->handle_seen, handle);

  EXPECT_EQ(fake->open_calls, 1);
  EXPECT_EQ(fake->set_bit_mode_calls, 1);
  EXPECT_EQ(fake->set_divisor_calls, 1);
  EXPECT_EQ(fake->write_calls, 2);
  EXPECT_EQ(fake->read_calls, 2);
  EXPECT_EQ(fake->close_calls, 1);
}

TEST(D2xxLibrary, OpenPassesTheLibrarysFailureOnAndKeepsTheHandle) {
  D2xxLibrary library(FAKE_D2XX_PATH);
  ASSERT_EQ(library.load(), 1);
  FakeState fake(FAKE_D2XX_PATH);
  ASSERT_TRUE(fake);
  fake->open_status = 2;
  auto* const untouched = reinterpret_cast<DeviceHandle>(0x1234);
  DeviceHandle handle = untouched;
  EXPECT_EQ(library.open(0, &handle), 2u);
  EXPECT_EQ(handle, untouched);
  fake->open_status = 0;
}

// Without the library or any one of its operations, open fails and every
// other operation reports failure and no bytes, without touching anything.
void expect_unusable(const char* path) {
  D2xxLibrary library(path);
  auto* const untouched = reinterpret_cast<DeviceHandle>(0x1234);
  DeviceHandle handle = untouched;
  EXPECT_NE(library.open(0, &handle), device_ok);
  EXPECT_EQ(handle, untouched);
  EXPECT_NE(library.open(0, &handle), device_ok) << "a second attempt fails the same way";
  std::array<std::uint8_t, 4> buffer{};
  std::uint32_t count = 99;
  EXPECT_NE(library.write(handle, buffer.data(), 4, &count), device_ok);
  EXPECT_EQ(count, 0u);
  count = 99;
  EXPECT_NE(library.read(handle, buffer.data(), 4, &count), device_ok);
  EXPECT_EQ(count, 0u);
  EXPECT_NE(library.set_bit_mode(handle, direction_mask, mode_async_bitbang), device_ok);
  EXPECT_NE(library.set_divisor(handle, 1), device_ok);
  EXPECT_NE(library.close(handle), device_ok);
}

TEST(D2xxLibrary, MissingLibraryMakesOpenFail) {
  expect_unusable("/nonexistent/tapwright/libftd2xx.so");
}

TEST(D2xxLibrary, MissingOperationMakesOpenFail) {
  struct Variant {
    const char* missing;
    const char* path;
  };
  const Variant variants[] = {
      {"FT_Open", FAKE_D2XX_WITHOUT_FT_Open_PATH},
      {"FT_Close", FAKE_D2XX_WITHOUT_FT_Close_PATH},
      {"FT_Read", FAKE_D2XX_WITHOUT_FT_Read_PATH},
      {"FT_Write", FAKE_D2XX_WITHOUT_FT_Write_PATH},
      {"FT_SetDivisor", FAKE_D2XX_WITHOUT_FT_SetDivisor_PATH},
      {"FT_SetBitMode", FAKE_D2XX_WITHOUT_FT_SetBitMode_PATH},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.missing);
    expect_unusable(v.path);
    FakeState fake(v.path);
    EXPECT_FALSE(fake) << "the library stays loaded after open failed";
  }
}

}  // namespace
}  // namespace tapwright
