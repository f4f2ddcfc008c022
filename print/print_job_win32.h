// The three print jobs: one document of one page each, drawn in layout pixels that the page
// mapping stretches over the printable area. Each returns 0, or a non-zero number (the system's
// code of the failed step) when the page could not be printed; a document whose page failed is
// aborted, so no half job stays in the spooler. The caller deletes the device context.
#pragma once

#include <windows.h>

#include <cstdint>

#include "model/model.h"
#include "model/settings.h"
#include "print/print_calls_win32.h"
#include "view/drawing_resources_win32.h"

// What a print job is handed: the calls that frame it, the screen's drawing set (its pens and
// brushes, and the fonts the page's own are made like), the unit's model and statistics block it
// prints from and the statistics file in use (named on the statistics page). All outlive the job.
struct PrintInputs {
    const PrintCalls& calls;
    const DrawingResources& screen;
    const UnitModel& model;
    const CutStatistics& statistics;
    const char* statisticsFile;
};

// The upper part of the screen layout: the curve with its frame, without lamps.
[[nodiscard]] int32_t PrintActiveCut(HDC dc, const PrintInputs& inputs);
// The power (kind 0) or work (kind 1) statistics chart of the active cut.
[[nodiscard]] int32_t PrintStatistics(HDC dc, StatisticsKind kind, const PrintInputs& inputs);
// The parameters of all cuts and the common parameters, dated.
[[nodiscard]] int32_t PrintParameters(HDC dc, const PrintInputs& inputs);
