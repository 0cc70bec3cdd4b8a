#include "sim/chip_model.hpp"

namespace tapwright::sim {

const ChipModel* find_chip_model(std::string_view name) {
  for (const ChipModel& model : chip_models) {
    if (model.name == name) return &model;
  }
  return nullptr;
}

}  // namespace tapwright::sim
