// Random byte streams into the interpreter, in the chunks of 1..4 bytes the reader thread hands
// it. After every chunk the model must be whole: indexes in range, the curve within its points,
// and statistics entries written only at the writeIndex of the active cut.
//
// Input: byte 0 chooses the chunk sizes (2 bits per chunk, repeating); byte 1 sets the scene:
// bit 0 DEBUG window open, bit 1 parameter table shown, bit 2 rings about to wrap, bit 3 rings
// that wrapped before. The rest is the stream.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "files/config.h"
#include "link/interpreter.h"
#include "model/model.h"
#include "services_reset.h"
#include "model_invariants.h"

namespace {

CutStatistics gExpected;  // the block as the appends so far should have left it

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "model invariant broken: %s\n", what);
    std::abort();
}

// Called by the interpreter right after each append, under the statistics lock.
void CheckAppend() {
    const int cut = gModel.ActiveCut;
    const uint16_t at = gExpected.writeIndex[cut];
    const StatisticsEntry e = gStatistics.entries[cut][at];
    if (e.peak > 105 || e.work > 100) Fail("entry within peak 0..105, work 0..100");
    if (gStatistics.writeIndex[cut] != (at + 1) % kStatisticsEntries) Fail("writeIndex moved by one");
    gExpected.entries[cut][at] = e;
    gExpected.writeIndex[cut] = gStatistics.writeIndex[cut];
    gExpected.wrapMarker[cut] = gStatistics.wrapMarker[cut];
    if (std::memcmp(&gExpected, &gStatistics, sizeof gStatistics) != 0)
        Fail("statistics changed only at the writeIndex of the active cut");
}

void CheckSnapshotRequest() {
    // The UI thread may wait for the statistics lock; the reader must not hold it here.
    if (!gStatisticsMutex.try_lock()) Fail("snapshot requested outside the statistics lock");
    gStatisticsMutex.unlock();
}

void CheckRegion(Region r, bool) {
    const int i = static_cast<int>(r);
    if (i < 0 || i >= kRegionCount) Fail("a known region");
}

void SetScene(uint8_t scene) {
    ResetModel();
    WriteParameterDefaults();
    ResetInterpreter();
    PresetConfiguration();
    Store(gDebugLog.debugFlag, scene & 1);
    gConfig.DisplayMode = (scene & 2) ? 2 : 0;
    for (int cut = 0; cut < kCutCount; ++cut) {
        if (scene & 4) gStatistics.writeIndex[cut] = kStatisticsEntries - 3;
        if (scene & 8) gStatistics.wrapMarker[cut] = kStatisticsEntries - 2;
    }
    std::memcpy(&gExpected, &gStatistics, sizeof gStatistics);
    ResetServices();
    gWindowService.invalidate = CheckRegion;
    gWindowService.requestEndOfCycle = CheckSnapshotRequest;
    gStorageService.saveStatistics = CheckAppend;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t chunks = data[0];
    SetScene(data[1]);
    size_t i = 2;
    for (int k = 0; i < size; ++k) {
        size_t n = 1 + ((chunks >> (2 * (k % 4))) & 3);
        if (n > size - i) n = size - i;
        InterpretBytes(data + i, static_cast<int32_t>(n));
        i += n;
        if (const char* broken = BrokenModelInvariant()) Fail(broken);
    }
    if (std::memcmp(&gExpected, &gStatistics, sizeof gStatistics) != 0)
        Fail("statistics changed only by appends");
    return 0;
}
