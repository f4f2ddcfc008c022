#include "cycle_profile.h"

#include <algorithm>

namespace kvdsim {

namespace {

uint8_t Clamp(int v) { return static_cast<uint8_t>(std::clamp(v, 0, kMaxSample)); }

void Add(CycleScript& s, StepKind kind) { s.steps.push_back({kind, Phase::Running, 0}); }
void AddSample(CycleScript& s, Phase phase, int v) { s.steps.push_back({StepKind::Sample, phase, Clamp(v)}); }

// Load levels above Po: the plateau lies halfway between the missing limit and the blunt limit
// (the break limit, or 40, while blunt is off), its peaks stay below the upper one.
struct Levels {
    int plateau;
    int peakExtra;
};

Levels LoadLevels(const CutParameters& p, int bluntRise, int po) {
    const int lower = p.missingLimit;
    const int upper = p.bluntLimit > 4 ? p.bluntLimit : (p.breakLimit > 4 ? p.breakLimit : 40);
    Levels l{upper > lower + 8 ? lower + (upper - lower) / 2 : lower + 4, 0};
    l.peakExtra = std::max(1, upper - l.plateau - 5);
    l.plateau += bluntRise;
    // A blunt tool draws more power, but by itself it does not break the tool.
    int ceiling = kMaxSample - po - 2;
    if (p.breakLimit > 4) ceiling = std::min(ceiling, p.breakLimit - 3);
    if (l.plateau + l.peakExtra + 2 > ceiling) {
        l.plateau = std::max(1, std::min(l.plateau, ceiling - 3));
        l.peakExtra = std::max(1, ceiling - l.plateau - 2);
    }
    return l;
}

// No load: the tool is not cutting, the power stays at Po or just under it.
void AddIdleLoad(CycleScript& s, Prng& prng, int count, int po) {
    for (int i = 0; i < count; ++i) AddSample(s, Phase::Running, po - prng.Range(0, 1));
}

void AddMachining(CycleScript& s, const CycleInput& in, Prng& prng, int length, int po) {
    if (in.faults.missing) {
        AddIdleLoad(s, prng, length, po);
        return;
    }
    const Levels l = LoadLevels(in.parameters, in.faults.bluntRise, po);
    const int rampUp = std::max(1, length / 6);
    const int rampDown = std::max(1, length / 6);
    const int tail = length / 12;
    const int plateau = std::max(1, length - rampUp - rampDown - tail);
    std::vector<int> load;
    for (int i = 0; i < rampUp; ++i) load.push_back(l.plateau * (i + 1) / rampUp + prng.Range(-1, 1));
    for (int i = 0; i < plateau; ++i) load.push_back(l.plateau + prng.Range(-2, 2));
    const int peaks = prng.Range(2, 4);
    for (int k = 0; k < peaks; ++k) {
        const int width = prng.Range(2, 4);
        const int at = rampUp + prng.Range(0, std::max(0, plateau - width));
        const int extra = prng.Range(std::max(1, l.peakExtra / 2), l.peakExtra);
        for (int i = at; i < at + width && i < static_cast<int>(load.size()); ++i)
            load[i] = l.plateau + extra;
    }
    for (int i = rampDown; i > 0; --i) load.push_back(l.plateau * (i - 1) / rampDown + prng.Range(0, 1));
    for (int i = 0; i < tail; ++i) load.push_back(prng.Range(-1, 0));

    if (in.faults.broken) {
        // The tool breaks at 40 %: a spike far above the break limit for longer than the break
        // delay, then nothing left to cut.
        const int at = static_cast<int>(load.size()) * 2 / 5;
        const int limit = in.parameters.breakLimit > 4 ? in.parameters.breakLimit : 50;
        const int spike = SamplesInTenths(in.parameters.breakDelay, in.rate) + 5;
        for (int i = 0; i < at; ++i) AddSample(s, Phase::Running, po + load[i]);
        for (int i = 0; i < spike; ++i) AddSample(s, Phase::Running, po + limit + 30 + prng.Range(-2, 2));
        AddIdleLoad(s, prng, static_cast<int>(load.size()) - at, po);
        return;
    }
    for (int v : load) AddSample(s, Phase::Running, po + v);
}

}  // namespace

int SamplesInTenths(int tenths, int rate) {
    if (tenths <= 0) return 0;
    return std::max(1, tenths * rate / 10);
}

CycleScript BuildCycleScript(const CycleInput& in, Prng& prng) {
    CycleScript s;
    Add(s, StepKind::CutStart);

    // Ts: the spindle comes up to speed; the air-cut power settles at the base level.
    const int base = prng.Range(8, 12);
    const int tsCount = SamplesInTenths(in.parameters.ts, in.rate);
    const int spinUp = tsCount * 3 / 10;
    for (int i = 0; i < tsCount; ++i) {
        const int v = i < spinUp ? 1 + (base - 1) * i / std::max(1, spinUp) : base + prng.Range(-1, 1);
        AddSample(s, Phase::Ts, v);
    }

    Add(s, StepKind::PoWindow);
    const int poCount = std::max(kMinPoSamples, in.poSamples);
    int poSum = 0;
    for (int i = 0; i < poCount; ++i) {
        const uint8_t v = Clamp(base + prng.Range(-1, 1));
        poSum += v;
        AddSample(s, Phase::Po, v);
    }
    s.unitPo = poSum / poCount;
    Add(s, StepKind::PoWindow);

    const int nominal = std::max(12, in.machiningSamples);
    const int length = prng.Range(nominal * 9 / 10, nominal * 11 / 10);
    const std::size_t machiningStart = s.steps.size();
    AddMachining(s, in, prng, length, s.unitPo);

    // Error 1 a third into the machining, the silence halfway.
    const std::size_t machined = s.steps.size() - machiningStart;
    if (in.faults.error1)
        s.steps.insert(s.steps.begin() + static_cast<long>(machiningStart + machined / 3),
                       Step{StepKind::Error1, Phase::Running, 0});
    if (in.faults.silenceMs > 0)
        s.steps.insert(s.steps.begin() + static_cast<long>(machiningStart + machined / 2),
                       Step{StepKind::Silence, Phase::Running, 0});
    Add(s, StepKind::CycleEnd);
    return s;
}

}  // namespace kvdsim
