// The outbox catching up: a monitor back after a day away, CYCLES cycles waiting in its journal
// (one a second, before now), sends them through its publisher (the monitor's own code) while
// its machine goes on ending a cycle a second. Run by bench/plant_catchup.sh, which starts the
// broker and kvdplant; this program prints how long until the publisher had every cycle
// acknowledged and until kvdplant's journal of the machine held as many lines as the machine's.
//
//   plant_catchup HOST PORT FOLDER PLANT_FOLDER CYCLES [TIMEOUT_S=900]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "journal/journal_file.h"
#include "journal/journal_writer.h"
#include "plant/outbox.h"
#include "plant/publisher.h"

namespace {

namespace fs = std::filesystem;

JournalRecord Cycle(int64_t unixMs, uint64_t i) {
    JournalRecord r{};
    r.time = JournalNow();
    r.time.unixMs = unixMs;
    r.cut = static_cast<int>(i % 4);
    r.peak = static_cast<uint8_t>(40 + i % 30);
    r.work = static_cast<uint8_t>(20 + i % 10);
    r.bluntCounter = static_cast<int32_t>(i);
    r.breakLimit = 80;
    return r;
}

// Journal lines (header rows left out) in a folder's day files.
uint64_t Lines(const fs::path& folder) {
    uint64_t n = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        if (e.path().extension() != ".csv") continue;
        std::ifstream in(e.path(), std::ios::binary);
        char buffer[65536];
        uint64_t lines = 0;
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
            for (std::streamsize k = 0; k < in.gcount(); ++k) lines += buffer[k] == '\n';
        n += lines > 0 ? lines - 1 : 0;
    }
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "usage: plant_catchup HOST PORT FOLDER PLANT_FOLDER CYCLES [TIMEOUT_S]\n");
        return 2;
    }
    const std::string folder = argv[3], journal = folder + "/journal", statistics = folder + "/Default.$$$";
    const fs::path stored = fs::path(argv[4]) / "m1" / "journal";
    const long cycles = std::atol(argv[5]);
    const int timeout = argc == 7 ? std::atoi(argv[6]) : 900;
    if (MakeJournalFolder(folder.c_str()) != 0 || MakeJournalFolder(journal.c_str()) != 0) return 1;
    // The link was on before the day away: its position is at the journal's start.
    if (SaveOutboxPosition(journal.c_str(), FreshOutboxPosition(journal.c_str(), JournalNow().unixMs)) != 0)
        return 1;
    std::unique_ptr<JournalWriter> writer(new JournalWriter);
    ResetJournalWriter(*writer);
    const int64_t now = JournalNow().unixMs;
    for (long i = 0; i < cycles; ++i)
        if (WriteJournalRecord(*writer, SystemJournalFiles(), statistics.c_str(),
                               Cycle(now - (cycles - i) * 1000, static_cast<uint64_t>(i))) != 0)
            return 1;

    PlantSettings s{};
    char message[kPlantMessageMax];
    if (!ParsePlantSettings({"1", argv[1], argv[2], "m1", "kvd"}, "pc", s, message, sizeof message)) {
        std::fprintf(stderr, "%s\n", message);
        return 1;
    }
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    PlantPublisher* publisher = StartPlantPublisher(DefaultPublisherSetup(s, journal.c_str()));
    if (publisher == nullptr) return 1;
    // The machine goes on: a cycle a second, each nudging the publisher as the monitor does.
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> written{static_cast<uint64_t>(cycles)};
    std::thread machine([&] {
        for (uint64_t i = static_cast<uint64_t>(cycles); !stop; ++i) {
            if (WriteJournalRecord(*writer, SystemJournalFiles(), statistics.c_str(),
                                   Cycle(JournalNow().unixMs, i)) == 0)
                written.fetch_add(1);
            NudgePlantPublisher(publisher);
            for (int k = 0; k < 20 && !stop; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    const auto seconds = [&] { return std::chrono::duration<double>(clock::now() - start).count(); };
    double acknowledged = -1, atPlant = -1;
    while (seconds() < timeout && (acknowledged < 0 || atPlant < 0)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const uint64_t w = written.load();
        if (acknowledged < 0 && ReadPlantLinkStatus(publisher).published >= w) acknowledged = seconds();
        if (atPlant < 0 && Lines(stored) >= w) atPlant = seconds();
    }
    stop = true;
    machine.join();
    const uint64_t published = ReadPlantLinkStatus(publisher).published;
    StopPlantPublisher(publisher, 2000);
    std::printf(
        "plant_catchup: %ld waiting, %llu written in all, %llu acknowledged; all acknowledged after %.1f s, "
        "all "
        "at kvdplant after %.1f s\n",
        cycles, static_cast<unsigned long long>(written.load()), static_cast<unsigned long long>(published),
        acknowledged, atPlant);
    return acknowledged >= 0 && atPlant >= 0 ? 0 : 1;
}
