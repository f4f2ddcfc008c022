// The power profile of one machining cycle as the unit plays it: the steps between a cut start
// and its cycle end, one sample per sample period.
#pragma once

#include <cstdint>
#include <vector>

#include "model/model.h"
#include "prng.h"
#include "scenario.h"

namespace kvdsim {

enum class StepKind : uint8_t {
    CutStart,  // code 220 + cut
    PoWindow,  // code 201 (twice: start and end of the Po measurement)
    Sample,    // one power sample 0..105
    Error1,    // code 206
    Silence,   // the line goes quiet (wall-clock time of the scenario)
    CycleEnd,  // the end-of-cycle checks, then code 200
};

enum class Phase : uint8_t { Ts, Po, Running };

struct Step {
    StepKind kind;
    Phase phase;    // the unit's phase for a sample
    uint8_t value;  // sample value
};

struct CycleInput {
    int cut;                   // 0..15
    CutParameters parameters;  // the cut's parameters at the cycle start
    int poSamples;             // the common word
    int rate;                  // samples per second
    int machiningSamples;      // nominal length of the machining phase
    CycleFaults faults;
};

struct CycleScript {
    std::vector<Step> steps;
    int unitPo;  // the unit's Po: mean of its Po samples
};

constexpr int kMinPoSamples = 3;
constexpr int kMaxSample = 105;

CycleScript BuildCycleScript(const CycleInput& in, Prng& prng);

// Samples the unit sends in a time given in tenths of a second (at least one for a non-zero time).
int SamplesInTenths(int tenths, int rate);

}  // namespace kvdsim
