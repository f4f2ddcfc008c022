// The serial port as the link's portable rules use it: open and close, the AnswerEvent, the
// transmit signal and the received bytes. The serial link (Win32) fills it in; tests record it.
// The defaults stand for "no port": nothing opens, no answer comes, nothing is received.
#pragma once

#include <cstdint>

struct PortService {
    bool (*openLink)(int port) = [](int) { return false; };
    void (*closeLink)() = [] {};
    // The AnswerEvent: reset and awaited by the port scan, set by a Break Limit report.
    void (*resetAnswer)() = [] {};
    bool (*waitAnswer)(unsigned milliseconds) = [](unsigned) { return false; };
    void (*setAnswer)() = [] {};
    // Bytes wait in the TransmitRing (UI thread; the link points it at its transmit event while
    // a port is open).
    void (*signalTransmit)() = [] {};
    // Every completed read of 1..4 bytes (reader thread). Written by the UI thread while no link
    // is open, read by the reader thread: use Load() there.
    void (*receiveBytes)(const uint8_t* bytes, int32_t count) = [](const uint8_t*, int32_t) {};
};

extern PortService gPortService;
