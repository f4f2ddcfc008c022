// The reader thread (port -> the link's port service, receiveBytes) and the writer thread (the
// link's TransmitRing -> port). Each gets the SerialLink as its parameter.
#include <algorithm>

#include "model/model.h"
#include "link/link.h"
#include "link/serial_link_win32.h"
#include "link/serial_state_win32.h"
#include "link/transmit_ring.h"

namespace {

constexpr DWORD kLongestPause = 100;  // well within the 0.8 s the driver's input queue holds
constexpr DWORD kLostAfterMs = 1000;

// Pause after an attempt that brought nothing: 1, 2, 4 .. 100 ms, reset by any success. Keeps
// a port that fails at once from spinning a core while the stop event is still watched.
class RetryPause {
public:
    void Succeeded() { pause_ = 0; }
    // Waits on stop for the next pause; true when stop was signalled (the thread must end).
    bool WaitOn(HANDLE stop) {
        pause_ = std::min(pause_ == 0 ? 1 : pause_ * 2, kLongestPause);
        const DWORD result = WaitForSingleObject(stop, pause_);
        if (result == WAIT_FAILED) Sleep(pause_);
        return result == WAIT_OBJECT_0;
    }

private:
    DWORD pause_ = 0;
};

void Deliver(PortService& service, const uint8_t* bytes, DWORD count) {
    if (count > 0) Load(service.receiveBytes)(Load(service.self), bytes, static_cast<int32_t>(count));
}

// Ends an overlapped operation that is still pending before its buffer and OVERLAPPED go away.
void AbandonPending(HANDLE port, OVERLAPPED& overlapped) {
    CancelIo(port);
    DWORD ignored = 0;
    GetOverlappedResult(port, &overlapped, &ignored, TRUE);
}

// On a busy line: what the driver's queue holds, which a read then takes at once, or kReadSize,
// a read that waits for the first byte, when it holds nothing (or cannot say).
DWORD QueuedRequest(HANDLE port) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(port, &errors, &status) || status.cbInQue == 0) return kReadSize;
    return std::min<DWORD>(status.cbInQue, kGatherSize);
}

enum class Wait { kStop, kDone, kFailed };

// Waits for the pending operation or the stop event. kDone: the operation ended (its result is
// in transferred, or it failed); kStop: the stop event came first (the operation is still
// pending); kFailed: the wait itself failed.
Wait AwaitPending(HANDLE stop, HANDLE port, OVERLAPPED& overlapped, DWORD& transferred, bool& ok) {
    const HANDLE waitSet[2] = {stop, overlapped.hEvent};
    const auto finished = [&] {
        ok = GetOverlappedResult(port, &overlapped, &transferred, FALSE) != FALSE;
        return ok || GetLastError() != ERROR_IO_INCOMPLETE;
    };
    for (;;) {
        const DWORD result = WaitForMultipleObjects(2, waitSet, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0) return Wait::kStop;
        if (result != WAIT_OBJECT_0 + 1) return Wait::kFailed;
        if (finished()) return Wait::kDone;
        // A signal without a finished operation (not expected from an event of its own): clear it
        // rather than spin on it, and look again in case the real one came in between.
        ResetEvent(overlapped.hEvent);
        if (finished()) return Wait::kDone;
    }
}

}  // namespace

