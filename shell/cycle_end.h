// The monitor's answer to a cycle end, in one place: the link's cycle-end service of every
// monitor record (NewMonitor installs it, with the record as its self).
//
// Under the statistics lock the link hands over: the autosave of the block to the file in use,
// then the cycle's journal line (both through the storage service, so that the file in use holds
// the entry before its line is written, and its name stands still for both). Then the lock is
// released and the window is asked for its end-of-cycle command (the snapshot of the cycle's
// picture and the plant link's nudge, on the UI thread; at once when the link is closing), and the
// change bits mark the statistics and the curve for the next tick's repaint.
#pragma once

#include "link/cycle_end_service.h"
#include "shell/monitor.h"

CycleEndService MonitorCycleEnds(Monitor& monitor);
