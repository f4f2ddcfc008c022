// The events lines against a recomputation from the frames kvdsim sent: what the monitor would
// store for each cycle (Po from the points of the Po window, work and peak after it, the Ta
// window, curve screens and their compression).
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sstream>

#include "sim_driver.h"

namespace kvdsim {
namespace {

using namespace test;

struct Entry {
    int cut, peak, work;
    std::string alarms;  // the alarm codes since the previous cycle end, as the events line names them
    bool operator==(const Entry&) const = default;
};

// Written from the monitor's rules, sample by sample, with plain vectors.
class Recompute {
public:
    Recompute() {
        for (auto& c : cuts_) c = DefaultCutParameters();
    }

    std::vector<Entry> Run(const std::vector<uint16_t>& values) {
        std::vector<Entry> entries;
        bool raised[4] = {};  // break, blunt, missing, err1
        const auto names = [&] {
            static constexpr const char* kNames[] = {"break", "blunt", "missing", "err1"};
            std::string list;
            for (int k = 0; k < 4; ++k)
                if (raised[k]) list += (list.empty() ? "" : ",") + std::string(kNames[k]);
            return list.empty() ? std::string("-") : list;
        };
        for (uint16_t v : values) {
            if (v <= 105) {
                Sample(v);
            } else if (v == 200) {
                entries.push_back(End());
                entries.back().alarms = names();
                std::fill(std::begin(raised), std::end(raised), false);
            } else if (v == 201) {
                Po();
            } else if (v == 202) {
                raised[0] = true;
            } else if (v == 204) {
                raised[1] = true;
            } else if (v == 203) {
                raised[2] = true;
            } else if (v == 206) {
                work_ = 0;
                raised[3] = true;
            } else if (v >= 220 && v <= 235) {
                Start(v - 220);
            } else if (v >= 256) {
                Report(v);
            }
        }
        return entries;
    }

private:
    struct Point {
        int value, state;
    };

    const CutParameters& Active() const { return cuts_[cut_]; }
    int CycleStart() const { return slot_ < 0 ? static_cast<int>(points_.size()) : starts_[slot_]; }
    bool WindowOver() const {
        return Active().ta != 0 && static_cast<int>(points_.size()) > CycleStart() + taEnd_;
    }

    void Start(int cut) {
        if (cut != last_) slot_ = cuts_[cut].cyclesPerScreen;
        cut_ = last_ = cut;
        state_ = 207;
        peak_ = 0;
        if (++slot_ >= Active().cyclesPerScreen) {
            slot_ = 0;
            points_.clear();
            taEnd_ = (Active().ta + Active().ts) * 10 + poSamples_;
            perPoint_ = 1;
        }
        pending_.clear();
        starts_[slot_] = static_cast<int>(points_.size());
    }
    void Po() {
        if (state_ != 201) {
            state_ = 201;
            return;
        }
        int sum = 0, count = 0;
        for (std::size_t i = static_cast<std::size_t>(slot_ < 0 ? points_.size() : starts_[slot_]);
             i < points_.size(); ++i)
            if (points_[i].state == 201) sum += points_[i].value, ++count;
        po_ = count ? sum / count : 0;
        work_ = 0;
        peak_ = 0;
        state_ = 200;
    }
    void Sample(int v) {
        if (state_ == 0) return;
        if (state_ == 200 && (!WindowOver() || Active().taOnBlunt == 0) && v > po_) work_ += v - po_;
        pending_.push_back(v);
        if (static_cast<int>(pending_.size()) < perPoint_) return;
        int sum = 0;
        for (int x : pending_) sum += x;
        pending_.clear();
        const int a = sum / perPoint_;
        if (state_ == 200 && !WindowOver()) peak_ = std::max(peak_, a - po_);
        points_.push_back({a, state_});
        if (points_.size() == 599) {
            std::vector<Point> kept;
            for (std::size_t i = 0; i < 600; i += 2) kept.push_back(points_[i]);  // 0, 2, .. 598
            points_ = kept;
            for (int s = 0; s <= slot_; ++s) starts_[s] /= 2;
            taEnd_ /= 2;
            perPoint_ *= 2;
        }
    }
    Entry End() {
        state_ = 0;
        const long divisor = 2L << Active().workDivisor;
        return {cut_ + 1, peak_ & 0xFF, static_cast<int>(std::min<long>(100, work_ / divisor)), ""};
    }
    void Report(uint16_t v) {
        const int code = v & 0x0FFF;
        if (code < 256 || code > 3416) return;
        int i = kParameterCount - 1;
        while (kBaseCodes[i].base > code) --i;
        const uint16_t value = static_cast<uint16_t>(code - kBaseCodes[i].base);
        if (!kBaseCodes[i].common)
            CutWord(cuts_[v >> 12], kBaseCodes[i].word) = value;
        else if (kBaseCodes[i].word == 1)
            poSamples_ = value;
    }

