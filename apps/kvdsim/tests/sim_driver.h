// Helpers that drive the simulator tick by tick and look at what it sent.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "frame_reader.h"
#include "unit_sim.h"

namespace kvdsim::test {

// The bytes sent during the next `ticks` sample periods.
inline std::vector<uint8_t> RunTicks(UnitSimulator& sim, int ticks) {
    for (int i = 0; i < ticks; ++i) sim.Tick();
    return sim.Output().TakeAll();
}

// Runs a bounded configuration to its end; the bytes of the whole run.
inline std::vector<uint8_t> RunToEnd(UnitSimulator& sim) {
    std::vector<uint8_t> all;
    for (int i = 0; i < 20'000'000 && !sim.CyclesDone(); ++i) {
        sim.Tick();
        const std::vector<uint8_t> b = sim.Output().TakeAll();
        all.insert(all.end(), b.begin(), b.end());
    }
    return all;
}

inline void Send(UnitSimulator& sim, const std::vector<uint8_t>& bytes) {
    sim.Receive(bytes.data(), bytes.size());
}

inline bool Contains(const std::vector<uint16_t>& values, uint16_t v) {
    return std::find(values.begin(), values.end(), v) != values.end();
}

// The values of cycle n (1-based): from its cut start up to and including its 200.
inline std::vector<uint16_t> CycleValues(const std::vector<uint16_t>& values, int n) {
    std::vector<uint16_t> out;
    int seen = 0;
    for (uint16_t v : values) {
        if (v >= 220 && v <= 235) ++seen;
        if (seen == n) {
            out.push_back(v);
            if (v == 200) break;
        }
    }
    return out;
}

// Collects the lines a sink receives.
struct Lines {
    std::vector<std::string> lines;
    LineSink Sink() {
        return [this](const std::string& s) { lines.push_back(s); };
    }
};

}  // namespace kvdsim::test
