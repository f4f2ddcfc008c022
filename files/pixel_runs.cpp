#include "files/pixel_runs.h"

#include <algorithm>
#include <new>

namespace {

// A run's first word: its length, with the top bit set for a repeated pixel (one word follows)
// and clear for literals (that many words follow).
constexpr uint32_t kRepeated = 0x80000000u;
constexpr std::size_t kLongestRun = 0x7FFFFFFFu;
// Shorter repeats go into the literals around them: a run of two costs as much either way.
constexpr std::size_t kShortestRepeat = 3;

std::size_t RepeatAt(const uint32_t* pixels, std::size_t count, std::size_t at) {
    std::size_t n = 1;
    while (at + n < count && n < kLongestRun && pixels[at + n] == pixels[at]) ++n;
    return n;
}

}  // namespace

bool CompressPixels(const uint32_t* pixels, std::size_t count, std::vector<uint32_t>& runs) {
    runs.clear();
    try {
        std::size_t literals = 0;  // pixels before `at` not yet written
        const auto flushLiterals = [&](std::size_t at) {
            if (literals == 0) return;
            runs.push_back(static_cast<uint32_t>(literals));
            runs.insert(runs.end(), pixels + at - literals, pixels + at);
            literals = 0;
        };
        for (std::size_t at = 0; at < count;) {
            const std::size_t repeat = RepeatAt(pixels, count, at);
            if (repeat >= kShortestRepeat) {
                flushLiterals(at);
                runs.push_back(kRepeated | static_cast<uint32_t>(repeat));
                runs.push_back(pixels[at]);
                at += repeat;
                continue;
            }
            const std::size_t take = std::min(repeat, kLongestRun - literals);
            literals += take;
            at += take;
            if (literals == kLongestRun) flushLiterals(at);
        }
        flushLiterals(count);
    } catch (const std::bad_alloc&) {
        runs.clear();
        runs.shrink_to_fit();
        return false;
    }
    return true;
}

bool ExpandPixels(const std::vector<uint32_t>& runs, uint32_t* pixels, std::size_t count) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < runs.size();) {
        const std::size_t n = runs[i] & ~kRepeated;
        const bool repeated = (runs[i] & kRepeated) != 0;
        const std::size_t words = repeated ? 1 : n;
        if (n == 0 || n > count - out || words > runs.size() - i - 1) return false;
        if (repeated)
            std::fill_n(pixels + out, n, runs[i + 1]);
        else
            std::copy_n(runs.begin() + static_cast<std::ptrdiff_t>(i) + 1, n, pixels + out);
        out += n;
        i += 1 + words;
    }
    return out == count;
}
