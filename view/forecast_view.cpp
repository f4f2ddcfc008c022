#include "view/forecast_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "text/language.h"
#include "text/text_ids.h"
#include "view/layout.h"
#include "view/statistics_view.h"

namespace {

constexpr int kChartWidth = 600;
constexpr double kChartTop = 105;  // the highest percentage a value can have

int64_t LastCycle(const CutForecast& f) { return f.firstCycle + f.count - 1; }

int X(const Layout& at, const ForecastSpan& span, double cycle) {
    return at(kCurveLeft) + static_cast<int>(std::lround((cycle - static_cast<double>(span.first)) *
                                                         kChartWidth / static_cast<double>(span.cycles)));
}

// A percentage on the chart, to the pixel (2 pixels per percent in the large layout).
int Y(const Layout& at, double value) {
    const int perPercent = StatisticsY(at, 0) - StatisticsY(at, 1);
    return StatisticsY(at, 0) - static_cast<int>(std::lround(value * perPercent));
}

double LineAt(const CutForecast& f, double cycle) {
    return f.shown.level + f.shown.slope * (cycle - static_cast<double>(LastCycle(f)));
}

bool BreakOnChart(const CutForecast& f) { return !f.workMode && f.breakLimit > 0; }

// Cycles after the window's last at which the line meets the farther limit drawn on the chart;
// 0 when it meets none.
double FartherCrossing(const CutForecast& f) {
    double farther = 0;
    if (f.blunt.kind == LimitForecast::kReached) farther = f.blunt.cycles;
    if (BreakOnChart(f) && f.brk.kind == LimitForecast::kReached) farther = std::max(farther, f.brk.cycles);
    return farther;
}

void DrawLimit(Canvas& c, int palette, int limit) {
    const Layout& at = c.UsedLayout();
    c.SelectPen(palette);
    DrawLine(c, at(kCurveLeft), Y(at, limit), at(kCurveLeft) + kChartWidth, Y(at, limit));
}

void DrawPoints(Canvas& c, const CutForecast& f, const ForecastSpan& span) {
    const Layout& at = c.UsedLayout();
    c.SelectPen(kPaletteBlue);
    c.SelectBrush(kPaletteBlue);
    for (int k = 0; k < f.count; ++k) {
        const int x = X(at, span, static_cast<double>(f.firstCycle + k)), y = Y(at, f.values[k]);
        c.Rectangle(x - 1, y - 1, x + 2, y + 2);
    }
}

// From the window's first cycle on to the farther crossing, or to the chart's end; never out of
// the chart's range of percentages.
void DrawFittedLine(Canvas& c, const CutForecast& f, const ForecastSpan& span) {
    const Layout& at = c.UsedLayout();
    const double last = static_cast<double>(LastCycle(f));
    const double crossing = FartherCrossing(f);
    double end = crossing > 0 ? last + crossing : static_cast<double>(span.first + span.cycles);
    end = std::min(end, static_cast<double>(span.first + span.cycles));
    const double s = f.shown.slope;
    if (s > 0) end = std::min(end, last + (kChartTop - f.shown.level) / s);
    if (s < 0) end = std::min(end, last - f.shown.level / s);
    const double start = static_cast<double>(span.first);
    end = std::max(end, last);
    c.SelectPen(kPaletteBlack);
    DrawLine(c, X(at, span, start), Y(at, LineAt(f, start)), X(at, span, end), Y(at, LineAt(f, end)));
    // The window's last cycle: where the past ends and the forecast begins.
    DrawLine(c, X(at, span, last), at(kStatsBaseline), X(at, span, last), at(kStatsBaseline) + 6);
}

void Cycles(char* out, std::size_t size, double cycles) {
    std::snprintf(out, size, "%.0f", std::ceil(cycles));
}

// "Blunt limit in about 120 cycles (80 .. 240)", or "Blunt Limit: never" and the like.
void LimitText(char* out, std::size_t size, const LimitForecast& l, TextId inAbout, TextId name) {
    switch (l.kind) {
        case LimitForecast::kNoLimit:
            std::snprintf(out, size, "%s: %s", GetText(name), GetText(kTextOff));
            return;
        case LimitForecast::kAlreadyAbove:
            std::snprintf(out, size, "%s: %s", GetText(name), GetText(kTextReached));
            return;
        case LimitForecast::kNotRising:
            std::snprintf(out, size, "%s: %s", GetText(name), GetText(kTextNever));
            return;
        case LimitForecast::kReached:
            break;
    }
    char n[24], low[24], high[24];
    Cycles(n, sizeof n, l.cycles);
    Cycles(low, sizeof low, l.low);
    if (l.high < 0)
        std::snprintf(high, sizeof high, "%s", GetText(kTextNever));
    else
        Cycles(high, sizeof high, l.high);
    std::snprintf(out, size, "%s %s %s (%s .. %s)", GetText(inAbout), n, GetText(kTextCycles), low, high);
}

void DrawTexts(Canvas& c, const CutForecast& f) {
    const Layout& at = c.UsedLayout();
    char lines[3][128] = {};
    if (!f.enough) {
        std::snprintf(lines[0], sizeof lines[0], "%s (%d / %d)", GetText(kTextTooFewCycles), f.count,
                      f.window);
    } else {
        LimitText(lines[0], sizeof lines[0], f.blunt, kTextBluntLimitInAbout, kTextBluntLimit);
        LimitText(lines[1], sizeof lines[1], f.brk, kTextBreakLimitInAbout, kTextBreakLimit);
        if (f.risingSince >= 0)
            std::snprintf(lines[2], sizeof lines[2], "%s %lld", GetText(kTextRisingSinceCycle),
                          static_cast<long long>(f.risingSince + 1));
        else
            std::snprintf(lines[2], sizeof lines[2], "%s", GetText(kTextNoRise));
    }
    c.SetTextAlign(kAlignLeft | kAlignBottom);
    for (int i = 0; i < 3 && lines[i][0] != '\0'; ++i)
        c.TextOut(at(kCurveLeft) + 15, at(kStatsAxisTop) + (i + 1) * at(kTableFontHeight), lines[i]);
}

}  // namespace

