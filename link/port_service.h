// The serial port as the link's portable rules use it: open and close, the AnswerEvent, the
// transmit signal and the received bytes. An interface with a self: every member is handed `self`,
// the object it acts on (the shell points it at its serial link, tests at a recorder). The
// defaults stand for "no port": nothing opens, no answer comes, nothing is received.
#pragma once

#include <cstdint>

// What the default service answers: the system's "file not found", as a port that is not there.
constexpr int32_t kPortNotFound = 2;

struct PortService {
    void* self = nullptr;  // handed to every member
    // 0: the port is open; else the system's error number of the failed step (never 0), which
    // the user's message shows.
    int32_t (*openLink)(void* self, int port) = [](void*, int) -> int32_t { return kPortNotFound; };
    void (*closeLink)(void* self) = [](void*) {};
    // The AnswerEvent: reset and awaited by the port scan, set by a Break Limit report.
    void (*resetAnswer)(void* self) = [](void*) {};
    bool (*waitAnswer)(void* self, unsigned milliseconds) = [](void*, unsigned) { return false; };
    void (*setAnswer)(void* self) = [](void*) {};
    // Bytes wait in the TransmitRing (UI thread; the link points it at its transmit event while
    // a port is open).
    void (*signalTransmit)(void* self) = [](void*) {};
    // Whether the open port's reads have kept failing for about a second: the port itself has
    // gone (an adapter pulled, a device switched off). Read on the UI thread.
    bool (*portLost)(void* self) = [](void*) { return false; };
    // The bytes of every completed read, as many as the driver held (reader thread). Written by
    // the UI thread while no link is open, read by the reader thread: use Load() there.
    void (*receiveBytes)(void* self, const uint8_t* bytes, int32_t count) = [](void*, const uint8_t*,
                                                                               int32_t) {};
};
