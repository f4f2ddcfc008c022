#include "print/print_commands_win32.h"

#include "text/message.h"
#include "text/message_win32.h"
#include "text/text_ids.h"
#include "print/print_job_win32.h"
#include "print/print_calls_win32.h"

void RunPrintCommand(HWND owner, PrintCommand command, const PrintInputs& inputs) {
    const PrinterChoice printer = inputs.calls.choosePrinter(inputs.calls.self, owner);
    // Only the statistics commands tell the printer's error number.
    const bool statistics =
        command == PrintCommand::kPowerStatistics || command == PrintCommand::kWorkStatistics;
    if (printer.result != 0) {
        if (printer.dc != nullptr) DeleteDC(printer.dc);
        ShowMessage(owner, kTextPrinterFailed, kCaptionError, statistics ? printer.result : 0);
        return;
    }
    if (printer.dc == nullptr) return;  // cancelled: nothing printed, nothing shown
    int32_t r = 0;
    TextId failure = kTextPrintStatisticsFailed;
    switch (command) {
        case PrintCommand::kActiveCut:
            r = PrintActiveCut(printer.dc, inputs);
            failure = kTextPrintActiveCutFailed;
            break;
        case PrintCommand::kPowerStatistics:
            r = PrintStatistics(printer.dc, 0, inputs);
            break;
        case PrintCommand::kWorkStatistics:
            r = PrintStatistics(printer.dc, 1, inputs);
            break;
        case PrintCommand::kParameters:
            r = PrintParameters(printer.dc, inputs);
            failure = kTextPrintParametersFailed;
            break;
    }
    DeleteDC(printer.dc);
    if (r != 0) ShowMessage(owner, failure, kCaptionError, r);
}