    CutParameters cuts_[kCutCount];
    int poSamples_ = 4;
    int cut_ = 0, last_ = 117, state_ = 0, slot_ = -1, perPoint_ = 1, taEnd_ = 0;
    int starts_[8]{};
    std::vector<Point> points_;
    std::vector<int> pending_;
    int po_ = 0, peak_ = 0;
    long work_ = 0;
};

std::vector<Entry> Parse(const std::vector<std::string>& lines) {
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::istringstream s(lines[i]);
        std::string cycle, cut, peak, work, alarms;
        long n = 0;
        Entry e{};
        s >> cycle >> n >> cut >> e.cut >> peak >> e.peak >> work >> e.work >> alarms >> e.alarms;
        EXPECT_TRUE(cycle == "cycle" && cut == "cut" && peak == "peak" && work == "work" &&
                    alarms == "alarms" && s.eof())
            << lines[i];
        EXPECT_EQ(n, static_cast<long>(i) + 1);
        entries.push_back(e);
    }
    return entries;
}

struct Case {
    const char* name;
    void (*setup)(SimConfig&);
};

const Case kCases[] = {
    {"defaults", [](SimConfig&) {}},
    {"small work divisor caps at 100", [](SimConfig& c) { c.parameters.cuts[0].workDivisor = 0; }},
    {"Ta window counts work only inside",
     [](SimConfig& c) {
         c.parameters.cuts[0].ta = 5;
         c.parameters.cuts[0].workDivisor = 3;
     }},
    {"Ta window without Ta on Blunt",
     [](SimConfig& c) {
         c.parameters.cuts[0].ta = 5;
         c.parameters.cuts[0].taOnBlunt = 0;
     }},
    {"long Ts compresses the curve",
     [](SimConfig& c) {
         c.parameters.cuts[0].ts = 70;
         c.parameters.cuts[0].ta = 75;
         c.machiningMs = 3000;
     }},
    {"three cycles share a curve screen",
     [](SimConfig& c) {
         for (auto& p : c.parameters.cuts) p.cyclesPerScreen = 3;
         c.cuts = {1, 1, 1, 1, 2};
     }},
    {"several cuts and faults",
     [](SimConfig& c) {
         c.cuts = {0, 5, 9};
         c.parameters.cuts[5].workDivisor = 2;
         c.scenarios = {
             {ScenarioKind::Break, 2}, {ScenarioKind::Error1, 3}, {ScenarioKind::Missing, 5, 5, 1}};
     }},
    {"line noise",
     [](SimConfig& c) {
         c.scenarios = {{ScenarioKind::Noise, 1, 5, 0, 0, 150000}};
     }},
    {"Po samples and rate",
     [](SimConfig& c) {
         c.parameters.common.poSamples = 9;
         c.rate = 200;
     }},
};

TEST(Events, EveryLineMatchesTheRecomputedEntry) {
    for (const Case& k : kCases) {
        SimConfig config;
        config.cycles = 6;
        k.setup(config);
        UnitSimulator sim(config);
        Lines events;
        sim.SetSinks(nullptr, events.Sink(), nullptr);
        const std::vector<uint16_t> values = Decode(RunToEnd(sim)).values;
        const std::vector<Entry> expected = Recompute().Run(values);
        ASSERT_EQ(expected.size(), 6u) << k.name;
        EXPECT_EQ(Parse(events.lines), expected) << k.name;
    }
}

// A parameter the monitor changes while cycles run reaches the entries from the next report on.
TEST(Events, ChangedWorkDivisorCountsFromItsReport) {
    SimConfig config;
    config.cycles = 4;
    UnitSimulator sim(config);
    Lines events;
    sim.SetSinks(nullptr, events.Sink(), nullptr);
    std::vector<uint8_t> all;
    while (sim.CyclesPlayed() < 2) {
        const std::vector<uint8_t> b = RunTicks(sim, 1);
        all.insert(all.end(), b.begin(), b.end());
    }
    Send(sim, WordFrame(MakeCommandWord(0, 8, 1)));  // Work Divisor 1 for cut 1, mid-cycle
    const std::vector<uint8_t> rest = RunToEnd(sim);
    all.insert(all.end(), rest.begin(), rest.end());
    const std::vector<Entry> expected = Recompute().Run(Decode(all).values);
    EXPECT_EQ(Parse(events.lines), expected);
    ASSERT_EQ(expected.size(), 4u);
    EXPECT_LT(expected[0].work, 10);   // work sum / 1024
    EXPECT_EQ(expected[3].work, 100);  // work sum / 4, capped
}

}  // namespace
}  // namespace kvdsim
