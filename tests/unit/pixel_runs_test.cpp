// The snapshot's pixels go through runs and come back the same, whatever their pattern; runs
// that do not hold the picture's pixel count are refused, never written past.
#include <gtest/gtest.h>

#include <vector>

#include "files/pixel_runs.h"

namespace {

TEST(PixelRuns, EveryPatternComesBackAndBrokenRunsAreRefused) {
    struct Case {
        const char* what;
        std::vector<uint32_t> pixels;
    };
    std::vector<uint32_t> screen(640 * 480, 0xE5E5E5);  // a flat background with a curve across
    for (int x = 0; x < 640; ++x) screen[static_cast<std::size_t>(240 + (x % 50) - 25) * 640 + x] = 0x0000FF;
    std::vector<uint32_t> noise(1000);
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint32_t>(i * 2654435761u);
    const Case cases[] = {
        {"one pixel", {7}},
        {"two alike", {7, 7}},
        {"three alike", {7, 7, 7}},
        {"pairs", {1, 1, 2, 2, 3, 3, 4}},
        {"literals, a run, literals", {1, 2, 9, 9, 9, 9, 3, 4}},
        {"the top bit set", {0xFFFFFFFF, 0x80000000, 0x80000000, 0x80000000}},
        {"noise", noise},
        {"a screen", screen},
    };
    std::vector<uint32_t> runs;
    for (const Case& c : cases) {
        ASSERT_TRUE(CompressPixels(c.pixels.data(), c.pixels.size(), runs)) << c.what;
        std::vector<uint32_t> back(c.pixels.size(), 0xDEADBEEF);
        EXPECT_TRUE(ExpandPixels(runs, back.data(), back.size())) << c.what;
        EXPECT_EQ(back, c.pixels) << c.what;
        EXPECT_FALSE(ExpandPixels(runs, back.data(), back.size() - 1)) << c.what << ": fewer pixels";
        std::vector<uint32_t> more(c.pixels.size() + 1);
        EXPECT_FALSE(ExpandPixels(runs, more.data(), more.size())) << c.what << ": more pixels";
        std::vector<uint32_t> cut(runs.begin(), runs.end() - 1);
        EXPECT_FALSE(ExpandPixels(cut, back.data(), back.size())) << c.what << ": runs cut short";
    }
    ASSERT_TRUE(CompressPixels(screen.data(), screen.size(), runs));
    EXPECT_LT(runs.size() * 20, screen.size()) << "a flat screen keeps less than 5 % of its pixels";
    EXPECT_FALSE(ExpandPixels({0, 5}, noise.data(), 1)) << "a run of none";
}

}  // namespace
