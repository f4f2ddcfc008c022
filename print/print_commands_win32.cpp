#include "print/print_commands_win32.h"

#include "text/message.h"
#include "text/message_win32.h"
#include "print/print_job_win32.h"
#include "print/print_calls_win32.h"

namespace {

constexpr TextId kTextUnableToOpenPrinter = 115;
constexpr TextId kTextErrorPrintingActiveCut = 118;
constexpr TextId kTextErrorPrintingParameters = 119;
constexpr TextId kTextErrorPrintingStatistics = 120;

}  // namespace

void RunPrintCommand(HWND owner, PrintCommand command) {
    const PrinterChoice printer = gPrintCalls.choosePrinter(owner);
    // Only the statistics commands tell the printer's error number.
    const bool statistics =
        command == PrintCommand::kPowerStatistics || command == PrintCommand::kWorkStatistics;
    if (printer.result != 0) {
        if (printer.dc != nullptr) DeleteDC(printer.dc);
        ShowMessage(owner, kTextUnableToOpenPrinter, kCaptionError, statistics ? printer.result : 0);
        return;
    }
    if (printer.dc == nullptr) return;  // cancelled: nothing printed, nothing shown
    int32_t r = 0;
    TextId failure = kTextErrorPrintingStatistics;
    switch (command) {
        case PrintCommand::kActiveCut:
            r = PrintActiveCut(printer.dc);
            failure = kTextErrorPrintingActiveCut;
            break;
        case PrintCommand::kPowerStatistics:
            r = PrintStatistics(printer.dc, 0);
            break;
        case PrintCommand::kWorkStatistics:
            r = PrintStatistics(printer.dc, 1);
            break;
        case PrintCommand::kParameters:
            r = PrintParameters(printer.dc);
            failure = kTextErrorPrintingParameters;
            break;
    }
    DeleteDC(printer.dc);
    if (r != 0) ShowMessage(owner, failure, kCaptionError, r);
}
