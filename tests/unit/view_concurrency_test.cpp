// The views read what the reader thread writes without a lock. Here a thread plays the reader's
// part (points, cycle state, statistics, parameter reports, all with Store) while this thread
// paints; the ThreadSanitizer build checks every access, every build that painting ends.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/unit/view_fixture.h"
#include "view/curve_view.h"
#include "view/statistics_view.h"
#include "view/table_view.h"

namespace {

using ViewConcurrencyTest = ViewTest;

void PlayReader(const std::atomic<bool>& stop) {
    int round = 0;
    while (!stop.load()) {
        ++round;
        Store(TestModel().curve.pointCount, 0);
        for (int i = 0; i < kCompressAt && !stop.load(); ++i) {
            CurvePoint& p = TestModel().curve.points[i];
            Store(p.value, (i + round) % 106);
            Store(p.state, i < 20 ? kStateCutAnnounced : kStateRunning);
            Store(p.po, 15);
            Store(p.slot, i % 3 == 0 ? -1 : 0);
            Store(TestModel().curve.pointCount, i + 1);
            Store(TestModel().cycle.lastSample, i % 106);
            Store(TestModel().cycle.peak, i % 100);
            Store(TestModel().cycle.workSum, static_cast<uint32_t>(i) * 1000u);
        }
        Store(TestModel().curve.CycleStart[0], round % 50);
        Store(TestModel().cycle.po, round % 40);
        Store(TestModel().activeCutParameters.breakLimit, round % 100);
        Store(TestModel().cutParameters[0].bluntMode, round % 2);
        Store(TestModel().alarms.AlarmBits, round % 8);
        Store(TestModel().alarms.RelaysDisabledTicks, round % 5);
        Store(TestModel().ActiveCut, round % 2);
        AppendStatisticsEntry(TestStatistics(), round % 2, {static_cast<uint8_t>(round % 106), 50});
    }
}

TEST_F(ViewConcurrencyTest, PaintingWhileTheReaderWrites) {
    std::atomic<bool> stop{false};
    std::thread reader(PlayReader, std::cref(stop));
    for (int paint = 0; paint < 200; ++paint) {
        canvas.Clear();
        CurveCursor cursor;
        StatisticsCursor chart;
        DrawCurveFrame(canvas, TestModel(), Target::kScreen, cursor);
        DrawCurvePoints(canvas, TestModel(), Target::kScreen, cursor);
        DrawPowerBar(canvas, TestModel());
        DrawStatisticsFrame(canvas, TestModel(), TestStatistics(), static_cast<StatisticsKind>(paint % 2),
                            Target::kScreen, TestConfig().statisticsFileName);
        DrawStatisticsBars(canvas, TestModel(), TestStatistics(), static_cast<StatisticsKind>(paint % 2),
                           chart);
        DrawParameterTable(canvas, TestModel(), 794);
        ASSERT_GE(cursor.nextPoint, 0);
        ASSERT_LT(cursor.nextPoint, kCurvePoints);
    }
    stop.store(true);
    reader.join();
}

}  // namespace
