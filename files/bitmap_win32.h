// The screen dump on Windows: the header for the end-of-cycle snapshot bitmap, and the file
// written through the save dialog. Both report their own failures (caption "Screen Dump").
#pragma once

#include <windows.h>

#include <memory>

#include "files/bitmap.h"

// The header for the snapshot (size and depth from the bitmap itself), or null after a message.
[[nodiscard]] std::unique_ptr<BitmapHeader> BuildBitmapHeader(HWND owner, HBITMAP snapshot);

// Asks for the file name, fetches the pixels and the colour table of the snapshot (selected in
// snapshotDC, as the snapshot keeps it) and writes the file. The pixels are fetched before any
// file is touched, and an existing file is replaced only by a complete one.
void WriteScreenDump(HWND owner, BitmapHeader& header, HBITMAP snapshot, HDC snapshotDC);
