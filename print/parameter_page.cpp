#include "print/parameter_page.h"

#include <algorithm>
#include <cstdint>

#include "model/model.h"
#include "model/parameters.h"
#include "text/language.h"
#include "text/text_ids.h"
#include "view/layout.h"

namespace {

constexpr int kLeft = 20;
constexpr int kLabelChars = 13;
constexpr int kColumnChars = 5;
constexpr int kRowPitch = 15;
constexpr int kFirstRowY = 240;

enum class Cell { kNumber, kTenths, kPlusOne, kChoice };

struct Row {
    TextId label;
    uint16_t CutParameters::*field;
    Cell cell;
    TextId zero = 0, other = 0;  // kChoice: the words for 0 and anything else
};

// In printing order, kRowPitch apart from kFirstRowY down.
constexpr Row kRows[] = {
    {kLabelBreakLimit, &CutParameters::breakLimit, Cell::kNumber},
    {kLabelBluntLimit, &CutParameters::bluntLimit, Cell::kNumber},
    {kLabelMissingLimit, &CutParameters::missingLimit, Cell::kNumber},
    {kLabelBreakDelay, &CutParameters::breakDelay, Cell::kTenths},
    {kLabelBluntDelay, &CutParameters::bluntDelay, Cell::kTenths},
    {kLabelMissingDelay, &CutParameters::missingDelay, Cell::kTenths},
    {kLabelBluntMode, &CutParameters::bluntMode, Cell::kChoice, kTextPwr, kTextWrk},
    {kLabelBluntAlarm, &CutParameters::bluntAlarmMode, Cell::kChoice, kTextEnd, kTextImm},
    {kLabelBluntCount, &CutParameters::bluntCount, Cell::kNumber},
    {kLabelMissingCount, &CutParameters::missingCount, Cell::kNumber},
    {kLabelTw, &CutParameters::tw, Cell::kTenths},
    {kLabelTs, &CutParameters::ts, Cell::kTenths},
    {kLabelTa, &CutParameters::ta, Cell::kTenths},
    {kLabelTaOnBlunt, &CutParameters::taOnBlunt, Cell::kChoice, kTextNo, kTextYes},
    {kLabelWorkDivisor, &CutParameters::workDivisor, Cell::kPlusOne},
    {kLabelP1Max, &CutParameters::p1Max, Cell::kNumber},
    {kLabelP1Min, &CutParameters::p1Min, Cell::kNumber},
    {kLabelCyclesPerScreen, &CutParameters::cyclesPerScreen, Cell::kNumber},
};
static_assert(sizeof kRows / sizeof kRows[0] == kCutWordCount);

void DrawCell(Canvas& c, int x, int y, const Row& row, unsigned value) {
    switch (row.cell) {
        case Cell::kNumber:
            DrawFormatted(c, x, y, "%u", value);
            break;
        case Cell::kTenths: {
            char tenths[kNumberTextSize];
            TenthsText(static_cast<int>(value), tenths);
            c.TextOut(x, y, tenths);
            break;
        }
        case Cell::kPlusOne:
            DrawFormatted(c, x, y, "%u", value + 1);
            break;
        case Cell::kChoice:
            c.TextOut(x, y, GetText(value != 0 ? row.other : row.zero));
            break;
    }
}

void DrawCommonParameters(Canvas& c, const CommonParameters& common) {
    c.TextOut(kLeft, 105, GetText(kTextCommonParameters));
    DrawFormatted(c, kLeft, 120, "%s: %d", GetText(kLabelKvdId), Load(common.unitId));
    DrawFormatted(c, kLeft, 135, "%s: %d", GetText(kLabelAverage), Load(common.average));
    DrawFormatted(c, kLeft, 150, "%s: %d", GetText(kLabelPoSamples), Load(common.poSamples));
    DrawFormatted(c, kLeft, 165, "%s: %d", GetText(kLabelDebounce), Load(common.debounce) + 1);
    char range[kNumberTextSize];
    RangeText(Load(common.rangeValue), Load(common.rangeDecimals), range);
    DrawFormatted(c, kLeft, 180, "%s: %s", GetText(kLabelRange), range);
}

}  // namespace

int ParameterPageCharWidth(int layoutIndex) {
    const int columns = kLabelChars + kColumnChars * kCutCount;
    return (LayoutValue(kWindowWidth, layoutIndex) - 2 * kLeft) / columns;
}

int ParameterPageFontHeight(const PageMapping& m, int layoutIndex, int naturalWidth, int naturalHeight) {
    if (naturalWidth <= 0 || naturalHeight <= 0 || m.windowExtentX <= 0 || m.windowExtentY <= 0 ||
        m.viewportExtentX <= 0 || m.viewportExtentY <= 0)
        return kParameterPageFontHeight;
    // Across, a layout pixel is viewportExtentX / windowExtentX device pixels, down viewportExtentY
    // / windowExtentY. Drawn at its natural proportions a character of height h is
    // h * naturalWidth / naturalHeight * (down / across) layout pixels wide; stretched, without the
    // last factor. The wider of the two must fit the cell.
    const int64_t across = static_cast<int64_t>(m.viewportExtentX) * m.windowExtentY;
    const int64_t down = static_cast<int64_t>(m.viewportExtentY) * m.windowExtentX;
    const int64_t height = static_cast<int64_t>(ParameterPageCharWidth(layoutIndex)) * naturalHeight *
                           std::min(across, down) / (static_cast<int64_t>(naturalWidth) * down);
    return static_cast<int>(std::clamp<int64_t>(height, 1, kParameterPageFontHeight));
}

void DrawParameterPage(Canvas& c, const UnitModel& model, const char* date, const char* time) {
    const Layout& at = c.UsedLayout();
    TextStateGuard guard(c);
    c.SetTextAlign(kAlignBottom | kAlignLeft);
    DrawFormatted(c, kLeft, 30, "%s: %s, %s", GetText(kTextPrinted), date, time);
    const int w = ParameterPageCharWidth(at.index);
    const int x0 = kLabelChars * w + kLeft;
    auto columnRight = [&](int cut) { return x0 + kColumnChars * w * (cut + 1); };

    c.SetTextAlign(kAlignBottom | kAlignCenter);
    c.TextOut(at(kWindowWidth) / 2, 75, GetText(kTextParameters));
    c.SetTextAlign(kAlignBottom | kAlignLeft);
    DrawCommonParameters(c, model.common);

    c.TextOut(kLeft, 210, GetText(kTextParamCutHeading));
    c.SetTextAlign(kAlignBottom | kAlignRight);
    for (int cut = 0; cut < kCutCount; ++cut) DrawFormatted(c, columnRight(cut), 210, "%d", CutNumber(cut));

    int y = kFirstRowY;
    for (const Row& row : kRows) {
        c.SetTextAlign(kAlignBottom | kAlignLeft);
        c.TextOut(kLeft, y, GetText(row.label));
        c.SetTextAlign(kAlignBottom | kAlignRight);
        // What the unit last reported for each cut (the array, not the active cut's mirror).
        for (int cut = 0; cut < kCutCount; ++cut)
            DrawCell(c, columnRight(cut), y, row, Load(model.cutParameters[cut].*row.field));
        y += kRowPitch;
    }
}
