// What the interpreter tests share: a recording platform seam and feeding of whole messages.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/config.h"
#include "link/frame_codec.h"
#include "link/interpreter.h"
#include "model/model.h"
#include "services_reset.h"
#include "view/repaint_regions.h"

// Everything the interpreter asked of the platform, in order: "save", "end of cycle", "answer".
// Invalidations() turns the change bits marked since the last look into the regions the tick
// would invalidate, in region order: "CurveRect+erase" or "LedRect".
struct PlatformRecord {
    std::vector<std::string> calls;
    int saves = 0;
    int endOfCycle = 0;
    int answers = 0;

    std::vector<std::string> Invalidations() const {
        const Repaints repaints =
            RepaintsFor(TakeChanges(TestModel().changes), CurrentDisplay(TestConfig()), false);
        std::vector<std::string> out;
        for (int r = 0; r < kRegionCount; ++r)
            if (repaints.marked[r])
                out.push_back(std::string(RegionName(static_cast<Region>(r))) +
                              (repaints.erase[r] ? "+erase" : ""));
        return out;
    }
    // The calls, then the regions.
    std::vector<std::string> CallsAndRegions() const {
        std::vector<std::string> out = calls;
        for (std::string& r : Invalidations()) out.push_back(std::move(r));
        return out;
    }
    void Clear() {
        *this = PlatformRecord{};
        (void)TakeChanges(TestModel().changes);
    }
};
inline PlatformRecord gRecord;

inline void RecordingPlatform() {
    gRecord.Clear();
    TestLink().storageService.saveStatistics = [](void*) {
        gRecord.calls.push_back("save");
        ++gRecord.saves;
        return int32_t{0};
    };
    TestLink().windowService.requestEndOfCycle = [](void*) {
        gRecord.calls.push_back("end of cycle");
        ++gRecord.endOfCycle;
    };
    TestLink().portService.setAnswer = [](void*) {
        gRecord.calls.push_back("answer");
        ++gRecord.answers;
    };
}

// The bytes the unit sends for a value: a code frame below 256, a word frame from 256 on.
inline std::vector<uint8_t> FrameOf(uint16_t value) {
    uint8_t f[kWordFrameSize];
    const int n = value < 256 ? BuildCodeFrame(static_cast<uint8_t>(value), f) : BuildWordFrame(value, f);
    return {f, f + n};
}

inline std::vector<uint8_t> FramesOf(std::initializer_list<uint16_t> values) {
    std::vector<uint8_t> out;
    for (uint16_t v : values) {
        const auto f = FrameOf(v);
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

// Feed bytes in chunks of the given size, as the reader thread does (what one read took).
inline void Feed(const std::vector<uint8_t>& bytes, int chunk = 4) {
    for (size_t i = 0; i < bytes.size(); i += static_cast<size_t>(chunk)) {
        const size_t n = std::min(bytes.size() - i, static_cast<size_t>(chunk));
        InterpretBytes(TestLink(), bytes.data() + i, static_cast<int32_t>(n));
    }
}
inline void Send(std::initializer_list<uint16_t> values) { Feed(FramesOf(values)); }
inline void SendRepeated(uint16_t value, int times) {
    const auto f = FrameOf(value);
    for (int i = 0; i < times; ++i) Feed(f);
}

// A parameter report: cut in the top 4 bits, base code + value below.
inline uint16_t Report(int cut, int base, int value) {
    return static_cast<uint16_t>((cut << 12) | (base + value));
}

// Fresh model with the parameter defaults written, as after start-up, and a recording seam.
class InterpreterFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetModel(TestModel(), TestStatistics());
        WriteParameterDefaults(TestModel());
        ResetInterpreter(TestLink());
        PresetConfiguration(TestConfig());
        RecordingPlatform();
    }
    void TearDown() override { ResetServices(); }
};
