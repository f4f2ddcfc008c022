#include "sheet/sheet_state.h"

#include "model/parameters.h"
#include "link/command_queue.h"
#include "model/model.h"

SheetState gSheet;

namespace {

uint16_t LiveValue(int cut, int parameterIndex) {
    const BaseCode& code = kBaseCodes[parameterIndex];
    return code.common ? CommonWordValue(gModel.common, code.word)
                       : CutWordValue(gModel.cutParameters[cut], code.word);
}

uint16_t& CopyOf(const SheetField& field) { return gSheet.SheetCopy[SheetCopyWord(field.parameterIndex)]; }

// The value a P1 field is checked against: the other field of the pair as its control shows it,
// when that passes its own range, else the value last sent for it.
int32_t PairValue(const SheetPage& page, int field, const FieldInput inputs[kMaxPageFields]) {
    if (page.fields[field].spacing == Spacing::kNone) return 0;
    for (int k = 0; k < page.fieldCount; ++k) {
        const SheetField& other = page.fields[k];
        if (k == field || other.spacing == Spacing::kNone) continue;
        const int32_t typed = ReadWholeNumber(inputs[k].text);
        return InFieldRange(other, typed) ? typed : CopyOf(other);
    }
    return 0;
}

}  // namespace

void OpenSheetCopy(int cut) {
    gSheet = SheetState{};
    gSheet.SheetCut = cut;
    for (int w = 0; w < kCutWordCount; ++w) gSheet.SheetCopy[w] = CutWordValue(gModel.cutParameters[cut], w);
    for (int w = 0; w < kCommonWordCount; ++w)
        gSheet.SheetCopy[kCutWordCount + w] = CommonWordValue(gModel.common, w);
}

void CreatePage(int page, int cut) {
    SheetPageState& state = gSheet.pages[page];
    state = SheetPageState{};
    state.created = true;
    state.SheetCut = cut;
    const SheetPage& p = kSheetPages[page];
    for (int k = 0; k < p.fieldCount; ++k) {
        if (p.fields[k].parameterIndex < 0) continue;
        state.entry[k] = state.restore[k] = CopyOf(p.fields[k]);
    }
}

void EntryText(int page, int field, char out[kFieldTextSize]) {
    FieldText(kSheetPages[page].fields[field], gSheet.pages[page].entry[field], out);
}

int EntrySelection(int page, int field) { return gSheet.pages[page].entry[field]; }

bool LeaveField(int page, int field, const FieldInput inputs[kMaxPageFields]) {
    const SheetPage& p = kSheetPages[page];
    uint16_t value = 0;
    if (!ReadFieldValue(p.fields[field], inputs[field], PairValue(p, field, inputs), value)) return false;
    gSheet.pages[page].entry[field] = value;
    return true;
}

bool ChooseEntry(int page, int field, int selection) {
    const SheetField& f = kSheetPages[page].fields[field];
    uint16_t value = 0;
    if (!ReadFieldValue(f, FieldInput{"", selection}, 0, value)) return false;
    gSheet.pages[page].entry[field] = value;
    return value != CopyOf(f);
}

void ApplyPage(int page, const FieldInput inputs[kMaxPageFields]) {
    SheetPageState& state = gSheet.pages[page];
    if (!state.created) return;
    const SheetPage& p = kSheetPages[page];
    for (int i = 0; i < p.orderCount; ++i) {
        const int k = p.applyOrder[i];
        const SheetField& f = p.fields[k];
        uint16_t value = 0;
        if (!ReadFieldValue(f, inputs[k], PairValue(p, k, inputs), value)) continue;
        // The page shows what was applied when it comes to the front again.
        state.entry[k] = value;
        if (value != CopyOf(f) && !QueueParameter(state.SheetCut, f.parameterIndex, value)) continue;
        CopyOf(f) = value;
    }
}

void CancelPage(int page) {
    const SheetPageState& state = gSheet.pages[page];
    if (!state.created) return;
    const SheetPage& p = kSheetPages[page];
    for (int i = 0; i < p.orderCount; ++i) {
        const int k = p.cancelOrder[i];
        const SheetField& f = p.fields[k];
        if (state.restore[k] == LiveValue(state.SheetCut, f.parameterIndex)) continue;
        // A refused word cannot be tried again: the sheet is closing. The queue counts it.
        (void)QueueParameter(state.SheetCut, f.parameterIndex, state.restore[k]);
    }
}
