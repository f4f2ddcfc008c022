#include "scenario.h"

#include <algorithm>
#include <cmath>

#include "text_fields.h"

namespace kvdsim {

namespace {

constexpr long kMaxCycle = 100000000;

}  // namespace

bool ParseScenario(const std::string& text, Scenario& out, std::string& error) {
    const std::vector<std::string> parts = SplitFields(text, ':');
    const std::string& name = parts[0];
    const std::size_t n = parts.size();
    out = Scenario{};
    long value = 0;
    double number = 0;
    bool ok = false;
    if (name == "break" || name == "err1" || name == "relays") {
        out.kind = name == "break"  ? ScenarioKind::Break
                   : name == "err1" ? ScenarioKind::Error1
                                    : ScenarioKind::Relays;
        ok = n == 2 && ParseLong(parts[1], 1, kMaxCycle, out.cycle);
    } else if (name == "blunt") {
        out.kind = ScenarioKind::Blunt;
        ok = (n == 2 || n == 3) && ParseLong(parts[1], 1, kMaxCycle, out.cycle) &&
             (n == 2 || ParseLong(parts[2], 1, 50, value));
        if (ok && n == 3) out.step = static_cast<int>(value);
    } else if (name == "wear") {
        out.kind = ScenarioKind::Wear;
        ok = n == 3 && ParseLong(parts[1], 1, kMaxCycle, out.cycle) && ParseLong(parts[2], 1, 1000, value);
        out.every = static_cast<int>(value);
    } else if (name == "missing") {
        out.kind = ScenarioKind::Missing;
        ok = (n == 2 || n == 3) && ParseLong(parts[1], 1, kMaxCycle, out.cycle) &&
             (n == 2 || ParseLong(parts[2], 1, kMaxCycle, out.cycles));
    } else if (name == "silence") {
        out.kind = ScenarioKind::Silence;
        ok = n == 3 && ParseLong(parts[1], 1, kMaxCycle, out.cycle) &&
             ParseFraction(parts[2], 0.001, 3600, number);
        out.silenceMs = static_cast<int>(std::lround(number * 1000));
    } else if (name == "noise") {
        out.kind = ScenarioKind::Noise;
        ok = n == 2 && ParseFraction(parts[1], 0, 1, number);
        out.noisePpm = static_cast<uint32_t>(std::lround(number * 1000000));
    } else if (name == "joined") {
        out.kind = ScenarioKind::Joined;
        ok = n == 1;
    } else {
        error =
            "unknown scenario '" + text +
            "' (break:N, blunt:N[:STEP], wear:N:K, missing:N[:K], silence:N:S, noise:P, err1:N, relays:N, "
            "joined)";
        return false;
    }
    if (!ok) error = "malformed scenario '" + text + "'";
    return ok;
}

CycleFaults FaultsOfCycle(const std::vector<Scenario>& scenarios, long cycle) {
    CycleFaults f;
    for (const Scenario& s : scenarios) {
        const bool from = cycle >= s.cycle;
        switch (s.kind) {
            case ScenarioKind::Break:
                f.broken |= cycle == s.cycle;
                break;
            case ScenarioKind::Blunt:
                if (from) f.bluntRise += s.step * static_cast<int>(std::min(cycle - s.cycle + 1, 100L));
                break;
            case ScenarioKind::Wear:
                if (from) f.bluntRise += static_cast<int>(std::min((cycle - s.cycle + 1) / s.every, 100L));
                break;
            case ScenarioKind::Missing:
                f.missing |= from && (s.cycles == 0 || cycle < s.cycle + s.cycles);
                break;
            case ScenarioKind::Silence:
                if (cycle == s.cycle) f.silenceMs += s.silenceMs;
                break;
            case ScenarioKind::Noise:
            case ScenarioKind::Joined:
                break;
            case ScenarioKind::Error1:
                f.error1 |= cycle == s.cycle;
                break;
            case ScenarioKind::Relays:
                f.relaysDisabled |= from;
                f.relaysDisabledNow |= cycle == s.cycle;
                break;
        }
    }
    return f;
}

uint32_t NoisePpm(const std::vector<Scenario>& scenarios) {
    uint32_t ppm = 0;
    for (const Scenario& s : scenarios)
        if (s.kind == ScenarioKind::Noise) ppm = std::max(ppm, s.noisePpm);
    return ppm;
}

bool JoinsHalfway(const std::vector<Scenario>& scenarios) {
    return std::any_of(scenarios.begin(), scenarios.end(),
                       [](const Scenario& s) { return s.kind == ScenarioKind::Joined; });
}

}  // namespace kvdsim
