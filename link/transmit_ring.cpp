#include "link/transmit_ring.h"

#include "link/link.h"
#include "model/model.h"

namespace {
constexpr uint8_t kFrameEnd = 0x0D;  // the last byte of every frame, and no other byte of one
int Next(int i) { return (i + 1) % kTransmitRingSize; }
}  // namespace

int PendingTransmitBytes(const TransmitRing& ring) {
    const int put = std::atomic_ref<int32_t>(const_cast<int32_t&>(ring.put)).load(std::memory_order_acquire);
    const int take =
        std::atomic_ref<int32_t>(const_cast<int32_t&>(ring.take)).load(std::memory_order_acquire);
    return (put - take + kTransmitRingSize) % kTransmitRingSize;
}

bool PutTransmitBytes(Link& link, const uint8_t* bytes, int count) {
    TransmitRing& ring = link.ring;
    if (count <= 0) return true;
    if (PendingTransmitBytes(ring) + count > kTransmitRingSize - 1) {
        ++ring.droppedFrames;
        return false;
    }
    int put = ring.put;  // only this thread writes it
    for (int i = 0; i < count; ++i) {
        // The byte slots are handed over by the release store of put below.
        std::atomic_ref<uint8_t>(ring.bytes[put]).store(bytes[i], std::memory_order_relaxed);
        put = Next(put);
    }
    std::atomic_ref<int32_t>(ring.put).store(put, std::memory_order_release);
    link.portService.signalTransmit(link.portService.self);
    return true;
}

int PeekTransmitBytes(TransmitRing& ring, uint8_t out[kTransmitRingSize]) {
    int take = (ring.take + ring.sent) % kTransmitRingSize;  // writer's own fields
    const int put = std::atomic_ref<int32_t>(ring.put).load(std::memory_order_acquire);
    int n = 0;
    while (take != put) {
        out[n++] = std::atomic_ref<uint8_t>(ring.bytes[take]).load(std::memory_order_relaxed);
        take = Next(take);
    }
    return n;
}

void ReleaseTransmitBytes(TransmitRing& ring, int count) {
    if (count <= 0) return;
    const int take = ring.take;  // only this thread writes it
    const int sent = ring.sent + count;
    // The port has taken every frame up to the last CR among the sent bytes.
    int whole = 0;
    for (int i = 0, at = take; i < sent; ++i, at = Next(at))
        if (std::atomic_ref<uint8_t>(ring.bytes[at]).load(std::memory_order_relaxed) == kFrameEnd)
            whole = i + 1;
    ring.sent = sent - whole;
    // The release store hands the slots back to the producer only after they were read.
    std::atomic_ref<int32_t>(ring.take).store((take + whole) % kTransmitRingSize, std::memory_order_release);
}

int TakeTransmitBytes(TransmitRing& ring, uint8_t out[kTransmitRingSize]) {
    ring.sent = 0;  // the whole of a frame the port took in part
    const int n = PeekTransmitBytes(ring, out);
    std::atomic_ref<int32_t>(ring.take).store((ring.take + n) % kTransmitRingSize, std::memory_order_release);
    return n;
}

bool TransmitFrameTorn(const TransmitRing& ring) { return ring.sent > 0; }

void DropTransmitBytes(TransmitRing& ring) {
    ring.sent = 0;
    const int put = std::atomic_ref<int32_t>(ring.put).load(std::memory_order_acquire);
    std::atomic_ref<int32_t>(ring.take).store(put, std::memory_order_release);
}
