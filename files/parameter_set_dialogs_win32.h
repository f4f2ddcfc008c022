// File / Save parameterset and File / Load parameterset: the common file dialogs around the
// parameter set file. Neither shows a message; the caller does.
#pragma once

#include <windows.h>

#include <cstdint>

#include "model/model.h"

// 0 when saved or cancelled; the dialog's extended error code; else the result of
// WriteParameterSetFile (the system error code of a failed create or write).
[[nodiscard]] int32_t SaveParameterSet(HWND owner, const UnitModel& model);
// 0 when LoadedParameterSet holds a complete set; 30006 when cancelled; the dialog's extended
// error code; else the result of ReadParameterSetFile.
[[nodiscard]] int32_t LoadParameterSet(HWND owner, UnitModel& model);
