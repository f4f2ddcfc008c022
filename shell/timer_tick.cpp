#include "shell/timer_tick.h"

#include <atomic>

#include "link/command_queue.h"
#include "link/connection.h"
#include "shell/monitor.h"
#include "model/model.h"
#include "model/change_bits.h"
#include "model/settings.h"
#include "model/window_service.h"
#include "shell/forecast_state.h"
#include "view/repaint_regions.h"
#include "view/statistics_view.h"

namespace {
// The interpreter sets the countdown to 5 on the reader thread; the tick counts it down here, so
// the decrement must not overwrite a fresh 5 with a stale value.
bool CountRelaysDown(UnitModel& model) {
    std::atomic_ref<int32_t> ticks(model.alarms.RelaysDisabledTicks);
    int32_t now = ticks.load(std::memory_order_relaxed);
    while (now != 0) {
        if (ticks.compare_exchange_weak(now, now - 1, std::memory_order_relaxed)) return now == 1;
    }
    return false;
}

// The regions that show what changed since the last tick, each invalidated once.
void RepaintChanges(Monitor& monitor, uint32_t tickEvents) {
    Changes changes = TakeChanges(monitor.model.changes);
    changes.events |= tickEvents;
    // While the interpreter halves the curve, the curve is not repainted: its changes wait, and so
    // do the lamps drawn over it (the next tick's new points ask for every changed lamp).
    constexpr uint32_t kCurveChanges = kChangeCurvePoints | kChangeCurveRestart;
    const bool compressing = Load(monitor.model.curve.compressing) != 0;
    if (compressing) {
        const uint32_t wait = (changes.events & kCurveChanges) |
                              ((changes.events & kChangeAlarmLamps) != 0 ? kChangeCurvePoints : 0u);
        if (wait != 0) MarkChanged(monitor.model.changes, wait);
        changes.events &= ~kCurveChanges;
    }
    if ((changes.events & kChangeStatistics) != 0) FollowForecast(monitor.forecast, monitor.statistics);
    const Display display = CurrentDisplay(monitor.config);
    const bool rescaled = (changes.events & kChangeStatistics) != 0 &&
                          StatisticsRescaled(monitor.model, monitor.statistics, monitor.screenStatistics);
    Repaints repaints = RepaintsFor(changes, display, rescaled);
    if (compressing) repaints.marked[static_cast<int>(Region::kNewPoints)] = false;
    for (int r = 0; r < kRegionCount; ++r)
        if (repaints.marked[r])
            Invalidate(monitor.link.windowService, static_cast<Region>(r), repaints.erase[r]);
}

}  // namespace

void ResetTimerTick(Monitor& monitor) {
    monitor.rememberedSample = 0;
    (void)TakeChanges(monitor.model.changes);
}

void TimerTick(Monitor& monitor) {
    // While the interpreter halves the curve, nothing of the curve's side is repainted.
    const int32_t sample = Load(monitor.model.cycle.lastSample);
    if (Load(monitor.model.curve.compressing) == 0 && sample != monitor.rememberedSample) {
        monitor.rememberedSample = sample;
        Invalidate(monitor.link.windowService, Region::kPowerBar, false);
    }
    WatchConnection(monitor.link);
    WatchPort(monitor.link);
    RepaintChanges(monitor, CountRelaysDown(monitor.model) ? uint32_t{kChangeRelaysEnabled} : 0u);
    PumpCommandQueue(monitor.link);
}
