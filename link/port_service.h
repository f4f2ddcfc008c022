// The serial port as the link's portable rules use it: open and close, the AnswerEvent, the
// transmit signal and the received bytes. The serial link (Win32) fills it in; tests record it.
// The defaults stand for "no port": nothing opens, no answer comes, nothing is received.
#pragma once

#include <cstdint>

// What the default service answers: the system's "file not found", as a port that is not there.
constexpr int32_t kPortNotFound = 2;

struct PortService {
    // 0: the port is open; else the system's error number of the failed step (never 0), which
    // the user's message shows.
    int32_t (*openLink)(int port) = [](int) -> int32_t { return kPortNotFound; };
    void (*closeLink)() = [] {};
    // The AnswerEvent: reset and awaited by the port scan, set by a Break Limit report.
    void (*resetAnswer)() = [] {};
    bool (*waitAnswer)(unsigned milliseconds) = [](unsigned) { return false; };
    void (*setAnswer)() = [] {};
    // Bytes wait in the TransmitRing (UI thread; the link points it at its transmit event while
    // a port is open).
    void (*signalTransmit)() = [] {};
    // Whether the open port's reads have kept failing for about a second: the port itself has
    // gone (an adapter pulled, a device switched off). Read on the UI thread.
    bool (*portLost)() = [] { return false; };
    // The bytes of every completed read, as many as the driver held (reader thread). Written by
    // the UI thread while no link is open, read by the reader thread: use Load() there.
    void (*receiveBytes)(const uint8_t* bytes, int32_t count) = [](const uint8_t*, int32_t) {};
};

extern PortService gPortService;
