// The parameter sheet on the platform: a modal property sheet of six pages over the owner window.
#pragma once

#include <windows.h>

#include "sheet/sheet_fields.h"
#include "sheet/sheet_state.h"

struct Link;
struct UnitModel;

// One open sheet: its state, what it acts on, its window. It lives on the stack of
// OpenParameterSheet for as long as the modal sheet runs; each page window keeps its own entry
// of `pages` (its index and the sheet) in DWLP_USER.
struct ParameterSheet;
struct SheetPageRef {
    ParameterSheet* sheet;
    int page;
};
struct ParameterSheet {
    SheetState state;
    Link* link;
    const UnitModel* model;
    HWND window;  // the sheet window once its first page is created
    SheetPageRef pages[kPageCount];
};

// Runs the sheet for cut 0..15 and returns when it is closed: -1 when it could not be created
// (GetLastError tells why), otherwise a value the caller does not need.
// Its words go to link's queue; its copy comes from model.
[[nodiscard]] INT_PTR OpenParameterSheet(HWND owner, Link& link, const UnitModel& model, int cut);

// The one dialog procedure of all six pages; the page is known by its dialog resource.
INT_PTR CALLBACK SheetPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The sheet window of an open sheet: the first page created records it (the sheet opens on the
// Break page, so that is always the one); later calls change nothing.
void RecordSheetWindow(ParameterSheet& sheet, HWND window);
