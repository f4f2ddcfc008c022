// What the reader thread changed in the data model since the UI thread last looked. The writers
// (interpreter, port rules, watchdog) only record it here; the 30 ms tick takes the set and lets
// the views decide what to repaint (view/repaint_regions.h). One writer side publishes with
// release, the UI thread takes everything with acquire, so what a bit announces is visible to
// the paint that follows it, without a lock.
#pragma once

#include <atomic>
#include <cstdint>

enum ChangeBit : uint32_t {
    kChangeCurvePoints = 1u << 0,     // a point, the peak, the work sum or a cycle start
    kChangeCurveRestart = 1u << 1,    // the curve started over, was halved or Po was measured
    kChangeCutAnnounced = 1u << 2,    // another cut: every part of the window shows it
    kChangeAlarmLamps = 1u << 3,      // alarm bits or the connection lamp
    kChangeErrorLampOn = 1u << 4,     // the error lamp lit
    kChangeErrorLampOff = 1u << 5,    // the error lamp went out
    kChangeBluntCounter = 1u << 6,    // the active cut's blunt counter
    kChangeMissingCounter = 1u << 7,  // the active cut's missing counter
    kChangeRelaysDisabled = 1u << 8,  // the relays-disabled warning appeared
    kChangeRelaysEnabled = 1u << 9,   // the warning's time ran out
    kChangeStatistics = 1u << 10,     // a cycle entered the statistics
};

struct Changes {
    uint32_t events = 0;      // ChangeBit values
    uint32_t parameters = 0;  // bit i: parameter kBaseCodes[i] of the active cut or common
};

inline std::atomic<uint32_t> gChangeEvents{0};
inline std::atomic<uint32_t> gChangedParameters{0};

inline void MarkChanged(uint32_t events) { gChangeEvents.fetch_or(events, std::memory_order_release); }

inline void MarkParameterChanged(int baseCodeIndex) {
    gChangedParameters.fetch_or(1u << baseCodeIndex, std::memory_order_release);
}

// UI thread: everything marked since the last call.
inline Changes TakeChanges() {
    return {gChangeEvents.exchange(0, std::memory_order_acquire),
            gChangedParameters.exchange(0, std::memory_order_acquire)};
}
