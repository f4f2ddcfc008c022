// The values the unit sends, as the interpreter tells them apart. The cycle states of the data
// model (kState*, model/model.h) reuse some of these numbers for the curve points; the names keep
// a received message and a point's state apart.
#pragma once

#include <cstdint>

enum MessageCode : uint16_t {
    kMessageLastSample = 105,  // 0..105: a power sample
    kMessageCycleEnd = 200,
    kMessagePoWindow = 201,  // the first starts the Po measurement, the second ends it
    kMessageBreakAlarm = 202,
    kMessageMissingAlarm = 203,
    kMessageBluntAlarm = 204,
    kMessageAlarmReset = 205,
    kMessageErr1 = 206,
    kMessageBluntCount = 207,
    kMessageMissingCount = 208,
    kMessageBluntCountClear = 209,
    kMessageMissingCountClear = 210,
    kMessageRelaysDisabled = 211,
    kMessageCutStartFirst = 220,  // 220 + cut 0..15
    kMessageCutStartLast = 235,
    kMessageFirstReport = 256,  // from here on: a parameter report
};
