// The plant link under load: N publishers (the monitor's own publisher code), each fed by a
// simulated machine that ends a cycle RATE times a second and writes it to its journal, into one
// broker. Run by bench/plant_load.sh, which starts the broker and kvdplant and checks what they
// stored; this program prints what it wrote and how long the publishers took to send it all.
//
//   plant_load HOST PORT FOLDER PUBLISHERS SECONDS RATE
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "journal/journal_file.h"
#include "journal/journal_writer.h"
#include "plant/publisher.h"

namespace {

struct Machine {
    std::string name, statistics, journal;
    PlantPublisher* publisher = nullptr;
    uint64_t written = 0;
    std::shared_ptr<JournalWriter> writer;  // each machine's journal its own
};

bool Setup(Machine& m, const char* host, const char* port) {
    PlantSettings s{};
    char message[kPlantMessageMax];
    if (!ParsePlantSettings({"1", host, port, m.name.c_str(), "kvd"}, "pc", s, message, sizeof message)) {
        std::fprintf(stderr, "%s\n", message);
        return false;
    }
    if (MakeJournalFolder(m.journal.substr(0, m.journal.rfind('/')).c_str()) != 0 ||
        MakeJournalFolder(m.journal.c_str()) != 0)
        return false;
    m.publisher = StartPlantPublisher(DefaultPublisherSetup(s, m.journal.c_str()));
    return m.publisher != nullptr;
}

// One cycle end of a machine: its journal line, and the nudge the monitor gives its publisher.
void EndCycle(Machine& m) {
    JournalRecord r{};
    r.time = JournalNow();
    r.cut = static_cast<int>(m.written % 4);
    r.peak = static_cast<uint8_t>(40 + m.written % 30);
    r.work = static_cast<uint8_t>(20 + m.written % 10);
    r.bluntCounter = static_cast<int32_t>(m.written);
    r.breakLimit = 80;
    if (!m.writer) {
        m.writer.reset(new JournalWriter);
        ResetJournalWriter(*m.writer);
    }
    if (WriteJournalRecord(*m.writer, SystemJournalFiles(), m.statistics.c_str(), r) == 0) ++m.written;
    NudgePlantPublisher(m.publisher);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: plant_load HOST PORT FOLDER PUBLISHERS SECONDS RATE\n");
        return 2;
    }
    const std::string folder = argv[3];
    const int count = std::atoi(argv[4]), seconds = std::atoi(argv[5]);
    const double rate = std::atof(argv[6]);  // cycles a second of each machine: 0.5 is one every 2 s
    if (count < 1 || seconds < 1 || !(rate > 0)) {
        std::fprintf(stderr, "plant_load: PUBLISHERS, SECONDS and RATE must be above 0\n");
        return 2;
    }
    std::vector<Machine> machines(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        Machine& m = machines[static_cast<std::size_t>(i)];
        m.name = "m" + std::to_string(i + 1);
        m.statistics = folder + "/" + m.name + "/Default.$$$";
        m.journal = folder + "/" + m.name + "/journal";
        if (!Setup(m, argv[1], argv[2])) return 1;
    }
    // The machines' cycle ends spread evenly over each period, like unsynchronised machines.
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    const auto step = std::chrono::microseconds(std::llround(1e6 / (rate * count)));
    auto next = start;
    for (std::size_t k = 0; clock::now() - start < std::chrono::seconds(seconds); ++k) {
        std::this_thread::sleep_until(next);
        EndCycle(machines[k % machines.size()]);
        next += step;
    }
    const double ran = std::chrono::duration<double>(clock::now() - start).count();
    // Everything written must be acknowledged; the publishers get 30 s to finish.
    uint64_t written = 0, published = 0;
    for (int wait = 0; wait < 300; ++wait) {
        written = published = 0;
        for (const Machine& m : machines) {
            written += m.written;
            published += ReadPlantLinkStatus(m.publisher).published;
        }
        if (published >= written) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const double drained = std::chrono::duration<double>(clock::now() - start).count();
    for (Machine& m : machines) StopPlantPublisher(m.publisher, 2000);
    std::printf(
        "plant_load: publishers %d rate %g/s ran %.1f s written %llu acknowledged %llu (%.1f cycles/s, all "
        "acknowledged after %.1f s)\n",
        count, rate, ran, static_cast<unsigned long long>(written),
        static_cast<unsigned long long>(published), published / ran, drained);
    return published == written ? 0 : 1;
}
