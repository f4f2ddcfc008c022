// The Print menu's page commands: choose the printer, print one page, delete the device context,
// and report a failure in the words of the command.
#pragma once

#include <windows.h>

#include "print/print_job_win32.h"

enum class PrintCommand : int { kActiveCut, kPowerStatistics, kWorkStatistics, kParameters };

void RunPrintCommand(HWND owner, PrintCommand command, const PrintInputs& inputs);
