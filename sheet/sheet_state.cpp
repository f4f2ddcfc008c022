#include "sheet/sheet_state.h"

#include "model/parameters.h"
#include "link/link.h"
#include "model/model.h"

namespace {

uint16_t LiveValue(const UnitModel& model, int cut, int parameterIndex) {
    const BaseCode& code = kBaseCodes[parameterIndex];
    return code.common ? CommonWordValue(model.common, code.word)
                       : CutWordValue(model.cutParameters[cut], code.word);
}

uint16_t& CopyOf(SheetState& sheet, const SheetField& field) {
    return sheet.SheetCopy[SheetCopyWord(field.parameterIndex)];
}

// The value a P1 field is checked against: the other field of the pair as its control shows it,
// when that passes its own range, else the value last sent for it.
int32_t PairValue(SheetState& sheet, const SheetPage& page, int field,
                  const FieldInput inputs[kMaxPageFields]) {
    if (page.fields[field].spacing == Spacing::kNone) return 0;
    for (int k = 0; k < page.fieldCount; ++k) {
        const SheetField& other = page.fields[k];
        if (k == field || other.spacing == Spacing::kNone) continue;
        const int32_t typed = ReadWholeNumber(inputs[k].text);
        return InFieldRange(other, typed) ? typed : CopyOf(sheet, other);
    }
    return 0;
}

}  // namespace

void OpenSheetCopy(SheetState& sheet, const UnitModel& model, int cut) {
    sheet = SheetState{};
    sheet.SheetCut = cut;
    for (int w = 0; w < kCutWordCount; ++w) sheet.SheetCopy[w] = CutWordValue(model.cutParameters[cut], w);
    for (int w = 0; w < kCommonWordCount; ++w)
        sheet.SheetCopy[kCutWordCount + w] = CommonWordValue(model.common, w);
}

void CreatePage(SheetState& sheet, int page, int cut) {
    SheetPageState& state = sheet.pages[page];
    state = SheetPageState{};
    state.created = true;
    state.SheetCut = cut;
    const SheetPage& p = kSheetPages[page];
    for (int k = 0; k < p.fieldCount; ++k) {
        if (p.fields[k].parameterIndex < 0) continue;
        state.entry[k] = state.restore[k] = CopyOf(sheet, p.fields[k]);
    }
}

void EntryText(const SheetState& sheet, int page, int field, char out[kFieldTextSize]) {
    FieldText(kSheetPages[page].fields[field], sheet.pages[page].entry[field], out);
}

int EntrySelection(const SheetState& sheet, int page, int field) { return sheet.pages[page].entry[field]; }

bool LeaveField(SheetState& sheet, int page, int field, const FieldInput inputs[kMaxPageFields]) {
    const SheetPage& p = kSheetPages[page];
    uint16_t value = 0;
    if (!ReadFieldValue(p.fields[field], inputs[field], PairValue(sheet, p, field, inputs), value))
        return false;
    sheet.pages[page].entry[field] = value;
    return true;
}

bool ChooseEntry(SheetState& sheet, int page, int field, int selection) {
    const SheetField& f = kSheetPages[page].fields[field];
    uint16_t value = 0;
    if (!ReadFieldValue(f, FieldInput{"", selection}, 0, value)) return false;
    sheet.pages[page].entry[field] = value;
    return value != CopyOf(sheet, f);
}

void ApplyPage(SheetState& sheet, Link& link, int page, const FieldInput inputs[kMaxPageFields]) {
    SheetPageState& state = sheet.pages[page];
    if (!state.created) return;
    const SheetPage& p = kSheetPages[page];
    for (int i = 0; i < p.orderCount; ++i) {
        const int k = p.applyOrder[i];
        const SheetField& f = p.fields[k];
        uint16_t value = 0;
        if (!ReadFieldValue(f, inputs[k], PairValue(sheet, p, k, inputs), value)) continue;
        // The page shows what was applied when it comes to the front again.
        state.entry[k] = value;
        if (value != CopyOf(sheet, f) && !QueueParameter(link, state.SheetCut, f.parameterIndex, value))
            continue;
        CopyOf(sheet, f) = value;
    }
}

void CancelPage(const SheetState& sheet, Link& link, const UnitModel& model, int page) {
    const SheetPageState& state = sheet.pages[page];
    if (!state.created) return;
    const SheetPage& p = kSheetPages[page];
    for (int i = 0; i < p.orderCount; ++i) {
        const int k = p.cancelOrder[i];
        const SheetField& f = p.fields[k];
        if (state.restore[k] == LiveValue(model, state.SheetCut, f.parameterIndex)) continue;
        // A refused word cannot be tried again: the sheet is closing. The queue counts it.
        (void)QueueParameter(link, state.SheetCut, f.parameterIndex, state.restore[k]);
    }
}
