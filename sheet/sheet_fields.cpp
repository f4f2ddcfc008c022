#include "sheet/sheet_fields.h"

#include "model/parameters.h"
#include "res/resource.h"

namespace {

using K = FieldKind;
using C = Conversion;
using S = Spacing;
using P = Parameter;
constexpr int16_t kNoOff = kNoOffRule;

// One maker per kind of row, so the table below reads like the pages.
// A field's Off rule is its parameter's (model/parameters.h).
constexpr SheetField Whole(uint16_t control, uint16_t label, TextId text, P p, uint16_t min, uint16_t max,
                           C conversion = C::kNone) {
    return {control,    label,    text,  0,   0,
            K::kWhole,  Index(p), min,   max, static_cast<int16_t>(OffUpTo(p)),
            conversion, S::kNone, {0, 0}};
}
constexpr SheetField Tenths(uint16_t control, uint16_t label, TextId text, P p, uint16_t min, uint16_t max) {
    return {control,  label,    text,  0, 0, K::kTenths, Index(p), min, max, static_cast<int16_t>(OffUpTo(p)),
            C::kNone, S::kNone, {0, 0}};
}
constexpr SheetField Choice(uint16_t control, uint16_t label, TextId text, P p, TextId first, TextId second) {
    return {control, label, text,   0,        0,        K::kChoice,     Index(p),
            0,       1,     kNoOff, C::kNone, S::kNone, {first, second}};
}
constexpr SheetField PlusOne(uint16_t control, uint16_t label, TextId text, P p, uint16_t maxTyped) {
    return {control,  label,  text,         0,        0,     K::kWholePlusOne, Index(p), 1,
            maxTyped, kNoOff, C::kMinusOne, S::kNone, {0, 0}};
}
constexpr SheetField P1(uint16_t control, P p, uint16_t min, uint16_t max, S spacing) {
    return {control, 0, 0, 0, 0, K::kWhole, Index(p), min, max, kNoOff, C::kNone, spacing, {0, 0}};
}
constexpr SheetField WithUnit(SheetField f, uint16_t unitControl, TextId unit) {
    f.unitControl = unitControl;
    f.unitText = unit;
    return f;
}

}  // namespace

// Each page: dialog, title, fields top to bottom, their number, the order of sending, the order for
// Cancel (positions in the fields), how many fields send, and the heading above the common ones.
const SheetPage kSheetPages[kPageCount] = {
    {IDD_PAGE_BREAK,
     kTextBreakSettings,
     {Whole(IDC_BREAK_LIMIT, IDC_LABEL_LIMIT, kTextBreakLimit, P::kBreakLimit, 0, 100, C::kSmallToZero),
      Tenths(IDC_BREAK_DELAY, IDC_LABEL_DELAY, kTextBreakDelay, P::kBreakDelay, 0, 25)},
     2,
     {0, 1},
     {0, 1},
     2,
     {0, 0}},
    {IDD_PAGE_BLUNT,
     kTextBluntSettings,
     {Whole(IDC_BLUNT_LIMIT, IDC_LABEL_LIMIT, kTextBluntLimit, P::kBluntLimit, 0, 100),
      Choice(IDC_BLUNT_MODE, IDC_LABEL_MODE, kTextBluntMode, P::kBluntMode, kTextPower, kTextWork),
      Tenths(IDC_BLUNT_DELAY, IDC_LABEL_DELAY, kTextBluntDelay, P::kBluntDelay, 1, 250),
      Choice(IDC_BLUNT_ALARM_MODE, IDC_LABEL_ALARM_MODE, kTextBluntAlarmMode, P::kBluntAlarmMode,
             kTextEndPadded, kTextImmediately),
      Whole(IDC_BLUNT_COUNT, IDC_LABEL_COUNT, kTextBluntCount, P::kBluntCount, 1, 8)},
     5,
     {0, 2, 4, 3, 1},
     {0, 2, 1, 4, 3},
     5,
     {0, 0}},
    {IDD_PAGE_MISSING,
     kTextMissingSettings,
     {Whole(IDC_MISSING_LIMIT, IDC_LABEL_LIMIT, kTextMissingLimit, P::kMissingLimit, 0, 100),
      Tenths(IDC_MISSING_DELAY, IDC_LABEL_DELAY, kTextMissingDelay, P::kMissingDelay, 1, 250),
      Tenths(IDC_TW, 0, 0, P::kTw, 0, 250),
      Whole(IDC_MISSING_COUNT, IDC_LABEL_COUNT, kTextMissingCount, P::kMissingCount, 0, 8)},
     4,
     {0, 1, 2, 3},
     {0, 1, 2, 3},
     4,
     {0, 0}},
    {IDD_PAGE_TIMERS,
     kTextTimers,
     {Tenths(IDC_TS, 0, 0, P::kTs, 0, 250), Tenths(IDC_TA, 0, 0, P::kTa, 0, 249),
      Choice(IDC_TA_ON_BLUNT, IDC_LABEL_TA_ON_BLUNT, kTextTaOnBlunt, P::kTaOnBlunt, kTextNo, kTextYes)},
     3,
     {0, 1, 2},
     {0, 1, 2},
     3,
     {0, 0}},
    {IDD_PAGE_MEASUREMENT,
     kTextMeasurementSettings,
     {P1(IDC_P1MAX, P::kP1Max, 10, 100, S::kAboveOther), P1(IDC_P1MIN, P::kP1Min, 0, 90, S::kBelowOther),
      PlusOne(IDC_WORK_DIVISOR, IDC_LABEL_WORK_DIVISOR, kTextWorkDivisor, P::kWorkDivisor, 16),
      WithUnit(Whole(IDC_AVERAGE, IDC_LABEL_AVERAGE, kTextAverage, P::kAverage, 1, 25),
               IDC_LABEL_AVERAGE_UNIT, kTextSamples),
      WithUnit(Whole(IDC_PO_SAMPLES, 0, 0, P::kPoSamples, 0, 25), IDC_LABEL_PO_UNIT, kTextSamples)},
     5,
     {0, 1, 3, 2, 4},
     {0, 1, 3, 2, 4},
     5,
     {IDC_LABEL_COMMON, kTextCommonForAllCuts}},
    {IDD_PAGE_MISC,
     kTextMiscellaneous,
     {Whole(IDC_CYCLES, IDC_LABEL_CYCLES, kTextCyclesPerScreen, P::kCyclesPerScreen, 1, 8),
      PlusOne(IDC_DEBOUNCE, IDC_LABEL_DEBOUNCE, kTextDebounce, P::kDebounce, 8),
      Whole(IDC_UNIT_ID, IDC_LABEL_UNIT_ID, kTextUnitId, P::kUnitId, 1, 255),
      {IDC_KW_RANGE,
       IDC_LABEL_RANGE,
       kTextKwRange,
       0,
       0,
       K::kFixedText,
       -1,
       0,
       0,
       kNoOff,
       C::kNone,
       S::kNone,
       {0, 0}}},
     4,
     {0, 2, 1},
     {0, 2, 1},
     3,
     {IDC_LABEL_COMMON, kTextCommonForAllCuts}},
};

int SheetCopyWord(int parameterIndex) {
    const BaseCode& code = kBaseCodes[parameterIndex];
    return code.common ? 18 + code.word : code.word;
}
