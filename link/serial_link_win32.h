// The serial link: the COM port, its reader thread (received chunks go to the link's port service,
// receiveBytes) and its writer thread (drains the link's TransmitRing). Opened and closed on the
// user-interface thread only. Every call is handed the SerialLink record (serial_state_win32.h).
#pragma once

#include <windows.h>

#include <cstdint>

struct SerialLink;

// Port 1..16 at 19200 8N1, no flow control. 0: open. Else the system's error number of the step
// that failed (also left in GetLastError), and nothing is open. Refused (ERROR_BUSY) while a link
// is open: close it first. Once open, the link's port service has the serial link as its self.
[[nodiscard]] int32_t OpenLink(SerialLink& serial, int portNumber);
// Stops both threads and releases every handle. Does nothing when no link is open.
void CloseLink(SerialLink& serial);
[[nodiscard]] bool LinkIsOpen(const SerialLink& serial);
// True while CloseLink runs: the reader then skips requests that would wait for the UI thread.
[[nodiscard]] bool LinkIsClosing(const SerialLink& serial);
// True when the open link's reads have kept failing for about a second: its port has gone.
[[nodiscard]] bool LinkPortLost(const SerialLink& serial);

// The AnswerEvent (manual-reset): set by the interpreter on a Break Limit report, reset and
// awaited by the port scan. All three do nothing (WaitForAnswer returns false) without a link.
void SetAnswerEvent(SerialLink& serial);
void ResetAnswerEvent(SerialLink& serial);
// True when the AnswerEvent was signalled within the time. Serves messages sent to this thread
// meanwhile, so a reader waiting for the end-of-cycle snapshot keeps the data flowing.
[[nodiscard]] bool WaitForAnswer(SerialLink& serial, DWORD milliseconds);

// The end-of-cycle request as the reader thread makes it: the window's own command (the shell
// names it) sent to the main window, which takes the snapshot while the reader waits; skipped
// while the link is closing.
void RequestEndOfCycle(const SerialLink& serial, HWND mainWindow, WPARAM command);

// Waits for one (waitAll false) or all of the handles while serving the messages other threads
// send to this thread. Returns WAIT_OBJECT_0 + index (of the handle that ended a wait for one;
// WAIT_OBJECT_0 when all ended), WAIT_TIMEOUT, or WAIT_FAILED. At most 63 handles.
DWORD WaitServingSentMessages(DWORD count, const HANDLE* handles, BOOL waitAll,
                              DWORD milliseconds = INFINITE);
