// The reader thread runs the interpreter while the UI thread paints from the model, runs the
// timer and uses the statistics menu. Run under ThreadSanitizer (tsan preset) this shows that
// they share the model without a data race; natively it checks that nothing is lost.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <thread>

#include "files/config.h"
#include "files/export.h"
#include "files/statistics_file.h"
#include "interpreter_support.h"
#include "model_invariants.h"
#include "temp_dir.h"
#include "services_reset.h"

namespace {

std::atomic<int> gSaves;
std::atomic<int> gSnapshots;
// The end-of-cycle request waits until the UI thread has handled it, as the real one does.
std::atomic<bool> gSnapshotRequested;

void RequestSnapshotAndWait(void*) {
    gSnapshotRequested = true;
    while (gSnapshotRequested) std::this_thread::yield();
}

// Cycles of four cuts, with alarms, counters, reports and one long cycle that compresses.
std::vector<uint8_t> UnitStream(int cycles) {
    std::vector<uint8_t> s;
    auto add = [&](uint16_t v) {
        const auto f = FrameOf(v);
        s.insert(s.end(), f.begin(), f.end());
    };
    for (int k = 0; k < cycles; ++k) {
        const int cut = k % 4;
        add(static_cast<uint16_t>(220 + cut));
        add(12);
        add(201);
        for (int i = 0; i < 3; ++i) add(20);
        add(201);
        const int samples = k == cycles / 2 ? 700 : 40;
        for (int i = 0; i < samples; ++i) add(static_cast<uint16_t>(30 + (i * 7 + k) % 70));
        if (k % 5 == 0) add(202);
        if (k % 7 == 0) add(207);
        if (k % 11 == 0) add(205);
        if (k % 13 == 0) add(211);
        if (k % 17 == 0) add(206);
        add(Report(cut, 383, k % 100));
        add(Report(cut, 1880, 50 + k % 50));
        add(Report(0, 2133, k % 256));
        add(200);
    }
    return s;
}

// What the views, the timer and the DEBUG window read, the way they read it.
int64_t ReadLikeTheViews() {
    int64_t seen = 0;
    const LiveCurve& c = TestModel().curve;
    int32_t count = Load(c.pointCount);
    if (count > kCurvePoints) count = kCurvePoints;
    for (int32_t i = 0; i < count; ++i)
        seen +=
            Load(c.points[i].value) + Load(c.points[i].state) + Load(c.points[i].po) + Load(c.points[i].slot);
    const int32_t slot = Load(c.CycleSlot);
    if (slot >= 0 && slot < kCycleSlots) seen += Load(c.CycleStart[slot]);
    seen += Load(c.samplesPerPoint) + Load(c.taWindowEnd) + Load(c.twWindowEnd) + Load(c.compressing);
    const CycleStateRecord& s = TestModel().cycle;
    seen += Load(s.CycleState) + Load(s.po) + Load(s.peak) + Load(s.workSum) + Load(s.poPoints);
    const int cut = Load(TestModel().ActiveCut);
    for (int w = 0; w < kCutWordCount; ++w)
        seen += CutWordValue(TestModel().activeCutParameters, w) +
                CutWordValue(TestModel().cutParameters[cut], w);
    for (int w = 0; w < kCommonWordCount; ++w) seen += CommonWordValue(TestModel().common, w);
    const AlarmState& a = TestModel().alarms;
    seen += Load(a.AlarmBits) + Load(a.Err1Flag) + Load(a.BluntCounter[cut]) + Load(a.MissingCounter[cut]);
    // The statistics chart: the held entries of the active cut.
    const uint16_t writeIndex = Load(TestStatistics().writeIndex[cut]);
    const uint16_t wrapMarker = Load(TestStatistics().wrapMarker[cut]);
    const int held = HeldEntries(writeIndex, wrapMarker);
    for (int i = 0; i < held; ++i) {
        const StatisticsEntry& e = TestStatistics().entries[cut][(wrapMarker + i) % kStatisticsEntries];
        seen += Load(e.peak) + Load(e.work);
    }
    char line[kDebugLineSize];
    ReadDebugLine(TestLink().debugLog, Load(TestLink().debugLog.lineIndex), line);
    return seen + line[0];
}

// The timer and the watchdog write the few fields that are theirs.
void TimerTick() {
    ConnectionState& c = TestModel().connection;
    if (Load(c.SilenceTicks) < 10) Store(c.SilenceTicks, Load(c.SilenceTicks) + 1);
    const int32_t relays = Load(TestModel().alarms.RelaysDisabledTicks);
    if (relays > 0) Store(TestModel().alarms.RelaysDisabledTicks, relays - 1);
}

TEST(InterpreterThreads, ReaderThreadAndUiThreadShareTheModel) {
    TempWorkDir dir;
    ResetModel(TestModel(), TestStatistics());
    WriteParameterDefaults(TestModel());
    ResetInterpreter(TestLink());
    PresetConfiguration(TestConfig());
    gSaves = 0;
    gSnapshots = 0;
    gSnapshotRequested = false;
    ResetServices();
    TestLink().windowService.invalidate = [](void*, Region, bool) {};
    TestLink().storageService.saveStatistics = [](void*) {
        const int32_t r = SaveStatisticsInUse(TestFiles());
        ++gSaves;
        return r;
    };
    TestLink().windowService.requestEndOfCycle = RequestSnapshotAndWait;
    ASSERT_EQ(LoadStatisticsFile(TestFiles(), TestConfig().statisticsFileName), 0);

    constexpr int kCycles = 120;
    const auto stream = UnitStream(kCycles);
    std::atomic<bool> done{false};
    std::thread reader([&] {
        size_t i = 0;
        int chunk = 1;
        while (i < stream.size()) {
            const size_t n = std::min(stream.size() - i, static_cast<size_t>(chunk));
            InterpretBytes(TestLink(), stream.data() + i, static_cast<int32_t>(n));
            i += n;
            chunk = chunk % 4 + 1;
        }
        done = true;
    });

    int64_t seen = 0;
    for (int tick = 0; !done; ++tick) {
        seen += ReadLikeTheViews();
        if (gSnapshotRequested) {
            seen += ReadLikeTheViews();  // the snapshot of the finished cycle
            ++gSnapshots;
            gSnapshotRequested = false;
        }
        TimerTick();
        Store(TestLink().debugLog.debugFlag, (tick / 50) % 2);  // the DEBUG window opens and closes
        Store(TestConfig().DisplayMode, (tick / 30) % 3);       // the view menu
        switch (tick % 40) {
            case 7:
                ResetStatistics(TestFiles(), tick % kCutCount);
                break;
            case 17:
                EXPECT_EQ(LoadStatisticsFile(TestFiles(), TestConfig().statisticsFileName), 0);
                break;
            case 27:
                EXPECT_EQ(SaveStatisticsAndUse(TestFiles(), tick % 80 < 40 ? "a.$$$" : "b.$$$"), 0);
                break;
            case 37:
                EXPECT_EQ(WriteStatisticsExport(TestStatistics(), TestStatisticsLock(), "out.xls",
                                                static_cast<StatisticsKind>(tick % 2), tick % 4),
                          0);
                break;
            default:
                break;
        }
        if (tick % 20 == 0) ResetStatistics(TestFiles(), kAllCuts);
        std::this_thread::yield();
    }
    reader.join();
    EXPECT_GT(seen, 0);

    EXPECT_EQ(gSaves.load(), kCycles);
    EXPECT_EQ(gSnapshots.load(), kCycles);
    EXPECT_EQ(BrokenModelInvariant(), nullptr);
    ResetServices();
}

std::atomic<bool> gSaveUnderWay;
std::atomic<bool> gUiReadsDone;

// A save on a slow drive (a network share, a dying disk) holds the statistics lock for as long as
// the drive takes. The caption and the tick read what they need of the save without that lock:
// here the save lasts until the UI side's reads are done, so reads that waited for the lock would
// never return (after a bound the save gives up and the test fails instead of hanging).
TEST(InterpreterThreads, TheUiSideNeverWaitsForASaveInProgress) {
    TempWorkDir dir;
    ResetModel(TestModel(), TestStatistics());
    ResetInterpreter(TestLink());
    PresetConfiguration(TestConfig());
    ResetServices();
    std::ofstream(TestConfig().statisticsFileName, std::ios::binary) << "short";  // fails to load: held
    ASSERT_NE(LoadStatisticsInUse(TestFiles()), 0);
    gSaveUnderWay = false;
    gUiReadsDone = false;
    TestLink().storageService.saveStatistics = [](void*) {
        gSaveUnderWay = true;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!gUiReadsDone && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
        return int32_t{0};
    };
    std::thread reader([] {
        const auto cycle = FramesOf({220, 201, 201, 50, 200});
        InterpretBytes(TestLink(), cycle.data(), static_cast<int32_t>(cycle.size()));
    });
    while (!gSaveUnderWay) std::this_thread::yield();
    auto reads = std::async(std::launch::async, [] {
        int32_t error = 0;
        const bool failureToShow = TakeAutosaveFailureMessage(TestFiles(), &error);
        return std::tuple{StatisticsAutosaveHeld(TestFiles()), AutosaveFailing(TestFiles()), failureToShow};
    });
    const bool returned = reads.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    gUiReadsDone = true;
    reader.join();
    ASSERT_TRUE(returned) << "the UI side waited for the save";
    EXPECT_EQ(reads.get(), std::tuple(true, false, false));  // held, no failed save, no message
    EXPECT_EQ(HeldEntries(TestStatistics(), 0), 1);
    EXPECT_EQ(ResetStatistics(TestFiles(), kAllCuts),
              0);  // the user's choice ends the hold, for the tests after
    ResetServices();
}

}  // namespace
