// Opening and closing the serial link, the AnswerEvent and the end-of-cycle request.
#include "link/serial_link_win32.h"

#include <cstdio>

#include "link/command_queue.h"
#include "link/cycle_messages.h"
#include "link/serial_state_win32.h"
#include "link/port_service.h"
#include "link/transmit_ring.h"

SerialLink gSerialLink;
std::atomic<HANDLE> gAnswerEvent{nullptr};
std::atomic<bool> gLinkClosing{false};
std::atomic<bool> gPortLost{false};

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 16;
constexpr DWORD kDriverQueueBytes = 1500;

// UI thread only (PutTransmitBytes runs there), and only while the link is open.
void SignalTransmit() { SetEvent(gSerialLink.transmit.Get()); }

bool ConfigurePort(HANDLE port) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = 19200;
    dcb.fBinary = 1;
    dcb.fTXContinueOnXoff = 1;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    if (!SetCommState(port, &dcb)) return false;
    // Only the interval time-out (see kReadIntervalMs): no total time-outs, so a silent unit leaves
    // the read pending rather than ending it empty; writes have no time-out either.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kReadIntervalMs;
    if (!SetCommTimeouts(port, &timeouts)) return false;
    return SetupComm(port, kDriverQueueBytes, kDriverQueueBytes) != FALSE;
}

HANDLE CreateLinkEvent(BOOL manualReset) { return CreateEventA(nullptr, manualReset, FALSE, nullptr); }

HANDLE CreateLinkThread(LPTHREAD_START_ROUTINE start, DWORD* threadId) {
    return CreateThread(nullptr, 0, start, nullptr, 0, threadId);
}

// Stops whatever threads run and closes every handle in the fixed order. Serves as CloseLink and
// as the clean-up of an open that failed half-way (which no CloseLink follows).
void ReleaseLink() {
    gLinkClosing.store(true);
    gPortService.signalTransmit =
        PortService{}.signalTransmit;  // puts only fill the ring now; the next open drops them
    gTransmitPortOpen = false;         // and the pump keeps its words
    SerialLink& link = gSerialLink;
    if (link.readerStop) SetEvent(link.readerStop.Get());
    if (link.writerStop) SetEvent(link.writerStop.Get());
    HANDLE threads[2];
    DWORD count = 0;
    if (link.readerThread) threads[count++] = link.readerThread.Get();
    if (link.writerThread) threads[count++] = link.writerThread.Get();
    // The reader may be waiting in SendMessageA for this thread: serve it while waiting.
    if (count > 0) WaitServingSentMessages(count, threads, TRUE);
    // No writer runs now: words it never took go back to the queue for the next port.
    ReclaimUnsentWords();
    link.readerStop.Close();
    link.writerStop.Close();
    link.transmit.Close();
    if (HANDLE answer = gAnswerEvent.exchange(nullptr)) CloseHandle(answer);
    link.readerThread.Close();
    link.writerThread.Close();
    link.port.Close();
    link.readerThreadId = 0;
    link.writerThreadId = 0;
    gLinkClosing.store(false);
}

// The error of the failed step, never 0: a step that failed without setting one still fails.
int32_t OpenError() {
    const DWORD error = GetLastError();
    return error != 0 ? static_cast<int32_t>(error) : ERROR_GEN_FAILURE;
}

int32_t FailOpen() {
    LastErrorKeeper keep;
    ReleaseLink();
    return OpenError();
}

}  // namespace

LinkFactory DefaultLinkFactory() { return {CreateLinkEvent, CreateLinkThread}; }
LinkFactory gLinkFactory{CreateLinkEvent, CreateLinkThread};

int32_t OpenLink(int portNumber) {
    if (LinkIsOpen() || LinkIsClosing()) {
        SetLastError(ERROR_BUSY);
        return ERROR_BUSY;
    }
    if (portNumber < kFirstPort || portNumber > kLastPort) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return ERROR_FILE_NOT_FOUND;
    }
    SerialLink& link = gSerialLink;
    gPortLost.store(false);
    // The device namespace path: the only one that reaches COM10 and above, and valid for all.
    char name[16];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", portNumber);
    link.port.Reset(CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr));
    if (!link.port) return OpenError();
    if (!ConfigurePort(link.port.Get())) return FailOpen();

    const LinkFactory& make = gLinkFactory;
    link.readerStop.Reset(make.createEvent(FALSE));
    if (!link.readerStop) return FailOpen();
    link.writerStop.Reset(make.createEvent(FALSE));
    if (!link.writerStop) return FailOpen();
    link.transmit.Reset(make.createEvent(TRUE));
    if (!link.transmit) return FailOpen();

    // Frames put while no port was open are stale; no writer runs yet, so this thread may take.
    DropTransmitBytes();
    ForgetRunningCycle();  // no reader runs yet; a cycle under way began unseen
    link.readerThread.Reset(make.createThread(SerialReaderThread, &link.readerThreadId));
    if (!link.readerThread) return FailOpen();
    link.writerThread.Reset(make.createThread(SerialWriterThread, &link.writerThreadId));
    if (!link.writerThread) return FailOpen();

    HANDLE answer = make.createEvent(TRUE);
    if (answer == nullptr) return FailOpen();
    gAnswerEvent.store(answer);
    gPortService.signalTransmit = SignalTransmit;
    gTransmitPortOpen = true;
    return 0;
}

void CloseLink() {
    // A second call, or a call from a message served while closing, finds nothing to do.
    if (!LinkIsOpen() || LinkIsClosing()) return;
    ReleaseLink();
}

bool LinkIsOpen() { return static_cast<bool>(gSerialLink.port); }

bool LinkIsClosing() { return gLinkClosing.load(); }

bool LinkPortLost() { return LinkIsOpen() && gPortLost.load(); }

void SetAnswerEvent() {
    if (HANDLE answer = gAnswerEvent.load()) SetEvent(answer);
}

void ResetAnswerEvent() {
    if (HANDLE answer = gAnswerEvent.load()) ResetEvent(answer);
}

bool WaitForAnswer(DWORD milliseconds) {
    HANDLE answer = gAnswerEvent.load();
    if (answer == nullptr) return false;
    return WaitServingSentMessages(1, &answer, FALSE, milliseconds) == WAIT_OBJECT_0;
}

void RequestEndOfCycle(HWND mainWindow, WPARAM command) {
    // While CloseLink runs the snapshot of this cycle is dropped rather than waited for; if the
    // close begins after this test, CloseLink serves the message while it waits.
    if (mainWindow == nullptr || LinkIsClosing()) return;
    SendMessageA(mainWindow, WM_COMMAND, command, 0);
}
