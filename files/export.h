// The spreadsheet export: one cut's power or work statistics as text, one number per line
// ("%d\n"), oldest cycle first. The file is named ".xls" so a spreadsheet opens it directly.
#pragma once

#include <cstdint>
#include <mutex>

#include "model/model.h"

// Result for a kind or cut the menu never asks for (nothing is written); the number the system
// uses for an invalid parameter.
constexpr int32_t kExportBadRequest = 87;

// Write the export of a cut (0..15) to path, replacing the file. 0, or the system error code of
// the create or of the first failed write. A failed export leaves a file that was there as it
// was: the lines go to a file beside it, which replaces it only once complete.
// The cut's indexes are taken once, at the start; entries appended meanwhile are not exported.
// The block's lock is held while the indexes are taken.
[[nodiscard]] int32_t WriteStatisticsExport(const CutStatistics& statistics, std::mutex& lock,
                                            const char* path, StatisticsKind kind, int cut);
