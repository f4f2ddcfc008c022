#include "print/print_calls_win32.h"

namespace {
SIZE DevicePrintableArea(HDC dc) { return {GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)}; }
}  // namespace

PrintCalls SystemPrintCalls() {
    return {ChoosePrinter,
            [](HDC dc, const DOCINFOA* info) { return StartDocA(dc, info); },
            [](HDC dc) { return StartPage(dc); },
            [](HDC dc) { return EndPage(dc); },
            [](HDC dc) { return EndDoc(dc); },
            [](HDC dc) { return AbortDoc(dc); },
            DevicePrintableArea};
}

PrintCalls gPrintCalls = SystemPrintCalls();
