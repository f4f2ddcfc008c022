#include "cli.h"

#include <charconv>
#include <fstream>
#include <thread>

#include "stats/analysis.h"
#include "stats/chart.h"
#include "stats/journal_scan.h"
#include "stats/report.h"
#include "stats/sources.h"
#include "stats/time_bound.h"

namespace kvdstat {

namespace {

constexpr const char* kUsage =
    "usage: kvdstat COMMAND [OPTIONS] FILE|FOLDER...\n"
    "Reads statistics files (the 1,600,096-byte block, e.g. Default.$$$) and cycle journals (day files\n"
    "journal/YYYY-MM-DD.csv, or their folder) and answers questions about the cuts' histories.\n"
    "\n"
    "commands:\n"
    "  summary   cycles, peak and work distribution per cut; with a journal its time span and alarms\n"
    "  trend     drift of peak and work, and the cycles left until the Blunt and Break limits\n"
    "  whatif    which stored cycles would cross given limits, against the unit's own alarms\n"
    "  suggest   limits for a cut from its history, with their margins and false alarms\n"
    "  export    the entries in cycle order as CSV or JSON\n"
    "  plot      a PNG or SVG chart of peak and work over the cycles of a cut\n"
    "\n"
    "options for every command:\n"
    "  --cut N          only cut N (1..16)\n"
    "  --from TIME      journal cycles at or after TIME (local, e.g. 2026-12-01 or 2026-12-01T08:00;\n"
    "                   with an offset, 2026-10-25T02:30+01:00 or ...Z, an exact instant)\n"
    "  --to TIME        journal cycles before TIME\n"
    "  --database CONN  kvdplant's database (a libpq connection string; the password from PGPASSWORD or\n"
    "                   a passfile) instead of files: each machine, then the plant\n"
    "  --machine NAME   with --database: only that machine\n"
    "  --help           the command's own help\n"
    "\n"
    "exit status: 0 done, 1 done but some input was unreadable (reported on stderr), 2 failed.\n";

struct CommandHelp {
    const char* name;
    const char* text;
};

constexpr CommandHelp kHelp[] = {
    {"summary",
     "usage: kvdstat summary [--cut N] [--from T] [--to T] FILE|FOLDER...\n"
     "Per cut: the cycles held, and of peak and work the minimum, mean, 50th, 90th and 99th percentile\n"
     "(nearest rank) and maximum. With a journal also the time span, cycles per hour and the number of\n"
     "cycles with each kind of alarm.\n"},
    {"trend",
     "usage: kvdstat trend [--cut N] [--window N] [--points N] [--break L] [--blunt L] [--mode power|work] "
     "FILE|FOLDER...\n"
     "Per cut: the drift of peak and work (least squares slope over the latest window of N cycles,\n"
     "default 200, with two standard errors), the drift over the history (--points windows, default 8),\n"
     "since when the peaks rise, and the cycles left until the Blunt and Break limits at the latest\n"
     "drift with the range its uncertainty leaves. The limits are the journal's latest for the cut,\n"
     "or the given ones; a statistics file holds none, so the unit's defaults stand in.\n"},
    {"whatif",
     "usage: kvdstat whatif [--cut N] [--break L] [--blunt L] [--missing L] [--mode power|work] [--list N] "
     "FILE|FOLDER...\n"
     "Counts the stored cycles that cross each limit (Break: peak above it; Blunt: peak, or work in\n"
     "work mode, above it, 0..4 is Off; Missing: peak not above it) and lists them (--list N per\n"
     "kind, default 50) with their journal time. A limit not given is the one each cycle was cut\n"
     "with. Against a journal each cycle is marked with the alarm the unit raised, and a cycle the\n"
     "unit did not alarm, or alarmed without crossing, carries the reason (a delay or a count that\n"
     "the peak alone cannot show).\n"},
    {"suggest",
     "usage: kvdstat suggest [--cut N] [--mode power|work] FILE|FOLDER...\n"
     "Limits from a cut's history (cycles in which the unit alarmed are left out): Blunt above the\n"
     "99th percentile, Break above the highest peak, Missing below the 1st percentile, each by the\n"
     "spread between the median and the 99th percentile (at least 2). For each: the margin it keeps\n"
     "and how many of the cycles would have alarmed. It says what the data cannot tell.\n"},
    {"export",
     "usage: kvdstat export [--cut N] [--format csv|json] [--out FILE] FILE|FOLDER...\n"
     "The entries in cycle order, oldest first, with cut (1..16) and index (0 = oldest); from a\n"
     "journal also time, Po and alarms. Written to FILE, or to standard output.\n"},
    {"plot",
     "usage: kvdstat plot --out FILE.png|FILE.svg [--cut N] [--width W] [--height H] [--break L] [--blunt L] "
     "[--missing L] [--mode power|work] FILE|FOLDER...\n"
     "A chart of peak (blue) and work (orange) over the cycles of one cut, with the Break, Blunt and\n"
     "Missing limit lines (the journal's latest, the given ones, or the unit's defaults). Long\n"
     "histories are drawn as the band between the lowest and highest value per pixel column.\n"
     "--cut may be left out when only one cut holds cycles. Default size 800 x 400.\n"},
};

bool ParseInt(const std::string& text, int low, int high, int& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= low && out <= high;
}

struct Arguments {
    std::string command;
    std::vector<std::string> inputs;
    int cut = kAllCuts;
    TimeBound from, to;
    std::string format = "csv", outFile, database, machine;
    Limits limits{-1, -1, -1, -1};
    int window = 200, points = 8, list = 50, width = 800, height = 400;
    bool help = false;
};

// The whole-number options: their name, range and field.
struct NumberOption {
    const char* name;
    int low, high;
    int Arguments::*field;
    int Limits::*limit;
};

constexpr NumberOption kNumberOptions[] = {
    {"--break", 0, 100, nullptr, &Limits::breakLimit},
    {"--blunt", 0, 100, nullptr, &Limits::bluntLimit},
    {"--missing", 0, 100, nullptr, &Limits::missingLimit},
    {"--window", 3, 1000000, &Arguments::window, nullptr},
    {"--points", 1, 100, &Arguments::points, nullptr},
    {"--list", 0, 1000000, &Arguments::list, nullptr},
    {"--width", 240, 8000, &Arguments::width, nullptr},
    {"--height", 160, 8000, &Arguments::height, nullptr},
};

// One option with its value; false with the reason in `error`.
bool ParseOption(const std::string& arg, const std::string& v, Arguments& a, std::string& error) {
    for (const NumberOption& o : kNumberOptions) {
        if (arg != o.name) continue;
        int& to = o.field != nullptr ? a.*o.field : a.limits.*o.limit;
        if (ParseInt(v, o.low, o.high, to)) return true;
        error = arg + " " + v + ": expected a whole number " + std::to_string(o.low) + ".." +
                std::to_string(o.high);
        return false;
    }
    if (arg == "--cut") {
        int n = 0;
        if (!ParseInt(v, 1, 16, n)) {
            error = arg + " " + v + ": expected a whole number 1..16";
            return false;
        }
        a.cut = CutIndex(static_cast<int>(n));
    } else if (arg == "--from" || arg == "--to") {
        if (!ParseTimeBound(v, arg == "--from" ? a.from : a.to)) {
            error = arg + " " + v + ": expected a time like 2026-12-01T08:00, optionally with Z or +01:00";
            return false;
        }
    } else if (arg == "--mode") {
        if (v != "power" && v != "work") {
            error = "--mode " + v + ": expected power or work";
            return false;
        }
        a.limits.bluntMode = v == "power" ? kBluntModePower : kBluntModeWork;
    } else if (arg == "--format") {
        if (v != "csv" && v != "json") {
            error = "--format " + v + ": expected csv or json";
            return false;
        }
        a.format = v;
    } else if (arg == "--out") {
        a.outFile = v;
    } else if (arg == "--database") {
        a.database = v;
    } else if (arg == "--machine") {
        a.machine = v;
    } else {
        error = "unknown option " + arg;
        return false;
    }
    return true;
}

bool Parse(const std::vector<std::string>& args, Arguments& a, std::string& error) {
    if (args.empty()) {
        error = "no command";
        return false;
    }
    a.command = args[0];
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            a.help = true;
        } else if (arg.rfind("--", 0) != 0) {
            a.inputs.push_back(arg);
        } else if (i + 1 >= args.size()) {
            error = arg + " needs a value";
            return false;
        } else if (!ParseOption(arg, args[++i], a, error)) {
            return false;
        }
    }
    return true;
}

