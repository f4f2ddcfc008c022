// File / Save parameterset and File / Load parameterset: the common file dialogs around the
// parameter set file. Neither shows a message; the caller does.
#pragma once

#include <windows.h>

#include <cstdint>

// 0 when saved or cancelled; the dialog's extended error code; else the result of
// WriteParameterSetFile (the system error code of a failed create or write).
[[nodiscard]] int32_t SaveParameterSet(HWND owner);
// 0 when LoadedParameterSet holds a complete set; 30006 when cancelled; the dialog's extended
// error code; else the result of ReadParameterSetFile.
[[nodiscard]] int32_t LoadParameterSet(HWND owner);
