#include "link/frame_codec.h"

#include <cstdio>
#include <cstring>

#include "link/transmit_ring.h"

uint8_t HighNibbleByte(uint8_t b) { return static_cast<uint8_t>((b & 0xF0) | 0x01); }
uint8_t LowNibbleByte(uint8_t b) { return static_cast<uint8_t>(((b & 0x0F) << 4) | 0x01); }

namespace {
int BuildFrame(const uint8_t* payload, int count, uint8_t* out) {
    int n = 0;
    uint8_t sum = 0;
    for (int i = 0; i < count; ++i) {
        out[n] = HighNibbleByte(payload[i]);
        sum = static_cast<uint8_t>(sum + out[n++]);
        out[n] = LowNibbleByte(payload[i]);
        sum = static_cast<uint8_t>(sum + out[n++]);
    }
    out[n++] = sum;
    out[n++] = 0x0D;
    return n;
}

uint8_t Nib(uint8_t x, uint8_t y) { return static_cast<uint8_t>((x & 0xF0) | (y >> 4)); }
}  // namespace

int BuildCodeFrame(uint8_t code, uint8_t out[kCodeFrameSize]) { return BuildFrame(&code, 1, out); }

int BuildWordFrame(uint16_t word, uint8_t out[kWordFrameSize]) {
    const uint8_t payload[2] = {static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word & 0xFF)};
    return BuildFrame(payload, 2, out);
}

bool SendCodeFrame(Link& link, uint8_t code) {
    uint8_t frame[kCodeFrameSize];
    return PutTransmitBytes(link, frame, BuildCodeFrame(code, frame));
}

bool SendWordFrame(Link& link, uint16_t word) {
    uint8_t frame[kWordFrameSize];
    return PutTransmitBytes(link, frame, BuildWordFrame(word, frame));
}

// One pass over the line, without a library strlen: this runs for every received frame, and
// the lines are a few bytes long.
bool LineIsValid(const uint8_t* line) {
    if (line[0] == 0) return false;
    uint8_t sum = 0;  // of every byte before the last
    uint8_t last = line[0];
    for (std::size_t i = 1; line[i] != 0; ++i) {
        sum = static_cast<uint8_t>(sum + last);
        last = line[i];
    }
    return sum == last;
}

uint16_t DecodeLine(const uint8_t* line) {
    std::size_t len = 0;  // only whether it is 0, 1, 5 or other matters
    while (len < 6 && line[len] != 0) ++len;
    // A valid line has at least one byte; a second byte may be the terminator (value 0).
    const uint8_t b0 = line[0];
    const uint8_t b1 = len >= 2 ? line[1] : 0;
    if (len == 5) return static_cast<uint16_t>((Nib(b0, b1) << 8) | Nib(line[2], line[3]));
    return Nib(b0, b1);
}

void FormatLine(const uint8_t* line, char out[kFormattedLineSize]) {
    out[0] = '\0';
    std::size_t used = 0;
    for (std::size_t i = 0; line[i] != 0 && i < kMaxLineLength; ++i) {
        const int n = std::snprintf(out + used, kFormattedLineSize - used, i == 0 ? "%u" : "-%u",
                                    static_cast<unsigned>(line[i]));
        if (n < 0 || used + static_cast<std::size_t>(n) >= kFormattedLineSize) break;
        used += static_cast<std::size_t>(n);
    }
}
