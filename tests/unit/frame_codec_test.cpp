#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "link/frame_codec.h"
#include "link/transmit_ring.h"
#include "services_reset.h"

namespace {

std::vector<uint8_t> CodeFrame(uint8_t code) {
    uint8_t f[kCodeFrameSize];
    return {f, f + BuildCodeFrame(code, f)};
}
std::vector<uint8_t> WordFrame(uint16_t word) {
    uint8_t f[kWordFrameSize];
    return {f, f + BuildWordFrame(word, f)};
}
// The received line: the frame without its CR, zero-terminated.
std::vector<uint8_t> Line(std::vector<uint8_t> frame) {
    if (frame.empty()) return {0};  // also tells the optimiser that back() exists
    frame.back() = 0;
    return frame;
}
std::string Rendering(const std::vector<uint8_t>& line) {
    char out[kFormattedLineSize];
    FormatLine(line.data(), out);
    return out;
}

struct Example {
    bool word;
    uint16_t payload;
    std::vector<uint8_t> frame;
    const char* rendering;
};

// The worked examples of the frame table.
const Example kExamples[] = {
    {false, 0, {0x01, 0x01, 0x02, 0x0D}, "1-1-2"},
    {false, 47, {0x21, 0xF1, 0x12, 0x0D}, "33-241-18"},
    {false, 200, {0xC1, 0x81, 0x42, 0x0D}, "193-129-66"},
    {false, 205, {0xC1, 0xD1, 0x92, 0x0D}, "193-209-146"},
    {true, 256, {0x01, 0x11, 0x01, 0x01, 0x14, 0x0D}, "1-17-1-1-20"},
    {true, 8508, {0x21, 0x11, 0x31, 0xC1, 0x24, 0x0D}, "33-17-49-193-36"},
};

TEST(FrameCodec, WorkedExamplesBuildValidateDecodeAndRender) {
    for (const Example& e : kExamples) {
        SCOPED_TRACE(e.payload);
        const auto frame = e.word ? WordFrame(e.payload) : CodeFrame(static_cast<uint8_t>(e.payload));
        EXPECT_EQ(frame, e.frame);
        const auto line = Line(frame);
        EXPECT_TRUE(LineIsValid(line.data()));
        EXPECT_EQ(DecodeLine(line.data()), e.payload);
        EXPECT_EQ(Rendering(line), e.rendering);
    }
}

TEST(FrameCodec, EveryFrameHasOneCrAtItsEndAndNoZeroByte) {
    for (int code = 0; code < 256; ++code) {
        const auto f = CodeFrame(static_cast<uint8_t>(code));
        EXPECT_EQ(std::count(f.begin(), f.end(), 0x0D), 1);
        EXPECT_EQ(f.back(), 0x0D);
        EXPECT_EQ(std::count(f.begin(), f.end(), 0), 0);
        EXPECT_EQ(DecodeLine(Line(f).data()), code);
    }
    for (int word = 0; word < 65536; word += 7) {
        const auto f = WordFrame(static_cast<uint16_t>(word));
        EXPECT_EQ(std::count(f.begin(), f.end(), 0x0D), 1);
        EXPECT_EQ(std::count(f.begin(), f.end(), 0), 0);
        ASSERT_EQ(DecodeLine(Line(f).data()), word);
    }
}

TEST(FrameCodec, WordBelow256IsSixBytesAndDecodesBelow256) {
    const auto f = WordFrame(105);
    ASSERT_EQ(f.size(), 6u);
    EXPECT_EQ(DecodeLine(Line(f).data()), 105);
}

TEST(FrameCodec, ValidationEdges) {
    const uint8_t empty[] = {0};
    EXPECT_FALSE(LineIsValid(empty));
    EXPECT_EQ(Rendering({0}), "");
    // Two equal bytes pass the checksum and decode as a code from them.
    const uint8_t two[] = {0x51, 0x51, 0};
    EXPECT_TRUE(LineIsValid(two));
    EXPECT_EQ(DecodeLine(two), 0x55);
    // A zero byte inside ends the line: the checksum is taken on the shortened line.
    const uint8_t cut[] = {0x21, 0xF1, 0x12, 0, 0x99, 0};
    EXPECT_TRUE(LineIsValid(cut));
    EXPECT_EQ(DecodeLine(cut), 47);
    // A wrong checksum fails.
    const uint8_t bad[] = {0x21, 0xF1, 0x13, 0};
    EXPECT_FALSE(LineIsValid(bad));
    // One byte: the sum of nothing is 0, so it never passes (bytes of a line are non-zero).
    const uint8_t one[] = {0x12, 0};
    EXPECT_FALSE(LineIsValid(one));
}

TEST(FrameCodec, LongestRenderingFits) {
    const uint8_t seven[] = {255, 255, 255, 255, 255, 255, 255, 0};
    EXPECT_EQ(Rendering({seven, seven + 8}), "255-255-255-255-255-255-255");
}

class TransmitRingTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(&TestLink().ring, 0, sizeof TestLink().ring);
        signals = 0;
        TestLink().portService.signalTransmit = [](void*) { ++signals; };
    }
    void TearDown() override { TestLink().portService.signalTransmit = PortService{}.signalTransmit; }
    static inline int signals = 0;
};

TEST_F(TransmitRingTest, SendPutsWholeFramesAndSignals) {
    ASSERT_TRUE(SendCodeFrame(TestLink(), 205));
    ASSERT_TRUE(SendWordFrame(TestLink(), 8508));
    EXPECT_EQ(signals, 2);
    uint8_t out[kTransmitRingSize];
    const int n = TakeTransmitBytes(TestLink().ring, out);
    const std::vector<uint8_t> expected = {0xC1, 0xD1, 0x92, 0x0D, 0x21, 0x11, 0x31, 0xC1, 0x24, 0x0D};
    EXPECT_EQ(std::vector<uint8_t>(out, out + n), expected);
    EXPECT_EQ(TakeTransmitBytes(TestLink().ring, out), 0);
}

TEST_F(TransmitRingTest, WrapsAndRefusesAFrameThatDoesNotFitWhole) {
    uint8_t out[kTransmitRingSize];
    // Move the indexes near the end so the next frames wrap.
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(SendWordFrame(TestLink(), static_cast<uint16_t>(i)));
    TakeTransmitBytes(TestLink().ring, out);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(SendWordFrame(TestLink(), static_cast<uint16_t>(1000 + i)));  // 30 bytes
    EXPECT_EQ(PendingTransmitBytes(TestLink().ring), 30);
    EXPECT_FALSE(SendCodeFrame(TestLink(), 205));  // 34 > 31: refused whole
    EXPECT_EQ(TestLink().ring.droppedFrames, 1);
    EXPECT_EQ(PendingTransmitBytes(TestLink().ring), 30);
    const int n = TakeTransmitBytes(TestLink().ring, out);
    ASSERT_EQ(n, 30);
    for (int i = 0; i < 5; ++i) {
        std::vector<uint8_t> line(out + 6 * i, out + 6 * i + 6);
        EXPECT_EQ(DecodeLine(Line(line).data()), 1000 + i);
    }
}

TEST_F(TransmitRingTest, DropForgetsWaitingBytes) {
    ASSERT_TRUE(SendCodeFrame(TestLink(), 47));
    DropTransmitBytes(TestLink().ring);
    uint8_t out[kTransmitRingSize];
    EXPECT_EQ(TakeTransmitBytes(TestLink().ring, out), 0);
    ASSERT_TRUE(SendCodeFrame(TestLink(), 205));
    EXPECT_EQ(TakeTransmitBytes(TestLink().ring, out), 4);
}

}  // namespace
