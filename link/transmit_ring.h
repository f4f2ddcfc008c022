// TransmitRing: 32 bytes between the UI thread (the only producer) and the serial writer thread
// (the only consumer). Empty when the indexes are equal, so at most 31 bytes wait.
#pragma once

#include <cstdint>

constexpr int kTransmitRingSize = 32;

struct TransmitRing {
    uint8_t bytes[kTransmitRingSize];
    int32_t put;            // written by the UI thread only
    int32_t take;           // written by the writer thread only
    int32_t droppedFrames;  // frames refused because they did not fit whole (UI thread)
};

extern TransmitRing gTransmitRing;

// True while an open port's writer thread drains the ring: the serial link sets it at the end of
// an open and clears it first thing when it closes. The command pump hands words over only then,
// so that while no port is open they wait in the CommandQueue rather than in the ring, which the
// next open empties. UI thread only.
extern bool gTransmitPortOpen;

// Put all count bytes, then signal (gPortService.signalTransmit). A put that would overrun the ring puts
// nothing, counts a dropped frame and returns false.
[[nodiscard]] bool PutTransmitBytes(const uint8_t* bytes, int count);
// Take every waiting byte into out (room for 32); returns how many (0..31).
int TakeTransmitBytes(uint8_t out[kTransmitRingSize]);
// The writer's pair: copy every waiting byte into out without taking it (0..31), then, once the
// port has taken them, release the first `count`. Bytes a failed or aborted write held stay in
// the ring, so a later write sends them or ReclaimUnsentWords finds them.
int PeekTransmitBytes(uint8_t out[kTransmitRingSize]);
void ReleaseTransmitBytes(int count);
// Bytes waiting now (as seen by the calling thread).
int PendingTransmitBytes();
// Forget what waits: called when a port is opened (no writer runs then), so that frames put
// while no port was open never reach the unit.
void DropTransmitBytes();
