#include "files/statistics_file.h"

#include <cstring>
#include <mutex>

#include "files/config.h"
#include "files/file_io.h"
#include "files/results.h"

namespace {

// A load reads here first, so a short or failed read never leaves the block half old, half
// file (the next autosave would write that mixture into the file in use). Guarded by
// gStatisticsMutex; static because 1.6 MB never goes on a stack.
CutStatistics gLoadScratch;

// The caller holds gStatisticsMutex.
int32_t WriteBlock(const char* name) {
    File f;
    if (const int32_t r = f.Open(name, kFileWrite, FileDisposition::kOpenAlways)) return r;
    const int32_t w = WriteRecord(f, &gStatistics, sizeof gStatistics);
    const int32_t c = f.Close();  // a failed close may mean the bytes never reached the disk
    return w != kResultOk ? w : c;
}

// The file in use changes: under the lock, since the autosave reads the name.
void UseStatisticsFile(const char* name) {
    if (std::strcmp(name, gConfig.statisticsFileName) == 0) return;
    {
        std::lock_guard<std::mutex> lock(gStatisticsMutex);
        std::memset(gConfig.statisticsFileName, 0, sizeof gConfig.statisticsFileName);
        std::strncpy(gConfig.statisticsFileName, name, sizeof gConfig.statisticsFileName - 1);
    }
    static_cast<void>(SaveConfiguration());  // the statistics are safe either way; not reported
}

}  // namespace

int MendStatisticsIndexes(CutStatistics& s) {
    int mended = 0;
    for (int cut = 0; cut < kCutCount; ++cut) {
        if (s.writeIndex[cut] < kStatisticsEntries && s.wrapMarker[cut] < kStatisticsEntries) continue;
        s.writeIndex[cut] = 0;
        s.wrapMarker[cut] = 0;
        ++mended;
    }
    return mended;
}

int32_t LoadStatisticsFile(const char* name) {
    std::lock_guard<std::mutex> lock(gStatisticsMutex);
    File f;
    if (const int32_t r = f.Open(name, kFileReadWrite, FileDisposition::kOpenAlways)) return r;
    if (!f.Existed()) {
        // A new name: the file starts with the statistics held now.
        const int32_t w = WriteRecord(f, &gStatistics, sizeof gStatistics);
        const int32_t c = f.Close();
        return w != kResultOk ? w : c;
    }
    if (const int32_t r = ReadRecord(f, &gLoadScratch, sizeof gLoadScratch)) return r;
    MendStatisticsIndexes(gLoadScratch);
    // The UI thread's readers run on this thread, and the reader thread touches the block only
    // under the lock held here.
    std::memcpy(&gStatistics, &gLoadScratch, sizeof gStatistics);
    return kResultOk;
}

int32_t SaveStatisticsFile(const char* name) {
    std::lock_guard<std::mutex> lock(gStatisticsMutex);
    return WriteBlock(name);
}

int32_t ResetStatistics(int cut) {
    if (cut < kAllCuts || cut >= kCutCount) return kResultOk;
    std::lock_guard<std::mutex> lock(gStatisticsMutex);
    for (int c = 0; c < kCutCount; ++c)
        if (cut == kAllCuts || c == cut) ResetCutStatistics(gStatistics, c);
    return WriteBlock(gConfig.statisticsFileName);
}

void SaveStatisticsInUse() { WriteBlock(gConfig.statisticsFileName); }

int32_t SaveStatisticsAndUse(const char* name) {
    if (const int32_t r = SaveStatisticsFile(name)) return r;
    UseStatisticsFile(name);
    return kResultOk;
}

int32_t LoadStatisticsAndUse(const char* name) {
    if (const int32_t r = LoadStatisticsFile(name)) return r;
    UseStatisticsFile(name);
    return kResultOk;
}
