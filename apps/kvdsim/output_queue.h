// Bytes the unit has sent but the line has not yet taken, with the places where the line must
// pause for a moment (a frame split over two writes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace kvdsim {

class OutputQueue {
public:
    void Append(const uint8_t* bytes, std::size_t count);
    // The bytes appended so far go out, then the line pauses before the next ones.
    void MarkGap();

    std::size_t Pending() const { return bytes_.size() - head_; }
    // The bytes that may go out now: up to the next gap.
    const uint8_t* Data() const { return bytes_.data() + head_; }
    std::size_t Writable() const;
    void Consume(std::size_t count);
    // True when the next byte waits behind a gap; PassGap lets it go.
    bool AtGap() const { return !gaps_.empty() && gaps_.front() == taken_; }
    void PassGap();
    // Everything waiting is lost (no one on the line).
    void Clear();
    // Takes every waiting byte, ignoring the gaps (tests).
    std::vector<uint8_t> TakeAll();

private:
    std::vector<uint8_t> bytes_;
    std::size_t head_ = 0;
    uint64_t appended_ = 0;  // bytes appended since the start
    uint64_t taken_ = 0;     // bytes consumed since the start
    std::deque<uint64_t> gaps_;
};

}  // namespace kvdsim
