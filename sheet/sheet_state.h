// The sheet's own copy of the edited values and what each page keeps, with the steps the pages
// take on them: creation, activation, leaving a field, a choice, Apply and Cancel. The records of
// the unit are never written here; changed values leave as command words through the queue, and
// the records change only when the unit reports the new values back.
//
// Threads: the user-interface thread only. The unit's records are read word by word with Load
// (the reader thread writes them at any time).
#pragma once

#include <cstdint>

#include "sheet/field_values.h"
#include "sheet/sheet_fields.h"

struct Link;
struct UnitModel;

struct SheetPageState {
    bool created;  // pages never shown take no part in Apply or Cancel
    int32_t SheetCut;
    uint16_t entry[kMaxPageFields];    // last accepted value, shown again at each activation
    uint16_t restore[kMaxPageFields];  // the sheet's copy when the page was created, for Cancel
};

struct SheetState {
    int32_t SheetCut;  // 0..15
    // The edited cut's 18 words, then the 7 common words: for each field, the value last sent
    // for it, or the value at opening if none was sent.
    uint16_t SheetCopy[kSheetCopyWords];
    SheetPageState pages[kPageCount];
};

// Every call is handed the sheet's state (one per open sheet, owned by whoever opens it).

// Opening: the cut and the copy of its record and the common words; no page created yet.
void OpenSheetCopy(SheetState& sheet, const UnitModel& model, int cut);

// First showing of a page: its entry and restore values from the copy.
void CreatePage(SheetState& sheet, int page, int cut);

// The text an edit field shows at activation (its entry value in display form), or, for a list,
// the entry to select.
void EntryText(const SheetState& sheet, int page, int field, char out[kFieldTextSize]);
[[nodiscard]] int EntrySelection(const SheetState& sheet, int page, int field);

// Leaving an edit field: an acceptable entry becomes the field's entry value (converted). inputs
// holds what every control of the page shows, in field order. True when accepted.
bool LeaveField(SheetState& sheet, int page, int field, const FieldInput inputs[kMaxPageFields]);

// A notification from a drop-down list: a selected entry becomes the entry value. True when it
// differs from the copy, so the page should mark itself changed.
[[nodiscard]] bool ChooseEntry(SheetState& sheet, int page, int field, int selection);

// Apply: every acceptable field whose value differs from the copy is queued, in the page's order
// of sending; the copy takes each value queued (and a value already equal), never one the queue
// refused, so a later Apply tries that one again.
void ApplyPage(SheetState& sheet, Link& link, int page, const FieldInput inputs[kMaxPageFields]);

// Cancel: in the page's order for Cancel, each field whose restore value differs from what the
// unit's record holds now (stored forms) has its restore value queued.
void CancelPage(const SheetState& sheet, Link& link, const UnitModel& model, int page);
