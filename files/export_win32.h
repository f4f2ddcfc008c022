// Menu File / Export / Power statistics and Work statistics: the save dialog, then the export.
#pragma once

#include <windows.h>

#include <cstdint>

#include "files/statistics_file.h"
#include "model/settings.h"

// kind 0 power, 1 work; cut 0..15. 0 on success or when the user cancelled, the dialog's error
// code, or a result of WriteStatisticsExport.
[[nodiscard]] int32_t ExportStatistics(HWND owner, StatisticsFileState& files, StatisticsKind kind, int cut);
