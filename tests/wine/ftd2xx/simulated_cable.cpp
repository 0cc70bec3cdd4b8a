#include "simulated_cable.hpp"

#include <cstdlib>
#include <string>

#include "sim/sim_device.hpp"

namespace tapwright::wine_test {

namespace {

// The default chain, the written byte stream going to the file the test
// names. Should that file not be creatable, the cable records nothing and
// the test finds the capture missing.
class SimulatedCable {
 public:
  SimulatedCable() {
    sim::SimOptions options;
    if (const char* path = std::getenv(capture_variable)) options.capture_out = path;
    std::string error;
    device_.configure(options, error);
  }
  ~SimulatedCable() { device_.finish(); }
  SimulatedCable(const SimulatedCable&) = delete;
  SimulatedCable& operator=(const SimulatedCable&) = delete;

  Device& device() { return device_; }

 private:
  sim::SimDevice device_;
};

}  // namespace

Device& simulated_cable() {
  // Destroyed when the DLL is unloaded, which writes the capture out.
  static SimulatedCable cable;
  return cable.device();
}

}  // namespace tapwright::wine_test
