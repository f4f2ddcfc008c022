#include "tests/win32/received_lines.h"

#include <algorithm>
#include <mutex>

#include "link/frame_codec.h"
#include "link/serial_link_win32.h"
#include "link/port_service.h"
#include "link/storage_service.h"
#include "link/user_service.h"
#include "model/window_service.h"
#include "tests/unit/test_monitor.h"

std::atomic<void (*)()> gOnChunk{nullptr};
std::atomic<void (*)(uint16_t value)> gOnLine{nullptr};

namespace {

std::mutex gMutex;
ReceivedSummary gSummary;           // guarded by gMutex
uint8_t gLine[kMaxLineLength + 1];  // reader thread only
int gLineLength = 0;                // reader thread only

// Gathers bytes into a line as the interpreter does (at most 7 kept) and judges it at CR.
void CloseLine() {
    gLine[gLineLength] = 0;
    const bool valid = LineIsValid(gLine);
    const uint16_t value = valid ? DecodeLine(gLine) : 0;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (!valid) {
            ++gSummary.invalidLines;
        } else {
            ++gSummary.validLines;
            if (gLineLength == 3) ++gSummary.codeFrames;
            if (gLineLength == 5) ++gSummary.wordFrames;
            gSummary.values.push_back(value);
        }
    }
    gLineLength = 0;
    if (auto onLine = gOnLine.load(); valid && onLine != nullptr) onLine(value);
}

void Collect(void*, const uint8_t* bytes, int32_t count) {
    {
        std::lock_guard<std::mutex> lock(gMutex);
        ++gSummary.chunks;
        gSummary.smallestChunk = gSummary.chunks == 1 ? count : std::min(gSummary.smallestChunk, count);
        gSummary.largestChunk = std::max(gSummary.largestChunk, count);
    }
    for (int32_t i = 0; i < count; ++i) {
        if (bytes[i] == 0x0D) {
            CloseLine();
        } else if (gLineLength < kMaxLineLength) {
            gLine[gLineLength++] = bytes[i];
        }
    }
    if (auto onChunk = gOnChunk.load(); onChunk != nullptr) onChunk();
}

}  // namespace

void StartCollecting() {
    // Called while no link is open: the reader thread does not run.
    std::lock_guard<std::mutex> lock(gMutex);
    gSummary = ReceivedSummary{};
    gLineLength = 0;
    TestLink().portService.receiveBytes = Collect;
}

ReceivedSummary CollectedSoFar() {
    std::lock_guard<std::mutex> lock(gMutex);
    return gSummary;
}
