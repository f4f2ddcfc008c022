// What the debug window shows of the DebugLog: the lines the interpreter logged since the last
// paint, bottom-aligned, the newest at the bottom.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "link/interpreter.h"
#include "plant/publisher.h"

struct DebugLogReader {
    int readIndex;     // next log line to show, 0..49
    int visibleLines;  // client height / line height
    bool running;      // a left click pauses the display (not the logging)
};

void StartDebugLogReader(DebugLogReader& reader, const DebugLog& log, int visibleLines);
// For every new line: draw the lines before it and the new line itself, each with its row counted
// upward from the bottom of the window (0: the new line). Does nothing while the reader is paused.
void ShowNewDebugLines(DebugLogReader& reader, const DebugLog& log,
                       const std::function<void(int rowsAboveBottom, const char* text)>& draw);

// What the monitor passed over since the start: failed journal writes, journal lines waiting to be
// written and lines lost past the wait's bound, cycle ends that ended no cycle.
struct PassedOver {
    uint32_t failedWrites, linesWaiting, linesLost, ignoredCycleEnds;
    bool operator==(const PassedOver&) const = default;
};
// The debug window's caption for them.
void JournalStatusText(const PassedOver& p, char* out, std::size_t size);

// The plant link's line of the caption: "Plant link: off", "Plant link: connected, 0 cycles
// waiting", "Plant link: connecting, 12 cycles waiting (connection refused)".
void PlantLinkStatusText(const PlantLinkStatus& link, char* out, std::size_t size);
