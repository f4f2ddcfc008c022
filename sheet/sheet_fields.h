// The six pages of the parameter sheet as data: which control edits which parameter, under which
// label, how the value is shown, read, checked and converted, and in which order a page sends its
// values on Apply and sends back its restore values on Cancel. One table-driven page procedure
// serves all six pages from this table.
#pragma once

#include <cstdint>

#include "model/parameters.h"
#include "text/language.h"
#include "text/text_ids.h"

// Where a page field's value lives in the sheet's copy: the 18 words of the edited cut's
// CutParameters followed by the 7 words of CommonParameters.
constexpr int kSheetCopyWords = 18 + 7;
constexpr int kPageCount = 6;
constexpr int kMaxPageFields = 5;

enum class FieldKind : uint8_t {
    kWhole,         // the value in decimal
    kWholePlusOne,  // shown and typed as value + 1
    kTenths,        // "%d.%d", read by ParseTenths
    kChoice,        // drop-down list of two entries; the selected position is the value
    kFixedText,     // disabled edit that always shows the same text; never read
};

enum class Conversion : uint8_t {
    kNone,
    kSmallToZero,  // 1..kSmallLimit become 0 (a Break Limit that small is no limit)
    kMinusOne,     // the typed number is one more than the stored value
};

// The other field of the P1Max / P1Min pair that a value is checked against.
enum class Spacing : uint8_t { kNone, kAboveOther, kBelowOther };
constexpr int kP1Spacing = 10;

struct SheetField {
    uint16_t control;       // edit field or drop-down list
    uint16_t labelControl;  // 0: the label is fixed text in the dialog
    TextId labelText;       // set into labelControl when the page is created
    uint16_t unitControl;   // 0: the unit (if any) is fixed text in the dialog
    TextId unitText;
    FieldKind kind;
    int8_t parameterIndex;  // QueueParameter's index; -1 for the field that sends nothing
    uint16_t minAccepted;   // accepted values, as read and before the conversion
    uint16_t maxAccepted;
    int16_t offUpTo;  // the parameter's OffUpTo: stored values 0..offUpTo show "Off"
    Conversion conversion;
    Spacing spacing;
    TextId choices[2];  // list entries 0 and 1 (kChoice)
};

// A label of a page that belongs to no field (the heading above the common parameters).
struct SheetLabel {
    uint16_t control;
    TextId text;
};

struct SheetPage {
    uint16_t dialog;  // dialog resource
    TextId title;
    SheetField fields[kMaxPageFields];  // top to bottom, as on the page
    int fieldCount;
    int8_t applyOrder[kMaxPageFields];   // positions in fields[], in the order Apply sends them
    int8_t cancelOrder[kMaxPageFields];  // positions in fields[], in the order Cancel sends them
    int8_t orderCount;                   // fields that send (the kW-Range field does not)
    SheetLabel heading;                  // control 0: none
};

extern const SheetPage kSheetPages[kPageCount];

// Word of the sheet's copy that holds a parameter (0..17 cut words, 18..24 common words).
int SheetCopyWord(int parameterIndex);

// What the disabled kW-Range field always shows.
constexpr const char kRangeFieldText[] = "0.00";
