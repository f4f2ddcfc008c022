#include "board_model.h"

#include <algorithm>

namespace kvdboard {

namespace {

constexpr int64_t kHourMs = 3600000, kDayMs = 24 * kHourMs;
constexpr std::size_t kEndTimes = 128;  // cycle ends kept for the cycles per hour

template <std::size_t N, typename T>
struct Ring {
    std::array<T, N> items{};
    std::size_t count = 0, next = 0;
    void Push(const T& v) {
        items[next] = v;
        next = (next + 1) % N;
        count = std::min(count + 1, N);
    }
    // The i-th of the last `last` items, oldest first.
    const T& Recent(std::size_t last, std::size_t i) const { return items[(next + N - last + i) % N]; }
};

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

}  // namespace

struct BoardModel::Machine {
    std::string name;
    bool stateKnown = false;
    BoardState state;
    Ring<kForecastCycles, BoardCycle> cuts[kCutCount];
    kvdstat::Forecast breakForecast[kCutCount], bluntForecast[kCutCount];
    Ring<kEndTimes, int64_t> ends;
    int lastCut = -1;
    int64_t lastSeenMs = 0, cycleArrivalMs = 0;
    int32_t lastOffsetMinutes = 0;
    uint64_t sequence = 0, cyclesSeen = 0;
    int64_t shiftStartMs = 0;
    std::array<uint32_t, 3> shiftAlarms{};
    uint64_t version = 0;
};

bool ValidMachineName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameLength || name.front() == '.') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
               c == '_' || c == '-';
    });
}

const char* StatusName(MachineStatus s) {
    switch (s) {
        case MachineStatus::kOffline:
            return "offline";
        case MachineStatus::kAlarm:
            return "alarm";
        case MachineStatus::kWearing:
            return "wearing";
        case MachineStatus::kRunning:
            return "running";
        case MachineStatus::kIdle:
            return "idle";
    }
    return "offline";
}

int64_t ShiftStart(int64_t unixMs, int32_t offsetMinutes, const std::vector<int>& hours) {
    const int64_t local = unixMs + int64_t{offsetMinutes} * 60000;
    const int64_t day = FloorDiv(local, kDayMs) * kDayMs;
    // The latest start at or before the moment; before the day's first, the previous day's last.
    int64_t best = INT64_MIN;
    for (int h : hours)
        for (int64_t d : {day - kDayMs, day}) {
            const int64_t start = d + h * kHourMs;
            if (start <= local) best = std::max(best, start);
        }
    if (best == INT64_MIN) best = day;  // no shift hours: one shift a day
    return best - int64_t{offsetMinutes} * 60000;
}

BoardModel::BoardModel(BoardOptions options) : options_(std::move(options)) {
    if (!options_.clock)
        options_.clock = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                .count();
        };
}

BoardModel::~BoardModel() = default;

int64_t BoardModel::Now() const { return options_.clock(); }

BoardModel::Machine* BoardModel::Get(std::string_view machine, bool withCycles) {
    if (!ValidMachineName(machine)) return nullptr;
    if (auto it = index_.find(machine); it != index_.end()) return machines_[it->second].get();
    // Names that bring only a state have a share of their own: they never fill the board.
    const auto cycles = [](const auto& m) {
        return std::any_of(std::begin(m->cuts), std::end(m->cuts), [](const auto& r) { return r.count > 0; });
    };
    const auto stateOnly = static_cast<std::size_t>(
        std::count_if(machines_.begin(), machines_.end(), [&](const auto& m) { return !cycles(m); }));
    if (machines_.size() >= kMaxMachines || (!withCycles && stateOnly >= kMaxStateOnlyMachines)) {
        ++refused_;
        return nullptr;
    }
    auto m = std::make_unique<Machine>();
    m->name = std::string(machine);
    index_.emplace(m->name, machines_.size());
    machines_.push_back(std::move(m));
    return machines_.back().get();
}

void BoardModel::Changed(Machine& m) {
    m.lastSeenMs = options_.clock();
    m.version = ++version_;
}

