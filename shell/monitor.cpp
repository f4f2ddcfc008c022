#include "shell/monitor.h"

#include "shell/cycle_end.h"

#include <cstdlib>
#include <new>

MonitorOwner NewMonitor() {
    // Zeroed pages from calloc, then the members with a start value of their own set on them: the
    // large rings are left untouched, as they were in static storage.
    void* memory = std::calloc(1, sizeof(Monitor));
    if (memory == nullptr) return MonitorOwner(nullptr);
    MonitorOwner monitor(new (memory) Monitor);
    PresetConfiguration(monitor->config);
    ResetUnitModel(monitor->model);  // the statistics block is zeroed already
    Link& link = monitor->link;
    link.config = &monitor->config;
    link.model = &monitor->model;
    link.statistics = &monitor->statistics;
    link.statisticsMutex = &monitor->statisticsMutex;
    link.cycleEnds = MonitorCycleEnds(*monitor);  // the cycle end's one place
    StatisticsFileState& files = monitor->statisticsFile;
    files.config = &monitor->config;
    files.statistics = &monitor->statistics;
    files.lock = &monitor->statisticsMutex;
    return monitor;
}

void MonitorDelete::operator()(Monitor* monitor) const {
    monitor->~Monitor();
    std::free(monitor);
}
