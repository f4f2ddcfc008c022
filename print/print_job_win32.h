// The three print jobs: one document of one page each, drawn in layout pixels that the page
// mapping stretches over the printable area. Each returns 0, or a non-zero number (the system's
// code of the failed step) when the page could not be printed; a document whose page failed is
// aborted, so no half job stays in the spooler. The caller deletes the device context.
#pragma once

#include <windows.h>

#include <cstdint>

// The upper part of the screen layout: the curve with its frame, without lamps.
[[nodiscard]] int32_t PrintActiveCut(HDC dc);
// The power (kind 0) or work (kind 1) statistics chart of the active cut.
[[nodiscard]] int32_t PrintStatistics(HDC dc, int kind);
// The parameters of all cuts and the common parameters, dated.
[[nodiscard]] int32_t PrintParameters(HDC dc);
