// Menu File / Save / Save statistics and File / Load / Load statistics: the file dialog, then
// the file operation; the chosen file becomes the statistics file in use.
#pragma once

#include <windows.h>

#include <cstdint>

// 0 (also when the user cancelled), the dialog's error code, or a result of SaveStatisticsFile.
[[nodiscard]] int32_t SaveStatisticsAs(HWND owner);
// 0, 30006 when the user cancelled, the dialog's error code, or a result of LoadStatisticsFile
// (the file in use stays as it was on any failure).
[[nodiscard]] int32_t LoadStatisticsFrom(HWND owner);
