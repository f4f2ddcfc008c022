// A picture's pixels kept small between its capture and its use: runs of one repeated pixel and
// runs of literal pixels, as 32-bit words. A screen is mostly flat colour, so the end-of-cycle
// snapshot, about 2 MB of pixels, keeps a few per cent of that while it waits for a screen dump.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Replaces `runs` with the pixels' runs (its capacity is kept for the next picture). False when
// the memory for them is not there (`runs` is then empty).
[[nodiscard]] bool CompressPixels(const uint32_t* pixels, std::size_t count, std::vector<uint32_t>& runs);
// Writes the `count` pixels the runs hold; false when the runs do not hold exactly that many.
[[nodiscard]] bool ExpandPixels(const std::vector<uint32_t>& runs, uint32_t* pixels, std::size_t count);
