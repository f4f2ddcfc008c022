#include "shell/timer_tick.h"

#include <atomic>

#include "link/command_queue.h"
#include "link/connection.h"
#include "model/model.h"
#include "model/window_service.h"

namespace {
int32_t gRememberedSample = 0;  // UI thread only

// The interpreter sets the countdown to 5 on the reader thread; the tick counts it down here, so
// the decrement must not overwrite a fresh 5 with a stale value.
bool CountRelaysDown() {
    std::atomic_ref<int32_t> ticks(gModel.alarms.RelaysDisabledTicks);
    int32_t now = ticks.load(std::memory_order_relaxed);
    while (now != 0) {
        if (ticks.compare_exchange_weak(now, now - 1, std::memory_order_relaxed)) return now == 1;
    }
    return false;
}
}  // namespace

void ResetTimerTick() { gRememberedSample = 0; }

void TimerTick() {
    // While the interpreter halves the curve, the curve is not repainted.
    if (Load(gModel.curve.compressing) == 0) {
        const int32_t sample = Load(gModel.cycle.lastSample);
        if (sample != gRememberedSample) {
            gRememberedSample = sample;
            Invalidate(Region::kPowerBar, false);
        }
        Invalidate(Region::kCurve, false);
    }
    WatchConnection();
    if (CountRelaysDown()) Invalidate(Region::kParamColumn3, true);
    PumpCommandQueue();
}
