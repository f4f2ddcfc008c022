// The seed makes a run repeatable, and line noise never forges a frame.
#include <gtest/gtest.h>

#include "sim_driver.h"

namespace kvdsim {
namespace {

using namespace test;

SimConfig Busy(uint64_t seed) {
    SimConfig config;
    config.seed = seed;
    config.cuts = {0, 3};
    config.cycles = 4;
    config.scenarios = {
        {ScenarioKind::Noise, 1, 5, 0, 0, 200000}, {ScenarioKind::Blunt, 2}, {ScenarioKind::Break, 3}};
    return config;
}

TEST(Determinism, SameSeedSameBytesOtherSeedOtherBytes) {
    UnitSimulator a(Busy(7)), b(Busy(7)), c(Busy(8));
    const std::vector<uint8_t> bytesA = RunToEnd(a);
    EXPECT_EQ(bytesA, RunToEnd(b));
    EXPECT_NE(bytesA, RunToEnd(c));
}

TEST(Determinism, NoiseDoesNotChangeTheProfile) {
    SimConfig quiet = Busy(3);
    quiet.scenarios.erase(quiet.scenarios.begin());
    UnitSimulator noisy(Busy(3)), clean(quiet);
    // Noise only takes frames away: what arrives valid is a subsequence of the clean run.
    const std::vector<uint16_t> got = Decode(RunToEnd(noisy)).values;
    const std::vector<uint16_t> all = Decode(RunToEnd(clean)).values;
    std::size_t j = 0;
    for (uint16_t v : got) {
        while (j < all.size() && all[j] != v) ++j;
        ASSERT_LT(j, all.size()) << "forged value " << v;
        ++j;
    }
    EXPECT_LT(got.size(), all.size());
}

TEST(Determinism, NoiseLinesAreAllDroppedByTheMonitor) {
    UnitSimulator sim(Busy(11));
    std::vector<uint8_t> bytes;
    int splits = 0, longLines = 0, lineLength = 0;
    for (int i = 0; i < 20'000'000 && !sim.CyclesDone(); ++i) {
        sim.Tick();
        OutputQueue& out = sim.Output();
        while (out.Pending() > 0) {
            if (out.AtGap()) ++splits, out.PassGap();
            const std::size_t n = out.Writable();
            bytes.insert(bytes.end(), out.Data(), out.Data() + n);
            out.Consume(n);
        }
    }
    for (uint8_t b : bytes) {
        EXPECT_NE(b, 0);  // a zero would cut a line short in the monitor
        if (b == 0x0D)
            lineLength = 0;
        else if (++lineLength == 8)
            ++longLines;
    }
    const Received r = Decode(bytes);
    EXPECT_GT(r.invalidLines, 50);
    EXPECT_GT(splits, 10);
    EXPECT_GT(longLines, 10);
    int cycleEnds = 0;
    for (uint16_t v : r.values) {
        EXPECT_FALSE(v > 105 && v < 200) << v;
        if (v >= 256) {
            EXPECT_GE(SplitCommandWord(v).parameter, 0) << v;
        }
        cycleEnds += v == 200;
    }
    EXPECT_EQ(cycleEnds, 4);  // event codes are never hit
}

}  // namespace
}  // namespace kvdsim
