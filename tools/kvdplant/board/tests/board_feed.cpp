// A board fed by lines on standard input instead of a broker, for the browser test and for
// pictures of the page. It answers every line with "ok" or "error: ...".
//   cycle NAME CUT PEAK WORK ALARMS      one cycle end now (CUT 1..16, ALARMS the journal bits)
//   wear NAME CUT N FROM TO              N cycles, one a minute up to now, peaks FROM..TO
//   state NAME online|offline CONNECTED CUT LAMPS
// With --journal DIR the cycles are also written as DIR/NAME/journal/YYYY-MM-DD.csv.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "board_model.h"
#include "board_server.h"
#include "journal/journal_line.h"

namespace {

using namespace kvdboard;

struct Feed {
    BoardModel& model;
    std::string journal;
    std::map<std::string, uint64_t> sequence;

    void Cycle(const std::string& name, JournalRecord r) {
        model.OnCycle(name, r, ++sequence[name]);
        if (journal.empty() || !ValidMachineName(name)) return;
        const auto folder = std::filesystem::path(journal) / name / "journal";
        std::filesystem::create_directories(folder);
        char date[16], line[kJournalLineMax];
        const auto file = folder / (std::string(date, FormatJournalDate(r.time, date)) + ".csv");
        const bool fresh = !std::filesystem::exists(file);
        std::ofstream out(file, std::ios::app | std::ios::binary);
        if (fresh) out << kJournalHeader << '\n';
        out.write(line, static_cast<std::streamsize>(FormatJournalLine(r, line)));
    }
};

JournalRecord Record(int64_t ms, int cut, int peak, int work, int alarms) {
    JournalRecord r{};
    r.time = {ms, 60};
    r.cut = cut - 1;
    r.peak = static_cast<uint8_t>(peak);
    r.work = static_cast<uint8_t>(work);
    r.po = 8;
    r.alarms = static_cast<uint8_t>(alarms);
    r.breakLimit = 80;
    r.bluntLimit = 60;
    r.missingLimit = 10;
    return r;
}

bool Run(Feed& feed, const std::string& line) {
    std::istringstream in(line);
    std::string verb, name;
    in >> verb >> name;
    const int64_t now = feed.model.Now();
    if (verb == "cycle") {
        int cut = 0, peak = 0, work = 0, alarms = 0;
        if (!(in >> cut >> peak >> work >> alarms)) return false;
        feed.Cycle(name, Record(now, cut, peak, work, alarms));
    } else if (verb == "wear") {
        int cut = 0, n = 0, from = 0, to = 0;
        if (!(in >> cut >> n >> from >> to) || n < 2) return false;
        for (int i = 0; i < n; ++i) {
            const int peak = from + (to - from) * i / (n - 1) + (i * 7 % 5) - 2;
            feed.Cycle(name, Record(now - int64_t{n - 1 - i} * 60000, cut, peak, peak * 2 / 3, 0));
        }
    } else if (verb == "state") {
        std::string online;
        BoardState s;
        int connected = 0, cut = 0, lamps = 0;
        if (!(in >> online >> connected >> cut >> lamps)) return false;
        s.online = online == "online";
        s.connected = connected != 0;
        s.activeCut = cut - 1;
        s.lamps = static_cast<uint8_t>(lamps);
        feed.model.OnState(name, s);
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ServerOptions options;
    options.port = 0;
    BoardOptions boardOptions;
    std::string journal;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        std::string error;
        if (key == "--listen" && !ParseListenAddress(value, options.host, options.port, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
        if (key == "--token") options.token = value;
        if (key == "--journal") journal = options.journalRoot = value;
        if (key == "--idle-ms") boardOptions.idleMs = std::stoll(value);
    }
    BoardModel model(boardOptions);
    BoardServer server(model, options);
    std::string error;
    if (!server.Start(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("listening %d\n", server.Port());
    std::fflush(stdout);
    Feed feed{model, journal, {}};
    for (std::string line; std::getline(std::cin, line) && line != "quit";) {
        std::printf(Run(feed, line) ? "ok\n" : "error: %s\n", line.c_str());
        std::fflush(stdout);
    }
    return 0;
}