ForecastSpan ForecastSpanOf(const CutForecast& f) {
    const int64_t window = std::max(f.window, 1);
    const auto ahead = static_cast<int64_t>(std::ceil(FartherCrossing(f)));
    return {f.firstCycle, window + std::clamp<int64_t>(ahead, window, kForecastAheadWindows * window)};
}

void DrawForecastView(Canvas& canvas, const CutForecast& f, Target target) {
    TextStateGuard keep(canvas);
    char heading[2 * kTextSize + 16];
    std::snprintf(heading, sizeof heading, "%s, %s %d", GetText(kTextForecast), GetText(kTextCutNumber),
                  CutNumber(f.cut));
    DrawPanelHeading(canvas, target, heading);
    DrawStatisticsAxes(canvas);
    DrawStatisticsScale(canvas, GetText(f.workMode ? kTextWorkPercent : kTextPeakPercent));
    if (BreakOnChart(f)) DrawLimit(canvas, kPaletteRed, f.breakLimit);
    if (f.bluntLimit > 0) DrawLimit(canvas, kPaletteMagenta, f.bluntLimit);
    const ForecastSpan span = ForecastSpanOf(f);
    DrawPoints(canvas, f, span);
    if (f.enough) DrawFittedLine(canvas, f, span);
    DrawTexts(canvas, f);
}

void ForecastWarningText(const CutForecast& f, int level, char* out, std::size_t size) {
    out[0] = '\0';
    if (!ForecastWarns(f, level)) return;
    for (const auto& [l, name] : {std::pair{&f.blunt, kTextBluntLimit}, std::pair{&f.brk, kTextBreakLimit}}) {
        if (l->kind != LimitForecast::kAlreadyAbove) continue;
        std::snprintf(out, size, "%s: %s", GetText(name), GetText(kTextReached));
        return;
    }
    char n[24];
    Cycles(n, sizeof n, CyclesLeft(f));
    std::snprintf(out, size, "%s %s %s", GetText(kTextChangeToolWithin), n, GetText(kTextCycles));
}
