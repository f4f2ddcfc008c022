// The board's machines as the JSON the page reads.
#pragma once

#include <nlohmann/json.hpp>
#include <vector>

#include "board_model.h"

namespace kvdboard {

nlohmann::json MachineJson(const MachineView& v);
// refused: the new machines the full board turned away (the page says so).
nlohmann::json MachinesJson(const std::vector<MachineView>& machines, int64_t nowMs, uint64_t refused);

}  // namespace kvdboard
