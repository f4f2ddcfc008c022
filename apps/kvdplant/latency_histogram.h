// kvdplant's latency figures in fixed memory: every cycle's lag counted in a bucket 5 % wide, so
// the median and the 99th percentile of a run of months cost the same as of a minute.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

namespace kvdplant {

class LatencyHistogram {
public:
    // One lag in microseconds; a negative one (the machine's clock ahead) counts as none.
    void Add(int64_t us) {
        ++count_;
        ++buckets_[Bucket(us)];
    }
    uint64_t Count() const { return count_; }
    // The lag (ms) below which the share q of the cycles lies: the top of its bucket.
    double QuantileMs(double q) const {
        if (count_ == 0) return 0.0;
        const auto rank = static_cast<uint64_t>(q * static_cast<double>(count_ - 1));
        uint64_t seen = 0;
        for (std::size_t b = 0; b < kBuckets; ++b) {
            seen += buckets_[b];
            if (seen > rank) return b == 0 ? 0.0 : std::pow(kStep, static_cast<double>(b)) / 1000.0;
        }
        return std::pow(kStep, static_cast<double>(kBuckets - 1)) / 1000.0;
    }

private:
    static constexpr double kStep = 1.05;
    static constexpr std::size_t kBuckets = 480;  // 1.05^479 us is about 4 hours: beyond, the last
    static std::size_t Bucket(int64_t us) {
        if (us < 1) return 0;
        const auto b =
            static_cast<std::size_t>(std::ceil(std::log(static_cast<double>(us)) / std::log(kStep)));
        return b < kBuckets ? b : kBuckets - 1;
    }
    std::array<uint64_t, kBuckets> buckets_{};
    uint64_t count_ = 0;
};

}  // namespace kvdplant
