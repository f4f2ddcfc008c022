#include "board_json.h"

#include <cmath>
#include <string>

#include "journal/journal_line.h"

namespace kvdboard {

namespace {

using nlohmann::json;

json ForecastJson(const kvdstat::Forecast& f) {
    switch (f.kind) {
        case kvdstat::Forecast::kNoLimit:
            return {{"kind", "none"}};
        case kvdstat::Forecast::kAlreadyAbove:
            return {{"kind", "above"}};
        case kvdstat::Forecast::kNotRising:
            return {{"kind", "steady"}};
        case kvdstat::Forecast::kReached:
            break;
    }
    return {{"kind", "reached"},
            {"cycles", std::ceil(f.cycles)},
            {"low", std::ceil(f.low)},
            {"high", f.high < 0 ? json(nullptr) : json(std::ceil(f.high))}};
}

json Lamps(uint8_t bits) {
    return {{"break", (bits & kJournalBreak) != 0},
            {"blunt", (bits & kJournalBlunt) != 0},
            {"missing", (bits & kJournalMissing) != 0}};
}

std::string LocalTime(int64_t unixMs, int32_t offsetMinutes) {
    if (unixMs == 0) return {};
    char text[40];
    return {text, FormatJournalTime({unixMs, offsetMinutes}, text)};
}

}  // namespace

json MachineJson(const MachineView& v) {
    json peaks = json::array(), works = json::array(), alarms = json::array();
    for (const BoardCycle& c : v.cycles) {
        peaks.push_back(c.peak);
        works.push_back(c.work);
        alarms.push_back(c.alarms);
    }
    const BoardCycle* last = v.cycles.empty() ? nullptr : &v.cycles.back();
    return {
        {"name", v.name},
        {"status", StatusName(v.status)},
        {"stateKnown", v.stateKnown},
        {"online", v.state.online},
        {"connected", v.state.connected},
        {"lamps", Lamps(v.state.lamps)},
        {"cut", v.cut >= 0 ? json(v.cut + 1) : json(nullptr)},
        {"peaks", peaks},
        {"works", works},
        {"alarms", alarms},
        {"breakLimit", last ? json(last->breakLimit) : json(nullptr)},
        {"bluntLimit", last ? json(last->bluntLimit) : json(nullptr)},
        {"bluntMode", last && last->bluntMode == 1 ? "work" : "power"},
        {"cyclesPerHour", std::round(v.cyclesPerHour * 10) / 10},
        {"shiftStart", LocalTime(v.shiftStartMs, v.lastOffsetMinutes)},
        {"shiftAlarms",
         {{"break", v.shiftAlarms[0]}, {"blunt", v.shiftAlarms[1]}, {"missing", v.shiftAlarms[2]}}},
        {"lastSeenMs", v.lastSeenMs},
        {"lastCycle", LocalTime(v.lastCycleMs, v.lastOffsetMinutes)},
        {"sequence", v.sequence},
        {"cyclesSeen", v.cyclesSeen},
        {"forecast", {{"break", ForecastJson(v.breakForecast)}, {"blunt", ForecastJson(v.bluntForecast)}}},
        {"version", v.version}};
}

json MachinesJson(const std::vector<MachineView>& machines, int64_t nowMs, uint64_t refused) {
    json list = json::array();
    for (const MachineView& v : machines) list.push_back(MachineJson(v));
    return {{"now", nowMs}, {"machines", list}, {"refused", refused}};
}

}  // namespace kvdboard
