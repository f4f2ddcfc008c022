// The link's records: the command queue and an upload's progress, the port state and its
// countdowns, the line being received and the debug log, the TransmitRing, and the services the
// link reaches the platform through. One per monitor, allocated once inside the monitor record
// that owns it, and handed to every call of the link layer: the UI thread's rules get it as an
// argument, the reader and writer threads at their start.
#pragma once

#include <cstdint>
#include <mutex>

#include "link/command_queue.h"
#include "link/connection.h"
#include "link/cycle_end_service.h"
#include "link/interpreter.h"
#include "link/port_service.h"
#include "link/storage_service.h"
#include "link/transmit_ring.h"
#include "link/user_service.h"
#include "model/settings.h"
#include "model/window_service.h"

struct Link {
    CommandQueue queue;
    // Set by the caller of UploadParameterSet while a whole set is shown in the progress display.
    int32_t uploadProgress = 0;
    PortState port{1, false, false};
    int32_t keyHeld = 0;          // the key rule's key held down
    int32_t reopenCountdown = 0;  // ticks until the next attempt to open a lost port
    // Cycle ends ignored since the start (ResetInterpreter clears it). Written by the reader
    // thread, read by the debug window with Load.
    uint32_t ignoredCycleEnds = 0;
    ReceiveLine receive;
    DebugLog debugLog;
    TransmitRing ring;
    // True while an open port's writer thread drains the ring: the serial link sets it at the end
    // of an open and clears it first thing when it closes. The command pump hands words over only
    // then, so that while no port is open they wait in the CommandQueue rather than in the ring,
    // which the next open empties. UI thread only.
    bool transmitPortOpen = false;
    // The monitor's configuration, whose port number the port rules read at start and keep (set
    // once when the monitor is made).
    ConfigurationRecord* config = nullptr;
    // The monitor's unit model, which the interpreter writes and the watchdog marks, and its
    // statistics block with the lock a cycle end's append and autosave hold (set once when the
    // monitor is made).
    UnitModel* model = nullptr;
    CutStatistics* statistics = nullptr;
    std::mutex* statisticsMutex = nullptr;
    PortService portService;
    UserService userService;
    StorageService storageService;
    // The main window: the monitor's cycle-end handler asks it for the end-of-cycle snapshot, the
    // monitor's tick for repaints.
    WindowService windowService;
    // Where the interpreter hands each cycle end, once (the monitor record's handler, set when the
    // monitor is made).
    CycleEndService cycleEnds;
};
