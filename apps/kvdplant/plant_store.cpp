#include "plant_store.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "journal/journal_file.h"
#include "journal/journal_line.h"
#include "model/results.h"
#include "journal/journal_writer.h"
#include "plant/day_files.h"
#include "plant/outbox.h"
#include "plant/plant_settings.h"

namespace kvdplant {

namespace {

using nlohmann::json;

// The cycle message's fields in the order of the journal line, after its time.
constexpr const char* kLineFields[] = {"cut",           "peak",
                                       "work",          "po",
                                       "break",         "blunt",
                                       "missing",       "err1",
                                       "blunt_counter", "missing_counter",
                                       "break_limit",   "blunt_limit",
                                       "missing_limit"};

// The message as a journal line, checked by the journal's own reader: the fields the monitor took
// from its journal line go back into one.
bool RecordOf(const json& j, JournalRecord& out, std::string* problem) {
    if (!j.contains("time") || !j["time"].is_string() || !j.contains("blunt_mode") ||
        !j["blunt_mode"].is_string()) {
        *problem = "time or blunt_mode is missing or not a text";
        return false;
    }
    std::string line = j["time"].get<std::string>();
    for (const char* f : kLineFields) {
        if (!j.contains(f) || !j[f].is_number_integer()) {
            *problem = std::string(f) + " is missing or not a whole number";
            return false;
        }
        line += "," + std::to_string(j[f].get<int64_t>());
    }
    line += "," + j["blunt_mode"].get<std::string>();
    const char* why = "";
    if (!ParseJournalLine(line, out, &why)) {
        *problem = why;
        return false;
    }
    return true;
}

std::string LineOf(const JournalRecord& r) {
    char text[kJournalLineMax];
    return std::string(text, FormatJournalLine(r, text));
}

// How many outboxes a machine's numbers are kept for. Forgetting one costs nothing but a look
// into the journal for its next message.
constexpr std::size_t kOutboxesKept = 16;

uint64_t HashOfLine(const std::string& line) {  // without its line feed
    return OutboxLineHash(line.data(), line.empty() ? 0 : line.size() - 1);
}

// The message's outbox: "" when it names none (a monitor of an older version); false when the
// field is there but not 1..16 hexadecimal digits.
bool OutboxOf(const json& j, std::string& out) {
    out.clear();
    if (!j.contains("outbox")) return true;
    if (!j["outbox"].is_string()) return false;
    out = j["outbox"].get<std::string>();
    return !out.empty() && out.size() <= 16 && out.find_first_not_of("0123456789abcdef") == std::string::npos;
}

bool Flag(const json& j, const char* key) {
    return j.contains(key) && j[key].is_boolean() && j[key].get<bool>();
}

}  // namespace

bool SplitTopic(std::string_view topic, std::string_view prefix, std::string& machine, std::string& leaf) {
    if (topic.size() <= prefix.size() + 1 || topic.substr(0, prefix.size()) != prefix ||
        topic[prefix.size()] != '/')
        return false;
    topic.remove_prefix(prefix.size() + 1);
    const std::size_t slash = topic.find('/');
    if (slash == std::string_view::npos || topic.find('/', slash + 1) != std::string_view::npos) return false;
    machine = std::string(topic.substr(0, slash));
    leaf = std::string(topic.substr(slash + 1));
    return IsPlantName(machine.c_str());
}

PlantStore::PlantStore(std::string folder, std::string prefix, std::size_t recentMax)
    : folder_(std::move(folder)), prefix_(std::move(prefix)), recentMax_(recentMax) {}

Outcome PlantStore::Take(std::string_view topic, std::string_view payload, int64_t nowUnixMs,
                         std::string* problem) {
    std::string machine, leaf;
    if (!SplitTopic(topic, prefix_, machine, leaf)) {
        *problem = "not a machine's topic";
        return Outcome::kIgnored;
    }
    if (payload.empty()) return Outcome::kIgnored;  // a retained message being cleared
    if (leaf != "cycle" && leaf != "state") {
        *problem = "not a cycle or state topic";
        return Outcome::kIgnored;
    }
    // Bounded before any work: a cycle or state message is a few hundred bytes.
    if (payload.size() > kPayloadMax) {
        *problem = "a message of " + std::to_string(payload.size()) + " bytes, above the " +
                   std::to_string(kPayloadMax) + " a cycle or state may have";
        return Outcome::kMalformed;
    }
    std::lock_guard lock(mutex_);
    const bool known = machines_.count(machine) > 0;
    Machine& m = Find(machine);  // reads what its folder holds, if it has one; makes nothing
    if (!known && leaf == "state" && m.view.lastSequence == 0 && !m.onDisk &&
        StateOnlyMachines() > kStateOnlyMax) {
        machines_.erase(machine);
        *problem = "too many machines that sent only a state; those that send cycles are kept";
        return Outcome::kMalformed;
    }
    const Outcome o = leaf == "cycle" ? TakeCycle(m, payload, nowUnixMs, problem)
                                      : TakeState(m, payload, nowUnixMs, problem);
    // A name that brought nothing valid leaves nothing behind, in memory or on disk.
    if (!known && o != Outcome::kStored && o != Outcome::kState && o != Outcome::kRepeat &&
        o != Outcome::kWriteFailed)  // its line waits in the machine's writer
        machines_.erase(machine);
    return o;
}

std::size_t PlantStore::StateOnlyMachines() const {
    std::size_t n = 0;
    for (const auto& [name, m] : machines_) n += m.view.lastSequence == 0 && !m.onDisk ? 1 : 0;
    return n;
}

bool ReadCycleMessage(std::string_view payload, const std::string& machine, CycleMessage& out,
                      std::string* problem) {
    const json j = json::parse(payload, nullptr, false);
    if (j.is_discarded() || !j.is_object()) {
        *problem = "not a JSON object";
        return false;
    }
    if (!j.contains("seq") || !j["seq"].is_number_unsigned() || !j.contains("machine") ||
        j["machine"] != machine || !OutboxOf(j, out.outbox)) {
        *problem = "seq or outbox is missing or malformed, or machine is not the topic's";
        return false;
    }
    out.record = {};
    out.seq = j["seq"].get<uint64_t>();
    return RecordOf(j, out.record, problem);
}

Outcome PlantStore::TakeCycle(Machine& m, std::string_view payload, int64_t now, std::string* problem) {
    CycleMessage message;
    if (!ReadCycleMessage(payload, m.view.name, message, problem)) return Outcome::kMalformed;
    const JournalRecord& r = message.record;
    const std::string& outbox = message.outbox;
    const uint64_t seq = message.seq;
    const std::string line = LineOf(r);
    // The journal itself decides what was stored: numbers start again (another outbox, a
    // restored one), and anyone may publish any number; the numbers only tell the gaps.
    const auto known = m.outboxes.find(outbox);
    const int stored = Stored(m, r, line);
    // A journal that cannot be read now (no file descriptor left): the numbers decide meanwhile.
    if (stored == 1 || (stored < 0 && known != m.outboxes.end() && seq <= known->second)) {
        Remember(m, outbox, seq);
        Due(m, outbox, seq);
        ++m.view.repeats;
        return Outcome::kRepeat;
    }
    if (known != m.outboxes.end() && seq != known->second + 1) ++m.view.gaps;
    int32_t e = 0;
    if (!folder_.empty()) {  // the machine's folder is made only for a cycle known valid
        static_cast<void>(MakeJournalFolder(folder_.c_str()));
        static_cast<void>(MakeJournalFolder((folder_ + "/" + m.view.name).c_str()));
        e = WriteJournalRecord(*m.writer, SystemJournalFiles(), m.place.c_str(), r);
    }
    if (m.indexedDay == line.substr(0, 10)) m.indexed.insert(HashOfLine(line));
    Remember(m, outbox, seq);
    Due(m, outbox, seq);
    m.view.lastSequence = seq;
    ++m.view.stored;
    m.view.recent.push_back({r, seq, now});
    if (m.view.recent.size() > recentMax_) m.view.recent.pop_front();
    m.view.lastChangeUnixMs = now;
    ++changes_;
    m.view.waiting = JournalLinesWaiting(*m.writer);
    m.view.lost = JournalLinesLost(*m.writer);
    if (e != 0 && e != kResultShortTransfer) {
        if (!m.reportedWaiting) *problem = WaitingText(m, e);  // told once until written
        m.reportedWaiting = true;
        return Outcome::kWriteFailed;
    }
    return Outcome::kStored;
}

// Whether this very line is in the machine's journal already, or waits for it: 1 yes, 0 no, -1
// when its day file is there but cannot be read now.
int PlantStore::Stored(Machine& m, const JournalRecord& r, const std::string& line) {
    const JournalWriter& w = *m.writer;
    for (std::size_t i = 0; i < w.waitingLines; ++i) {
        const JournalRecord& waiting = w.waiting[(w.firstWaiting + i) % kJournalWaitingMax];
        if (waiting.time.unixMs == r.time.unixMs && LineOf(waiting) == line) return 1;
    }
    if (folder_.empty()) {  // no journal: the last cycles in memory tell a resend
        for (const StoredCycle& c : m.view.recent)
            if (c.record.time.unixMs == r.time.unixMs && LineOf(c.record) == line) return 1;
        return 0;
    }
    const std::string day = line.substr(0, 10);
    if (m.indexedDay != day) {
        const std::string path = folder_ + "/" + m.view.name + "/journal/" + day + ".csv";
        std::ifstream in(path, std::ios::binary);
        std::error_code ec;
        if (!in.is_open() && std::filesystem::exists(path, ec)) return -1;
        m.indexed.clear();
        m.indexedDay = day;
        for (std::string text; std::getline(in, text);) m.indexed.insert(HashOfLine(text + "\n"));
        if (in.bad()) {  // a read that failed part of the way: not an index to trust
            m.indexedDay.clear();
            return -1;
        }
    }
    return m.indexed.count(HashOfLine(line)) > 0 ? 1 : 0;
}

// A receipt for a cycle of an outbox (a monitor of an older version names none, and asks for
// none); it goes once the machine's journal holds every line it was given.
void PlantStore::Due(Machine& m, const std::string& outbox, uint64_t seq) {
    if (outbox.empty()) return;
    uint64_t& due = m.unreceipted[outbox];
    due = std::max(due, seq);
}

std::vector<Receipt> PlantStore::Receipts() {
    std::lock_guard lock(mutex_);
    std::vector<Receipt> out;
    for (auto& [name, m] : machines_) {
        if (m.unreceipted.empty() || JournalLinesWaiting(*m.writer) > 0) continue;
        for (const auto& [outbox, seq] : m.unreceipted) out.push_back({name, outbox, seq});
        m.unreceipted.clear();
    }
    return out;
}

void PlantStore::SaveSequences(std::vector<std::string>* problems) {
    std::lock_guard lock(mutex_);
    if (folder_.empty()) return;  // the database alone keeps the cycles
    for (auto& [name, m] : machines_) {
        if (!m.sequenceChanged) continue;
        std::string problem;
        SaveSequence(m, &problem);
        m.sequenceChanged = false;
        if (!problem.empty() && problems != nullptr) problems->push_back(problem);
    }
}

void PlantStore::Remember(Machine& m, const std::string& outbox, uint64_t seq) {
    m.sequenceChanged = true;
    auto it = m.outboxes.find(outbox);
    if (it == m.outboxes.end()) {
        if (m.outboxes.size() >= kOutboxesKept) m.outboxes.erase(m.outboxes.begin());
        m.outboxes.emplace(outbox, seq);
        return;
    }
    it->second = std::max(it->second, seq);
}

std::string PlantStore::WaitingText(const Machine& m, int32_t error) const {
    return m.view.name + ": the journal line cannot be written (" + std::strerror(error) + "); " +
           std::to_string(JournalLinesWaiting(*m.writer)) + " lines wait for " + folder_ + "/" + m.view.name +
           "/journal, " + std::to_string(JournalLinesLost(*m.writer)) + " lost";
}

void PlantStore::WriteWaiting(std::vector<std::string>* reports) {
    std::lock_guard lock(mutex_);
    for (auto& [name, m] : machines_) {
        if (JournalLinesWaiting(*m.writer) == 0) continue;
        const int32_t e = WriteWaitingJournalLines(*m.writer, SystemJournalFiles(), m.place.c_str());
        m.view.waiting = JournalLinesWaiting(*m.writer);
        m.view.lost = JournalLinesLost(*m.writer);
        if (e != 0 && e != kResultShortTransfer && !m.reportedWaiting) {
            reports->push_back(WaitingText(m, e));
            m.reportedWaiting = true;
        } else if (m.view.waiting == 0 && m.reportedWaiting) {
            reports->push_back(name + ": the waiting journal lines are written, " +
                               std::to_string(m.view.lost) + " lost");
            m.reportedWaiting = false;
        }
    }
}

Outcome PlantStore::TakeState(Machine& m, std::string_view payload, int64_t now, std::string* problem) {
    const json j = json::parse(payload, nullptr, false);
    if (j.is_discarded() || !j.is_object() || !j.contains("online") || !j["online"].is_boolean()) {
        *problem = "not a state message";
        return Outcome::kMalformed;
    }
    MachineView& v = m.view;
    v.online = j["online"].get<bool>();
    v.unitConnected = v.online && Flag(j, "unit");
    const bool cut = v.online && j.contains("cut") && j["cut"].is_number_integer();
    const int64_t c = cut ? j["cut"].get<int64_t>() : 0;
    v.activeCut = c >= 1 && c <= 16 ? static_cast<int>(c - 1) : -1;
    v.breakLamp = v.online && Flag(j, "break");
    v.bluntLamp = v.online && Flag(j, "blunt");
    v.missingLamp = v.online && Flag(j, "missing");
    v.lastChangeUnixMs = now;
    ++changes_;
    return Outcome::kState;
}

PlantStore::Machine& PlantStore::Find(const std::string& name) {
    auto [it, added] = machines_.try_emplace(name);
    if (added) {
        Machine& m = it->second;
        m.view.name = name;
        m.place = folder_ + "/" + name + "/journal.csv";  // its folder is the journal's
        m.writer.reset(new JournalWriter);  // plain new: the ring's pages are touched only when used
        ResetJournalWriter(*m.writer);
        Load(m);
    }
    return it->second;
}

// What a machine's folder says of an earlier run: the last number of each outbox ("<last>" on
// the first line, as the older format held it alone, then "<outbox or -> <number>" lines).
void PlantStore::Load(Machine& m) {
    if (folder_.empty()) return;
    const std::string base = folder_ + "/" + m.view.name;
    m.onDisk = FindDayFiles((base + "/journal").c_str(), "", nullptr, nullptr);
    std::ifstream sequence(base + "/sequence");
    uint64_t last = 0;
    if (!(sequence >> last)) return;
    m.view.lastSequence = last;
    std::string outbox;
    uint64_t seq = 0;
    bool any = false;
    while (sequence >> outbox >> seq) {
        Remember(m, outbox == "-" ? "" : outbox, seq);
        any = true;
    }
    if (!any) Remember(m, "", last);  // the older format: one numbering, of no outbox
}

// Replaced whole through a temporary, in groups (SaveSequences, about once a second and at the
// stop) and not flushed to the disk: the numbers only count gaps, and a resend is found in the
// journal itself whatever they say. A file per cycle would cost more than it saves.
void PlantStore::SaveSequence(const Machine& m, std::string* problem) const {
    const std::string path = folder_ + "/" + m.view.name + "/sequence";
    const std::string temporary = path + ".tmp";
    bool ok = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << m.view.lastSequence << "\n";
        for (const auto& [outbox, seq] : m.outboxes)
            out << (outbox.empty() ? "-" : outbox) << " " << seq << "\n";
        ok = static_cast<bool>(out.flush());
    }
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        *problem = m.view.name + ": the sequence file cannot be written";
    }
}

std::vector<std::string> PlantStore::Machines() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const auto& [name, m] : machines_) names.push_back(name);
    return names;
}

bool PlantStore::View(const std::string& machine, MachineView& out) const {
    std::lock_guard lock(mutex_);
    const auto it = machines_.find(machine);
    if (it == machines_.end()) return false;
    out = it->second.view;
    return true;
}

uint64_t PlantStore::Changes() const {
    std::lock_guard lock(mutex_);
    return changes_;
}

}  // namespace kvdplant
