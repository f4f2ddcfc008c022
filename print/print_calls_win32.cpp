#include "print/print_calls_win32.h"

SIZE PrintableArea(HDC dc) { return {GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)}; }
