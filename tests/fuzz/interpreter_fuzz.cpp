// Random byte streams into the interpreter, in chunks of 1 to 64 bytes as the reader thread hands
// them over. After every chunk the model must be whole: indexes in range, the curve within its
// points, and statistics entries written only at the writeIndex of the active cut.
//
// Input: byte 0 chooses the chunk sizes (2 bits per chunk, repeating: 1, 3, 4 or 64 bytes); byte 1
// sets the scene: bit 0 DEBUG window open, bit 1 parameter table shown, bit 2 rings about to wrap,
// bit 3 rings that wrapped before. The rest is the stream.
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

// The statistics block is 1.6 MB: copying or comparing it whole for every input made the target
// spend almost all its time in memcpy/memcmp. The appends are tracked instead: the expected
// header, and the entries written so far (undone at the next scene). The whole block is compared
// with what the tracked appends explain on the first input and on every 64th after it, which
// catches a stray write within that many inputs.
struct Touched {
    int cut;
    uint16_t at;
};
constexpr int kMaxTouched = 8192;  // more appends than an input of max_len bytes can hold
Touched gTouched[kMaxTouched];
int gTouchedCount = 0;
uint16_t gExpectedIndexes[3][kCutCount];  // reserved, writeIndex, wrapMarker as they should be
CutStatistics gPristine;                  // zero entries: the block before any append
unsigned gRuns = 0;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "model invariant broken: %s\n", what);
    std::abort();
}

bool HeaderAsExpected() {
    return std::memcmp(gExpectedIndexes, &TestStatistics(), sizeof gExpectedIndexes) == 0;
}

// Called by the interpreter right after each append, under the statistics lock.
int32_t CheckAppend(void*) {
    const int cut = TestModel().ActiveCut;
    const uint16_t at = gExpectedIndexes[1][cut];
    const StatisticsEntry e = TestStatistics().entries[cut][at];
    if (e.peak > 105 || e.work > 100) Fail("entry within peak 0..105, work 0..100");
    if (TestStatistics().writeIndex[cut] != (at + 1) % kStatisticsEntries) Fail("writeIndex moved by one");
    if (gTouchedCount == kMaxTouched) Fail("fewer appends than bytes");
    gTouched[gTouchedCount++] = {cut, at};
    gExpectedIndexes[1][cut] = TestStatistics().writeIndex[cut];
    gExpectedIndexes[2][cut] = TestStatistics().wrapMarker[cut];
    if (!HeaderAsExpected()) Fail("statistics indexes changed only for the active cut");
    return 0;
}

// Every byte of the block is what the scene and the tracked appends explain.
void CheckWholeBlock() {
    for (int i = 0; i < gTouchedCount; ++i) {
        const Touched& t = gTouched[i];
        gPristine.entries[t.cut][t.at] = TestStatistics().entries[t.cut][t.at];
    }
    std::memcpy(&gPristine, gExpectedIndexes, sizeof gExpectedIndexes);
    if (std::memcmp(&gPristine, &TestStatistics(), sizeof TestStatistics()) != 0)
        Fail(
            "statistics changed only at the writeIndex of the active cut (this input or one of the 63 "
            "before)");
    for (int i = 0; i < gTouchedCount; ++i) gPristine.entries[gTouched[i].cut][gTouched[i].at] = {};
}

void CheckRegion(void*, Region r, bool) {
    const int i = static_cast<int>(r);
    if (i < 0 || i >= kRegionCount) Fail("a known region");
}

void CheckSnapshotRequest(void*) {
    // The UI thread may wait for the statistics lock; the reader must not hold it here.
    if (!TestStatisticsLock().try_lock()) Fail("snapshot requested outside the statistics lock");
    TestStatisticsLock().unlock();
}

void SetScene(uint8_t scene) {
    // Undo the previous input's appends instead of clearing 1.6 MB.
    for (int i = 0; i < gTouchedCount; ++i) TestStatistics().entries[gTouched[i].cut][gTouched[i].at] = {};
    gTouchedCount = 0;
    // The model at start, with the parameter defaults, computed once and copied for every input.
    static const UnitModel start = [] {
        ResetUnitModel(TestModel());
        WriteParameterDefaults(TestModel());
        return TestModel();
    }();
    TestModel() = start;
    ResetInterpreter(TestLink());
    PresetConfiguration(TestConfig());
    Store(TestLink().debugLog.debugFlag, scene & 1);
    TestConfig().DisplayMode = (scene & 2) ? 2 : 0;
    for (int cut = 0; cut < kCutCount; ++cut) {
        TestStatistics().reserved[cut] = 0;
        TestStatistics().writeIndex[cut] = (scene & 4) ? kStatisticsEntries - 3 : 0;
        TestStatistics().wrapMarker[cut] = (scene & 8) ? kStatisticsEntries - 2 : 0;
    }
    std::memcpy(gExpectedIndexes, &TestStatistics(), sizeof gExpectedIndexes);
    ResetServices();
    TestLink().windowService.invalidate = CheckRegion;
    TestLink().windowService.requestEndOfCycle = CheckSnapshotRequest;
    TestLink().storageService.saveStatistics = CheckAppend;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t chunks = data[0];
    SetScene(data[1]);
    size_t i = 2;
    int checkedPoints = 0;
    for (int k = 0; i < size; ++k) {
        constexpr size_t kChunkSizes[4] = {1, 3, 4, 64};
        size_t n = kChunkSizes[(chunks >> (2 * (k % 4))) & 3];
        if (n > size - i) n = size - i;
        InterpretBytes(TestLink(), data + i, static_cast<int32_t>(n));
        i += n;
        // Points completed since the last chunk; all of them after the curve was halved or begun anew.
        const int count = TestModel().curve.pointCount;
        if (const char* broken = BrokenModelInvariant(count >= checkedPoints ? checkedPoints - 1 : 0))
            Fail(broken);
        checkedPoints = count;
    }
    if (const char* broken = BrokenModelInvariant()) Fail(broken);
    if (!HeaderAsExpected()) Fail("statistics indexes changed only by appends");
    if (gRuns++ % 64 == 0) CheckWholeBlock();
    return 0;
}
