// The printer choice and the GDI calls that frame a print job, behind one narrow seam so that a
// test can make any step fail or print onto a memory device context of a page's size. It is an
// interface with a self: every member is handed `self`, the object it acts on (a test's recorder;
// the system's calls need none). The main window's state holds the program's and hands it to the
// print commands. Only the user-interface thread prints.
#pragma once

#include <windows.h>

#include "print/printer_win32.h"

// HORZRES by VERTRES of a device context.
SIZE PrintableArea(HDC dc);

// The system's calls unless a test put others in.
struct PrintCalls {
    void* self = nullptr;
    PrinterChoice (*choosePrinter)(void* self, HWND owner) = [](void*, HWND owner) {
        return ChoosePrinter(owner);
    };
    int (*startDoc)(void* self, HDC dc, const DOCINFOA* info) = [](void*, HDC dc, const DOCINFOA* info) {
        return StartDocA(dc, info);
    };
    int (*startPage)(void* self, HDC dc) = [](void*, HDC dc) { return StartPage(dc); };
    int (*endPage)(void* self, HDC dc) = [](void*, HDC dc) { return EndPage(dc); };
    int (*endDoc)(void* self, HDC dc) = [](void*, HDC dc) { return EndDoc(dc); };
    int (*abortDoc)(void* self, HDC dc) = [](void*, HDC dc) { return AbortDoc(dc); };
    // The printable area in device pixels.
    SIZE (*printableArea)(void* self, HDC dc) = [](void*, HDC dc) { return PrintableArea(dc); };
};
