#include "driver/cable_choice.hpp"

#include <gtest/gtest.h>

#include "support/scripted_device.hpp"

namespace tapwright {
namespace {

class FakeBackEnd final : public CableBackEnd {
 public:
  explicit FakeBackEnd(int is_available) : is_available_(is_available) {}
  int available() override {
    ++asked;
    return is_available_;
  }
  Device& device() override { return device_; }
  int asked = 0;

 private:
  int is_available_;
  testing::ScriptedDevice device_;
};

TEST(CableChoice, PrefersTheVendorLibraryAndThenLibftdi) {
  struct Case {
    int vendor_loads;
    int libftdi_built;  // 0: the program has no libftdi1 back end
    int libftdi_available;
    const char* expected;
  };
  const Case cases[] = {
      {1, 1, 1, "vendor"},
      {0, 1, 1, "libftdi"},
      {1, 0, 0, "vendor"},
      // Nothing usable: the vendor library, whose open then fails.
      {0, 0, 0, "vendor"},
      {0, 1, 0, "vendor"},
  };
  for (const Case& c : cases) {
    FakeBackEnd vendor(c.vendor_loads);
    FakeBackEnd libftdi(c.libftdi_available);
    Device& chosen = choose_cable(vendor, c.libftdi_built ? &libftdi : nullptr);
    Device& expected =
        std::string_view(c.expected) == "vendor" ? vendor.device() : libftdi.device();
    EXPECT_EQ(&chosen, &expected) << "vendor " << c.vendor_loads << ", libftdi built "
                                  << c.libftdi_built << " available " << c.libftdi_available;
    EXPECT_EQ(vendor.asked, 1);
  }
}

TEST(CableChoice, DoesNotAskLibftdiWhenTheVendorLibraryLoads) {
  FakeBackEnd vendor(1);
  FakeBackEnd libftdi(1);
  choose_cable(vendor, &libftdi);
  EXPECT_EQ(libftdi.asked, 0);
}

}  // namespace
}  // namespace tapwright