namespace {

// The wear forecast of a cut from its kept cycles: the least-squares line of the peaks (and of the
// work in the work mode of Blunt) run on to the latest limits.
void Forecast(const Ring<kForecastCycles, BoardCycle>& ring, kvdstat::Forecast& breakOut,
              kvdstat::Forecast& bluntOut) {
    breakOut = bluntOut = {};
    if (ring.count < kFewestForForecast) return;
    std::vector<uint8_t> peak(ring.count), work(ring.count);
    for (std::size_t i = 0; i < ring.count; ++i) {
        peak[i] = ring.Recent(ring.count, i).peak;
        work[i] = ring.Recent(ring.count, i).work;
    }
    const BoardCycle& last = ring.Recent(1, 0);
    const kvdstat::LineFit peakFit = kvdstat::FitWindow(peak, 0, peak.size());
    breakOut = kvdstat::ForecastLimit(peakFit, last.breakLimit);
    // A Blunt limit of 4 or less is Off on the unit.
    const int blunt = last.bluntLimit > 4 ? last.bluntLimit : 0;
    bluntOut = kvdstat::ForecastLimit(
        last.bluntMode == 0 ? peakFit : kvdstat::FitWindow(work, 0, work.size()), blunt);
}

}  // namespace

void BoardModel::Add(Machine& m, const JournalRecord& r, uint64_t sequence, bool forecast) {
    const BoardCycle c{r.time.unixMs,
                       r.breakLimit,
                       r.bluntLimit,
                       r.peak,
                       r.work,
                       r.alarms,
                       static_cast<uint8_t>(r.bluntMode)};
    m.cuts[r.cut].Push(c);
    if (forecast) Forecast(m.cuts[r.cut], m.breakForecast[r.cut], m.bluntForecast[r.cut]);
    m.ends.Push(r.time.unixMs);
    m.lastCut = r.cut;
    m.lastOffsetMinutes = r.time.offsetMinutes;
    m.sequence = sequence;
    ++m.cyclesSeen;
    const int64_t shift = ShiftStart(r.time.unixMs, r.time.offsetMinutes, options_.shiftHours);
    if (shift != m.shiftStartMs) m.shiftStartMs = shift, m.shiftAlarms = {};
    for (int k = 0; k < 3; ++k)
        if (r.alarms & (1u << k)) ++m.shiftAlarms[static_cast<std::size_t>(k)];
}

bool BoardModel::OnCycle(std::string_view machine, const JournalRecord& r, uint64_t sequence) {
    if (r.cut < 0 || r.cut >= kCutCount) return false;
    {
        std::lock_guard lock(mutex_);
        Machine* m = Get(machine, true);
        if (!m) return false;
        Add(*m, r, sequence, true);
        m->cycleArrivalMs = options_.clock();
        Changed(*m);
    }
    changed_.notify_all();
    return true;
}

bool BoardModel::Seed(std::string_view machine, const std::vector<JournalRecord>& records) {
    {
        std::lock_guard lock(mutex_);
        Machine* m = Get(machine, !records.empty());
        if (!m) return false;
        for (const JournalRecord& r : records)
            if (r.cut >= 0 && r.cut < kCutCount) Add(*m, r, 0, false);
        for (int c = 0; c < kCutCount; ++c) Forecast(m->cuts[c], m->breakForecast[c], m->bluntForecast[c]);
        m->version = ++version_;  // seen by nobody yet: lastSeenMs stays 0
    }
    changed_.notify_all();
    return true;
}

bool BoardModel::OnState(std::string_view machine, const BoardState& state) {
    if (state.activeCut < -1 || state.activeCut >= kCutCount) return false;
    {
        std::lock_guard lock(mutex_);
        Machine* m = Get(machine, false);
        if (!m) return false;
        m->state = state;
        m->stateKnown = true;
        Changed(*m);
    }
    changed_.notify_all();
    return true;
}

MachineStatus BoardModel::Status(const Machine& m, int64_t now) const {
    const bool cycling = m.cyclesSeen > 0 && now - m.cycleArrivalMs < options_.idleMs;
    // A machine whose state never came is taken by its cycles alone.
    if (m.stateKnown ? !m.state.online : !cycling) return MachineStatus::kOffline;
    if (m.state.lamps & (kJournalBreak | kJournalBlunt | kJournalMissing)) return MachineStatus::kAlarm;
    const int cut = RunningCut(m);
    if (cut >= 0) {
        for (const kvdstat::Forecast* f : {&m.breakForecast[cut], &m.bluntForecast[cut]}) {
            if (f->kind == kvdstat::Forecast::kAlreadyAbove) return MachineStatus::kWearing;
            if (f->kind == kvdstat::Forecast::kReached && f->cycles < options_.warningCycles)
                return MachineStatus::kWearing;
        }
    }
    if ((m.stateKnown && !m.state.connected) || !cycling) return MachineStatus::kIdle;
    return MachineStatus::kRunning;
}

