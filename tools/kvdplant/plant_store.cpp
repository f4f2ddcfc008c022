#include "plant_store.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "journal/journal_file.h"
#include "journal/journal_line.h"
#include "journal/journal_writer.h"
#include "plant/day_files.h"
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
    if (!known && leaf == "state" && m.view.lastSequence == 0 && m.lastLine.empty() &&
        StateOnlyMachines() > kStateOnlyMax) {
        machines_.erase(machine);
        *problem = "too many machines that sent only a state; those that send cycles are kept";
        return Outcome::kMalformed;
    }
    const Outcome o = leaf == "cycle" ? TakeCycle(m, payload, nowUnixMs, problem)
                                      : TakeState(m, payload, nowUnixMs, problem);
    // A name that brought nothing valid leaves nothing behind, in memory or on disk.
    if (!known && o != Outcome::kStored && o != Outcome::kState && o != Outcome::kRepeat)
        machines_.erase(machine);
    return o;
}

std::size_t PlantStore::StateOnlyMachines() const {
    std::size_t n = 0;
    for (const auto& [name, m] : machines_) n += m.view.lastSequence == 0 && m.lastLine.empty() ? 1 : 0;
    return n;
}

Outcome PlantStore::TakeCycle(Machine& m, std::string_view payload, int64_t now, std::string* problem) {
    const json j = json::parse(payload, nullptr, false);
    if (j.is_discarded() || !j.is_object()) {
        *problem = "not a JSON object";
        return Outcome::kMalformed;
    }
    if (!j.contains("seq") || !j["seq"].is_number_unsigned() || !j.contains("machine") ||
        j["machine"] != m.view.name) {
        *problem = "seq is missing, or machine is not the topic's";
        return Outcome::kMalformed;
    }
    JournalRecord r{};
    if (!RecordOf(j, r, problem)) return Outcome::kMalformed;
    const uint64_t seq = j["seq"].get<uint64_t>();
    const std::string line = LineOf(r);
    // A repeat: numbered as stored before, or the very line stored last when the number did not
    // reach the sequence file (kvdplant stopped between the two writes).
    if (seq <= m.view.lastSequence || line == m.lastLine) {
        m.view.lastSequence = std::max(seq, m.view.lastSequence);
        ++m.view.repeats;
        return Outcome::kRepeat;
    }
    const std::string place = folder_ + "/" + m.view.name + "/journal.csv";  // its folder is the journal's
    // The machine's folder is made only for a cycle known valid.
    static_cast<void>(MakeJournalFolder(folder_.c_str()));
    static_cast<void>(MakeJournalFolder((folder_ + "/" + m.view.name).c_str()));
    if (const int32_t e = WriteJournalRecord(SystemJournalFiles(), place.c_str(), r)) {
        *problem = "the journal line cannot be written (error " + std::to_string(e) + ")";
        return Outcome::kWriteFailed;
    }
    if (m.view.lastSequence != 0 && seq != m.view.lastSequence + 1) ++m.view.gaps;
    m.view.lastSequence = seq;
    m.lastLine = line;
    ++m.view.stored;
    m.view.recent.push_back({r, seq, now});
    if (m.view.recent.size() > recentMax_) m.view.recent.pop_front();
    m.view.lastChangeUnixMs = now;
    ++changes_;
    SaveSequence(m, problem);
    return Outcome::kStored;
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
        it->second.view.name = name;
        Load(it->second);
    }
    return it->second;
}

// What a machine's folder says of an earlier run: its last sequence and its newest line.
void PlantStore::Load(Machine& m) {
    const std::string base = folder_ + "/" + m.view.name;
    std::ifstream sequence(base + "/sequence");
    uint64_t last = 0;
    if (sequence >> last) m.view.lastSequence = last;
    char newest[kDayNameSize] = "";
    if (!FindDayFiles((base + "/journal").c_str(), "", nullptr, newest)) return;
    std::ifstream day(base + "/journal/" + newest + ".csv", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(day)), std::istreambuf_iterator<char>());
    const std::size_t end = text.size() >= 2 ? text.rfind('\n', text.size() - 2) : std::string::npos;
    if (!text.empty() && text.back() == '\n')
        m.lastLine = text.substr(end == std::string::npos ? 0 : end + 1);
}

// Replaced whole through a temporary, but not flushed to the disk: a stop of kvdplant loses
// nothing of it, and after a power loss the newest line of the journal still tells the last cycle
// from a new one. A flush for every cycle of a plant would cost more than it saves.
void PlantStore::SaveSequence(const Machine& m, std::string* problem) const {
    const std::string path = folder_ + "/" + m.view.name + "/sequence";
    const std::string temporary = path + ".tmp";
    bool ok = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << m.view.lastSequence << "\n";
        ok = static_cast<bool>(out.flush());
    }
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        *problem = "the sequence file cannot be written";
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
