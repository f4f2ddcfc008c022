// What the plant board knows of every machine: its last state message, the last cycles of each
// cut, the alarms of the shift and the wear forecast of its running cut. kvdplant's broker thread
// writes (OnCycle, OnState); the HTTP threads read copies (Snapshot, Changes). Every call holds
// the one mutex only for a copy, so a reader never keeps the writer waiting for longer than that.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "model/cut.h"
#include "stats/analysis.h"
#include "journal/journal_record.h"

namespace kvdboard {

constexpr std::size_t kChartCycles = 100;     // cycles of the running cut a tile shows
constexpr std::size_t kForecastCycles = 200;  // cycles per cut kept for the wear forecast
constexpr std::size_t kFewestForForecast = 20;
constexpr std::size_t kMaxMachines = 256;
// Of them, machines known only by a state message (no cycle yet): a flood of names with a valid
// state never leaves a machine that sends cycles without a tile.
constexpr std::size_t kMaxStateOnlyMachines = 32;
constexpr std::size_t kMaxNameLength = 64;

// A machine's name is a topic level and a folder name: letters, digits, '.', '_' and '-', not
// starting with '.', at most kMaxNameLength characters.
bool ValidMachineName(std::string_view name);

// The monitor's retained state message, parsed by kvdplant.
struct BoardState {
    bool online = false;     // false also when the broker delivered the monitor's will
    bool connected = false;  // the monitor talks to its unit
    int activeCut = -1;      // 0..15, -1 unknown
    uint8_t lamps = 0;       // kJournalBreak | kJournalBlunt | kJournalMissing
};

struct BoardCycle {
    int64_t unixMs;
    uint16_t breakLimit, bluntLimit;
    uint8_t peak, work, alarms, bluntMode;
};

enum class MachineStatus : uint8_t { kOffline, kAlarm, kWearing, kRunning, kIdle };
const char* StatusName(MachineStatus s);

struct BoardOptions {
    // A machine that ended no cycle for this long is idle.
    int64_t idleMs = 120000;
    // A forecast of fewer cycles than this to the Break or Blunt limit marks the tile.
    double warningCycles = 100;
    // Local hours at which a shift starts (the alarms of the shift count from there).
    std::vector<int> shiftHours = {6, 14, 22};
    // The plant's clock (UTC milliseconds); tests set their own.
    std::function<int64_t()> clock;
};

// A copy of one machine for a reader.
struct MachineView {
    std::string name;
    bool stateKnown = false;
    BoardState state;
    MachineStatus status = MachineStatus::kOffline;
    int cut = -1;                    // the running cut: the state's active cut, else the last cycle's
    std::vector<BoardCycle> cycles;  // its last kChartCycles cycles, oldest first
    double cyclesPerHour = 0;
    std::array<uint32_t, 3> shiftAlarms{};  // break, blunt, missing cycles since the shift began
    int64_t shiftStartMs = 0;
    int64_t lastSeenMs = 0;  // plant clock: the last message of the machine
    int64_t lastCycleMs = 0;
    int32_t lastOffsetMinutes = 0;
    uint64_t sequence = 0;  // of the last cycle
    uint64_t cyclesSeen = 0;
    kvdstat::Forecast breakForecast, bluntForecast;  // of the running cut
    uint64_t version = 0;
};

// Where an event stream stands: what it last sent of each machine.
struct EventCursor {
    struct Sent {
        uint64_t version;
        MachineStatus status;
    };
    std::vector<Sent> sent;  // by machine, in order of first sight
    uint64_t modelVersion = 0;
};

class BoardModel {
public:
    explicit BoardModel(BoardOptions options = {});
    ~BoardModel();
    BoardModel(const BoardModel&) = delete;
    BoardModel& operator=(const BoardModel&) = delete;

    // Both return false (and change nothing) for an invalid name, a cut out of range or a new
    // machine beyond kMaxMachines (beyond kMaxStateOnlyMachines for a state without cycles).
    bool OnCycle(std::string_view machine, const JournalRecord& record, uint64_t sequence);
    bool OnState(std::string_view machine, const BoardState& state);
    // A machine's journal cycles, oldest first, before its messages come (kvdplant's start): its
    // tile shows its last cycles and forecast at once, yet it is neither seen nor running.
    bool Seed(std::string_view machine, const std::vector<JournalRecord>& records);

    // Every machine, sorted by name.
    std::vector<MachineView> Snapshot() const;
    bool Find(std::string_view machine, MachineView& out) const;
    // The machines whose content or status changed since the cursor, and moves the cursor on.
    std::vector<MachineView> Changes(EventCursor& cursor) const;
    // Waits until the model changed after the cursor, or the time ran out, or Wake was called.
    void WaitForChange(const EventCursor& cursor, std::chrono::milliseconds timeout) const;
    void Wake();

    // New machines turned away because the board was full, since the start.
    uint64_t Refused() const;

    int64_t Now() const;
    const BoardOptions& Options() const { return options_; }

private:
    struct Machine;
    Machine* Get(std::string_view machine, bool withCycles);                         // under mutex_; creates
    void Add(Machine& m, const JournalRecord& r, uint64_t sequence, bool forecast);  // under mutex_
    MachineView View(const Machine& m, int64_t now) const;
    MachineStatus Status(const Machine& m, int64_t now) const;
    static int RunningCut(const Machine& m);
    void Changed(Machine& m);  // under mutex_

    BoardOptions options_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::unique_ptr<Machine>> machines_;  // in order of first sight
    std::map<std::string, std::size_t, std::less<>> index_;
    uint64_t version_ = 0;
    uint64_t refused_ = 0;
};

// Start of the shift that holds a moment, as UTC milliseconds (hours: local shift starts).
int64_t ShiftStart(int64_t unixMs, int32_t offsetMinutes, const std::vector<int>& hours);

}  // namespace kvdboard
