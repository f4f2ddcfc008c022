#include "view/table_view.h"
#include "text/text_ids.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "model/model.h"
#include "model/parameters.h"
#include "text/language.h"
#include "view/active_cut.h"
#include "view/layout.h"
#include "view/palette.h"

namespace {

constexpr int kTextMax = 128;

// One table line: the label, ": " and the value. The label texts are padded to 13 characters so
// that, in the fixed-pitch table font, the colons of a column stand one above the other.
class Line {
public:
    explicit Line(TextId label) { Append("%s: ", GetText(label)); }
    Line& Append(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(text_ + length_, kTextMax - length_, format, args);
        va_end(args);
        if (n > 0) length_ = std::min(length_ + n, kTextMax - 1);
        return *this;
    }
    Line& Word(TextId word) { return Append("%s", GetText(word)); }
    Line& Percent(int value) { return Append("%d %%", value); }
    Line& Tenths(int value) {
        char number[kNumberTextSize];
        TenthsText(value, number);
        return Append("%s s", number);
    }
    Line& Number(int value) { return Append("%d", value); }
    // The "Off" word where the parameter's Off rule says so, else the value in the given form.
    Line& OrOff(Parameter p, int value, Line& (Line::*form)(int)) {
        return IsOff(p, value) ? Word(kTextOff) : (this->*form)(value);
    }
    Line& Choice(int value, TextId zero, TextId other) { return Word(value != 0 ? other : zero); }
    void Draw(Canvas& c, LayoutEntry column, LayoutEntry row) const {
        c.TextOut(c.UsedLayout()(column), c.UsedLayout()(row), text_);
    }

private:
    char text_[kTextMax] = {};
    int length_ = 0;
};

void DrawCutColumns(Canvas& c, const CutParameters& p) {
    Line(kLabelBreakLimit)
        .OrOff(Parameter::kBreakLimit, p.breakLimit, &Line::Percent)
        .Draw(c, kColumn1X, kRow1Y);
    Line(kLabelBreakDelay).Tenths(p.breakDelay).Draw(c, kColumn1X, kRow2Y);
    Line(kLabelBluntLimit)
        .OrOff(Parameter::kBluntLimit, p.bluntLimit, &Line::Percent)
        .Draw(c, kColumn1X, kRow4Y);
    Line(kLabelBluntMode).Choice(p.bluntMode, kTextPower, kTextWork).Draw(c, kColumn1X, kRow5Y);
    Line(kLabelBluntDelay).Tenths(p.bluntDelay).Draw(c, kColumn1X, kRow6Y);
    Line(kLabelBluntAlarm)
        .Choice(p.bluntAlarmMode, kTextEndPadded, kTextImmediately)
        .Draw(c, kColumn1X, kRow7Y);
    Line(kLabelBluntCount).Append("%d", p.bluntCount).Draw(c, kColumn1X, kRow8Y);
    Line(kLabelTaOnBlunt).Choice(p.taOnBlunt, kTextNo, kTextYes).Draw(c, kColumn1X, kRow9Y);
    const unsigned long divisor = PowerOfTwo(static_cast<uint16_t>(p.workDivisor + 1));
    Line(kLabelWorkDivisor).Append("%lu (%d)", divisor, p.workDivisor + 1).Draw(c, kColumn1X, kRow10Y);

    Line(kLabelMissingLimit)
        .OrOff(Parameter::kMissingLimit, p.missingLimit, &Line::Percent)
        .Draw(c, kColumn2X, kRow1Y);
    Line(kLabelMissingDelay).Tenths(p.missingDelay).Draw(c, kColumn2X, kRow2Y);
    Line(kLabelMissingCount).Append("%d", p.missingCount).Draw(c, kColumn2X, kRow3Y);
    Line(kLabelTw).OrOff(Parameter::kTw, p.tw, &Line::Tenths).Draw(c, kColumn2X, kRow4Y);
    Line(kLabelTs).OrOff(Parameter::kTs, p.ts, &Line::Tenths).Draw(c, kColumn2X, kRow6Y);
    Line(kLabelTa).OrOff(Parameter::kTa, p.ta, &Line::Tenths).Draw(c, kColumn2X, kRow7Y);
    Line(kLabelP1Max).Append("%d %%", p.p1Max).Draw(c, kColumn2X, kRow8Y);
    Line(kLabelP1Min).Append("%d %%", p.p1Min).Draw(c, kColumn2X, kRow9Y);
    Line(kLabelCyclesPerScreen).Append("%d", p.cyclesPerScreen).Draw(c, kColumn2X, kRow11Y);
}

void DrawCommonColumn(Canvas& c, const CommonParameters& common) {
    const Layout& at = c.UsedLayout();
    c.TextOut(at(kColumn3X), at(kRow1Y), GetText(kTextCommonForAllCuts));
    Line(kLabelKvdId).Append("%d", Load(common.unitId)).Draw(c, kColumn3X, kRow3Y);
    Line(kLabelAverage).Append("%d", Load(common.average)).Draw(c, kColumn3X, kRow4Y);
    Line(kLabelPoSamples)
        .OrOff(Parameter::kPoSamples, Load(common.poSamples), &Line::Number)
        .Draw(c, kColumn3X, kRow5Y);
    Line(kLabelDebounce).Append("%d", Load(common.debounce) + 1).Draw(c, kColumn3X, kRow6Y);
    const int value = Load(common.rangeValue), decimals = Load(common.rangeDecimals);
    char range[kNumberTextSize] = "---";  // no range reported yet
    if (value != 0) RangeText(value, decimals, range);
    Line(kLabelRange).Append("%s", range).Draw(c, kColumn3X, kRow7Y);
}

// Red: "Relays disabled!" and the counters behind Blunt Count and Missing Count.
void DrawWarnings(Canvas& c, const AlarmState& alarms, const CutParameters& p, int cut) {
    const Layout& at = c.UsedLayout();
    c.SetTextColour(kPaletteColours[kPaletteRed]);
    if (Load(alarms.RelaysDisabledTicks) != 0)
        c.TextOut(at(kColumn3X), at(kRow10Y), GetText(kTextRelaysDisabled));
    const int behindLabel = 17 * c.AverageCharWidth();
    if (p.bluntCount > 1)
        DrawFormatted(c, at(kColumn1X) + behindLabel, at(kRow8Y), "(%d)", Load(alarms.BluntCounter[cut]));
    if (p.missingCount > 1)
        DrawFormatted(c, at(kColumn2X) + behindLabel, at(kRow3Y), "(%d)", Load(alarms.MissingCounter[cut]));
}

}  // namespace

void DrawParameterTable(Canvas& canvas, const UnitModel& model, int clientWidth) {
    const Layout& at = canvas.UsedLayout();
    TextStateGuard keep(canvas);
    const Colour textColour = canvas.TextColour();
    const int cut = ActiveCutIndex(model);
    const CutParameters p = ActiveCutMirror(model);

    canvas.SelectPen(kPaletteBlack);
    DrawLine(canvas, at(kPanelMargin), at(kPanelTop), clientWidth - at(kPanelMargin), at(kPanelTop));
    canvas.SelectFont(CanvasFont::kTable);
    canvas.SetTextAlign(kAlignCenter | kAlignBottom);
    canvas.SetBackgroundColour(kWindowBackground);
    DrawFormatted(canvas, clientWidth / 2, at(kPanelTop) + at(kTableFontHeight) / 2, " %s, %s %d ",
                  GetText(kTextParameters), GetText(kTextCutNumber), CutNumber(cut));
    canvas.SetTextAlign(kAlignLeft | kAlignBottom);  // a row's y is the bottom of its text
    DrawCutColumns(canvas, p);
    DrawCommonColumn(canvas, model.common);
    DrawWarnings(canvas, model.alarms, p, cut);
    canvas.SetTextColour(textColour);
}
