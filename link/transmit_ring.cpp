#include "link/transmit_ring.h"

#include "link/port_service.h"
#include "model/model.h"

TransmitRing gTransmitRing;
bool gTransmitPortOpen = false;

namespace {
int Next(int i) { return (i + 1) % kTransmitRingSize; }
}  // namespace

int PendingTransmitBytes() {
    const int put = std::atomic_ref<int32_t>(gTransmitRing.put).load(std::memory_order_acquire);
    const int take = std::atomic_ref<int32_t>(gTransmitRing.take).load(std::memory_order_acquire);
    return (put - take + kTransmitRingSize) % kTransmitRingSize;
}

bool PutTransmitBytes(const uint8_t* bytes, int count) {
    if (count <= 0) return true;
    if (PendingTransmitBytes() + count > kTransmitRingSize - 1) {
        ++gTransmitRing.droppedFrames;
        return false;
    }
    int put = gTransmitRing.put;  // only this thread writes it
    for (int i = 0; i < count; ++i) {
        // The byte slots are handed over by the release store of put below.
        std::atomic_ref<uint8_t>(gTransmitRing.bytes[put]).store(bytes[i], std::memory_order_relaxed);
        put = Next(put);
    }
    std::atomic_ref<int32_t>(gTransmitRing.put).store(put, std::memory_order_release);
    gPortService.signalTransmit();
    return true;
}

int PeekTransmitBytes(uint8_t out[kTransmitRingSize]) {
    int take = gTransmitRing.take;  // only this thread writes it
    const int put = std::atomic_ref<int32_t>(gTransmitRing.put).load(std::memory_order_acquire);
    int n = 0;
    while (take != put) {
        out[n++] = std::atomic_ref<uint8_t>(gTransmitRing.bytes[take]).load(std::memory_order_relaxed);
        take = Next(take);
    }
    return n;
}

void ReleaseTransmitBytes(int count) {
    if (count <= 0) return;
    const int take = (gTransmitRing.take + count) % kTransmitRingSize;
    // The release store hands the slots back to the producer only after they were read.
    std::atomic_ref<int32_t>(gTransmitRing.take).store(take, std::memory_order_release);
}

int TakeTransmitBytes(uint8_t out[kTransmitRingSize]) {
    const int n = PeekTransmitBytes(out);
    ReleaseTransmitBytes(n);
    return n;
}

void DropTransmitBytes() {
    const int put = std::atomic_ref<int32_t>(gTransmitRing.put).load(std::memory_order_acquire);
    std::atomic_ref<int32_t>(gTransmitRing.take).store(put, std::memory_order_release);
}
