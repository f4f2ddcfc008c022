// The monitor record: what one monitor keeps between calls, in one fixed-size record allocated
// once at start and never resized. The start-up sequence owns it (NewMonitor in RunProgram) and
// hands it to the main window at its creation: the records outlive the window, since the reader
// thread writes them until the window's WM_DESTROY has closed the link, and the configuration is
// still there after the message loop. Each function is handed the record, or the part of it it
// works on: the link's rules and the interpreter their Link, the reader and writer threads the
// serial link (which points at the Link) at their start, the journal its writer.
#pragma once

#include <cstdint>
#include <memory>

#include "files/statistics_file.h"
#include "journal/journal_writer.h"
#include "link/link.h"
#include "trend/cut_trend.h"
#include "view/layout.h"
#include "view/statistics_view.h"

struct Monitor {
    // The settings: the port, the statistics file in use, the lower panel's view, the language.
    // The link's port rules and the statistics file's state point at it.
    ConfigurationRecord config;
    // The unit's model: written by the reader thread (through the link), read by the views.
    UnitModel model;
    // The statistics block (1.6 MB, allocated once here, never copied) and the lock its append
    // and autosave (reader thread) and the file commands (UI thread) hold.
    CutStatistics statistics;
    std::mutex statisticsMutex;
    Link link;
    // The monitor's own journal writer (the lines waiting for the statistics file's journal);
    // its counts are read by the debug window.
    JournalWriter journal;
    // The statistics file's autosave health and hold and its load's scratch block: the autosave
    // (reader thread, through the storage service) and the file commands (UI thread) are handed it.
    StatisticsFileState statisticsFile;
    TrendBook forecast;  // the wear forecast; UI thread only
    // The screen's statistics chart: the scale it was last drawn in, which the tick compares with
    // to repaint a rescaled panel on a clean background. A printed page has its own. UI thread only.
    StatisticsCursor screenStatistics;
    int32_t rememberedSample;  // the sample the power bar shows; UI thread only
    // The screen's layout: chosen once for the screen before the window is made, then only read.
    Layout layout;
};

// Frees a monitor record made by NewMonitor.
struct MonitorDelete {
    void operator()(Monitor* monitor) const;
};
using MonitorOwner = std::unique_ptr<Monitor, MonitorDelete>;

// A fresh record: zeroed (from zeroed pages, so the journal's wait and the forecast take no
// memory until used), the link's services at their do-nothing defaults, port 1. Null when the
// memory is not there. The configuration holds its presets, the model its start values; the link
// and the statistics file's state point at them.
MonitorOwner NewMonitor();
