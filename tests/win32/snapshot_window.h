// A hidden window on the test's UI thread that stands in for the main window's end-of-cycle
// snapshot: its command takes a while, as the screen capture does.
#pragma once

#include <windows.h>

#include <atomic>

constexpr WPARAM kSnapshotCommand = 30000;
extern std::atomic<int> gSnapshotsTaken;          // kSnapshotCommand handled so far
extern std::atomic<DWORD> gSnapshotMilliseconds;  // how long each one takes

// Created on the calling thread; destroyed with DestroyWindow.
HWND CreateSnapshotWindow();
