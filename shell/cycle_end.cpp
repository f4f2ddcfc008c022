#include "shell/cycle_end.h"

#include "model/change_bits.h"

namespace {

void CycleEnded(void* self, const FinishedCycle& cycle, std::unique_lock<std::mutex>& held) {
    Monitor& monitor = *static_cast<Monitor*>(self);
    Link& link = monitor.link;
    const StorageService& storage = link.storageService;
    storage.saveStatistics(storage.self);  // its result is kept in the statistics file's health
    storage.journalCycle(storage.self, cycle);
    held.unlock();
    link.windowService.requestEndOfCycle(link.windowService.self);
    MarkChanged(monitor.model.changes, kChangeStatistics | kChangeCurvePoints);
}

}  // namespace

CycleEndService MonitorCycleEnds(Monitor& monitor) {
    CycleEndService s;
    s.self = &monitor;
    s.ended = CycleEnded;
    return s;
}
