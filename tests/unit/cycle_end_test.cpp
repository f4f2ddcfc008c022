// A cycle end is one event: the interpreter stores the entry and hands the finished cycle to its
// link's cycle-end service once, under the statistics lock; the monitor's handler then saves,
// journals, releases the lock, asks for the snapshot and marks the repaints, in that order.
#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <string>
#include <vector>

#include "interpreter_support.h"
#include "shell/cycle_end.h"

namespace {

// Whether another thread finds the statistics lock free (a thread may not try its own lock).
bool LockFreeElsewhere() {
    return std::async(std::launch::async,
                      [] {
                          if (!TestStatisticsLock().try_lock()) return false;
                          TestStatisticsLock().unlock();
                          return true;
                      })
        .get();
}

// The steps the monitor's handler took, each with whether the lock was free meanwhile.
std::vector<std::string> gSteps;
void Step(const char* name) {
    gSteps.push_back(std::string(name) + (LockFreeElsewhere() ? " (free)" : " (locked)"));
}

class CycleEnd : public InterpreterFixture {};

TEST_F(CycleEnd, TheLinkHandsOneCycleWithItsFieldsUnderTheLockAndDoesNothingElse) {
    static std::vector<FinishedCycle> events;
    static bool held;
    static uint16_t entriesAtEvent;
    events.clear();
    TestLink().cycleEnds.ended = [](void*, const FinishedCycle& c, std::unique_lock<std::mutex>& lock) {
        events.push_back(c);
        held = lock.owns_lock() && lock.mutex() == &TestStatisticsLock();
        entriesAtEvent = TestStatistics().writeIndex[2];
    };
    // Cut 3, Po 20, a peak of 30, then a break alarm, error 1 (the work sum starts again), two
    // blunt counts and one missing count before the cycle end.
    Send({222, 201, 20, 201, 50, 202, 206, 207, 207, 208});
    gRecord.Clear();
    Send({200});

    ASSERT_EQ(events.size(), 1u);
    const FinishedCycle& c = events[0];
    EXPECT_EQ(c.cut, 2);
    EXPECT_EQ(c.entry.peak, 30);
    EXPECT_EQ(c.entry.work, 0);
    EXPECT_EQ(c.po, 20);
    EXPECT_EQ(c.alarms, kAlarmBreak | kCycleError1);
    EXPECT_EQ(c.bluntCounter, 2);
    EXPECT_EQ(c.missingCounter, 1);
    EXPECT_EQ(std::memcmp(&c.parameters, &TestModel().cutParameters[2], sizeof c.parameters), 0);
    EXPECT_TRUE(held);
    EXPECT_EQ(entriesAtEvent, 1);  // the entry is in the block before anyone sees the event
    // Saving, journalling, the snapshot request and the repaints are the handler's, not the link's.
    EXPECT_TRUE(gRecord.CallsAndRegions().empty());
    EXPECT_TRUE(LockFreeElsewhere());
}

TEST_F(CycleEnd, TheMonitorSavesThenJournalsUnderTheLockThenAsksForTheSnapshotWithoutIt) {
    gSteps.clear();
    TestLink().storageService.saveStatistics = [](void*) {
        Step("save");
        return int32_t{0};
    };
    TestLink().storageService.journalCycle = [](void*, const FinishedCycle&) { Step("journal"); };
    TestLink().windowService.requestEndOfCycle = [](void*) { Step("end of cycle"); };
    Send({222, 201, 20, 201, 50});
    (void)TakeChanges(TestModel().changes);
    Send({200});
    EXPECT_EQ(gSteps, (std::vector<std::string>{"save (locked)", "journal (locked)", "end of cycle (free)"}));
    const Changes marked = TakeChanges(TestModel().changes);
    EXPECT_EQ(marked.events & (kChangeStatistics | kChangeCurvePoints),
              kChangeStatistics | kChangeCurvePoints);
}

}  // namespace
