// The plant link's settings read from "ZAVIze.ini" in the working directory (beside
// "ZAVIze.cnf") with the system's profile functions.
#pragma once

#include <cstddef>

#include "plant/plant_settings.h"

// False with the link off and a message in `message` when a value is malformed; true otherwise
// (a missing file or section: the link off, no message).
[[nodiscard]] bool ReadPlantSettingsFile(PlantSettings& out, char* message, std::size_t messageSize);
