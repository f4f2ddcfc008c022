// The page procedure: the controls of a page are read and written here, every rule about their
// values is in the field table and the sheet's state.
#include "sheet/sheet_win32.h"

#include <commctrl.h>
#include <prsht.h>

#include "text/language.h"
#include "sheet/sheet_fields.h"
#include "sheet/sheet_state.h"

namespace {

constexpr int kControlTextSize = 32;

// The page's entry of its sheet is kept in the page window; null before WM_INITDIALOG.
const SheetPageRef* RefOf(HWND page) {
    return reinterpret_cast<const SheetPageRef*>(GetWindowLongPtrA(page, DWLP_USER));
}
int PageOf(HWND page) {
    const SheetPageRef* ref = RefOf(page);
    return ref != nullptr ? ref->page : -1;
}
// Only after WM_INITDIALOG (PageOf not -1).
ParameterSheet& SheetOf(HWND page) { return *RefOf(page)->sheet; }

int FieldOf(int page, int control) {
    for (int k = 0; k < kSheetPages[page].fieldCount; ++k)
        if (kSheetPages[page].fields[k].control == control) return k;
    return -1;
}

void PostToSheet(HWND page, UINT message) {
    if (HWND sheet = SheetOf(page).window) PostMessageA(sheet, message, reinterpret_cast<WPARAM>(page), 0);
}

// What every control of the page holds now.
struct PageInputs {
    char texts[kMaxPageFields][kControlTextSize];
    FieldInput inputs[kMaxPageFields];
};

void ReadControls(HWND hwnd, int page, PageInputs& in) {
    const SheetPage& p = kSheetPages[page];
    for (int k = 0; k < kMaxPageFields; ++k) {
        in.texts[k][0] = '\0';
        in.inputs[k] = {in.texts[k], -1};
        if (k >= p.fieldCount) continue;
        const SheetField& f = p.fields[k];
        if (f.kind == FieldKind::kChoice) {
            const LRESULT selected = SendDlgItemMessageA(hwnd, f.control, CB_GETCURSEL, 0, 0);
            in.inputs[k].selection = selected == CB_ERR ? -1 : static_cast<int>(selected);
        } else {
            // The text, not GetDlgItemInt: that would turn a number too large into 0.
            GetDlgItemTextA(hwnd, f.control, in.texts[k], kControlTextSize);
        }
    }
}

void CreatePageControls(HWND hwnd, int page) {
    const SheetPage& p = kSheetPages[page];
    ParameterSheet& sheet = SheetOf(hwnd);
    RecordSheetWindow(sheet, GetParent(hwnd));
    CreatePage(sheet.state, page, sheet.state.SheetCut);
    for (int k = 0; k < p.fieldCount; ++k) {
        const SheetField& f = p.fields[k];
        if (f.labelControl != 0) SetDlgItemTextA(hwnd, f.labelControl, GetText(f.labelText));
        if (f.unitControl != 0) SetDlgItemTextA(hwnd, f.unitControl, GetText(f.unitText));
        if (f.kind == FieldKind::kChoice) {
            for (int e = 0; e < 2; ++e)
                SendDlgItemMessageA(hwnd, f.control, CB_INSERTSTRING, static_cast<WPARAM>(e),
                                    reinterpret_cast<LPARAM>(GetText(f.choices[e])));
        }
    }
    if (p.heading.control != 0) SetDlgItemTextA(hwnd, p.heading.control, GetText(p.heading.text));
}

void ShowEntryValues(HWND hwnd, int page) {
    const SheetPage& p = kSheetPages[page];
    for (int k = 0; k < p.fieldCount; ++k) {
        const SheetField& f = p.fields[k];
        if (f.kind == FieldKind::kChoice) {
            SendDlgItemMessageA(hwnd, f.control, CB_SETCURSEL,
                                static_cast<WPARAM>(EntrySelection(SheetOf(hwnd).state, page, k)), 0);
        } else {
            char text[kFieldTextSize];
            EntryText(SheetOf(hwnd).state, page, k, text);
            SetDlgItemTextA(hwnd, f.control, text);
        }
    }
}

void OnCommand(HWND hwnd, int page, int control, int code) {
    const int k = FieldOf(page, control);
    if (k < 0) return;
    const SheetField& f = kSheetPages[page].fields[k];
    if (f.kind == FieldKind::kChoice) {
        const LRESULT selected = SendDlgItemMessageA(hwnd, control, CB_GETCURSEL, 0, 0);
        if (selected != CB_ERR && ChooseEntry(SheetOf(hwnd).state, page, k, static_cast<int>(selected)))
            PostToSheet(hwnd, PSM_CHANGED);
    } else if (f.kind != FieldKind::kFixedText && code == EN_CHANGE) {
        PostToSheet(hwnd, PSM_CHANGED);
    } else if (f.kind != FieldKind::kFixedText && code == EN_KILLFOCUS) {
        PageInputs in;
        ReadControls(hwnd, page, in);
        LeaveField(SheetOf(hwnd).state, page, k, in.inputs);  // a refused entry stays in the control as typed
    }
}

// The answer to a notification goes in the page's message result.
INT_PTR Answer(HWND hwnd, LONG_PTR result) {
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR OnNotify(HWND hwnd, int page, const NMHDR& n) {
    switch (n.code) {
        case PSN_SETACTIVE:
            ShowEntryValues(hwnd, page);
            PostToSheet(hwnd, PSM_UNCHANGED);  // after the EN_CHANGE notices of the texts just set
            return Answer(hwnd, 0);
        case PSN_KILLACTIVE:
            PostToSheet(hwnd, PSM_UNCHANGED);
            return Answer(hwnd, FALSE);
        case PSN_APPLY: {
            PageInputs in;
            ReadControls(hwnd, page, in);
            ParameterSheet& sheet = SheetOf(hwnd);
            ApplyPage(sheet.state, *sheet.link, page, in.inputs);
            return Answer(hwnd, PSNRET_NOERROR);
        }
        case PSN_RESET: {
            const ParameterSheet& sheet = SheetOf(hwnd);
            CancelPage(sheet.state, *sheet.link, *sheet.model, page);
            return Answer(hwnd, 0);
        }
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK SheetPageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
            const auto* ref = reinterpret_cast<const SheetPageRef*>(sheetPage->lParam);
            if (ref == nullptr || ref->sheet == nullptr) return FALSE;
            SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(ref));
            CreatePageControls(hwnd, ref->page);
            return TRUE;
        }
        case WM_COMMAND: {
            const int page = PageOf(hwnd);
            if (page >= 0) OnCommand(hwnd, page, LOWORD(wParam), HIWORD(wParam));
            return FALSE;
        }
        case WM_NOTIFY: {
            const int page = PageOf(hwnd);
            if (page < 0) return FALSE;
            return OnNotify(hwnd, page, *reinterpret_cast<const NMHDR*>(lParam));
        }
        default:
            return FALSE;
    }
}