const CommandHelp* FindCommand(const std::string& name) {
    for (const CommandHelp& h : kHelp)
        if (name == h.name) return &h;
    return nullptr;
}

bool WriteText(const std::string& path, const std::string& text, std::string& err) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
    f.close();
    if (f) return true;
    err += "kvdstat: " + path + ": cannot be written\n";
    return false;
}

int Plot(const Arguments& a, const Source& s, std::string& out, std::string& err) {
    int cut = a.cut;
    if (cut == kAllCuts) {
        for (int c = 0; c < kCutCount; ++c) {
            if (s.cuts[c].Size() == 0) continue;
            if (cut != kAllCuts) {
                err += "kvdstat: plot: several cuts hold cycles; name one with --cut\n";
                return kExitFailed;
            }
            cut = c;
        }
        if (cut == kAllCuts) {
            err += "kvdstat: plot: no cut holds any cycles\n";
            return kExitFailed;
        }
    }
    Limits l = CurrentLimits(s.cuts[cut]);
    if (a.limits.breakLimit >= 0) l.breakLimit = a.limits.breakLimit;
    if (a.limits.bluntLimit >= 0) l.bluntLimit = a.limits.bluntLimit;
    if (a.limits.missingLimit >= 0) l.missingLimit = a.limits.missingLimit;
    if (a.limits.bluntMode >= 0) l.bluntMode = a.limits.bluntMode;
    const Chart chart = LayoutChart(s.cuts[cut], cut, l, a.width, a.height);
    const bool svg = a.outFile.size() > 4 && a.outFile.compare(a.outFile.size() - 4, 4, ".svg") == 0;
    std::string error;
    if (svg ? !WriteText(a.outFile, ChartSvg(chart), err) : !WriteChartPng(chart, a.outFile, error)) {
        if (!error.empty()) err += "kvdstat: " + error + "\n";
        return kExitFailed;
    }
    out += "kvdstat: chart of cut " + std::to_string(CutNumber(cut)) + " (" +
           std::to_string(s.cuts[cut].Size()) + " cycles) written to " + a.outFile + "\n";
    return kExitDone;
}

}  // namespace

