#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

#include "interpreter_support.h"
#include "link/cycle_messages.h"
#include "model_invariants.h"
#include "services_reset.h"

namespace {

using Lines = std::vector<std::string>;

class Interpreter : public InterpreterFixture {};

// ---- line assembly --------------------------------------------------------------------------

TEST_F(Interpreter, FrameSplitOverTwoReadsIsDecodedOnceAtItsCr) {
    const auto frame = FrameOf(Report(0, 383, 40));  // 6 bytes
    EXPECT_EQ(InterpretBytes(TestLink(), frame.data(), 4), 4);
    EXPECT_EQ(TestModel().cutParameters[0].bluntLimit, 30);  // nothing decoded yet
    EXPECT_EQ(InterpretBytes(TestLink(), frame.data() + 4, 2), 0);
    EXPECT_EQ(TestModel().cutParameters[0].bluntLimit, 40);
    EXPECT_EQ(gRecord.Invalidations(), Lines({"CurveRect+erase", "ParamColumn1Rect+erase"}));
}

TEST_F(Interpreter, CountBelowOneChangesNothing) {
    const auto frame = FrameOf(50);
    InterpretBytes(TestLink(), frame.data(), 2);
    EXPECT_EQ(InterpretBytes(TestLink(), frame.data(), 0), 2);
    EXPECT_EQ(InterpretBytes(TestLink(), frame.data(), -4), 2);
    InterpretBytes(TestLink(), frame.data() + 2, 2);
    EXPECT_EQ(TestModel().cycle.lastSample, 50);
}

// A line longer than 7 bytes keeps its first 7: the two extra bytes must not take the place of
// the checksum.
TEST_F(Interpreter, NineByteLineIsJudgedOnItsFirstSeven) {
    std::vector<uint8_t> line = {HighNibbleByte(50), LowNibbleByte(50), 0x01, 0x01, 0x01, 0x01};
    uint8_t sum = 0;
    for (uint8_t b : line) sum = static_cast<uint8_t>(sum + b);
    line.push_back(sum);
    line.push_back(0x55);
    line.push_back(0x66);
    EXPECT_EQ(InterpretBytes(TestLink(), line.data(), 9), 7);
    const uint8_t cr = 0x0D;
    EXPECT_EQ(InterpretBytes(TestLink(), &cr, 1), 0);
    EXPECT_EQ(TestModel().cycle.lastSample, 50);
}

TEST_F(Interpreter, InvalidLineIsDroppedAndTheNextOneStillCounts) {
    TestModel().connection.SilenceTicks = 7;
    auto bad = FrameOf(60);
    bad[2] ^= 0x10;  // checksum no longer matches
    Feed(bad);
    EXPECT_EQ(TestModel().cycle.lastSample, 0);
    EXPECT_EQ(TestModel().connection.SilenceTicks, 7);  // only a valid frame shows the unit is there
    EXPECT_EQ(TestLink().receive.length, 0);
    Send({61});
    EXPECT_EQ(TestModel().cycle.lastSample, 61);
    EXPECT_EQ(TestModel().connection.SilenceTicks, 0);
}

// ---- the worked cycle -------------------------------------------------------------------------

struct WorkedCycleCase {
    uint16_t workDivisor;
    int chunk;
    uint8_t work;
};

void PrintTo(const WorkedCycleCase& c, std::ostream* os) {
    *os << "workDivisor " << c.workDivisor << ", chunks of " << c.chunk;
}

class WorkedCycle : public InterpreterFixture, public ::testing::WithParamInterface<WorkedCycleCase> {};

TEST_P(WorkedCycle, CutTwoFromStartToItsStatisticsEntry) {
    const WorkedCycleCase p = GetParam();
    TestModel().cutParameters[2].workDivisor = p.workDivisor;
    auto feed = [&](std::initializer_list<uint16_t> v) { Feed(FramesOf(v), p.chunk); };

    feed({222});  // cut start: a new curve screen
    EXPECT_EQ(TestModel().ActiveCut, 2);
    EXPECT_EQ(TestModel().cycle.CycleState, 207);
    EXPECT_EQ(TestModel().curve.pointCount, 0);
    EXPECT_EQ(TestModel().curve.CycleSlot, 0);
    EXPECT_EQ(TestModel().curve.CycleStart[0], 0);

    feed({10, 12});  // samples before Po: points of state 207
    EXPECT_EQ(TestModel().curve.points[1].value, 12);
    EXPECT_EQ(TestModel().curve.points[1].state, 207);

    feed({201, 20, 22, 21});  // Po measurement
    EXPECT_EQ(TestModel().curve.points[4].state, 201);
    EXPECT_EQ(TestModel().cycle.CycleState, 201);

    feed({201});  // Po computed from the three points of state 201
    EXPECT_EQ(TestModel().cycle.po, 21);
    EXPECT_EQ(TestModel().cycle.poPoints, 3);
    EXPECT_EQ(TestModel().cycle.CycleState, 200);

    feed({50, 60});  // running: work and peak above Po
    EXPECT_EQ(TestModel().cycle.workSum, 68u);
    EXPECT_EQ(TestModel().cycle.peak, 39);
    EXPECT_EQ(TestModel().curve.points[6].po, 21);

    gRecord.Clear();
    feed({200});
    EXPECT_EQ(TestModel().cycle.CycleState, 0);
    EXPECT_EQ(TestStatistics().entries[2][0].peak, 39);
    EXPECT_EQ(TestStatistics().entries[2][0].work, p.work);
    EXPECT_EQ(TestStatistics().writeIndex[2], 1);
    // Autosave, then the snapshot request, then the lower panel.
    EXPECT_EQ(gRecord.CallsAndRegions(), Lines({"save", "end of cycle", "PanelRect", "NewPoints"}));
}

INSTANTIATE_TEST_SUITE_P(DivisorsAndChunks, WorkedCycle,
                         ::testing::Values(WorkedCycleCase{0, 4, 34}, WorkedCycleCase{9, 4, 0},
                                           WorkedCycleCase{0, 1, 34}, WorkedCycleCase{0, 3, 34},
                                           WorkedCycleCase{0, 64, 34}));

TEST_F(Interpreter, AutosaveRunsUnderTheStatisticsLockWithTheEntryInPlace) {
    static bool locked;
    static uint16_t indexAtSave;
    TestLink().storageService.saveStatistics = [](void*) {
        locked = !TestStatisticsLock().try_lock();
        if (!locked) TestStatisticsLock().unlock();
        indexAtSave = TestStatistics().writeIndex[4];
        return int32_t{0};
    };
    Send({224, 200});
    EXPECT_TRUE(locked);
    EXPECT_EQ(indexAtSave, 1);
}

// ---- Po ----------------------------------------------------------------------------------------

// Only a cycle whose cut start came on this link is stored: a repeated cycle end, a cycle the
// monitor joined halfway (it started, or the link opened, while the machine was cutting) and a
// cycle without a cut start of its own are counted and store, save and journal nothing. A cycle
// that ends before its work phase stores {0, 0} with Po 0, never the previous cycle's values.
TEST_F(Interpreter, OnlyACycleSeenFromItsCutStartIsStored) {
    static FinishedCycle last;
    static int journalLines;
    TestLink().storageService.journalCycle = [](void*, const FinishedCycle& c) {
        last = c;
        ++journalLines;
    };
    constexpr uint16_t kLinkOpens = 0xFFFF;
    struct Case {
        std::vector<uint16_t> messages;
        int entries;  // of cut 1 (index 0)
        uint32_t ignored;
        StatisticsEntry lastEntry;
        uint16_t lastPo;
    } cases[] = {
        {{200}, 0, 1, {}, 0},                                                   // a cycle end with no cycle
        {{220, 201, 201, 50, 200, 200}, 1, 1, {50, 25}, 0},                     // a repeated cycle end
        {{30, 201, 20, 201, 50, 200}, 0, 1, {}, 0},                             // joined halfway at the start
        {{220, 201, 20, 201, 50, kLinkOpens, 60, 200}, 0, 1, {}, 0},            // ... and at a reopened link
        {{220, 201, 20, 201, 50, 200, 201, 201, 60, 200}, 1, 1, {30, 15}, 20},  // no cut start of its own
        {{220, 201, 20, 201, 50, 200, 220, 200}, 2, 0, {0, 0}, 0},              // ended while announced
        {{220, 201, 20, 201, 50, 200, 220, 201, 40, 200}, 2, 0, {0, 0}, 0},     // ended in its Po window
        {{220, 201, 201, 50, 200, 220, 30, 200}, 2, 0, {0, 0}, 0},
    };
    for (const Case& c : cases) {
        ResetModel(TestModel(), TestStatistics());
        ResetInterpreter(TestLink());
        TestModel().cutParameters[0].workDivisor = 0;  // work percent = work sum / 2
        gRecord.Clear();
        journalLines = 0;
        last = {};
        for (uint16_t m : c.messages) {
            if (m == kLinkOpens)
                ForgetRunningCycle(TestLink());
            else
                Send({m});
        }
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        ASSERT_EQ(HeldEntries(TestStatistics(), 0), c.entries);
        EXPECT_EQ(gRecord.saves, c.entries);
        EXPECT_EQ(journalLines, c.entries);
        EXPECT_EQ(Load(TestLink().ignoredCycleEnds), c.ignored);
        if (c.entries == 0) continue;
        const StatisticsEntry& e = TestStatistics().entries[0][c.entries - 1];
        EXPECT_EQ(e.peak, c.lastEntry.peak);
        EXPECT_EQ(e.work, c.lastEntry.work);
        EXPECT_EQ(last.po, c.lastPo);
    }
}

TEST_F(Interpreter, TwoPoWindowsWithoutPointsGivePoZero) {
    Send({223, 30, 31, 201, 201});
    EXPECT_EQ(TestModel().cycle.po, 0);
    EXPECT_EQ(TestModel().cycle.poPoints, 0);
    EXPECT_EQ(TestModel().cycle.CycleState, 200);
}

// Before the first cut start there is no cycle slot to count from.
TEST_F(Interpreter, PoWindowBeforeAnyCutStartGivesPoZero) {
    Send({201, 40, 42, 201, 50});
    EXPECT_EQ(TestModel().curve.CycleSlot, -1);
    EXPECT_EQ(TestModel().curve.pointCount, 3);
    EXPECT_EQ(TestModel().cycle.po, 0);
    EXPECT_EQ(TestModel().cycle.workSum, 50u);
    EXPECT_EQ(BrokenModelInvariant(), nullptr);
}

// ---- curve compression -------------------------------------------------------------------------

TEST_F(Interpreter, The599thPointHalvesTheCurve) {
    // ta 1, ts 20, tw 0, poSamples 5: window ends 215 and 205, both odd.
    TestModel().cutParameters[0].ta = 1;
    TestModel().common.poSamples = 5;
    TestModel().cutParameters[0].cyclesPerScreen = 3;
    Send({220, 200, 220, 200, 220});  // three cycles on one screen, all starting at point 0
    EXPECT_EQ(TestModel().curve.taWindowEnd, 215);
    EXPECT_EQ(TestModel().curve.twWindowEnd, 205);
    ASSERT_EQ(TestModel().curve.CycleSlot, 2);
    for (int i = 0; i < 598; ++i) SendRepeated(static_cast<uint16_t>(i % 100), 1);
    TestModel().curve.CycleStart[1] = 301;  // an odd start, to see it halved (rounding down)
    TestModel().curve.CycleStart[2] = 598;

    gRecord.Clear();
    Send({98});  // point 598: the 599th
    EXPECT_EQ(TestModel().curve.pointCount, 300);
    EXPECT_EQ(TestModel().curve.samplesPerPoint, 2);
    EXPECT_EQ(TestModel().curve.taWindowEnd, 107);
    EXPECT_EQ(TestModel().curve.twWindowEnd, 102);
    EXPECT_EQ(TestModel().curve.CycleStart[0], 0);
    EXPECT_EQ(TestModel().curve.CycleStart[1], 150);
    EXPECT_EQ(TestModel().curve.CycleStart[2], 299);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(TestModel().curve.points[i].value, (2 * i) % 100) << i;
    EXPECT_EQ(gRecord.Invalidations(), Lines({"CurveRect+erase"}));
    EXPECT_EQ(TestModel().curve.compressing, 0);

    Send({10, 21});  // two samples now make one point, their average
    EXPECT_EQ(TestModel().curve.pointCount, 301);
    EXPECT_EQ(TestModel().curve.points[300].value, 15);
}

// The chunk that ends the 599th point's frame also carries the start of the next frame.
TEST_F(Interpreter, CompressionInTheMiddleOfAChunkKeepsTheRestOfTheChunk) {
    std::vector<uint8_t> stream = FrameOf(Report(9, 256, 3));  // 6 bytes: later frames straddle chunks
    const auto start = FrameOf(221);
    stream.insert(stream.end(), start.begin(), start.end());
    for (int i = 0; i < 599; ++i) {
        const auto f = FrameOf(static_cast<uint16_t>(i % 50));
        stream.insert(stream.end(), f.begin(), f.end());
    }
    const size_t compressingChunk = (stream.size() - 1) / 4;  // holds the 599th point's CR
    const auto next = FrameOf(77);
    stream.insert(stream.end(), next.begin(), next.end());
    ASSERT_NE(stream.size() % 4, 0u);

    for (size_t i = 0; i < stream.size(); i += 4) {
        const int32_t n = static_cast<int32_t>(std::min<size_t>(4, stream.size() - i));
        const int32_t left = InterpretBytes(TestLink(), stream.data() + i, n);
        if (i / 4 == compressingChunk) {
            EXPECT_EQ(TestModel().curve.pointCount, 300);
            EXPECT_EQ(left, 2);  // the first two bytes of the next frame wait in the line
        }
    }
    EXPECT_EQ(TestModel().cycle.lastSample, 77);
    EXPECT_EQ(TestModel().curve.sampleCount, 1);  // the first sample of a two-sample point
}

// ---- windows, work and peak ------------------------------------------------------------------

struct TaCase {
    uint16_t ta;
    uint16_t taOnBlunt;
    uint32_t workSum;
    int32_t peak;
};

void PrintTo(const TaCase& c, std::ostream* os) { *os << "ta " << c.ta << ", taOnBlunt " << c.taOnBlunt; }

class TaWindow : public InterpreterFixture, public ::testing::WithParamInterface<TaCase> {};

// ts 0, poSamples 0 and ta 1 give a window of 10 points from the cycle start: samples taken
// while pointCount is 10 or less count, later ones do not.
TEST_P(TaWindow, WorkAndPeakInsideAndAfterTheWindow) {
    const TaCase p = GetParam();
    CutParameters& cut = TestModel().cutParameters[1];
    cut.ts = 0;
    cut.ta = p.ta;
    cut.taOnBlunt = p.taOnBlunt;
    TestModel().common.poSamples = 0;
    Send({221, 201, 20, 20, 201});  // po 20, two points
    ASSERT_EQ(TestModel().cycle.po, 20);
    SendRepeated(30, 9);  // points 2..10: inside the window, 10 above Po each
    SendRepeated(90, 5);  // points 11..15: after it
    EXPECT_EQ(TestModel().cycle.workSum, p.workSum);
    EXPECT_EQ(TestModel().cycle.peak, p.peak);
}

INSTANTIATE_TEST_SUITE_P(TaAndTaOnBlunt, TaWindow,
                         ::testing::Values(TaCase{1, 1, 90, 10},     // work and peak stop at the window
                                           TaCase{1, 0, 440, 10},    // work goes on, peak stops
                                           TaCase{0, 1, 440, 70}));  // no window

TEST_F(Interpreter, WorkQuotientFarAbove100IsStoredAs100) {
    TestModel().cutParameters[6].workDivisor = 0;
    Send({226, 201, 201});
    SendRepeated(105, 2000);  // 210,000 / 2
    Send({200});
    EXPECT_EQ(TestStatistics().entries[6][0].work, 100);
}

// Regression: a work sum that wrapped past 2^32 turned the longest cycle into a small number.
TEST_F(Interpreter, WorkSumSaturatesInsteadOfWrapping) {
    TestModel().cutParameters[0].workDivisor = 15;
    Send({220, 201, 201});
    TestModel().cycle.workSum = 0xFFFFFFFFu - 10;
    Send({105, 200});
    EXPECT_EQ(TestStatistics().entries[0][0].work, 100);
}

TEST_F(Interpreter, SamplesWhileIdleOnlySetLastSample) {
    Send({220, 200, 44});
    EXPECT_EQ(TestModel().cycle.lastSample, 44);
    EXPECT_EQ(TestModel().curve.pointCount, 0);
}

// ---- cut start and curve screens -------------------------------------------------------------

TEST_F(Interpreter, CutChangeRepaintsAllAndClearsCountersUnlessTheUnitSaysOtherwise) {
    TestModel().alarms.BluntCounter[3] = 4;
    TestModel().alarms.MissingCounter[3] = 2;
    Send({223});
    EXPECT_EQ(gRecord.Invalidations(), Lines({"Whole+erase", "CurveRect+erase"}));
    EXPECT_EQ(TestModel().alarms.BluntCounter[3], 0);
    EXPECT_EQ(TestModel().alarms.MissingCounter[3], 0);

    gRecord.Clear();
    Send({223});  // the same cut again: a new screen (one cycle per screen), no full repaint
    EXPECT_EQ(gRecord.Invalidations(), Lines({"CurveRect+erase"}));

    TestModel().common.unitOptions = 1;
    TestModel().alarms.BluntCounter[4] = 4;
    Send({224});
    EXPECT_EQ(TestModel().alarms.BluntCounter[4], 4);
}

TEST_F(Interpreter, CyclesPerScreenZeroStartsAScreenAtEveryCutStart) {
    TestModel().cutParameters[0].cyclesPerScreen = 0;
    Send({220, 5, 5});
    gRecord.Clear();
    Send({220});
    EXPECT_EQ(TestModel().curve.pointCount, 0);
    EXPECT_EQ(TestModel().curve.CycleSlot, 0);
    EXPECT_EQ(gRecord.Invalidations(), Lines({"CurveRect+erase"}));
}

TEST_F(Interpreter, CyclesShareAScreenUpToCyclesPerScreen) {
    TestModel().cutParameters[0].cyclesPerScreen = 3;
    Send({220, 5, 5, 200, 220, 6, 200, 220});
    EXPECT_EQ(TestModel().curve.CycleSlot, 2);
    EXPECT_EQ(TestModel().curve.CycleStart[1], 2);
    EXPECT_EQ(TestModel().curve.CycleStart[2], 3);
    EXPECT_EQ(TestModel().curve.points[2].slot, 1);
    Send({220});  // the fourth cycle opens a new screen
    EXPECT_EQ(TestModel().curve.CycleSlot, 0);
    EXPECT_EQ(TestModel().curve.pointCount, 0);
}

// More cycles per screen than there are slots (a value no report can carry) must not reach
// beyond CycleStart.
TEST_F(Interpreter, CyclesPerScreenAboveEightUsesEightSlots) {
    TestModel().cutParameters[0].cyclesPerScreen = 15;
    for (int i = 0; i < 12; ++i) Send({220, 3, 200});
    EXPECT_EQ(BrokenModelInvariant(), nullptr);
    EXPECT_EQ(TestModel().curve.CycleSlot, 12 % 8 - 1);
}

// ---- alarms and counters -----------------------------------------------------------------------

TEST_F(Interpreter, AlarmsCountersAndResets) {
    Send({225});  // cut 5 active
    gRecord.Clear();
    Send({202, 202});
    EXPECT_EQ(TestModel().alarms.AlarmBits, 1);
    Send({203, 204});
    EXPECT_EQ(TestModel().alarms.AlarmBits, 7);
    EXPECT_EQ(gRecord.Invalidations(), Lines({"LedRect", "NewPoints"}));

    gRecord.Clear();
    Send({207, 207, 208});
    EXPECT_EQ(TestModel().alarms.BluntCounter[5], 2);
    EXPECT_EQ(TestModel().alarms.MissingCounter[5], 1);
    Send({209});
    EXPECT_EQ(TestModel().alarms.BluntCounter[5], 0);
    EXPECT_EQ(TestModel().alarms.MissingCounter[5], 1);
    Send({210});
    EXPECT_EQ(TestModel().alarms.MissingCounter[5], 0);
    EXPECT_EQ(gRecord.Invalidations(), Lines({"ParamColumn1Rect", "ParamColumn2Rect"}));

    TestModel().cycle.workSum = 99;
    gRecord.Clear();
    Send({206, 207});
    EXPECT_EQ(TestModel().alarms.Err1Flag, 1);
    EXPECT_EQ(TestModel().cycle.workSum, 0u);
    Send({205});  // alarm reset
    EXPECT_EQ(TestModel().alarms.AlarmBits, 0);
    EXPECT_EQ(TestModel().alarms.BluntCounter[5], 0);
    EXPECT_EQ(TestModel().alarms.Err1Flag, 0);
    // The lamp lit and went out within one tick: its region is erased.
    EXPECT_EQ(gRecord.Invalidations(), Lines({"LedRect", "SignalLampRect+erase", "ParamColumn1Rect",
                                              "ParamColumn2Rect", "NewPoints"}));
    gRecord.Clear();
    Send({205});  // without the error flag the signal lamp stays as it is
    EXPECT_EQ(gRecord.Invalidations().size(), 4u);
}

TEST_F(Interpreter, RelaysDisabledRepaintsOnlyWhenTheTextIsNotShownYet) {
    Send({211});
    EXPECT_EQ(TestModel().alarms.RelaysDisabledTicks, 5);
    EXPECT_EQ(gRecord.Invalidations(), Lines({"ParamColumn3Rect"}));
    TestModel().alarms.RelaysDisabledTicks = 2;
    Send({211});
    EXPECT_EQ(TestModel().alarms.RelaysDisabledTicks, 5);
    EXPECT_TRUE(gRecord.Invalidations().empty());
}

TEST_F(Interpreter, ValuesWithoutMeaningAreIgnored) {
    Send({223, 5});
    gRecord.Clear();  // the marks of the cut start are taken (they are the model's too)
    const std::vector<uint8_t> before(reinterpret_cast<uint8_t*>(&TestModel()),
                                      reinterpret_cast<uint8_t*>(&TestModel()) + sizeof TestModel());
    TestModel().connection.SilenceTicks = 0;
    Send({106, 150, 199, 212, 219, 236, 255});
    EXPECT_TRUE(std::memcmp(before.data(), &TestModel(), sizeof TestModel()) == 0);
    EXPECT_TRUE(gRecord.CallsAndRegions().empty());
}

// ---- statistics through the interpreter -----------------------------------------------------

TEST_F(Interpreter, RingWrapsAt50000CyclesOfACut) {
    // A counter, not a 1.6 MB write each.
    TestLink().storageService.saveStatistics = [](void*) {
        ++gRecord.saves;
        return int32_t{0};
    };
    TestLink().windowService.requestEndOfCycle = WindowService{}.requestEndOfCycle;
    const auto cycle = FramesOf({227, 200});  // a cycle end is taken only after a cut start
    for (int i = 0; i < 49999; ++i) Feed(cycle);
    EXPECT_EQ(TestStatistics().writeIndex[7], 49999);
    EXPECT_EQ(TestStatistics().wrapMarker[7], 0);
    Feed(cycle);  // the 50,000th
    EXPECT_EQ(TestStatistics().writeIndex[7], 0);
    EXPECT_EQ(TestStatistics().wrapMarker[7], 1);
    EXPECT_EQ(HeldEntries(TestStatistics(), 7), 50000);
    Send({227, 201, 201, 60, 200});  // the 50,001st overwrites the oldest entry
    EXPECT_EQ(TestStatistics().writeIndex[7], 1);
    EXPECT_EQ(TestStatistics().wrapMarker[7], 2);
    EXPECT_EQ(TestStatistics().entries[7][0].peak, 60);
    EXPECT_EQ(gRecord.saves, 50001);
    EXPECT_EQ(HeldEntries(TestStatistics(), 6), 0);
}

// ---- DEBUG window log ---------------------------------------------------------------------------

TEST_F(Interpreter, DebugLogOnlyWhileTheFlagIsSet) {
    Send({50});
    EXPECT_EQ(TestLink().debugLog.lineIndex, 0);
    EXPECT_EQ(TestLink().debugLog.lines[0][0], '\0');

    // The same lines whether the frames come a few bytes at a time or all in one read.
    auto bad = FrameOf(47);
    bad[2] ^= 1;
    std::vector<uint8_t> bytes = FramesOf({200});
    bytes.insert(bytes.end(), bad.begin(), bad.end());
    const auto report = FramesOf({Report(1, 256, 44)});
    bytes.insert(bytes.end(), report.begin(), report.end());
    for (const int chunk : {4, 64}) {
        SCOPED_TRACE(chunk);
        ResetInterpreter(TestLink());
        TestLink().debugLog.debugFlag = 1;
        Feed(bytes, chunk);
        char line[kDebugLineSize];
        ReadDebugLine(TestLink().debugLog, 0, line);
        EXPECT_STREQ(line, "193-129-66, 200, OK    ");
        ReadDebugLine(TestLink().debugLog, 1, line);
        EXPECT_STREQ(line, "33-241-19, ERR");
        ReadDebugLine(TestLink().debugLog, 2, line);
        EXPECT_STREQ(line, "17-17-33-193-4, 300, OK    ");  // the report's low 12 bits
        EXPECT_EQ(TestLink().debugLog.lineIndex, 3);
    }
}

TEST_F(Interpreter, DebugLogShowsTheCompletedPointAndWraps) {
    TestLink().debugLog.debugFlag = 1;
    Send({220});
    TestModel().curve.samplesPerPoint = 2;
    Send({10, 21});
    char line[kDebugLineSize];
    ReadDebugLine(TestLink().debugLog, 1, line);
    EXPECT_STREQ(line, "1-161-162, 10, OK    ");  // the sample itself: no point yet
    ReadDebugLine(TestLink().debugLog, 2, line);
    EXPECT_STREQ(line, "17-81-98, 15, OK    ");  // the point it completed: (10 + 21) / 2
    SendRepeated(106, 47);
    EXPECT_EQ(TestLink().debugLog.lineIndex, 0);
    Send({107});
    EXPECT_EQ(TestLink().debugLog.lineIndex, 1);
    ReadDebugLine(TestLink().debugLog, 0, line);
    EXPECT_STREQ(line, "97-177-18, 107, OK    ");
}

}  // namespace
