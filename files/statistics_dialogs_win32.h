// Menu File / Save / Save statistics and File / Load / Load statistics: the file dialog, then
// the file operation; the chosen file becomes the statistics file in use.
#pragma once

#include <windows.h>

#include <cstdint>

#include "files/statistics_file.h"

// 0 (also when the user cancelled), the dialog's error code, or a result of SaveStatisticsFile.
// *configuration: the result of recording the new file in use in the configuration file.
[[nodiscard]] int32_t SaveStatisticsAs(HWND owner, StatisticsFileState& files,
                                       int32_t* configuration = nullptr);
// 0, 30006 when the user cancelled, the dialog's error code, or a result of LoadStatisticsFile
// (the file in use stays as it was on any failure). *configuration as above.
[[nodiscard]] int32_t LoadStatisticsFrom(HWND owner, StatisticsFileState& files,
                                         int32_t* configuration = nullptr);
