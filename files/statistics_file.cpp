#include "files/statistics_file.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "files/config.h"
#include "files/file_io.h"
#include "model/results.h"

namespace {

void SetHeld(StatisticsFileState& files, bool held) {
    std::atomic_ref<int32_t>(files.autosaveHeld).store(held ? 1 : 0, std::memory_order_relaxed);
}

// Bytes of an existing file beyond the block are carried over into its replacement.
int32_t CopyTail(const char* name, File& to) {
    File from;
    if (from.Open(name, kFileRead, FileDisposition::kOpenExisting) != kResultOk)
        return kResultOk;  // no old file
    if (const int32_t r = from.Seek(static_cast<uint32_t>(sizeof(CutStatistics)))) return r;
    char buffer[4096];
    for (;;) {
        uint32_t got = 0;
        if (const int32_t r = from.Read(buffer, sizeof buffer, &got)) return r;
        if (got == 0) return kResultOk;
        if (const int32_t r = WriteRecord(to, buffer, got)) return r;
    }
}

// The whole block to the file: written beside it and put in its place once complete, so a full
// disk or a killed program leaves the previous image whole. The caller holds the block's lock.
int32_t WriteBlock(const CutStatistics& block, const char* name) {
    ReplacingFile f;
    if (const int32_t r = f.Open(name)) return r;
    if (const int32_t r = WriteRecord(f.file(), &block, sizeof block)) return r;
    if (const int32_t r = CopyTail(name, f.file())) return r;
    return f.Commit();
}

// The caller holds the block's lock.
int32_t LoadLocked(StatisticsFileState& files, const char* name) {
    File f;
    const int32_t opened = f.Open(name, kFileRead, FileDisposition::kOpenExisting);
    if (IsMissingFile(opened))
        return WriteBlock(*files.statistics, name);  // a new name starts with the block held now
    if (opened != kResultOk) return opened;
    CutStatistics& scratch = files.loadScratch;
    const int32_t r = ReadRecord(f, &scratch, sizeof scratch);
    if (r == kResultOk) {
        MendStatisticsIndexes(scratch);
        // The UI thread's readers run on this thread, and the reader thread touches the block
        // only under the lock held here.
        std::memcpy(files.statistics, &scratch, sizeof scratch);
    }
    // Until the next load the scratch is not needed: its 1.6 MB need not stay resident.
    ReleasePages(&scratch, sizeof scratch);
    return r;
}

// A write of the block to the file in use ended with r; the caller holds the block's lock. A
// failure whose message the caller shows itself (a reset) starts its run with the message taken.
int32_t NoteSaveInUse(StatisticsFileState& files, int32_t r, bool reported) {
    AutosaveHealth& h = files.health;
    if (r == kResultOk) {
        std::atomic_ref<int32_t>(h.failing).store(0);
    } else if (h.failing == 0) {  // this lock's holders are its only writers
        // The error and the flag first: a reader that sees the run sees its number.
        std::atomic_ref<int32_t>(h.firstError).store(r);
        std::atomic_ref<int32_t>(h.messageShown).store(reported ? 1 : 0);
        std::atomic_ref<int32_t>(h.failing).store(1);
    }
    return r;
}

// The file in use changes; the caller holds the block's lock (the autosave reads the name).
// Returns whether the name changed.
bool NameFileInUse(StatisticsFileState& files, const char* name) {
    char(&inUse)[kStatisticsFileNameSize] = files.config->statisticsFileName;
    if (std::strcmp(name, inUse) == 0) return false;
    const std::size_t n = strnlen(name, sizeof inUse - 1);
    std::memset(inUse, 0, sizeof inUse);
    std::memcpy(inUse, name, n);
    return true;
}

// The user chose the file in use (saved or loaded it): a held autosave ends. Returns whether the
// name changed.
bool UseLocked(StatisticsFileState& files, const char* name) {
    SetHeld(files, false);
    return NameFileInUse(files, name);
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

int32_t LoadStatisticsFile(StatisticsFileState& files, const char* name) {
    std::lock_guard<std::mutex> lock(*files.lock);
    return LoadLocked(files, name);
}

int32_t LoadStatisticsInUse(StatisticsFileState& files) {
    std::lock_guard<std::mutex> lock(*files.lock);
    const int32_t r = LoadLocked(files, files.config->statisticsFileName);
    SetHeld(files, r != kResultOk);
    return r;
}

void AnchorStatisticsFileInUse(StatisticsFileState& files) {
    char full[kStatisticsFileNameSize];
    std::lock_guard<std::mutex> lock(*files.lock);
    // The same file under its full name: the autosave's hold is the load's to decide, not this.
    if (FullPathOf(files.config->statisticsFileName, full, sizeof full))
        static_cast<void>(NameFileInUse(files, full));
}

int32_t SaveStatisticsFile(StatisticsFileState& files, const char* name) {
    std::lock_guard<std::mutex> lock(*files.lock);
    return WriteBlock(*files.statistics, name);
}

int32_t ResetStatistics(StatisticsFileState& files, int cut) {
    if (cut < kAllCuts || cut >= kCutCount) return kResultOk;
    std::lock_guard<std::mutex> lock(*files.lock);
    for (int c = 0; c < kCutCount; ++c)
        if (cut == kAllCuts || c == cut) ResetCutStatistics(*files.statistics, c);
    // Reset All starts the file in use afresh: the user's choice, which ends a held autosave. A
    // reset of one cut is no such choice: writing the block would replace the other cuts' history
    // in a file that never loaded, so nothing is written while the autosave is held.
    if (cut == kAllCuts) SetHeld(files, false);
    if (files.autosaveHeld != 0) return kResultOk;
    return NoteSaveInUse(files, WriteBlock(*files.statistics, files.config->statisticsFileName), true);
}

int32_t SaveStatisticsInUse(StatisticsFileState& files) {
    if (files.autosaveHeld != 0) return kResultOk;  // the caller holds the lock, under which it is written
    return NoteSaveInUse(files, WriteBlock(*files.statistics, files.config->statisticsFileName), false);
}

bool AutosaveFailing(StatisticsFileState& files) {
    return std::atomic_ref<int32_t>(files.health.failing).load() != 0;
}

bool TakeAutosaveFailureMessage(StatisticsFileState& files, int32_t* error) {
    AutosaveHealth& h = files.health;
    if (std::atomic_ref<int32_t>(h.failing).load() == 0) return false;
    if (std::atomic_ref<int32_t>(h.messageShown).exchange(1) != 0) return false;
    *error = std::atomic_ref<int32_t>(h.firstError).load();
    return true;
}

bool StatisticsAutosaveHeld(StatisticsFileState& files) {
    return std::atomic_ref<int32_t>(files.autosaveHeld).load(std::memory_order_relaxed) != 0;
}

namespace {
// The new name reaches the configuration file, so the next start uses it; 0 when the name did
// not change. Its result goes to the caller: statistics safely saved under a name the next start
// does not know would split the history over two files.
void RememberFileInUse(const StatisticsFileState& files, bool renamed, int32_t* configuration) {
    const int32_t r = renamed ? SaveConfiguration(*files.config) : kResultOk;
    if (configuration != nullptr) *configuration = r;
}
}  // namespace

int32_t SaveStatisticsAndUse(StatisticsFileState& files, const char* name, int32_t* configuration) {
    bool renamed = false;
    {
        // Saved and made the file in use under one hold of the lock: a cycle end in between would
        // autosave into the old name a block the new file already has, or the other way round.
        std::lock_guard<std::mutex> lock(*files.lock);
        if (const int32_t r = WriteBlock(*files.statistics, name)) return r;
        renamed = UseLocked(files, name);
        NoteSaveInUse(files, kResultOk, false);  // the file in use holds the block again
    }
    RememberFileInUse(files, renamed, configuration);
    return kResultOk;  // the statistics are safe either way
}

int32_t LoadStatisticsAndUse(StatisticsFileState& files, const char* name, int32_t* configuration) {
    bool renamed = false;
    {
        // Loaded and made the file in use under one hold of the lock: a cycle end in between
        // would autosave the newly loaded block under the old name.
        std::lock_guard<std::mutex> lock(*files.lock);
        if (const int32_t r = LoadLocked(files, name)) {
            // The file in use failed to load again: the block is still not its image.
            if (std::strcmp(name, files.config->statisticsFileName) == 0) SetHeld(files, true);
            return r;
        }
        renamed = UseLocked(files, name);
        NoteSaveInUse(files, kResultOk, false);  // the block is the file's image
    }
    RememberFileInUse(files, renamed, configuration);
    return kResultOk;
}
