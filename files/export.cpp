#include "files/export.h"

#include <cstdio>
#include <mutex>

#include "files/file_io.h"
#include "model/results.h"
#include "model/model.h"

namespace {

int32_t WriteLine(File& f, int value) {
    char line[8];
    const int n = std::snprintf(line, sizeof line, "%d\n", value);
    return WriteRecord(f, line, static_cast<uint32_t>(n));
}

// Entries first..last-1 of the cut, in order; stops at the first failed write.
int32_t WriteRange(File& f, const CutStatistics& statistics, StatisticsKind kind, int cut, int first,
                   int last) {
    for (int i = first; i < last; ++i) {
        const StatisticsEntry& e = statistics.entries[cut][i];
        // The reader thread may be storing the entry at writeIndex meanwhile.
        const int value = kind == kPowerStatistics ? Load(e.peak) : Load(e.work);
        if (const int32_t r = WriteLine(f, value)) return r;
    }
    return kResultOk;
}

}  // namespace

int32_t WriteStatisticsExport(const CutStatistics& statistics, std::mutex& lock, const char* path,
                              StatisticsKind kind, int cut) {
    if (cut < 0 || cut >= kCutCount || (kind != kPowerStatistics && kind != kWorkStatistics))
        return kExportBadRequest;
    uint16_t writeIndex, wrapMarker;
    {
        // Both indexes from the same moment: not between the two steps of an append or a reset.
        std::lock_guard<std::mutex> hold(lock);
        writeIndex = Load(statistics.writeIndex[cut]);
        wrapMarker = Load(statistics.wrapMarker[cut]);
    }
    // Indexes are mended on load; never read outside the ring even so.
    const int end = writeIndex < kStatisticsEntries ? writeIndex : 0;
    const int oldest = wrapMarker < kStatisticsEntries ? wrapMarker : 0;

    // Written beside the chosen file, which is replaced only once every line is on the disk.
    ReplacingFile f;
    if (const int32_t r = f.Open(path)) return r;
    int32_t r = kResultOk;
    if (oldest != 0) r = WriteRange(f.file(), statistics, kind, cut, oldest, kStatisticsEntries);
    if (r == kResultOk) r = WriteRange(f.file(), statistics, kind, cut, 0, end);
    if (r != kResultOk) return r;
    return f.Commit();
}
