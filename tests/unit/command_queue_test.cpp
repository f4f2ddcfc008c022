#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "model/parameters.h"
#include "link/command_queue.h"
#include "model/model.h"
#include "link/transmit_ring.h"
#include "sent_words.h"
#include "services_reset.h"

namespace {

std::vector<UploadProgressAction> gShown;
void RecordProgress(void*, UploadProgressAction action) { gShown.push_back(action); }
int Count(UploadProgressAction action) {
    int n = 0;
    for (UploadProgressAction a : gShown) n += a == action;
    return n;
}

class CommandQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetModel(TestModel(), TestStatistics());
        ResetCommandQueue(TestLink());
        TestLink().ring = TransmitRing{};
        TestLink().portService.signalTransmit = PortService{}.signalTransmit;
        TestLink().transmitPortOpen = true;
        gShown.clear();
        TestLink().userService.uploadProgress = RecordProgress;
    }
    void TearDown() override { TestLink().userService.uploadProgress = UserService{}.uploadProgress; }
};

// Every field of the staged set gets a value of its own, so a word sent for the wrong field or
// the wrong cut shows.
void StageDistinctSet() {
    LoadedParameterSet& set = TestModel().loadedParameterSet;
    for (int c = 0; c < kCutCount; ++c)
        for (int w = 0; w < kCutWordCount; ++w) {
            const int index = [w] {
                for (int i = 0; i < kBaseCodeCount; ++i)
                    if (!kBaseCodes[i].common && kBaseCodes[i].word == w) return i;
                return -1;
            }();
            CutWord(set.cuts[c], w) = static_cast<uint16_t>((c + w) % (kBaseCodes[index].maxValue + 1));
        }
    set.unitId = 201;
    set.average = 17;
    set.poSamples = 23;
    set.debounce = 6;
    set.rangeValue = 987;
    set.rangeDecimals = 1;
}

// Parameter index and value of a 12-bit code.
struct Decoded {
    int cut, index, value;
};
Decoded Decode(uint16_t word) {
    const int index = FindBaseCode(word & 0x0FFF);
    return {word >> 12, index, index < 0 ? -1 : (word & 0x0FFF) - kBaseCodes[index].base};
}

TEST(BaseCodeTable, RangesFollowOneAnotherAndEndAt3416) {
    EXPECT_EQ(kBaseCodes[0].base, 256);
    for (int i = 1; i < kBaseCodeCount; ++i)
        EXPECT_EQ(kBaseCodes[i].base, kBaseCodes[i - 1].base + kBaseCodes[i - 1].maxValue + 1) << i;
    EXPECT_EQ(kBaseCodes[24].base + kBaseCodes[24].maxValue, 3416);
}

