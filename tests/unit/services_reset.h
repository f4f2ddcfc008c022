// Puts every platform service back to its do-nothing defaults (between tests).
#pragma once

#include "model/window_service.h"
#include "shell/cycle_end.h"
#include "test_monitor.h"

inline void ResetServices() {
    TestLink().portService = {};
    TestLink().userService = {};
    TestLink().storageService = {};
    TestLink().windowService = {};
    TestLink().cycleEnds = MonitorCycleEnds(TestMonitor());
}
