#include "print/printer_win32.h"

#include <commdlg.h>
#include <winspool.h>

#include <memory>

namespace {

// What is reported when the system gives no code of its own for a missing printer.
constexpr int32_t kNoPrinter = ERROR_INVALID_PRINTER_NAME;

int32_t LastErrorOr(int32_t fallback) {
    const DWORD e = GetLastError();
    return e != 0 ? static_cast<int32_t>(e) : fallback;
}

PrinterChoice CreatePrinterDC(const char* device, const DEVMODEA* mode) {
    SetLastError(0);
    HDC dc = CreateDCA(nullptr, device, nullptr, mode);
    if (dc == nullptr) return {LastErrorOr(kNoPrinter), nullptr};
    return {0, dc};
}

// 95/98/Me: no dialog; the default printer, turned to landscape.
PrinterChoice DefaultPrinterLandscape() {
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 2, nullptr, 0, &needed, &count);
    if (needed == 0) return {kNoPrinter, nullptr};
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[needed]);
    if (!buffer) return {ERROR_NOT_ENOUGH_MEMORY, nullptr};
    if (!EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 2, buffer.get(), needed, &needed, &count))
        return {LastErrorOr(kNoPrinter), nullptr};
    if (count == 0) return {kNoPrinter, nullptr};
    auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.get());
    if (info->pDevMode != nullptr) {
        info->pDevMode->dmOrientation = DMORIENT_LANDSCAPE;
        info->pDevMode->dmFields |= DM_ORIENTATION;
    }
    return CreatePrinterDC(info->pPrinterName, info->pDevMode);
}

// NT family: the page-setup dialog. It allocates the printer's names and mode itself (a
// zero-filled mode is no valid printer setting), and both are freed here whatever happens.
PrinterChoice PageSetupPrinter(HWND owner) {
    PAGESETUPDLGA setup{};
    setup.lStructSize = sizeof setup;
    setup.hwndOwner = owner;
    setup.Flags = PSD_NONETWORKBUTTON;
    PrinterChoice choice{0, nullptr};
    if (!PageSetupDlgA(&setup)) {
        choice.result = static_cast<int32_t>(CommDlgExtendedError());  // 0: cancelled
    } else if (auto* names = static_cast<DEVNAMES*>(GlobalLock(setup.hDevNames)); names == nullptr) {
        choice.result = LastErrorOr(kNoPrinter);
    } else {
        char device[CCHDEVICENAME * 4];
        lstrcpynA(device, reinterpret_cast<const char*>(names) + names->wDeviceOffset, sizeof device);
        GlobalUnlock(setup.hDevNames);
        auto* mode = setup.hDevMode != nullptr ? static_cast<DEVMODEA*>(GlobalLock(setup.hDevMode)) : nullptr;
        choice = CreatePrinterDC(device, mode);
        if (mode != nullptr) GlobalUnlock(setup.hDevMode);
    }
    if (setup.hDevNames != nullptr) GlobalFree(setup.hDevNames);
    if (setup.hDevMode != nullptr) GlobalFree(setup.hDevMode);
    return choice;
}

bool IsWindows9x() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&version)) return false;
#pragma GCC diagnostic pop
    return version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

}  // namespace

PrinterChoice ChoosePrinter(HWND owner) {
    return IsWindows9x() ? DefaultPrinterLandscape() : PageSetupPrinter(owner);
}
