// The simulator's only source of randomness: a seeded generator with its own range arithmetic,
// so that one seed gives the same bytes on every build and every run.
#pragma once

#include <cstdint>

namespace kvdsim {

class Prng {
public:
    explicit Prng(uint64_t seed) : state_(seed) {}

    // SplitMix64.
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // lo..hi inclusive; hi < lo gives lo.
    int Range(int lo, int hi) {
        if (hi <= lo) return lo;
        return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1));
    }
    // True with the given probability in parts per million.
    bool ChancePpm(uint32_t ppm) { return Next() % 1000000u < ppm; }

private:
    uint64_t state_;
};

}  // namespace kvdsim
