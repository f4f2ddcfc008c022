// The printer choice and the GDI calls that frame a print job, behind one narrow seam so that a
// test can make any step fail or print onto a memory device context of a page's size. Set to
// the system's calls at start; only the user-interface thread prints.
#pragma once

#include <windows.h>

#include "print/printer_win32.h"

struct PrintCalls {
    PrinterChoice (*choosePrinter)(HWND owner);
    int (*startDoc)(HDC dc, const DOCINFOA* info);
    int (*startPage)(HDC dc);
    int (*endPage)(HDC dc);
    int (*endDoc)(HDC dc);
    int (*abortDoc)(HDC dc);
    // The printable area in device pixels (HORZRES, VERTRES).
    SIZE (*printableArea)(HDC dc);
};

PrintCalls SystemPrintCalls();
extern PrintCalls gPrintCalls;
