#include "link/transmit_ring.h"

#include "link/port_service.h"
#include "model/model.h"

TransmitRing gTransmitRing;
bool gTransmitPortOpen = false;

namespace {
constexpr uint8_t kFrameEnd = 0x0D;  // the last byte of every frame, and no other byte of one
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
    int take = (gTransmitRing.take + gTransmitRing.sent) % kTransmitRingSize;  // writer's own fields
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
    const int take = gTransmitRing.take;  // only this thread writes it
    const int sent = gTransmitRing.sent + count;
    // The port has taken every frame up to the last CR among the sent bytes.
    int whole = 0;
    for (int i = 0, at = take; i < sent; ++i, at = Next(at))
        if (std::atomic_ref<uint8_t>(gTransmitRing.bytes[at]).load(std::memory_order_relaxed) == kFrameEnd)
            whole = i + 1;
    gTransmitRing.sent = sent - whole;
    // The release store hands the slots back to the producer only after they were read.
    std::atomic_ref<int32_t>(gTransmitRing.take)
        .store((take + whole) % kTransmitRingSize, std::memory_order_release);
}

int TakeTransmitBytes(uint8_t out[kTransmitRingSize]) {
    gTransmitRing.sent = 0;  // the whole of a frame the port took in part
    const int n = PeekTransmitBytes(out);
    std::atomic_ref<int32_t>(gTransmitRing.take)
        .store((gTransmitRing.take + n) % kTransmitRingSize, std::memory_order_release);
    return n;
}

bool TransmitFrameTorn() { return gTransmitRing.sent > 0; }

void DropTransmitBytes() {
    gTransmitRing.sent = 0;
    const int put = std::atomic_ref<int32_t>(gTransmitRing.put).load(std::memory_order_acquire);
    std::atomic_ref<int32_t>(gTransmitRing.take).store(put, std::memory_order_release);
}
