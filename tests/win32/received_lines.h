// A consumer for the reader thread's chunks in the link tests: assembles lines at CR as the
// message interpreter does, and checks and decodes them with the frame codec.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>
#include "link/port_service.h"
#include "link/storage_service.h"
#include "link/user_service.h"
#include "model/window_service.h"
#include "tests/unit/test_monitor.h"

struct ReceivedSummary {
    int chunks = 0;
    int smallestChunk = 0;
    int largestChunk = 0;
    int validLines = 0;
    int invalidLines = 0;
    int codeFrames = 0;            // valid lines of 3 bytes
    int wordFrames = 0;            // valid lines of 5 bytes
    std::vector<uint16_t> values;  // decoded values of the valid lines, in order
};

// Clears what was collected and points TestLink().portService.receiveBytes at the collector.
void StartCollecting();
ReceivedSummary CollectedSoFar();
// Polls CollectedSoFar until done(summary) holds or the time is up; returns the last summary.
template <class Done>
ReceivedSummary WaitForReceived(Done done, int milliseconds);

// Run on the reader thread: after every chunk, and after every valid line with its value.
extern std::atomic<void (*)()> gOnChunk;
extern std::atomic<void (*)(uint16_t value)> gOnLine;

template <class Done>
ReceivedSummary WaitForReceived(Done done, int milliseconds) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    ReceivedSummary summary = CollectedSoFar();
    while (!done(summary) && GetTickCount64() < end) {
        Sleep(10);
        summary = CollectedSoFar();
    }
    return summary;
}
