#include "sheet/sheet_win32.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>

#include "model/model.h"
#include "sheet/sheet_fields.h"
#include "sheet/sheet_state.h"
#include "text/language.h"

void RecordSheetWindow(ParameterSheet& sheet, HWND window) {
    if (sheet.window == nullptr) sheet.window = window;
}

INT_PTR OpenParameterSheet(HWND owner, Link& link, const UnitModel& model, int cut) {
    if (cut < 0 || cut >= kCutCount) {  // no such record to edit
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    ParameterSheet sheet{};
    sheet.link = &link;
    sheet.model = &model;
    PROPSHEETPAGEA pages[kPageCount] = {};
    for (int p = 0; p < kPageCount; ++p) {
        PROPSHEETPAGEA& page = pages[p];
        page.dwSize = sizeof page;
        page.dwFlags = PSP_USETITLE;
        page.hInstance = instance;
        page.pszTemplate = MAKEINTRESOURCEA(kSheetPages[p].dialog);
        page.pszTitle = GetText(kSheetPages[p].title);
        page.pfnDlgProc = SheetPageProc;
        sheet.pages[p] = {&sheet, p};
        page.lParam = reinterpret_cast<LPARAM>(&sheet.pages[p]);
    }
    char caption[3 * kTextSize];
    std::snprintf(caption, sizeof caption, "%s, %s %d", GetText(kTextKvdSettings), GetText(kTextCutNumber),
                  CutNumber(cut));

    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE;
    header.hwndParent = owner;
    header.hInstance = instance;
    header.pszCaption = caption;
    header.nPages = kPageCount;
    header.nStartPage = 0;
    header.ppsp = pages;

    OpenSheetCopy(sheet.state, model, cut);
    return PropertySheetA(&header);
}
