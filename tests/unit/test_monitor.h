// The tests' own monitor record: one per test program, made like the program's (NewMonitor), so
// no test reaches a record of the program's layers. Fixtures reset the parts they use in SetUp.
#pragma once

#include "link/link.h"
#include "shell/monitor.h"
#include "text/language.h"

inline Monitor& TestMonitor() {
    static MonitorOwner monitor = [] {
        MonitorOwner made = NewMonitor();
        ReadTextsIn(made->config);  // as the program does: the texts in the monitor's language
        return made;
    }();
    return *monitor;
}
inline ConfigurationRecord& TestConfig() { return TestMonitor().config; }
inline UnitModel& TestModel() { return TestMonitor().model; }
inline CutStatistics& TestStatistics() { return TestMonitor().statistics; }
inline std::mutex& TestStatisticsLock() { return TestMonitor().statisticsMutex; }
inline Link& TestLink() { return TestMonitor().link; }
inline StatisticsFileState& TestFiles() { return TestMonitor().statisticsFile; }