namespace {

// Cycles per hour over the kept cycle ends of the last hour before the latest (the monitor's
// clock, so a backlog sent after an outage counts at the pace it was cut).
double CyclesPerHour(const Ring<kEndTimes, int64_t>& ends) {
    if (ends.count < 2) return 0;
    const int64_t last = ends.Recent(1, 0);
    std::size_t k = 0;
    int64_t first = last;
    for (std::size_t i = 0; i < ends.count; ++i) {
        const int64_t t = ends.Recent(ends.count, i);
        if (t > last - kHourMs && t <= last) {
            if (k == 0 || t < first) first = t;
            ++k;
        }
    }
    if (k < 2 || last - first < 1000) return 0;
    return static_cast<double>(k - 1) * static_cast<double>(kHourMs) / static_cast<double>(last - first);
}

}  // namespace

int BoardModel::RunningCut(const Machine& m) {
    return m.stateKnown && m.state.activeCut >= 0 ? m.state.activeCut : m.lastCut;
}

MachineView BoardModel::View(const Machine& m, int64_t now) const {
    MachineView v;
    v.name = m.name;
    v.stateKnown = m.stateKnown;
    v.state = m.state;
    v.status = Status(m, now);
    v.cut = RunningCut(m);
    if (v.cut >= 0) {
        const auto& ring = m.cuts[v.cut];
        const std::size_t n = std::min(ring.count, kChartCycles);
        v.cycles.reserve(n);
        for (std::size_t i = 0; i < n; ++i) v.cycles.push_back(ring.Recent(n, i));
        v.breakForecast = m.breakForecast[v.cut];
        v.bluntForecast = m.bluntForecast[v.cut];
    }
    // No cycle for an hour: the machine makes none now, whatever its last hour held.
    v.cyclesPerHour = m.cyclesSeen > 0 && now - m.cycleArrivalMs < kHourMs ? CyclesPerHour(m.ends) : 0;
    v.shiftStartMs = ShiftStart(now, m.lastOffsetMinutes, options_.shiftHours);
    if (v.shiftStartMs == m.shiftStartMs) v.shiftAlarms = m.shiftAlarms;
    v.lastSeenMs = m.lastSeenMs;
    v.lastCycleMs = m.ends.count > 0 ? m.ends.Recent(1, 0) : 0;
    v.lastOffsetMinutes = m.lastOffsetMinutes;
    v.sequence = m.sequence;
    v.cyclesSeen = m.cyclesSeen;
    v.version = m.version;
    return v;
}

std::vector<MachineView> BoardModel::Snapshot() const {
    std::vector<MachineView> out;
    {
        std::lock_guard lock(mutex_);
        const int64_t now = options_.clock();
        out.reserve(machines_.size());
        for (const auto& [name, i] : index_) out.push_back(View(*machines_[i], now));
    }
    return out;
}

uint64_t BoardModel::Refused() const {
    std::lock_guard lock(mutex_);
    return refused_;
}

bool BoardModel::Find(std::string_view machine, MachineView& out) const {
    std::lock_guard lock(mutex_);
    const auto it = index_.find(machine);
    if (it == index_.end()) return false;
    out = View(*machines_[it->second], options_.clock());
    return true;
}

std::vector<MachineView> BoardModel::Changes(EventCursor& cursor) const {
    std::vector<MachineView> out;
    std::lock_guard lock(mutex_);
    const int64_t now = options_.clock();
    cursor.modelVersion = version_;
    for (std::size_t i = 0; i < machines_.size(); ++i) {
        const Machine& m = *machines_[i];
        const MachineStatus status = Status(m, now);
        if (i < cursor.sent.size() && cursor.sent[i].version == m.version && cursor.sent[i].status == status)
            continue;
        if (i >= cursor.sent.size()) cursor.sent.resize(i + 1, {0, MachineStatus::kOffline});
        cursor.sent[i] = {m.version, status};
        out.push_back(View(m, now));
    }
    return out;
}

void BoardModel::WaitForChange(const EventCursor& cursor, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return version_ != cursor.modelVersion; });
}

void BoardModel::Wake() {
    {
        std::lock_guard lock(mutex_);
        ++version_;  // a change of no machine: every waiter looks and finds nothing to send
    }
    changed_.notify_all();
}

}  // namespace kvdboard
