#include "files/file_io.h"

#include "model/results.h"

#include <cstdio>
#include <cstring>

// The pages inside a range, rounded inward (4 KB pages on both systems).
bool WholePages(void* data, std::size_t size, uintptr_t& first, std::size_t& length) {
    constexpr uintptr_t kPage = 4096;
    const uintptr_t begin = reinterpret_cast<uintptr_t>(data), end = begin + size;
    first = (begin + kPage - 1) & ~(kPage - 1);
    const uintptr_t last = end & ~(kPage - 1);
    length = last > first ? last - first : 0;
    return length > 0;
}

int32_t ReadRecord(File& f, void* record, uint32_t size) {
    uint32_t got = 0;
    const int32_t r = f.Read(record, size, &got);
    if (r != 0) return r;
    return got == size ? kResultOk : kResultShortTransfer;
}

int32_t WriteRecord(File& f, const void* record, uint32_t size) {
    uint32_t written = 0;
    const int32_t r = f.Write(record, size, &written);
    if (r != 0) return r;
    return written == size ? kResultOk : kResultShortTransfer;
}

int32_t ReplacingFile::Open(const char* name) {
    Abandon();
    std::snprintf(target_, sizeof target_, "%s", name);
    std::snprintf(temporary_, sizeof temporary_, "%s.tmp", name);
    if (const int32_t r = file_.Open(temporary_, kFileWrite, FileDisposition::kCreateAlways)) return r;
    pending_ = true;
    return kResultOk;
}

int32_t ReplacingFile::Commit(bool* replacing) {
    if (replacing != nullptr) *replacing = false;
    if (!pending_) return kResultShortTransfer;
    int32_t r = file_.Flush();
    const int32_t closed = file_.Close();  // a failed close may mean the bytes never reached the disk
    if (r == kResultOk) r = closed;
    if (r == kResultOk) {
        if (replacing != nullptr) *replacing = true;
        r = MoveFileOver(temporary_, target_);
    }
    if (r != kResultOk) RemoveFile(temporary_);
    pending_ = false;
    return r;
}

void ReplacingFile::Abandon() {
    if (!pending_) return;
    static_cast<void>(file_.Close());  // the temporary goes anyway
    RemoveFile(temporary_);
    pending_ = false;
}
