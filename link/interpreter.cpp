#include "link/interpreter.h"

#include <cstdio>
#include <cstring>

#include "link/cycle_messages.h"
#include "link/link.h"
#include "link/message_codes.h"
#include "model/model.h"
#include "link/parameter_reports.h"
#include "model/change_bits.h"

namespace {

constexpr uint8_t kCarriageReturn = 0x0D;
constexpr int32_t kRelaysDisabledShowTicks = 5;

void SetAlarmBit(UnitModel& model, int32_t bit) {
    model.cycle.alarmsOfCycle |= bit;
    // The watchdog clears AlarmBits on the UI thread, so read it atomically too.
    Store(model.alarms.AlarmBits, Load(model.alarms.AlarmBits) | bit);
    MarkChanged(model.changes, kChangeAlarmLamps);
}

void ResetAlarms(UnitModel& model) {
    AlarmState& a = model.alarms;
    const int cut = model.ActiveCut;
    Store(a.AlarmBits, 0);
    Store(a.BluntCounter[cut], 0);
    Store(a.MissingCounter[cut], 0);
    MarkChanged(model.changes, kChangeBluntCounter | kChangeMissingCounter | kChangeAlarmLamps);
    if (a.Err1Flag != 0) {
        Store(a.Err1Flag, 0);
        MarkChanged(model.changes, kChangeErrorLampOff | kChangeCurvePoints);
    }
}

void CountUp(UnitModel& model, int32_t* counters, ChangeBit changed) {
    Store(counters[model.ActiveCut], counters[model.ActiveCut] + 1);
    MarkChanged(model.changes, changed);
}

void ClearCounter(UnitModel& model, int32_t* counters, ChangeBit changed) {
    Store(counters[model.ActiveCut], 0);
    MarkChanged(model.changes, changed);
}

void RelaysDisabled(UnitModel& model) {
    // The timer counts it down on the UI thread.
    if (Load(model.alarms.RelaysDisabledTicks) == 0) MarkChanged(model.changes, kChangeRelaysDisabled);
    Store(model.alarms.RelaysDisabledTicks, kRelaysDisabledShowTicks);
}

// Apply one decoded message; returns the number the DEBUG window shows for it.
int32_t Dispatch(Link& link, uint16_t v) {
    UnitModel& model = *link.model;
    AlarmState& a = model.alarms;
    if (v <= kMessageLastSample) {
        const int32_t point = OnSample(link, v);
        return point != kNoPoint ? point : v;
    }
    if (v >= kMessageFirstReport) {
        ApplyParameterReport(link, v);
        return v & 0x0FFF;
    }
    if (v >= kMessageCutStartFirst && v <= kMessageCutStartLast) {
        OnCutStart(link, v - kMessageCutStartFirst);
        return v;
    }
    switch (v) {
        case kMessageCycleEnd:
            OnCycleEnd(link);
            break;
        case kMessagePoWindow:
            OnPoWindow(link);
            break;
        case kMessageBreakAlarm:
            SetAlarmBit(model, kAlarmBreak);
            break;
        case kMessageMissingAlarm:
            SetAlarmBit(model, kAlarmMissing);
            break;
        case kMessageBluntAlarm:
            SetAlarmBit(model, kAlarmBlunt);
            break;
        case kMessageAlarmReset:
            ResetAlarms(model);
            break;
        case kMessageErr1:
            model.cycle.alarmsOfCycle |= kCycleError1;
            Store(a.Err1Flag, a.Err1Flag | 1);
            Store(model.cycle.workSum, 0);
            MarkChanged(model.changes, kChangeErrorLampOn | kChangeCurvePoints);
            break;
        case kMessageBluntCount:
            CountUp(model, a.BluntCounter, kChangeBluntCounter);
            break;
        case kMessageMissingCount:
            CountUp(model, a.MissingCounter, kChangeMissingCounter);
            break;
        case kMessageBluntCountClear:
            ClearCounter(model, a.BluntCounter, kChangeBluntCounter);
            break;
        case kMessageMissingCountClear:
            ClearCounter(model, a.MissingCounter, kChangeMissingCounter);
            break;
        case kMessageRelaysDisabled:
            RelaysDisabled(model);
            break;
        default:
            break;  // no meaning: ignored
    }
    return v;
}

int32_t DebugLineAt(int32_t line) { return ((line % kDebugLines) + kDebugLines) % kDebugLines; }

void WriteDebugLine(DebugLog& log, const char* text) {
    const int32_t at = DebugLineAt(Load(log.lineIndex));
    char line[kDebugLineSize] = {};
    std::snprintf(line, sizeof line, "%s", text);
    // Byte by byte, so the DEBUG window may read the line meanwhile without a data race.
    for (int i = 0; i < kDebugLineSize; ++i) Store(log.lines[at][i], line[i]);
}

void CloseLine(Link& link) {
    ReceiveLine& r = link.receive;
    DebugLog& log = link.debugLog;
    r.bytes[r.length] = 0;
    const bool debug = Load(log.debugFlag) != 0;  // one decision for the whole line
    char rendering[kFormattedLineSize];
    rendering[0] = '\0';
    if (debug) FormatLine(r.bytes, rendering);
    char text[kDebugLineSize];
    if (!LineIsValid(r.bytes)) {
        if (debug) {
            std::snprintf(text, sizeof text, "%s, ERR", rendering);
            WriteDebugLine(log, text);
        }
    } else {
        Store(link.model->connection.SilenceTicks, 0);
        const int32_t shown = Dispatch(link, DecodeLine(r.bytes));
        if (debug) {
            std::snprintf(text, sizeof text, "%s, %i, OK    ", rendering, static_cast<int>(shown));
            WriteDebugLine(log, text);
        }
    }
    if (debug) Store(log.lineIndex, DebugLineAt(DebugLineAt(Load(log.lineIndex)) + 1));
    r.length = 0;
}

}  // namespace

int32_t InterpretBytes(Link& link, const uint8_t* bytes, int32_t count) {
    ReceiveLine& r = link.receive;
    if (bytes == nullptr) return r.length;
    for (int32_t i = 0; i < count; ++i) {
        if (bytes[i] == kCarriageReturn) {
            CloseLine(link);
            continue;
        }
        // A line longer than 7 bytes keeps its first 7; later bytes overwrite the spare slot.
        r.bytes[r.length] = bytes[i];
        if (++r.length > kMaxLineLength) r.length = kMaxLineLength;
    }
    return r.length;
}

void ReadDebugLine(const DebugLog& log, int line, char out[kDebugLineSize]) {
    const int32_t at = DebugLineAt(line);
    for (int i = 0; i < kDebugLineSize; ++i) out[i] = Load(log.lines[at][i]);
    out[kDebugLineSize - 1] = '\0';
}

void ResetInterpreter(Link& link) {
    std::memset(&link.receive, 0, sizeof link.receive);
    std::memset(&link.debugLog, 0, sizeof link.debugLog);
    link.ignoredCycleEnds = 0;
}