TEST(BaseCodeTable, FindBaseCodeAtTheEdges) {
    const struct {
        uint16_t code;
        int index;
    } cases[] = {
        {0, -1},    {255, -1},  {256, 0},   {356, 0},   {357, 1},   {485, 3},   {486, 4},
        {2400, 22}, {2401, 23}, {3400, 23}, {3401, 24}, {3416, 24}, {3417, -1}, {4095, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(FindBaseCode(c.code), c.index) << c.code;
}

TEST_F(CommandQueueTest, WorkedExampleCut2BreakLimit60) {
    EXPECT_EQ(CommandWord(2, 0, 60), 8508);
    ASSERT_TRUE(QueueParameter(TestLink(), 2, 0, 60));
    EXPECT_EQ(PumpTicks(1), std::vector<uint16_t>{8508});
}

// A sheet Apply of three fields of cut 5 (and a common one from the sheet of cut 4): one word per
// tick, in the order queued.
TEST_F(CommandQueueTest, OneWordPerTickInQueueOrder) {
    ASSERT_TRUE(QueueParameter(TestLink(), 5, 0, 60));
    ASSERT_TRUE(QueueParameter(TestLink(), 5, 5, 250));
    ASSERT_TRUE(QueueParameter(TestLink(), 5, 19, 8));
    ASSERT_TRUE(QueueParameter(TestLink(), 4, 17, 25));
    for (uint16_t expected :
         {5 * 4096 + 256 + 60, 5 * 4096 + 488 + 250, 5 * 4096 + 2124 + 8, 4 * 4096 + 2072 + 25})
        EXPECT_EQ(PumpTicks(1), std::vector<uint16_t>{expected});
    EXPECT_TRUE(PumpTicks(1).empty());
    EXPECT_TRUE(gShown.empty());  // no whole-set upload: no progress display
}

TEST_F(CommandQueueTest, WordsThatWouldSetAnotherParameterAreRefused) {
    EXPECT_FALSE(QueueParameter(TestLink(), 0, 0, 101));  // Break Limit 101 would be Break Delay 0
    EXPECT_FALSE(QueueParameter(TestLink(), 0, 16, 91));  // P1Min above 90
    EXPECT_FALSE(QueueParameter(TestLink(), 16, 0, 10));  // cut 16 would wrap to cut 0
    EXPECT_FALSE(QueueParameter(TestLink(), 0, 24, 1));   // unitOptions is never sent
    EXPECT_FALSE(QueueParameter(TestLink(), 0, 25, 0));
    EXPECT_EQ(TestLink().queue.refusedWords, 5);
    EXPECT_EQ(QueuedWords(TestLink()), 0);
    EXPECT_TRUE(QueueParameter(TestLink(), 15, 23, 999));  // the largest word that may be sent
    EXPECT_EQ(PumpTicks(1), std::vector<uint16_t>{15 * 4096 + 3400});
}

// Regression: a 300th word used to make the indexes equal, so 299 waiting words looked like an
// empty queue and were never sent.
TEST_F(CommandQueueTest, FullQueueRefusesTheNextWordAndKeepsTheWaitingOnes) {
    for (int i = 0; i < kCommandQueueSize - 1; ++i) ASSERT_TRUE(QueueParameter(TestLink(), i % 16, 0, 1));
    EXPECT_FALSE(QueueParameter(TestLink(), 0, 0, 2));
    EXPECT_EQ(QueuedWords(TestLink()), kCommandQueueSize - 1);
    const auto sent = PumpTicks(kCommandQueueSize);
    ASSERT_EQ(sent.size(), static_cast<size_t>(kCommandQueueSize - 1));
    EXPECT_EQ(sent.back(), (298 % 16) * 4096 + 257);
}

TEST_F(CommandQueueTest, WholeSetIs294WordsInUploadOrderWithAProgressStepEachWritten) {
    StageDistinctSet();
    // Step 1: the menu command sets the flag and starts the upload; the display opens first.
    TestLink().uploadProgress = 1;
    ASSERT_TRUE(UploadParameterSet(TestLink()));
    ASSERT_EQ(gShown.size(), 1u);
    EXPECT_EQ(gShown[0], UploadProgressAction::kOpen);
    EXPECT_EQ(QueuedWords(TestLink()), kParameterSetWords);

    // Step 2: 294 ticks send the set, one word frame per tick.
    const LoadedParameterSet& set = TestModel().loadedParameterSet;
    std::vector<uint16_t> sent;
    for (int t = 0; t < kParameterSetWords; ++t) {
        PumpCommandQueue(TestLink());
        const auto words = TakeSentWords();
        ASSERT_EQ(words.size(), 1u) << "tick " << t;
        sent.push_back(words[0]);
    }
    ASSERT_EQ(sent.size(), 294u);
    const int commonOrder[6] = {20, 17, 18, 21, 23, 22};
    const int commonValue[6] = {201, 17, 23, 6, 987, 1};
    for (int i = 0; i < 6; ++i) {
        const Decoded d = Decode(sent[i]);
        EXPECT_EQ(d.cut, 0);
        EXPECT_EQ(d.index, commonOrder[i]);
        EXPECT_EQ(d.value, commonValue[i]);
    }
    const int cutOrder[18] = {0, 2, 9, 1, 5, 10, 4, 6, 7, 12, 11, 13, 14, 3, 8, 15, 16, 19};
    for (int c = 0; c < kCutCount; ++c)
        for (int w = 0; w < kCutWordCount; ++w) {
            const Decoded d = Decode(sent[6 + c * 18 + w]);
            EXPECT_EQ(d.cut, c);
            EXPECT_EQ(d.index, cutOrder[w]);
            EXPECT_EQ(d.value, CutWordValue(set.cuts[c], w)) << "cut " << c << " word " << w;
        }
    // Each tick steps for the words written before it: the last one is not counted yet.
    EXPECT_EQ(Count(UploadProgressAction::kStep), 293);
    EXPECT_EQ(Count(UploadProgressAction::kClose), 0);

    // Step 3: the first tick that finds every word written takes the bar to its end and closes it.
    PumpCommandQueue(TestLink());
    EXPECT_EQ(Count(UploadProgressAction::kStep), 294);
    EXPECT_EQ(TestLink().uploadProgress, 0);
    EXPECT_EQ(gShown.back(), UploadProgressAction::kClose);
    PumpCommandQueue(TestLink());
    EXPECT_EQ(Count(UploadProgressAction::kClose), 1);
}

TEST_F(CommandQueueTest, WordsQueuedDuringTheUploadFollowTheSetAndHoldTheBarBack) {
    StageDistinctSet();
    TestLink().uploadProgress = 1;
    ASSERT_TRUE(UploadParameterSet(TestLink()));
    auto sent = PumpTicks(10);
    ASSERT_TRUE(QueueParameter(TestLink(), 3, 0, 77));  // an Apply in the sheet while the set is being sent
    for (uint16_t w : PumpTicks(kParameterSetWords - 10 + 1)) sent.push_back(w);
    ASSERT_EQ(sent.size(), 295u);
    EXPECT_EQ(sent.back(), 3 * 4096 + 256 + 77);
    // The bar never steps beyond its end (a step past it starts it again from 0).
    EXPECT_EQ(Count(UploadProgressAction::kStep), 293);
    EXPECT_EQ(Count(UploadProgressAction::kClose), 0);
    PumpTicks(1);
    EXPECT_EQ(Count(UploadProgressAction::kStep), 294);
    EXPECT_EQ(Count(UploadProgressAction::kClose), 1);
}

TEST_F(CommandQueueTest, WordWaitsWhileTheTransmitRingIsFull) {
    // The writer does not drain the ring, which holds five word frames (30 of 31 bytes).
    for (int i = 0; i < 7; ++i) ASSERT_TRUE(QueueParameter(TestLink(), 0, 0, static_cast<uint16_t>(i)));
    for (int t = 0; t < 7; ++t) PumpCommandQueue(TestLink());
    EXPECT_EQ(QueuedWords(TestLink()), 2);
    EXPECT_EQ(TakeSentWords(), (std::vector<uint16_t>{256, 257, 258, 259, 260}));
    // The writer drains: the waiting words follow, none lost, none twice.
    EXPECT_EQ(PumpTicks(3), (std::vector<uint16_t>{261, 262}));
}

TEST_F(CommandQueueTest, UploadOfAValueOutOfRangeQueuesNothing) {
    StageDistinctSet();
    ASSERT_TRUE(QueueParameter(TestLink(), 0, 0, 1));
    // A value beyond its range (possible only if the set was not read by the file reader).
    TestModel().loadedParameterSet.cuts[15].p1Min = 91;
    EXPECT_FALSE(UploadParameterSet(TestLink()));
    EXPECT_EQ(QueuedWords(TestLink()), 1);
    EXPECT_TRUE(gShown.empty());
    TestModel().loadedParameterSet.cuts[15].p1Min = 90;
    EXPECT_TRUE(UploadParameterSet(TestLink()));
    EXPECT_EQ(QueuedWords(TestLink()), kParameterSetWords);
}

// Regression: a set loaded while an earlier one was still being sent was dropped without a word
// (the queue had no room for it). The newer set sets every parameter the unit takes, so it
// replaces whatever still waits, and its display starts again.
TEST_F(CommandQueueTest, ANewerSetReplacesTheWordsStillWaiting) {
    StageDistinctSet();
    TestLink().uploadProgress = 1;
    ASSERT_TRUE(UploadParameterSet(TestLink()));
    PumpTicks(100);
    ASSERT_TRUE(QueueParameter(TestLink(), 3, 0, 77));  // a sheet word behind the first set

    // The second set: only its 294 words leave from now on, the first of them a common word.
    TestModel().loadedParameterSet.unitId = 99;
    TestModel().loadedParameterSet.cuts[15].cyclesPerScreen = 7;
    TestLink().uploadProgress = 1;
    ASSERT_TRUE(UploadParameterSet(TestLink()));
    EXPECT_EQ(QueuedWords(TestLink()), kParameterSetWords);
    const auto sent = PumpTicks(kParameterSetWords + 1);
    ASSERT_EQ(sent.size(), static_cast<size_t>(kParameterSetWords));
    EXPECT_EQ(sent.front(), 2133 + 99);
    EXPECT_EQ(sent.back(), 15 * 4096 + 2124 + 7);
    // The display: opened, 99 steps (the 100th word was written after its tick), closed and
    // opened again for the new set, 294 steps, closed.
    EXPECT_EQ(Count(UploadProgressAction::kOpen), 2);
    EXPECT_EQ(Count(UploadProgressAction::kStep), 99 + kParameterSetWords);
    EXPECT_EQ(Count(UploadProgressAction::kClose), 2);
    EXPECT_EQ(gShown.back(), UploadProgressAction::kClose);
}

// Regression: while no port was open the pump moved words into the ring, and the next open dropped
// them; a word the writer had not taken when its port closed was lost the same way. A set
// interrupted by a change of port now arrives whole, once, after the next open.
TEST_F(CommandQueueTest, ASetInterruptedByAChangeOfPortArrivesWholeAfterTheNextOpen) {
    StageDistinctSet();
    TestLink().uploadProgress = 1;
    ASSERT_TRUE(UploadParameterSet(TestLink()));
    std::vector<uint16_t> sent = PumpTicks(50);  // the writer takes each word at once

    // Two more words are put, but the port closes before its writer takes them.
    PumpCommandQueue(TestLink());
    PumpCommandQueue(TestLink());
    TestLink().transmitPortOpen = false;
    ReclaimUnsentWords(TestLink());
    EXPECT_EQ(PendingTransmitBytes(TestLink().ring), 0);

    // No port: a code frame may wait in the ring, words stay in the queue.
    ASSERT_TRUE(SendCodeFrame(TestLink(), 47));
    PumpCommandQueue(TestLink());
    PumpCommandQueue(TestLink());
    EXPECT_EQ(QueuedWords(TestLink()), kParameterSetWords - 50);

    // The next open drops the stale ring and the rest of the set follows.
    DropTransmitBytes(TestLink().ring);
    TestLink().transmitPortOpen = true;
    for (uint16_t w : PumpTicks(kParameterSetWords)) sent.push_back(w);
    ASSERT_EQ(sent.size(), static_cast<size_t>(kParameterSetWords));
    std::vector<uint16_t> whole;
    for (int i = 0; i < kParameterSetWords; ++i) whole.push_back(TestLink().queue.words[i]);
    EXPECT_EQ(sent, whole);
    EXPECT_EQ(TestLink().uploadProgress, 0);
}

// The unit's side: the stream cut at each CR into the words of its valid lines; the lines that
// are not valid are counted.
std::vector<uint16_t> WordsTheUnitGets(const std::vector<uint8_t>& stream, int& invalid) {
    std::vector<uint16_t> words;
    std::vector<uint8_t> line;
    for (uint8_t b : stream) {
        if (b != 0x0D) {
            line.push_back(b);
            continue;
        }
        line.push_back(0);
        if (line.size() == kWordFrameSize && LineIsValid(line.data()))
            words.push_back(DecodeLine(line.data()));
        invalid += line.size() != kWordFrameSize || !LineIsValid(line.data());
        line.clear();
    }
    return words;
}

// Scenario: the writer takes what waits, but every seventh write fails, and the port closes in the
// middle of a write, having taken none, part or all of the first frame waiting, or part of the
// second, and opens again: the torn word goes back whole, the unit drops the torn start as a line
// of its own and receives the whole set, once and in order, and the bar never runs ahead of the
// words the unit has.
TEST_F(CommandQueueTest, WordsAFailingWriterHeldReachTheUnitAndTheBarWaitsForThem) {
    for (const int taken : {0, 2, kWordFrameSize - 1, kWordFrameSize, kWordFrameSize + 3}) {
        SetUp();
        StageDistinctSet();
        TestLink().uploadProgress = 1;
        ASSERT_TRUE(UploadParameterSet(TestLink()));
        std::vector<uint8_t> unit;  // what the port took
        const auto portTakes = [&](int most) {
            uint8_t bytes[kTransmitRingSize];
            const int n = std::min(PeekTransmitBytes(TestLink().ring, bytes), most);
            unit.insert(unit.end(), bytes, bytes + n);
            ReleaseTransmitBytes(TestLink().ring, n);
        };
        int invalid = 0;
        for (int tick = 0; TestLink().uploadProgress != 0 && tick < 1000; ++tick) {
            PumpCommandQueue(TestLink());
            if (tick == 100) {  // two frames wait; the close aborts the write
                PumpCommandQueue(TestLink());
                portTakes(taken);
                TestLink().transmitPortOpen = false;
                ReclaimUnsentWords(TestLink());
                DropTransmitBytes(TestLink().ring);
                TestLink().transmitPortOpen = true;
            } else if (tick % 7 != 3) {  // a failed write takes nothing
                portTakes(kTransmitRingSize);
            }
            invalid = 0;
            ASSERT_LE(Count(UploadProgressAction::kStep),
                      static_cast<int>(WordsTheUnitGets(unit, invalid).size()))
                << taken << " at " << tick;
        }
        EXPECT_EQ(TestLink().uploadProgress, 0);
        EXPECT_EQ(Count(UploadProgressAction::kStep), kParameterSetWords);
        EXPECT_EQ(WordsTheUnitGets(unit, invalid = 0),
                  std::vector<uint16_t>(TestLink().queue.words, TestLink().queue.words + kParameterSetWords))
            << taken;
        EXPECT_EQ(invalid, taken % kWordFrameSize != 0 ? 1 : 0) << taken;
    }
}

}  // namespace
