// A hidden window on the test's UI thread that stands in for the main window's end-of-cycle
// snapshot: command 30000 takes a while, as the screen capture does.
#pragma once

#include <windows.h>

#include <atomic>

extern std::atomic<int> gSnapshotsTaken;          // command 30000 handled so far
extern std::atomic<DWORD> gSnapshotMilliseconds;  // how long each one takes

// Created on the calling thread; destroyed with DestroyWindow.
HWND CreateSnapshotWindow();
