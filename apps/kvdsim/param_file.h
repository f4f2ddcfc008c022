// Starts the unit with the parameter set of a .kvd file, read by the monitor's own reader (so
// kvdsim accepts exactly the files the monitor accepts). Labels may be in any of the three
// languages: only the first, the same in all of them, is compared.
#pragma once

#include <string>

#include "unit_parameters.h"

namespace kvdsim {

// On failure returns false, leaves params as they were and says what is wrong in error.
// unitOptions is not in a parameter set and stays as it was.
bool LoadParameterFile(const std::string& path, UnitParameters& params, std::string& error);

}  // namespace kvdsim