namespace {

// CheckArguments' answer when it showed a command's help: nothing more to do.
constexpr int kExitHelpShown = -1;

// The checks of the command line before anything is read: kExitDone to go on.
int CheckArguments(const std::vector<std::string>& args, Arguments& a, std::string& out, std::string& err) {
    std::string error;
    if (!Parse(args, a, error)) {
        err += "kvdstat: " + error + "\n" + kUsage;
        return kExitFailed;
    }
    const CommandHelp* command = FindCommand(a.command);
    if (command == nullptr) {
        err += "kvdstat: unknown command " + a.command + "\n" + kUsage;
        return kExitFailed;
    }
    if (a.help) {
        out += command->text;
        return kExitHelpShown;
    }
    if (!a.database.empty() && !a.inputs.empty()) {
        err += "kvdstat: --database reads the database instead of files: name either\n";
        return kExitFailed;
    }
    if (!a.machine.empty() && a.database.empty()) {
        err += "kvdstat: --machine chooses a machine of --database\n";
        return kExitFailed;
    }
    if (a.inputs.empty() && a.database.empty()) {
        err += "kvdstat: no statistics file or journal named\n" + std::string(command->text);
        return kExitFailed;
    }
    if (a.command == "plot" && a.outFile.empty()) {
        err += "kvdstat: plot needs --out FILE.png or FILE.svg\n";
        return kExitFailed;
    }
    return kExitDone;
}

// One command on one source; kExitDone or the failure's exit code.
int RunCommandOn(const Arguments& a, const Source& s, std::string& out, std::string& err) {
    if (a.command == "summary") {
        out += SummaryText(s, a.cut);
    } else if (a.command == "trend") {
        TrendOptions o;
        o.window = static_cast<std::size_t>(a.window);
        o.points = static_cast<std::size_t>(a.points);
        o.limits = a.limits;
        out += TrendText(s, a.cut, o);
    } else if (a.command == "whatif") {
        WhatIfOptions o;
        o.limits = a.limits;
        o.listed = static_cast<std::size_t>(a.list);
        out += WhatIfText(s, a.cut, o);
    } else if (a.command == "suggest") {
        out += SuggestText(s, a.cut, a.limits.bluntMode);
    } else if (a.command == "export") {
        const std::string text = a.format == "json" ? ExportJson(s, a.cut) : ExportCsv(s, a.cut);
        if (a.outFile.empty())
            out += text;
        else if (!WriteText(a.outFile, text, err))
            return kExitFailed;
    } else if (a.command == "plot") {
        return Plot(a, s, out, err);
    }
    return kExitDone;
}

}  // namespace

