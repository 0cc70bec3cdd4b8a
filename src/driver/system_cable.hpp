#pragma once
// The real cable, as a player reaches it: the vendor's library when it
// loads, else libftdi1 where the program is built with it.
#include <memory>

#include "link/device.hpp"

namespace tapwright {

class SystemCable {
 public:
  SystemCable();
  ~SystemCable();
  SystemCable(const SystemCable&) = delete;
  SystemCable& operator=(const SystemCable&) = delete;

  // Chosen on first use; the same device afterwards.
  Device& device();

 private:
  struct BackEnds;
  std::unique_ptr<BackEnds> back_ends_;
  Device* chosen_ = nullptr;
};

}  // namespace tapwright
