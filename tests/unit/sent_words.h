// What the pump handed to the TransmitRing, as command words (the ring is drained like the writer
// thread would drain it).
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "link/command_queue.h"
#include "link/frame_codec.h"
#include "link/transmit_ring.h"
#include "test_monitor.h"

inline std::vector<uint16_t> TakeSentWords() {
    uint8_t bytes[kTransmitRingSize];
    const int n = TakeTransmitBytes(TestLink().ring, bytes);
    std::vector<uint16_t> words;
    for (int i = 0; i + kWordFrameSize <= n; i += kWordFrameSize) {
        uint8_t line[kWordFrameSize];
        std::memcpy(line, bytes + i, kWordFrameSize);
        line[kWordFrameSize - 1] = 0;  // the CR ends the received line
        EXPECT_TRUE(LineIsValid(line));
        words.push_back(DecodeLine(line));
    }
    EXPECT_EQ(n % kWordFrameSize, 0);
    return words;
}

// Run the pump for a number of timer ticks, collecting every word that left.
inline std::vector<uint16_t> PumpTicks(int ticks) {
    std::vector<uint16_t> sent;
    for (int t = 0; t < ticks; ++t) {
        PumpCommandQueue(TestLink());
        for (uint16_t w : TakeSentWords()) sent.push_back(w);
    }
    return sent;
}
