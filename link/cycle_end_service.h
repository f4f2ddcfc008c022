// A cycle end as one event. The interpreter stores the cycle's entry in the statistics block and
// hands the finished cycle to its link's cycle-end service, once; whatever else a cycle end means
// (the autosave, the journal line, the end-of-cycle request, the repaint bits) is its owner's,
// done in one place: in the program the monitor record (shell/cycle_end.h), installed when the
// monitor is made. An interface with a self, like the link's other services.
#pragma once

#include <mutex>

#include "link/storage_service.h"

struct CycleEndService {
    void* self = nullptr;
    // Reader thread. The cycle's entry is in the block and `held` holds the block's lock: what
    // must see the block and the file in use stand still (the autosave, then the journal line)
    // runs under it. The owner releases it before it asks the UI thread for anything: a UI thread
    // that loads or resets statistics waits for that lock. The default does nothing more.
    void (*ended)(void* self, const FinishedCycle& cycle, std::unique_lock<std::mutex>& held) =
        [](void*, const FinishedCycle&, std::unique_lock<std::mutex>&) {};
};