DWORD WINAPI SerialReaderThread(LPVOID serialLink) {
    SerialLink& link = *static_cast<SerialLink*>(serialLink);
    const HANDLE port = link.port.Get();
    const HANDLE stop = link.readerStop.Get();
    OwnedHandle readEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!readEvent) {
        WaitForSingleObject(stop, INFINITE);
        return 0;
    }
    uint8_t buffer[kGatherSize];
    RetryPause pause;
    DWORD failingSince = 0;  // GetTickCount of the first of the failed reads in a row
    bool failing = false;
    // A stream that keeps completing at once never reaches the wait below, so the stop event is
    // looked at before a read that follows one completed at once. After a wait it needs no look:
    // the wait watched it. (Every look is a round trip to the system; at 300 frames a second the
    // reader would spend as much on looking as on reading.)
    bool waited = false;
    bool busy = false;  // the last read took all it asked for
    while (waited || WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
        // ReadFile clears the read event when it starts, so a completed read leaves it set.
        OVERLAPPED overlapped{};
        overlapped.hEvent = readEvent.Get();
        DWORD got = 0;
        const DWORD request = busy ? QueuedRequest(port) : kReadSize;
        bool ok = ReadFile(port, buffer, request, &got, &overlapped) != FALSE;
        waited = !ok && GetLastError() == ERROR_IO_PENDING;
        if (waited) {
            const Wait wait = AwaitPending(stop, port, overlapped, got, ok);
            if (wait == Wait::kStop) {
                AbandonPending(port, overlapped);
                break;
            }
            if (wait == Wait::kFailed) {
                AbandonPending(port, overlapped);
                ok = false;
                waited = false;  // the stop event was not looked at
            }
        }
        // The port has no total time-out, so only a failure ends a read without bytes (at once,
        // or with an error later): it is issued again after a pause, so reception goes on once
        // the port recovers.
        if (ok && got > 0) {
            pause.Succeeded();
            failing = false;
            Deliver(link.link->portService, buffer, got);
            busy = got == request;
            if (busy) {
                const DWORD gathered = WaitForSingleObject(stop, kGatherMs);
                if (gathered == WAIT_OBJECT_0) break;
                waited = gathered == WAIT_TIMEOUT;  // the stop event was looked at
            }
            continue;
        }
        busy = false;
        // Reads that keep failing for a second mean the port itself has gone (an adapter pulled,
        // the other end closed): the UI thread's timer then closes the link and opens it again.
        // A unit that is merely silent leaves its read pending and never comes here.
        const DWORD now = GetTickCount();
        if (!failing) {
            failing = true;
            failingSince = now;
        } else if (now - failingSince >= kLostAfterMs) {
            link.portLost.store(true);
        }
        if (pause.WaitOn(stop)) break;
    }
    return 0;
}

namespace {

constexpr DWORD kWriteRetryMs = 100;

enum class Drained { kEmpty, kStopped, kFailed };

// Writes what waits in the ring until it is empty. kStopped: the writer-stop event came during a
// write (the writer must end). Bytes leave the ring only once the port took them: those of a
// failed, short or aborted write stay for the next try, or for ReclaimUnsentWords at the close.
Drained Drain(TransmitRing& ring, HANDLE port, HANDLE stop) {
    OwnedHandle writeEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!writeEvent) return Drained::kFailed;
    uint8_t bytes[kTransmitRingSize];
    for (;;) {
        const int count = PeekTransmitBytes(ring, bytes);
        if (count == 0) return Drained::kEmpty;
        OVERLAPPED overlapped{};
        overlapped.hEvent = writeEvent.Get();
        DWORD written = 0;
        bool ok = WriteFile(port, bytes, static_cast<DWORD>(count), &written, &overlapped) != FALSE;
        if (!ok && GetLastError() == ERROR_IO_PENDING) {
            const Wait wait = AwaitPending(stop, port, overlapped, written, ok);
            if (wait == Wait::kStop) {
                PurgeComm(port, PURGE_TXABORT);
                AbandonPending(port, overlapped);
                return Drained::kStopped;
            }
            if (wait == Wait::kFailed) {
                AbandonPending(port, overlapped);
                ok = false;
            }
        }
        if (!ok) {
            // Clear the port's error state so that the next frames can go out.
            DWORD errors = 0;
            ClearCommError(port, &errors, nullptr);
            return Drained::kFailed;
        }
        ReleaseTransmitBytes(ring, static_cast<int>(std::min(written, static_cast<DWORD>(count))));
        if (written < static_cast<DWORD>(count)) return Drained::kFailed;
    }
}

}  // namespace

DWORD WINAPI SerialWriterThread(LPVOID serialLink) {
    SerialLink& link = *static_cast<SerialLink*>(serialLink);
    const HANDLE port = link.port.Get();
    const HANDLE stop = link.writerStop.Get();
    const HANDLE transmit = link.transmit.Get();
    const HANDLE waitSet[2] = {stop, transmit};
    DWORD wait = INFINITE;  // after a failed write: the time until the bytes left are tried again
    for (;;) {
        const DWORD result = WaitForMultipleObjects(2, waitSet, FALSE, wait);
        if (result == WAIT_OBJECT_0) return 0;
        if (result == WAIT_OBJECT_0 + 1 || result == WAIT_TIMEOUT) {
            // Reset before the drain: a put during the drain sets it again, so no frame waits
            // in the ring for the next put.
            ResetEvent(transmit);
            const Drained drained = Drain(link.link->ring, port, stop);
            if (drained == Drained::kStopped) return 0;
            wait = drained == Drained::kFailed ? kWriteRetryMs : INFINITE;
        } else if (WaitForSingleObject(stop, 10) == WAIT_OBJECT_0) {
            return 0;  // the wait failed; do not spin, and still honour the stop event
        }
    }
}
