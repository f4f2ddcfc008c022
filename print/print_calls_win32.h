// The printer choice and the GDI calls that frame a print job, behind one narrow seam so that a
// test can make any step fail or print onto a memory device context of a page's size. Only the
// user-interface thread prints.
#pragma once

#include <windows.h>

#include "print/printer_win32.h"

// HORZRES by VERTRES of a device context.
SIZE PrintableArea(HDC dc);

struct PrintCalls {
    PrinterChoice (*choosePrinter)(HWND owner) = ChoosePrinter;
    int (*startDoc)(HDC dc, const DOCINFOA* info) = [](HDC dc, const DOCINFOA* info) {
        return StartDocA(dc, info);
    };
    int (*startPage)(HDC dc) = [](HDC dc) { return StartPage(dc); };
    int (*endPage)(HDC dc) = [](HDC dc) { return EndPage(dc); };
    int (*endDoc)(HDC dc) = [](HDC dc) { return EndDoc(dc); };
    int (*abortDoc)(HDC dc) = [](HDC dc) { return AbortDoc(dc); };
    // The printable area in device pixels.
    SIZE (*printableArea)(HDC dc) = PrintableArea;
};

// The system's calls unless a test put others in.
extern PrintCalls gPrintCalls;
