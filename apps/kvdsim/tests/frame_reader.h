// Decodes the bytes kvdsim sends the way the monitor assembles lines: at most 7 bytes kept
// before each CR, the checksum tested, then the value decoded.
#pragma once

#include <cstdint>
#include <vector>

#include "link/frame_codec.h"

namespace kvdsim::test {

struct Received {
    std::vector<uint16_t> values;  // every valid line, in order
    int invalidLines = 0;
};

class FrameReader {
public:
    void Feed(const std::vector<uint8_t>& bytes, Received& into) {
        for (uint8_t b : bytes) {
            if (b != 0x0D) {
                line_[length_] = b;
                if (length_ < kMaxLineLength) ++length_;
                continue;
            }
            line_[length_] = 0;
            if (LineIsValid(line_))
                into.values.push_back(DecodeLine(line_));
            else
                ++into.invalidLines;
            length_ = 0;
        }
    }

private:
    uint8_t line_[8]{};
    int length_ = 0;
};

inline Received Decode(const std::vector<uint8_t>& bytes) {
    Received r;
    FrameReader().Feed(bytes, r);
    return r;
}

inline std::vector<uint8_t> CodeFrame(uint8_t code) {
    uint8_t f[kCodeFrameSize];
    return {f, f + BuildCodeFrame(code, f)};
}
inline std::vector<uint8_t> WordFrame(uint16_t word) {
    uint8_t f[kWordFrameSize];
    return {f, f + BuildWordFrame(word, f)};
}

}  // namespace kvdsim::test
