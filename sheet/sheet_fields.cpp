#include "sheet/sheet_fields.h"

#include "model/base_codes.h"
#include "res/resource.h"

namespace {

// Parameter indexes of the base-code table.
enum : int8_t {
    kBreakLimit = 0,
    kBreakDelay = 1,
    kBluntLimit = 2,
    kTaOnBlunt = 3,
    kBluntMode = 4,
    kBluntDelay = 5,
    kBluntAlarmMode = 6,
    kBluntCount = 7,
    kWorkDivisor = 8,
    kMissingLimit = 9,
    kMissingDelay = 10,
    kTw = 11,
    kMissingCount = 12,
    kTs = 13,
    kTa = 14,
    kP1Max = 15,
    kP1Min = 16,
    kAverage = 17,
    kPoSamples = 18,
    kCycles = 19,
    kUnitId = 20,
    kDebounce = 21,
};

using K = FieldKind;
using C = Conversion;
using S = Spacing;
constexpr int16_t kOff0 = 0;
constexpr int16_t kNoOff = kNoOffRule;

// One maker per kind of row, so the table below reads like the pages.
constexpr SheetField Whole(uint16_t control, uint16_t label, TextId text, int8_t index, uint16_t min,
                           uint16_t max, int16_t off, C conversion = C::kNone) {
    return {control, label, text, 0, 0, K::kWhole, index, min, max, off, conversion, S::kNone, {0, 0}};
}
constexpr SheetField Tenths(uint16_t control, uint16_t label, TextId text, int8_t index, uint16_t min,
                            uint16_t max, int16_t off) {
    return {control, label, text, 0, 0, K::kTenths, index, min, max, off, C::kNone, S::kNone, {0, 0}};
}
constexpr SheetField Choice(uint16_t control, uint16_t label, TextId text, int8_t index, TextId first,
                            TextId second) {
    return {control, label, text, 0, 0, K::kChoice, index, 0, 1, kNoOff, C::kNone, S::kNone, {first, second}};
}
constexpr SheetField PlusOne(uint16_t control, uint16_t label, TextId text, int8_t index, uint16_t maxTyped) {
    return {control,  label,  text,         0,        0,     K::kWholePlusOne, index, 1,
            maxTyped, kNoOff, C::kMinusOne, S::kNone, {0, 0}};
}
constexpr SheetField P1(uint16_t control, int8_t index, uint16_t min, uint16_t max, S spacing) {
    return {control, 0, 0, 0, 0, K::kWhole, index, min, max, kNoOff, C::kNone, spacing, {0, 0}};
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
     {Whole(IDC_BREAK_LIMIT, IDC_LABEL_LIMIT, kTextBreakLimit, kBreakLimit, 0, 100, kOff0, C::kSmallToZero),
      Tenths(IDC_BREAK_DELAY, IDC_LABEL_DELAY, kTextBreakDelay, kBreakDelay, 0, 25, kNoOff)},
     2,
     {0, 1},
     {0, 1},
     2,
     {0, 0}},
    {IDD_PAGE_BLUNT,
     kTextBluntSettings,
     {Whole(IDC_BLUNT_LIMIT, IDC_LABEL_LIMIT, kTextBluntLimit, kBluntLimit, 0, 100, 4),
      Choice(IDC_BLUNT_MODE, IDC_LABEL_MODE, kTextBluntMode, kBluntMode, kTextPower, kTextWork),
      Tenths(IDC_BLUNT_DELAY, IDC_LABEL_DELAY, kTextBluntDelay, kBluntDelay, 1, 250, kNoOff),
      Choice(IDC_BLUNT_ALARM_MODE, IDC_LABEL_ALARM_MODE, kTextBluntAlarmMode, kBluntAlarmMode, kTextEndPadded,
             kTextImmediately),
      Whole(IDC_BLUNT_COUNT, IDC_LABEL_COUNT, kTextBluntCount, kBluntCount, 1, 8, kNoOff)},
     5,
     {0, 2, 4, 3, 1},
     {0, 2, 1, 4, 3},
     5,
     {0, 0}},
    {IDD_PAGE_MISSING,
     kTextMissingSettings,
     {Whole(IDC_MISSING_LIMIT, IDC_LABEL_LIMIT, kTextMissingLimit, kMissingLimit, 0, 100, 2),
      Tenths(IDC_MISSING_DELAY, IDC_LABEL_DELAY, kTextMissingDelay, kMissingDelay, 1, 250, kNoOff),
      Tenths(IDC_TW, 0, 0, kTw, 0, 250, kOff0),
      Whole(IDC_MISSING_COUNT, IDC_LABEL_COUNT, kTextMissingCount, kMissingCount, 0, 8, kNoOff)},
     4,
     {0, 1, 2, 3},
     {0, 1, 2, 3},
     4,
     {0, 0}},
    {IDD_PAGE_TIMERS,
     kTextTimers,
     {Tenths(IDC_TS, 0, 0, kTs, 0, 250, kOff0), Tenths(IDC_TA, 0, 0, kTa, 0, 249, kOff0),
      Choice(IDC_TA_ON_BLUNT, IDC_LABEL_TA_ON_BLUNT, kTextTaOnBlunt, kTaOnBlunt, kTextNo, kTextYes)},
     3,
     {0, 1, 2},
     {0, 1, 2},
     3,
     {0, 0}},
    {IDD_PAGE_MEASUREMENT,
     kTextMeasurementSettings,
     {P1(IDC_P1MAX, kP1Max, 10, 100, S::kAboveOther), P1(IDC_P1MIN, kP1Min, 0, 90, S::kBelowOther),
      PlusOne(IDC_WORK_DIVISOR, IDC_LABEL_WORK_DIVISOR, kTextWorkDivisor, kWorkDivisor, 16),
      WithUnit(Whole(IDC_AVERAGE, IDC_LABEL_AVERAGE, kTextAverage, kAverage, 1, 25, kNoOff),
               IDC_LABEL_AVERAGE_UNIT, kTextSamples),
      WithUnit(Whole(IDC_PO_SAMPLES, 0, 0, kPoSamples, 0, 25, kOff0), IDC_LABEL_PO_UNIT, kTextSamples)},
     5,
     {0, 1, 3, 2, 4},
     {0, 1, 3, 2, 4},
     5,
     {IDC_LABEL_COMMON, kTextCommonForAllCuts}},
    {IDD_PAGE_MISC,
     kTextMiscellaneous,
     {Whole(IDC_CYCLES, IDC_LABEL_CYCLES, kTextCyclesPerScreen, kCycles, 1, 8, kNoOff),
      PlusOne(IDC_DEBOUNCE, IDC_LABEL_DEBOUNCE, kTextDebounce, kDebounce, 8),
      Whole(IDC_UNIT_ID, IDC_LABEL_UNIT_ID, kTextUnitId, kUnitId, 1, 255, kNoOff),
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
