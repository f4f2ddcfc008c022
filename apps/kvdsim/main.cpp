// kvdsim: the simulated KVD unit. See UsageText() and docs/protocol.md.
#include <csignal>
#include <cstdio>
#include <cstring>

#include "line_file.h"
#include "line_port.h"
#include "options.h"
#include "param_file.h"
#include "runner.h"

namespace {

std::atomic<bool> gStop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnStopSignal(int) { gStop.store(true); }

void InstallSignals() {
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "kvdsim: %s\n", message.c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kvdsim;
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error))
        return Fail(2, error + " (kvdsim --help lists the options)");
    if (options.help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (!options.paramsFile.empty() && !LoadParameterFile(options.paramsFile, options.sim.parameters, error))
        return Fail(2, error);

    LineFile log, events;
    if (!options.logFile.empty() && !log.Open(options.logFile))
        return Fail(2, "cannot write " + options.logFile + ": " + std::strerror(errno));
    if (!options.eventsFile.empty() && !events.Open(options.eventsFile))
        return Fail(2, "cannot write " + options.eventsFile + ": " + std::strerror(errno));

    InstallSignals();
    LinePort port;
    const bool opened = options.ttyDevice.empty() ? port.OpenPty(options.linkPath, error)
                                                  : port.OpenTty(options.ttyDevice, error);
    if (!opened) return Fail(1, error);
    std::printf("kvdsim: unit on %s\n", port.Description().c_str());
    std::fflush(stdout);

    const bool verbose = options.verbose;
    const LineSink notes = [verbose](const std::string& s) {
        if (verbose) std::fprintf(stderr, "kvdsim: %s\n", s.c_str());
    };
    UnitSimulator sim(options.sim);
    sim.SetSinks([&log](const std::string& s) { log.Write(s); },
                 [&events, &notes](const std::string& s) {
                     events.Write(s);
                     notes(s);
                 },
                 notes);

    RunSettings run;
    run.rate = options.sim.rate;
    run.speed = options.sim.speed;
    run.exitAfter = options.exitAfter;
    run.waitPeer = options.waitPeer;
    const RunEnd end = RunUnit(run, sim, port, gStop, notes);
    port.Close();
    if (end == RunEnd::LineLost) return Fail(1, options.ttyDevice + ": the device failed; the unit stops");
    return 0;
}
