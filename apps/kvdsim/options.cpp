#include "options.h"

#include "text_fields.h"

namespace kvdsim {

namespace {

bool ParseCuts(const std::string& s, std::vector<int>& cuts) {
    cuts.clear();
    for (const std::string& field : SplitFields(s, ',')) {
        long cut = 0;
        if (!ParseLong(field, 1, kCutCount, cut)) return false;
        cuts.push_back(static_cast<int>(cut - 1));
    }
    return true;
}

}  // namespace

const char* UsageText() {
    return "usage: kvdsim [options]\n"
           "The simulated KVD unit on a pseudo-terminal (or a serial device).\n"
           "  --link PATH        symlink to the pty's slave (default /tmp/kvd-com1)\n"
           "  --tty DEVICE       use an existing serial device instead (raw, 19200 8N1)\n"
           "  --params FILE      start with the parameter set of a .kvd file (default: defaults)\n"
           "  --cuts LIST        cuts to play, 1..16, in order, repeated (default 1), e.g. 1,2,3\n"
           "  --rate N           samples per second, 10..300 (default 100)\n"
           "  --speed X          simulated seconds per real second, 0.5..1000 (default 1)\n"
           "  --cycles N         play N cycles, then idle on (default: cycles without end)\n"
           "  --exit-after       with --cycles: exit once the cycles are played and sent\n"
           "  --idle-ms N        simulated pause between cycles (default 500)\n"
           "  --machining-ms N   simulated length of the machining phase (default 1500)\n"
           "  --scenario WHAT    a fault to play (repeatable):\n"
           "                       break:N          broken tool in cycle N\n"
           "                       blunt:N[:STEP]   blunt from cycle N, load +STEP % a cycle (5)\n"
           "                       wear:N:K         wearing from cycle N, load +1 % every K cycles\n"
           "                       missing:N[:K]    no load from cycle N (for K cycles)\n"
           "                       silence:N:S      nothing sent for S real seconds in cycle N\n"
           "                       noise:P          line noise on a fraction P of the frames\n"
           "                       err1:N           error 1 in cycle N\n"
           "                       relays:N         relays disabled from cycle N\n"
           "  --seed N           seed of every random choice (default 1)\n"
           "  --log FILE         every received frame, decoded, one line each\n"
           "  --events FILE      one line per cycle: cycle <n> cut <c> peak <p> work <w> alarms <list>\n"
           "  --wait-peer        hold the unit until a program opens the line\n"
           "  --verbose          tell on stderr what the unit does\n"
           "  --help             this text\n";
}

bool ParseOptions(int argc, const char* const* argv, Options& out, std::string& error) {
    out = Options{};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&](std::string& v) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            v = argv[++i];
            return true;
        };
        const auto number = [&](long lo, long hi, long& n) {
            std::string v;
            if (!value(v)) return false;
            if (ParseLong(v, lo, hi, n)) return true;
            error =
                arg + " " + v + ": expected a whole number " + std::to_string(lo) + ".." + std::to_string(hi);
            return false;
        };
        std::string v;
        long n = 0;
        if (arg == "--help" || arg == "-h") {
            out.help = true;
        } else if (arg == "--link") {
            if (!value(out.linkPath)) return false;
        } else if (arg == "--tty") {
            if (!value(out.ttyDevice)) return false;
        } else if (arg == "--params") {
            if (!value(out.paramsFile)) return false;
        } else if (arg == "--log") {
            if (!value(out.logFile)) return false;
        } else if (arg == "--events") {
            if (!value(out.eventsFile)) return false;
        } else if (arg == "--cuts") {
            if (!value(v)) return false;
            if (!ParseCuts(v, out.sim.cuts)) {
                error = "--cuts " + v + ": expected cut numbers 1..16 separated by commas";
                return false;
            }
        } else if (arg == "--rate") {
            if (!number(10, 300, n)) return false;
            out.sim.rate = static_cast<int>(n);
        } else if (arg == "--speed") {
            if (!value(v)) return false;
            if (!ParseFraction(v, 0.5, 1000, out.sim.speed)) {
                error = "--speed " + v + ": expected a factor 0.5..1000";
                return false;
            }
        } else if (arg == "--cycles") {
            if (!number(1, 100000000, n)) return false;
            out.sim.cycles = n;
        } else if (arg == "--idle-ms") {
            if (!number(0, 3600000, n)) return false;
            out.sim.idleMs = static_cast<int>(n);
        } else if (arg == "--machining-ms") {
            if (!number(100, 600000, n)) return false;
            out.sim.machiningMs = static_cast<int>(n);
        } else if (arg == "--seed") {
            if (!value(v)) return false;
            if (!ParseUnsigned64(v, out.sim.seed)) {
                error = "--seed " + v + ": expected a whole number";
                return false;
            }
        } else if (arg == "--scenario") {
            if (!value(v)) return false;
            Scenario s{};
            if (!ParseScenario(v, s, error)) return false;
            out.sim.scenarios.push_back(s);
        } else if (arg == "--exit-after") {
            out.exitAfter = true;
        } else if (arg == "--wait-peer") {
            out.waitPeer = true;
        } else if (arg == "--verbose") {
            out.verbose = true;
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    if (!out.linkPath.empty() && !out.ttyDevice.empty()) {
        error = "--link and --tty exclude each other";
        return false;
    }
    if (out.exitAfter && out.sim.cycles == 0) {
        error = "--exit-after needs --cycles";
        return false;
    }
    if (out.ttyDevice.empty() && out.linkPath.empty()) out.linkPath = kDefaultLinkPath;
    return true;
}

}  // namespace kvdsim
