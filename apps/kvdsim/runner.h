// The unit in real time: runs the simulator's sample periods at rate × speed per second, moves
// the bytes over the line, and keeps reacting to the line and to a stop request whatever the
// reader on the other side does.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "line_port.h"
#include "unit_sim.h"

namespace kvdsim {

struct RunSettings {
    int rate = 100;
    double speed = 1.0;
    bool exitAfter = false;     // return once the cycles are played and the reader has them
    bool waitPeer = false;      // the clock stands until a program first opens the line
    int flushTimeoutMs = 5000;  // at the end: how long to wait for a reader that does not read
};

enum class RunEnd { Stopped, CyclesDone, LineLost };

// Returns when stop becomes true, (exitAfter) when the cycles are done and flushed, or when a
// serial device fails (unplugged).
RunEnd RunUnit(const RunSettings& settings, UnitSimulator& sim, LinePort& port, const std::atomic<bool>& stop,
               const LineSink& notes);

}  // namespace kvdsim
