#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "link/interpreter.h"
#include "shell/debug_view.h"
#include "test_monitor.h"

namespace {

void Log(int count) {
    for (int i = 0; i < count; ++i) {
        const int at = TestLink().debugLog.lineIndex;
        std::snprintf(TestLink().debugLog.lines[at], kDebugLineSize, "line %d", at);
        TestLink().debugLog.lineIndex = (at + 1) % kDebugLines;
    }
}

std::vector<std::string> Paint(DebugLogReader& reader) {
    std::vector<std::string> drawn;
    ShowNewDebugLines(reader, TestLink().debugLog,
                      [&](int row, const char* text) { drawn.push_back(std::to_string(row) + ":" + text); });
    return drawn;
}

// Scenario: a window of 3 rows; lines arrive, the window is paused by a click and resumed.
TEST(DebugViewTest, NewLinesScrollUpFromTheBottomAndPauseHoldsThem) {
    ResetInterpreter(TestLink());
    DebugLogReader reader;
    StartDebugLogReader(reader, TestLink().debugLog, 3);
    Log(3);
    // Each new line is drawn at the bottom with up to two lines above it, oldest highest.
    const std::vector<std::string> first = {"0:line 0", "1:line 0", "0:line 1",
                                            "2:line 0", "1:line 1", "0:line 2"};
    EXPECT_EQ(Paint(reader), first);
    EXPECT_TRUE(Paint(reader).empty());  // nothing new

    reader.running = false;
    Log(2);
    EXPECT_TRUE(Paint(reader).empty());  // paused: logging goes on, the display waits
    reader.running = true;
    const std::vector<std::string> resumed = {"2:line 1", "1:line 2", "0:line 3",
                                              "2:line 2", "1:line 3", "0:line 4"};
    EXPECT_EQ(Paint(reader), resumed);
}

TEST(DebugViewTest, FollowsTheLogAcrossItsWrap) {
    ResetInterpreter(TestLink());
    DebugLogReader reader;
    StartDebugLogReader(reader, TestLink().debugLog, 4);
    Log(kDebugLines - 1);
    Paint(reader);
    Log(2);  // index wraps from 49 to 0
    const auto drawn = Paint(reader);
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back(), "0:line 0");
    EXPECT_EQ(reader.readIndex, 1);
}

}  // namespace
