// Scenarios: faults the simulated unit plays on request (--scenario, repeatable).
//
//   break:N          broken tool in cycle N: a power spike far above the break limit, then no load
//   blunt:N[:STEP]   blunt tool from cycle N: the load rises by STEP % (default 5) every cycle
//   wear:N:K         a tool wearing from cycle N: the load rises by 1 % every K cycles
//   missing:N[:K]    missing tool from cycle N, for K cycles (default: every further cycle)
//   silence:N:S      in cycle N the unit sends nothing for S seconds of wall-clock time
//   noise:P          line noise on a fraction P (0..1) of the frames: corrupt checksums, split
//                    frames, garbage lines, lines longer than 7 bytes
//   err1:N           error 1 (code 206) in cycle N
//   relays:N         relays disabled from cycle N: code 211 at that cycle's start and after
//                    every alarm
//   joined           the monitor joins halfway: before its first cycle the unit ends one whose
//                    cut start went out before the port opened (samples, 201, 201, 200)
// Cycle numbers count the cycles played, from 1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvdsim {

enum class ScenarioKind { Break, Blunt, Wear, Missing, Silence, Noise, Error1, Relays, Joined };

struct Scenario {
    ScenarioKind kind;
    long cycle = 1;
    int step = 5;           // blunt: % added per cycle
    long cycles = 0;        // missing: how many cycles, 0 = all from `cycle` on
    int silenceMs = 0;      // silence: wall-clock milliseconds
    uint32_t noisePpm = 0;  // noise: frames affected, parts per million
    int every = 0;          // wear: cycles per 1 % added
};

// Parses one --scenario argument. On failure returns false with a message in error.
bool ParseScenario(const std::string& text, Scenario& out, std::string& error);

// What the scenarios ask of one cycle.
struct CycleFaults {
    bool broken = false;
    bool missing = false;
    int bluntRise = 0;  // % added to the load
    int silenceMs = 0;
    bool error1 = false;
    bool relaysDisabled = false;
    bool relaysDisabledNow = false;  // the first cycle with relays disabled
};
CycleFaults FaultsOfCycle(const std::vector<Scenario>& scenarios, long cycle);
uint32_t NoisePpm(const std::vector<Scenario>& scenarios);
bool JoinsHalfway(const std::vector<Scenario>& scenarios);

}  // namespace kvdsim
