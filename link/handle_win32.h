// OwnedHandle: a kernel handle closed when its owner goes away, so that every early return of
// an open or a thread function releases what it created.
#pragma once

#include <windows.h>

class OwnedHandle {
public:
    OwnedHandle() = default;
    // INVALID_HANDLE_VALUE (a failed CreateFileA) and null both mean "no handle".
    explicit OwnedHandle(HANDLE handle) { Reset(handle); }
    ~OwnedHandle() { Close(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    void Reset(HANDLE handle) {
        Close();
        handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }
    void Close() {
        if (handle_ != nullptr) CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};

// Keeps GetLastError across clean-up calls that may overwrite it.
class LastErrorKeeper {
public:
    LastErrorKeeper() : error_(GetLastError()) {}
    ~LastErrorKeeper() { SetLastError(error_); }
    LastErrorKeeper(const LastErrorKeeper&) = delete;
    LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

private:
    DWORD error_;
};
