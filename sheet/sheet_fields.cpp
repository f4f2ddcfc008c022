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

// Texts of the labels, units and list entries.
enum : TextId {
    kNo = 1,
    kYes = 2,
    kLabelBreakLimit = 21,
    kLabelBreakDelay = 22,
    kLabelBluntLimit = 23,
    kLabelBluntMode = 24,
    kLabelBluntDelay = 25,
    kLabelBluntAlarmMode = 26,
    kLabelBluntCount = 27,
    kLabelMissingLimit = 28,
    kLabelMissingDelay = 29,
    kLabelMissingCount = 30,
    kLabelTaOnBlunt = 31,
    kLabelWorkDivisor = 32,
    kHeadingCommon = 33,
    kLabelAverage = 34,
    kUnitSamples = 35,
    kLabelCycles = 36,
    kLabelDebounce = 37,
    kLabelUnitId = 38,
    kLabelRange = 39,
    kTitleBreak = 42,
    kTitleBlunt = 43,
    kTitleMissing = 44,
    kTitleTimers = 45,
    kTitleMeasurement = 46,
    kTitleMisc = 47,
    kPower = 48,
    kWork = 49,
    kEnd = 50,
    kImmediately = 51,
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
     kTitleBreak,
     {Whole(IDC_BREAK_LIMIT, IDC_LABEL_LIMIT, kLabelBreakLimit, kBreakLimit, 0, 100, kOff0, C::kSmallToZero),
      Tenths(IDC_BREAK_DELAY, IDC_LABEL_DELAY, kLabelBreakDelay, kBreakDelay, 0, 25, kNoOff)},
     2,
     {0, 1},
     {0, 1},
     2,
     {0, 0}},
    {IDD_PAGE_BLUNT,
     kTitleBlunt,
     {Whole(IDC_BLUNT_LIMIT, IDC_LABEL_LIMIT, kLabelBluntLimit, kBluntLimit, 0, 100, 4),
      Choice(IDC_BLUNT_MODE, IDC_LABEL_MODE, kLabelBluntMode, kBluntMode, kPower, kWork),
      Tenths(IDC_BLUNT_DELAY, IDC_LABEL_DELAY, kLabelBluntDelay, kBluntDelay, 1, 250, kNoOff),
      Choice(IDC_BLUNT_ALARM_MODE, IDC_LABEL_ALARM_MODE, kLabelBluntAlarmMode, kBluntAlarmMode, kEnd,
             kImmediately),
      Whole(IDC_BLUNT_COUNT, IDC_LABEL_COUNT, kLabelBluntCount, kBluntCount, 1, 8, kNoOff)},
     5,
     {0, 2, 4, 3, 1},
     {0, 2, 1, 4, 3},
     5,
     {0, 0}},
    {IDD_PAGE_MISSING,
     kTitleMissing,
     {Whole(IDC_MISSING_LIMIT, IDC_LABEL_LIMIT, kLabelMissingLimit, kMissingLimit, 0, 100, 2),
      Tenths(IDC_MISSING_DELAY, IDC_LABEL_DELAY, kLabelMissingDelay, kMissingDelay, 1, 250, kNoOff),
      Tenths(IDC_TW, 0, 0, kTw, 0, 250, kOff0),
      Whole(IDC_MISSING_COUNT, IDC_LABEL_COUNT, kLabelMissingCount, kMissingCount, 0, 8, kNoOff)},
     4,
     {0, 1, 2, 3},
     {0, 1, 2, 3},
     4,
     {0, 0}},
    {IDD_PAGE_TIMERS,
     kTitleTimers,
     {Tenths(IDC_TS, 0, 0, kTs, 0, 250, kOff0), Tenths(IDC_TA, 0, 0, kTa, 0, 249, kOff0),
      Choice(IDC_TA_ON_BLUNT, IDC_LABEL_TA_ON_BLUNT, kLabelTaOnBlunt, kTaOnBlunt, kNo, kYes)},
     3,
     {0, 1, 2},
     {0, 1, 2},
     3,
     {0, 0}},
    {IDD_PAGE_MEASUREMENT,
     kTitleMeasurement,
     {P1(IDC_P1MAX, kP1Max, 10, 100, S::kAboveOther), P1(IDC_P1MIN, kP1Min, 0, 90, S::kBelowOther),
      PlusOne(IDC_WORK_DIVISOR, IDC_LABEL_WORK_DIVISOR, kLabelWorkDivisor, kWorkDivisor, 16),
      WithUnit(Whole(IDC_AVERAGE, IDC_LABEL_AVERAGE, kLabelAverage, kAverage, 1, 25, kNoOff),
               IDC_LABEL_AVERAGE_UNIT, kUnitSamples),
      WithUnit(Whole(IDC_PO_SAMPLES, 0, 0, kPoSamples, 0, 25, kOff0), IDC_LABEL_PO_UNIT, kUnitSamples)},
     5,
     {0, 1, 3, 2, 4},
     {0, 1, 3, 2, 4},
     5,
     {IDC_LABEL_COMMON, kHeadingCommon}},
    {IDD_PAGE_MISC,
     kTitleMisc,
     {Whole(IDC_CYCLES, IDC_LABEL_CYCLES, kLabelCycles, kCycles, 1, 8, kNoOff),
      PlusOne(IDC_DEBOUNCE, IDC_LABEL_DEBOUNCE, kLabelDebounce, kDebounce, 8),
      Whole(IDC_UNIT_ID, IDC_LABEL_UNIT_ID, kLabelUnitId, kUnitId, 1, 255, kNoOff),
      {IDC_KW_RANGE,
       IDC_LABEL_RANGE,
       kLabelRange,
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
     {IDC_LABEL_COMMON, kHeadingCommon}},
};

int SheetCopyWord(int parameterIndex) {
    const BaseCode& code = kBaseCodes[parameterIndex];
    return code.common ? 18 + code.word : code.word;
}