int RunKvdstat(const std::vector<std::string>& args, std::string& out, std::string& err,
               DatabaseReader database) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        out += kUsage;
        return kExitDone;
    }
    Arguments a;
    if (const int checked = CheckArguments(args, a, out, err); checked != kExitDone)
        return checked == kExitHelpShown ? kExitDone : checked;

    std::vector<Problem> problems;
    // A summary of journals needs only tallies: read at a plant's scale without holding the cycles.
    const bool tallied =
        a.command == "summary" && !a.from.set && !a.to.set && a.database.empty() && AllJournals(a.inputs);
    std::vector<Tally> tallies;
    std::vector<Source> sources;
    if (!a.database.empty() && database == nullptr) {
        err += "kvdstat: --database: this kvdstat was built without a database client\n";
        return kExitFailed;
    }
    if (!a.database.empty())
        sources = database(a.database, a.machine, problems);
    else if (tallied)
        tallies = TallyJournals(a.inputs, problems, std::max(1u, std::thread::hardware_concurrency()));
    else
        sources = LoadSources(a.inputs, problems);
    bool failed = false;
    for (const Problem& p : problems) {
        err += "kvdstat: " + p.where + ": " + (p.warning ? "warning: " : "") + p.message + "\n";
        failed |= !p.warning;
    }
    if (tallied && !tallies.empty()) {
        for (const Tally& t : tallies) out += SummaryText(t, a.cut);
        return failed ? kExitInputProblems : kExitDone;
    }
    if (sources.empty()) {
        err += "kvdstat: nothing readable was named\n";
        return kExitFailed;
    }
    if ((a.command == "plot" || (a.command == "export" && !a.outFile.empty())) && sources.size() > 1) {
        err += "kvdstat: " + a.command + " writes one file: name one statistics file or the journal alone\n";
        return kExitFailed;
    }
    for (Source& s : sources) FilterByTime(s, a.from, a.to);
    for (const Source& s : sources)
        if (const int result = RunCommandOn(a, s, out, err); result != kExitDone) return result;
    return failed ? kExitInputProblems : kExitDone;
}

}  // namespace kvdstat
