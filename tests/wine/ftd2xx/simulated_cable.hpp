#pragma once
// The one simulated cable behind the test FTD2XX.dll. A library reached
// through plain C entry points has nowhere else to keep its device, so it
// lives as long as the DLL is loaded: created at the first call, it writes
// the byte stream it received to the file named by TAPWRIGHT_FTD2XX_CAPTURE
// when the DLL is unloaded.
#include "link/device.hpp"

namespace tapwright::wine_test {

inline constexpr const char* capture_variable = "TAPWRIGHT_FTD2XX_CAPTURE";

Device& simulated_cable();

}  // namespace tapwright::wine_test
