// kvdplant's store: what the plant's monitors publish, kept per machine. Every cycle message
// becomes a line of that machine's journal (<folder>/<machine>/journal/YYYY-MM-DD.csv, written
// by the journal layer, so kvdstat reads it), unless it was stored before: a monitor resends what
// the broker did not acknowledge, and only the first copy counts.
//
// A message names its outbox (a random id of the monitor's position file) and its number there.
// A message is a repeat when its very line (its time to the millisecond and every value) is in
// the machine's journal already, or waits for it; the numbers of each outbox only tell the gaps.
// So a numbering that starts again (another journal folder and back, a restored position file, a
// clock that was behind) loses nothing, a hostile message with a huge number silences nobody, and
// a stop of kvdplant between a line and its number stores nothing twice. The last numbers
// survive a restart in <folder>/<machine>/sequence.
//
// Each machine has its own journal writer: a line its folder does not take (unwritable, the disk
// full, no file descriptor left) waits there, bounded and counted, and goes to that machine's
// journal in order once it can (WriteWaiting); the failure names the machine.
//
// Once a cycle's line is in its machine's journal (stored now, or found there as a resend), the
// store has a receipt for its outbox ready (Receipts): while lines of that machine wait for its
// folder, its receipts wait too, and go once they are written. The monitor moves its outbox on
// by them, not by the broker's acknowledgement.
//
// Beside the files the store keeps each machine's state and its last cycles in memory, for a
// reader that shows the plant live: one thread takes messages, any other reads snapshots.
#pragma once

#include <cstdint>
#include <deque>
#include <unordered_set>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "journal/journal_record.h"
#include "journal/journal_writer.h"

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
    uint32_t waiting = 0, lost = 0;              // journal lines waiting for the folder, lost
    int64_t lastChangeUnixMs = 0;
    std::deque<StoredCycle> recent;  // oldest first, at most the store's recentMax
};

enum class Outcome {
    kStored,       // a new cycle, written to the machine's journal
    kRepeat,       // a cycle stored before, dropped
    kState,        // a state message, kept
    kIgnored,      // a topic of another prefix or leaf
    kMalformed,    // *problem says why; nothing kept
    kWriteFailed,  // a new cycle whose line could not be written yet: it waits (*problem says so)
};

// A receipt due: the latest cycle of `outbox` whose line is in `machine`'s journal, with every
// cycle of that outbox that came before it.
struct Receipt {
    std::string machine, outbox;
    uint64_t sequence;
};

// A cycle or state message is a few hundred bytes; anything longer is refused unread.
constexpr std::size_t kPayloadMax = 4096;
// Machines known only by a state message (no cycle stored, none on disk) are kept up to this many.
constexpr std::size_t kStateOnlyMax = 64;

class PlantStore {
public:
    // An empty folder keeps no journals: the views only (a database is the collector's store).
    PlantStore(std::string folder, std::string prefix, std::size_t recentMax = 100);
    ~PlantStore() { SaveSequences(nullptr); }

    // One message as the broker delivered it; *problem tells what went wrong.
    Outcome Take(std::string_view topic, std::string_view payload, int64_t nowUnixMs, std::string* problem);

    // Writes lines that wait for their machine's journal (a batch per machine); each change of a
    // machine's waiting is told in *reports ("mill-1: ..."). kvdplant calls it about once a second.
    void WriteWaiting(std::vector<std::string>* reports);

    // The receipts due now, each (machine, outbox) once; they are forgotten once taken.
    std::vector<Receipt> Receipts();

    // Writes the sequence files of the machines whose numbers changed since the last call (in
    // groups: they only count gaps, so one written late loses nothing); failures into *problems.
    void SaveSequences(std::vector<std::string>* problems);

    // The machines seen so far, sorted by name, and one machine's view.
    std::vector<std::string> Machines() const;
    bool View(const std::string& machine, MachineView& out) const;
    // Grows by one for every message that changed what a view shows.
    uint64_t Changes() const;

private:
    struct Machine {
        MachineView view;
        std::map<std::string, uint64_t> outboxes;     // outbox id ("" without one) -> its last number
        std::map<std::string, uint64_t> unreceipted;  // outbox -> latest number taken, not receipted
        bool sequenceChanged = false;
        std::unique_ptr<JournalWriter> writer;
        std::string place;  // "<folder>/<machine>/journal.csv": the journal folder beside it
        std::string indexedDay;
        std::unordered_set<uint64_t> indexed;  // hashes of the lines of that day's journal file
        bool reportedWaiting = false;
        bool onDisk = false;  // its journal has a day file from an earlier run
    };
    Machine& Find(const std::string& name);
    std::size_t StateOnlyMachines() const;  // under mutex_
    Outcome TakeCycle(Machine& m, std::string_view payload, int64_t now, std::string* problem);
    Outcome TakeState(Machine& m, std::string_view payload, int64_t now, std::string* problem);
    void Load(Machine& m);
    int Stored(Machine& m, const JournalRecord& r, const std::string& line);
    void Remember(Machine& m, const std::string& outbox, uint64_t seq);
    std::string WaitingText(const Machine& m, int32_t error) const;
    void SaveSequence(const Machine& m, std::string* problem) const;
    void Due(Machine& m, const std::string& outbox, uint64_t seq);

    std::string folder_, prefix_;
    std::size_t recentMax_;
    mutable std::mutex mutex_;
    std::map<std::string, Machine> machines_;
    uint64_t changes_ = 0;
};

// A cycle message read and checked as the store takes it: the journal line it holds, its outbox
// ("" without one) and its number there. false and *problem when it is not a cycle of `machine`.
struct CycleMessage {
    JournalRecord record;
    std::string outbox;
    uint64_t seq = 0;
};
bool ReadCycleMessage(std::string_view payload, const std::string& machine, CycleMessage& out,
                      std::string* problem);

// The machine of a topic "<prefix>/<machine>/<leaf>", and its leaf; false when it is not one.
bool SplitTopic(std::string_view topic, std::string_view prefix, std::string& machine, std::string& leaf);

}  // namespace kvdplant
