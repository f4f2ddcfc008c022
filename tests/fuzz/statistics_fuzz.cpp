// Any bytes as a statistics file. Byte 0 chooses the shape: bit 0 clear, the file is the rest of
// the input (shorter than the block: it must not load); bit 0 set, the rest is the start of a
// file of the block's size plus (byte 0 >> 1) bytes of tail, the remainder zero. A load either
// takes the file's bytes whole, with indexes outside a ring mended so that every reader stays
// within the ring, or fails and leaves the block as it was.
#include <cstring>

#include "model/results.h"
#include "files/statistics_file.h"
#include "fuzz_file.h"
#include "model/model.h"
#include "tests/unit/test_monitor.h"

namespace {

CutStatistics gBefore;  // what the block holds before each load: a pattern no file gives here

const uint8_t* FileByte(const uint8_t* bytes, size_t count, size_t at) {
    static const uint8_t zero = 0;
    return at < count ? bytes + at : &zero;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool full = data[0] & 1;
    const uint8_t* bytes = data + 1;
    const size_t count = size - 1;
    if (full && count > kStatisticsBlockSize) return 0;
    WriteFuzzFile("stats.$$$", bytes, count, full ? kStatisticsBlockSize + (data[0] >> 1) : 0);
    static const bool patterned = [] {
        std::memset(&gBefore, 0x5A, sizeof gBefore);
        return true;
    }();
    (void)patterned;
    std::memcpy(&TestStatistics(), &gBefore, sizeof TestStatistics());

    const int32_t r = LoadStatisticsFile(TestFiles(), "stats.$$$");
    if (!full) {
        if (r != kResultShortTransfer) FuzzFail("a file shorter than the block gives 30007");
        if (std::memcmp(&TestStatistics(), &gBefore, sizeof TestStatistics()) != 0)
            FuzzFail("a failed load leaves the block");
        return 0;
    }
    if (r != kResultOk) FuzzFail("a file of the block's size loads");
    // Entries and reserved words as in the file; indexes as in the file unless mended.
    if (std::memcmp(TestStatistics().reserved, bytes, count < 32 ? count : 32) != 0)
        FuzzFail("reserved words kept");
    const auto* loaded = reinterpret_cast<const uint8_t*>(&TestStatistics().entries);
    const size_t entriesInInput = count > 96 ? count - 96 : 0;
    if (std::memcmp(loaded, bytes + 96, entriesInInput) != 0) FuzzFail("entries as in the file");
    static const CutStatistics zero{};
    const auto* zeroEntries = reinterpret_cast<const uint8_t*>(&zero.entries);
    if (std::memcmp(loaded + entriesInInput, zeroEntries, sizeof zero.entries - entriesInInput) != 0)
        FuzzFail("entries beyond the input are the file's zero bytes");
    for (int cut = 0; cut < kCutCount; ++cut) {
        uint16_t writeIndex = 0, wrapMarker = 0;
        std::memcpy(&writeIndex, FileByte(bytes, count, 32 + 2 * cut), 1);
        std::memcpy(reinterpret_cast<uint8_t*>(&writeIndex) + 1, FileByte(bytes, count, 33 + 2 * cut), 1);
        std::memcpy(&wrapMarker, FileByte(bytes, count, 64 + 2 * cut), 1);
        std::memcpy(reinterpret_cast<uint8_t*>(&wrapMarker) + 1, FileByte(bytes, count, 65 + 2 * cut), 1);
        const bool inRing = writeIndex < kStatisticsEntries && wrapMarker < kStatisticsEntries;
        const uint16_t w = TestStatistics().writeIndex[cut], m = TestStatistics().wrapMarker[cut];
        if (inRing ? (w != writeIndex || m != wrapMarker) : (w != 0 || m != 0))
            FuzzFail("indexes kept when within the ring, both 0 when not");
        const int held = HeldEntries(TestStatistics(), cut);
        if (held < 0 || held > kStatisticsEntries) FuzzFail("held entries within the ring");
    }
    return 0;
}
