// TransmitRing: 32 bytes between the UI thread (the only producer) and the serial writer thread
// (the only consumer). Empty when the indexes are equal, so at most 31 bytes wait.
#pragma once

#include <cstdint>

struct Link;

constexpr int kTransmitRingSize = 32;

struct TransmitRing {
    uint8_t bytes[kTransmitRingSize];
    int32_t put;            // written by the UI thread only
    int32_t take;           // written by the writer thread only: the start of the oldest frame
    int32_t droppedFrames;  // frames refused because they did not fit whole (UI thread)
    int32_t sent;           // bytes from take on the port took already: a frame it took in part
                            // (writer thread only)
};

// Put all count bytes into the link's ring, then signal (its port service's signalTransmit). A put that would
// overrun the ring puts nothing, counts a dropped frame and returns false.
[[nodiscard]] bool PutTransmitBytes(Link& link, const uint8_t* bytes, int count);
// Take every byte of the frames in the ring into out (room for 32), a frame the port took in part
// whole from its start; returns how many (0..31). The ring is empty afterwards.
int TakeTransmitBytes(TransmitRing& ring, uint8_t out[kTransmitRingSize]);
// The writer's pair: copy every byte the port has not taken into out without taking it (0..31),
// then, once the port has taken them, release the first `count`. Only whole frames leave the ring:
// of a frame the port took in part the next write sends the rest, while a close finds it whole
// (ReclaimUnsentWords). Bytes a failed or aborted write held stay in the ring the same way.
int PeekTransmitBytes(TransmitRing& ring, uint8_t out[kTransmitRingSize]);
void ReleaseTransmitBytes(TransmitRing& ring, int count);
// Bytes of the frames waiting now, a frame the port took in part counted whole (as seen by the
// calling thread).
int PendingTransmitBytes(const TransmitRing& ring);
// True when the port took the start of the oldest frame but not its end. Not while a writer runs.
bool TransmitFrameTorn(const TransmitRing& ring);
// Forget what waits: called when a port is opened (no writer runs then), so that frames put
// while no port was open never reach the unit.
void DropTransmitBytes(TransmitRing& ring);
