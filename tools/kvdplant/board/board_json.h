// The board's machines as the JSON the page reads.
#pragma once

#include <nlohmann/json.hpp>
#include <vector>

#include "board_model.h"

namespace kvdboard {

nlohmann::json MachineJson(const MachineView& v);
nlohmann::json MachinesJson(const std::vector<MachineView>& machines, int64_t nowMs);

}  // namespace kvdboard
