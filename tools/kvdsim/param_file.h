// Reads a parameter-set file (.kvd, tab-separated) into the unit's parameters: five labelled
// lines (unit ID, average, Po samples, debounce as displayed, range), a header row, then 18 rows
// of 16 cells in the word order of a cut record. Labels may be in any language: only their
// position counts. Every value must lie in its parameter's range.
#pragma once

#include <string>

#include "unit_parameters.h"

namespace kvdsim {

// On failure returns false, leaves params as they were and says what is wrong in error
// ("line 9 cell 4: ...").
bool ParseParameterText(const std::string& text, UnitParameters& params, std::string& error);
bool LoadParameterFile(const std::string& path, UnitParameters& params, std::string& error);

}  // namespace kvdsim
