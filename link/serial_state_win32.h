// What the serial link's three threads share, and the two thread functions.
#pragma once

#include <windows.h>

#include <atomic>

#include "link/handle_win32.h"

struct Link;

// The reader takes what the driver holds: a read waits (without limit) for the first byte, then
// ends once the line has been quiet for kReadIntervalMs or kReadSize bytes have come. A frame's
// bytes follow each other 0.52 ms apart at 19200 baud, so a read ends only just after the unit
// stopped sending, never with a frame's last bytes left waiting for the next frame. kReadSize is
// about 33 ms of a line sending without a pause: the curve still moves at every 30 ms tick.
constexpr DWORD kReadIntervalMs = 5;
constexpr DWORD kReadSize = 64;
// A busy line (a read took all it asked for: the unit did not pause) is read otherwise: the
// reader waits kGatherMs, then takes at once what the driver's queue holds by then, up to
// kGatherSize, and goes on so while the queue has bytes at each look. Under Wine a read that waits
// costs several round trips to the wineserver for every frame arriving meanwhile; bytes that
// arrive while no read is pending cost nothing until they are taken. Once the queue is empty at a
// look, or a read ends short (the line went quiet), the reader waits for the first byte again, so
// no frame before a silence is held back. kGatherMs is one tick: the screen shows what arrived at
// its next tick anyway, so gathering for a tick delays nothing the operator sees, and the reader
// wakes once a tick instead of at every frame; at 1,920 bytes a second at the most the queue holds
// no more than 58 bytes by then.
constexpr DWORD kGatherMs = 30;
constexpr DWORD kGatherSize = 256;

// How OpenLink creates its events and threads: CreateEventA / CreateThread, replaced by tests
// that make one creation fail. UI thread only, set while no link is open.
struct LinkFactory {
    HANDLE (*createEvent)(BOOL manualReset);
    // start runs with parameter (the serial link) as its argument.
    HANDLE (*createThread)(LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD* threadId);
};
LinkFactory DefaultLinkFactory();

// The serial link's state, one per monitor (the main window's state owns it). The handles are
// written only by the user-interface thread: OpenLink fills them before it starts the threads,
// CloseLink clears them after both threads have ended. The reader and writer threads get the
// record as their parameter and only read the handles while they run; thread start and thread
// end order those accesses.
struct SerialLink {
    Link* link = nullptr;  // the portable link it serves: its ring, its port service
    LinkFactory factory = DefaultLinkFactory();
    OwnedHandle port;
    OwnedHandle readerStop;  // auto-reset; set by the UI thread, consumed by the reader
    OwnedHandle writerStop;  // auto-reset; set by the UI thread, consumed by the writer
    OwnedHandle transmit;    // manual-reset; set on every put (UI thread), reset by the writer
    OwnedHandle readerThread;
    OwnedHandle writerThread;
    DWORD readerThreadId = 0;
    DWORD writerThreadId = 0;
    // Created after the threads have started, so the reader (SetAnswerEvent) reads it atomically.
    // Written by the UI thread only.
    std::atomic<HANDLE> answerEvent{nullptr};
    // Set by the UI thread for as long as CloseLink (or a failed open) stops the threads; read by
    // the reader thread before it asks the UI thread for anything.
    std::atomic<bool> closing{false};
    // Set by the reader thread when its reads have kept failing for a second (the port has gone);
    // cleared by OpenLink. Read by the UI thread's timer through the port service's portLost.
    std::atomic<bool> portLost{false};
};

// Both take the SerialLink as their parameter.
DWORD WINAPI SerialReaderThread(LPVOID serialLink);
DWORD WINAPI SerialWriterThread(LPVOID serialLink);
