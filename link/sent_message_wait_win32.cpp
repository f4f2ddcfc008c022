// Waiting on the user-interface thread without refusing the messages other threads send to it.
#include <algorithm>

#include "link/serial_link_win32.h"

namespace {

DWORD RemainingTime(DWORD milliseconds, ULONGLONG start) {
    if (milliseconds == INFINITE) return INFINITE;
    const ULONGLONG elapsed = GetTickCount64() - start;
    return elapsed >= milliseconds ? 0 : static_cast<DWORD>(milliseconds - elapsed);
}

}  // namespace

DWORD WaitServingSentMessages(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
    // One slot of the wait is taken by the message queue.
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS - 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    // A wait for all cannot be combined with the queue (it would also wait for a message), so it
    // waits for any and crosses off each handle that ended until none is left.
    HANDLE pending[MAXIMUM_WAIT_OBJECTS];
    std::copy(handles, handles + count, pending);
    DWORD left = count;
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        const DWORD result = MsgWaitForMultipleObjectsEx(left, pending, RemainingTime(milliseconds, start),
                                                         QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (result < WAIT_OBJECT_0 + left) {
            if (!waitAll) return result;
            pending[result - WAIT_OBJECT_0] = pending[left - 1];
            if (--left == 0) return WAIT_OBJECT_0;
        } else if (result == WAIT_OBJECT_0 + left) {
            // Dispatches the sent messages only; posted ones stay queued for the message loop.
            MSG message;
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        } else {
            return result;
        }
    }
}
