#include "files/file_io.h"

#include "files/results.h"

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
