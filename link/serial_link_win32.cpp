// Opening and closing the serial link, the AnswerEvent and the end-of-cycle request.
#include "link/serial_link_win32.h"

#include <cstdio>

#include "link/command_queue.h"
#include "link/cycle_messages.h"
#include "link/serial_state_win32.h"
#include "link/link.h"

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 16;
constexpr DWORD kDriverQueueBytes = 1500;

// UI thread only (PutTransmitBytes runs there), and only while the link is open: the port
// service's self is the serial link then.
void SignalTransmit(void* self) { SetEvent(static_cast<SerialLink*>(self)->transmit.Get()); }

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

HANDLE CreateLinkThread(LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD* threadId) {
    return CreateThread(nullptr, 0, start, parameter, 0, threadId);
}

// Stops whatever threads run and closes every handle in the fixed order. Serves as CloseLink and
// as the clean-up of an open that failed half-way (which no CloseLink follows).
void ReleaseLink(SerialLink& link) {
    link.closing.store(true);
    Link& portable = *link.link;
    portable.portService.signalTransmit =
        PortService{}.signalTransmit;   // puts only fill the ring now; the next open drops them
    portable.transmitPortOpen = false;  // and the pump keeps its words
    if (link.readerStop) SetEvent(link.readerStop.Get());
    if (link.writerStop) SetEvent(link.writerStop.Get());
    HANDLE threads[2];
    DWORD count = 0;
    if (link.readerThread) threads[count++] = link.readerThread.Get();
    if (link.writerThread) threads[count++] = link.writerThread.Get();
    // The reader may be waiting in SendMessageA for this thread: serve it while waiting.
    if (count > 0) WaitServingSentMessages(count, threads, TRUE);
    // No writer runs now: words it never took go back to the queue for the next port.
    ReclaimUnsentWords(portable);
    link.readerStop.Close();
    link.writerStop.Close();
    link.transmit.Close();
    if (HANDLE answer = link.answerEvent.exchange(nullptr)) CloseHandle(answer);
    link.readerThread.Close();
    link.writerThread.Close();
    link.port.Close();
    link.readerThreadId = 0;
    link.writerThreadId = 0;
    link.closing.store(false);
}

// The error of the failed step, never 0: a step that failed without setting one still fails.
int32_t OpenError() {
    const DWORD error = GetLastError();
    return error != 0 ? static_cast<int32_t>(error) : ERROR_GEN_FAILURE;
}

int32_t FailOpen(SerialLink& link) {
    LastErrorKeeper keep;
    ReleaseLink(link);
    return OpenError();
}

}  // namespace

LinkFactory DefaultLinkFactory() { return {CreateLinkEvent, CreateLinkThread}; }

int32_t OpenLink(SerialLink& link, int portNumber) {
    if (LinkIsOpen(link) || LinkIsClosing(link)) {
        SetLastError(ERROR_BUSY);
        return ERROR_BUSY;
    }
    if (portNumber < kFirstPort || portNumber > kLastPort) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return ERROR_FILE_NOT_FOUND;
    }
    link.portLost.store(false);
    // The device namespace path: the only one that reaches COM10 and above, and valid for all.
    char name[16];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", portNumber);
    link.port.Reset(CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr));
    if (!link.port) return OpenError();
    if (!ConfigurePort(link.port.Get())) return FailOpen(link);

    const LinkFactory& make = link.factory;
    link.readerStop.Reset(make.createEvent(FALSE));
    if (!link.readerStop) return FailOpen(link);
    link.writerStop.Reset(make.createEvent(FALSE));
    if (!link.writerStop) return FailOpen(link);
    link.transmit.Reset(make.createEvent(TRUE));
    if (!link.transmit) return FailOpen(link);

    // Frames put while no port was open are stale; no writer runs yet, so this thread may take.
    DropTransmitBytes(link.link->ring);
    ForgetRunningCycle(*link.link);  // no reader runs yet; a cycle under way began unseen
    link.readerThread.Reset(make.createThread(SerialReaderThread, &link, &link.readerThreadId));
    if (!link.readerThread) return FailOpen(link);
    link.writerThread.Reset(make.createThread(SerialWriterThread, &link, &link.writerThreadId));
    if (!link.writerThread) return FailOpen(link);

    HANDLE answer = make.createEvent(TRUE);
    if (answer == nullptr) return FailOpen(link);
    link.answerEvent.store(answer);
    // The port service acts on this serial link from here on (the shell made it so already;
    // a service that another object stood behind could not signal this link's writer).
    link.link->portService.self = &link;
    link.link->portService.signalTransmit = SignalTransmit;
    link.link->transmitPortOpen = true;
    return 0;
}

void CloseLink(SerialLink& link) {
    // A second call, or a call from a message served while closing, finds nothing to do.
    if (!LinkIsOpen(link) || LinkIsClosing(link)) return;
    ReleaseLink(link);
}

bool LinkIsOpen(const SerialLink& link) { return static_cast<bool>(link.port); }

bool LinkIsClosing(const SerialLink& link) { return link.closing.load(); }

bool LinkPortLost(const SerialLink& link) { return LinkIsOpen(link) && link.portLost.load(); }

void SetAnswerEvent(SerialLink& link) {
    if (HANDLE answer = link.answerEvent.load()) SetEvent(answer);
}

void ResetAnswerEvent(SerialLink& link) {
    if (HANDLE answer = link.answerEvent.load()) ResetEvent(answer);
}

bool WaitForAnswer(SerialLink& link, DWORD milliseconds) {
    HANDLE answer = link.answerEvent.load();
    if (answer == nullptr) return false;
    return WaitServingSentMessages(1, &answer, FALSE, milliseconds) == WAIT_OBJECT_0;
}

void RequestEndOfCycle(const SerialLink& link, HWND mainWindow, WPARAM command) {
    // While CloseLink runs the snapshot of this cycle is dropped rather than waited for; if the
    // close begins after this test, CloseLink serves the message while it waits.
    if (mainWindow == nullptr || LinkIsClosing(link)) return;
    SendMessageA(mainWindow, WM_COMMAND, command, 0);
}
