// What the reader thread changed in the data model since the UI thread last looked: a record of
// the model it describes (UnitModel::changes). The writers (interpreter, port rules, watchdog, the
// monitor's cycle-end handler) only record it there; the 30 ms tick takes the set and lets the
// views decide what to repaint (view/repaint_regions.h). One writer side publishes with release,
// the UI thread takes everything with acquire, so what a bit announces is visible to the paint
// that follows it, without a lock. Plain words reached through std::atomic_ref, so the model
// stays a plain record.
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

// The marks not yet taken: written by the reader thread and the watchdog, taken by the tick.
struct ChangeBits {
    uint32_t events;      // ChangeBit values
    uint32_t parameters;  // bit i: parameter kBaseCodes[i]
};

inline void MarkChanged(ChangeBits& bits, uint32_t events) {
    std::atomic_ref<uint32_t>(bits.events).fetch_or(events, std::memory_order_release);
}

inline void MarkParameterChanged(ChangeBits& bits, int baseCodeIndex) {
    std::atomic_ref<uint32_t>(bits.parameters).fetch_or(1u << baseCodeIndex, std::memory_order_release);
}

// UI thread: everything marked since the last call.
inline Changes TakeChanges(ChangeBits& bits) {
    return {std::atomic_ref<uint32_t>(bits.events).exchange(0, std::memory_order_acquire),
            std::atomic_ref<uint32_t>(bits.parameters).exchange(0, std::memory_order_acquire)};
}
