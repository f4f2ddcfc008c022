// kvdplant's store: what the plant's monitors publish, kept per machine. Every cycle message
// becomes a line of that machine's journal (<folder>/<machine>/journal/YYYY-MM-DD.csv, written
// by the journal layer, so kvdstat reads it), unless its sequence number says it was stored
// before: a monitor resends what the broker did not acknowledge, and only the first copy counts.
// The last sequence of each machine survives a restart in <folder>/<machine>/sequence.
//
// Beside the files the store keeps each machine's state and its last cycles in memory, for a
// reader that shows the plant live: one thread takes messages, any other reads snapshots.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "journal/journal_record.h"

namespace kvdplant {

struct StoredCycle {
    JournalRecord record;
    uint64_t sequence;
    int64_t storedUnixMs;
};

struct MachineView {
    std::string name;
    bool online = false;
    bool unitConnected = false;
    int activeCut = -1;  // 0..15
    bool breakLamp = false, bluntLamp = false, missingLamp = false;
    uint64_t lastSequence = 0;
    uint64_t stored = 0, repeats = 0, gaps = 0;  // since kvdplant started
    int64_t lastChangeUnixMs = 0;
    std::deque<StoredCycle> recent;  // oldest first, at most the store's recentMax
};

enum class Outcome {
    kStored,       // a new cycle, written to the machine's journal
    kRepeat,       // a cycle stored before, dropped
    kState,        // a state message, kept
    kIgnored,      // a topic of another prefix or leaf
    kMalformed,    // *problem says why; nothing kept
    kWriteFailed,  // the journal line could not be written; the sequence is not advanced
};

// A cycle or state message is a few hundred bytes; anything longer is refused unread.
constexpr std::size_t kPayloadMax = 4096;
// Machines known only by a state message (no cycle stored, none on disk) are kept up to this many.
constexpr std::size_t kStateOnlyMax = 64;

class PlantStore {
public:
    PlantStore(std::string folder, std::string prefix, std::size_t recentMax = 100);

    // One message as the broker delivered it; *problem tells what went wrong.
    Outcome Take(std::string_view topic, std::string_view payload, int64_t nowUnixMs, std::string* problem);

    // The machines seen so far, sorted by name, and one machine's view.
    std::vector<std::string> Machines() const;
    bool View(const std::string& machine, MachineView& out) const;
    // Grows by one for every message that changed what a view shows.
    uint64_t Changes() const;

private:
    struct Machine {
        MachineView view;
        std::string lastLine;  // the newest line of its journal, to recognise a repeat after a crash
    };
    Machine& Find(const std::string& name);
    std::size_t StateOnlyMachines() const;  // under mutex_
    Outcome TakeCycle(Machine& m, std::string_view payload, int64_t now, std::string* problem);
    Outcome TakeState(Machine& m, std::string_view payload, int64_t now, std::string* problem);
    void Load(Machine& m);
    void SaveSequence(const Machine& m, std::string* problem) const;

    std::string folder_, prefix_;
    std::size_t recentMax_;
    mutable std::mutex mutex_;
    std::map<std::string, Machine> machines_;
    uint64_t changes_ = 0;
};

// The machine of a topic "<prefix>/<machine>/<leaf>", and its leaf; false when it is not one.
bool SplitTopic(std::string_view topic, std::string_view prefix, std::string& machine, std::string& leaf);

}  // namespace kvdplant
