#include "view/statistics_view.h"

#include <cstdio>
#include "text/text_ids.h"

#include <algorithm>

#include "model/settings.h"
#include "text/display_name.h"
#include "model/model.h"
#include "model/parameters.h"
#include "text/language.h"
#include "view/active_cut.h"
#include "view/layout.h"

namespace {

// Held entries by the reader rule; indexes of a damaged file can claim more than the ring holds.
int HeldEntriesOfCut(const CutStatistics& s, int cut) {
    return std::min(HeldEntries(s, cut), kStatisticsEntries);
}

uint8_t EntryValue(const CutStatistics& s, int cut, int index, StatisticsKind kind) {
    const StatisticsEntry& e = s.entries[cut][index];
    return kind == kPowerStatistics ? Load(e.peak) : Load(e.work);
}

// The largest value of the entries first .. first + count - 1 (all inside the ring).
uint8_t GroupValue(const CutStatistics& s, int cut, int first, int count, StatisticsKind kind) {
    uint8_t largest = 0;
    for (int i = first; i < first + count; ++i) largest = std::max(largest, EntryValue(s, cut, i, kind));
    return largest;
}

void DrawLimitLine(Canvas& c, int paletteIndex, int limit) {
    const Layout& at = c.UsedLayout();
    c.SelectPen(paletteIndex);
    const int h = StatisticsY(at, limit);
    DrawLine(c, at(kCurveLeft), h, at(kCurveLeft) + 600, h);
}

}  // namespace

int StatisticsY(const Layout& at, int value) { return at(kStatsBaseline) - (at.Large() ? 2 * value : value); }

void DrawStatisticsAxes(Canvas& c) {
    const Layout& at = c.UsedLayout();
    const int left = at(kCurveLeft), base = at(kStatsBaseline), top = at(kStatsAxisTop),
              right = at(kAxisRight);
    c.SelectPen(kPaletteBlack);
    DrawLine(c, left - 1, top, left - 1, base + 6);
    DrawLine(c, left - 6, top + 5, left - 1, top);
    c.LineTo(left + 4, top + 5);
    DrawLine(c, left - 6, base, right, base);
    c.LineTo(right - 5, base - 5);
    DrawLine(c, right, base, right - 5, base + 5);
}

void DrawStatisticsScale(Canvas& c, const char* unit) {
    const Layout& at = c.UsedLayout();
    const int left = at(kCurveLeft);
    c.SetTextAlign(kAlignRight | kAlignBottom);
    for (int k = 1; k <= 4; ++k) {
        const int y = StatisticsY(at, 25 * k);
        DrawLine(c, left - 5, y, left - 1, y);
        // In the small layout "100" would run into the axis; the top label reads 99 there.
        const int label = k == 4 && !at.Large() ? 99 : 25 * k;
        DrawFormatted(c, left - 5, y + 7, "%d", label);
    }
    c.TextOut(left, at(kStatsAxisTop) - 4, unit);
}

BarScale BarScaleFor(int heldEntries) {
    if (heldEntries <= 75) return {8, 1};
    if (heldEntries <= 150) return {4, 1};
    if (heldEntries <= 300) return {2, 1};
    return {1, heldEntries / 600 + 1};
}

bool StatisticsRescaled(const UnitModel& model, const CutStatistics& statistics,
                        const StatisticsCursor& cursor) {
    const int cut = ActiveCutIndex(model);
    const int held = std::min(HeldEntries(Load(statistics.writeIndex[cut]), Load(statistics.wrapMarker[cut])),
                              kStatisticsEntries);
    return !(BarScaleFor(held) == cursor.lastScale);
}

void DrawPanelHeading(Canvas& canvas, Target target, const char* heading) {
    const Layout& at = canvas.UsedLayout();
    if (target == Target::kScreen) {
        canvas.SelectPen(kPaletteBlack);
        DrawLine(canvas, at(kPanelMargin), at(kPanelTop), at(kWindowWidth) - at(kPanelMargin), at(kPanelTop));
    }
    canvas.SetBackgroundColour(TextBackground(target));
    canvas.SetTextAlign(kAlignCenter | kAlignBottom);
    DrawFormatted(canvas, at(kWindowWidth) / 2, at(kPanelTop) + at(kTableFontHeight) / 2, " %s ", heading);
}

void DrawStatisticsFrame(Canvas& canvas, const UnitModel& model, const CutStatistics& statistics,
                         StatisticsKind kind, Target target, const char* fileName) {
    const Layout& at = canvas.UsedLayout();
    TextStateGuard keep(canvas);
    const int cut = ActiveCutIndex(model);
    char heading[3 * kTextSize + 16];
    std::snprintf(heading, sizeof heading, "%s %s, %s %d",
                  GetText(kind == kPowerStatistics ? kTextPower : kTextWork), GetText(kTextStatistics),
                  GetText(kTextCutNumber), CutNumber(cut));
    DrawPanelHeading(canvas, target, heading);
    DrawStatisticsAxes(canvas);
    DrawStatisticsScale(canvas, "[%]");
    canvas.SetTextAlign(kAlignLeft | kAlignBottom);
    DrawFormatted(canvas, at(kPartsTextX), at(kPartsTextY), "%s: %d", GetText(kTextParts),
                  HeldEntriesOfCut(statistics, cut));
    DrawFormatted(canvas, at(kCurveLeft) + 15, at(kStatsAxisTop) - 4, "%s: %s", GetText(kTextFile),
                  DisplayFileName(fileName));
}

void DrawStatisticsBars(Canvas& canvas, const UnitModel& model, const CutStatistics& statistics,
                        StatisticsKind kind, StatisticsCursor& cursor) {
    const Layout& at = canvas.UsedLayout();
    const int cut = ActiveCutIndex(model);
    const uint16_t writeIndex = Load(statistics.writeIndex[cut]);
    const uint16_t wrapMarker = Load(statistics.wrapMarker[cut]);
    const int held = std::min(HeldEntries(writeIndex, wrapMarker), kStatisticsEntries);
    const BarScale scale = BarScaleFor(held);
    cursor.lastScale = scale;
    canvas.SelectPen(kPaletteBlue);
    canvas.SelectBrush(kPaletteBlue);
    const bool wrapped = wrapMarker > writeIndex;
    const int group = scale.entriesPerBar;
    for (int s = 0; s < held; s += group) {
        // Bars stand at their ring position, so on a wrapped ring the oldest and the newest
        // cycles meet at the write position.
        const int n = wrapped ? (wrapMarker + s) % kStatisticsEntries : s;
        const int position = n / group;
        const int x = at(kCurveLeft) + scale.width * position;
        if (scale.width == 1) {
            if (n + group > held) continue;  // a group reaching past the held range
            DrawLine(canvas, x, at(kStatsBaseline), x,
                     StatisticsY(at, GroupValue(statistics, cut, n, group, kind)));
        } else {
            if (scale.width == 8) {
                const int colour = position % 2 != 0 ? kPaletteBlue : kPaletteYellow;
                canvas.SelectPen(colour);
                canvas.SelectBrush(colour);
            }
            canvas.Rectangle(x, at(kStatsBaseline), x + scale.width,
                             StatisticsY(at, EntryValue(statistics, cut, n, kind)));
        }
    }
    // Peak and work are stored relative to Po, so the limits stand at their own value.
    const CutParameters record = ActiveCutRecord(model);
    if (kind == kPowerStatistics) {
        DrawLimitLine(canvas, kPaletteRed, record.breakLimit);
        if (record.bluntMode == kBluntModePower) DrawLimitLine(canvas, kPaletteMagenta, record.bluntLimit);
    } else if (record.bluntMode == kBluntModeWork) {
        DrawLimitLine(canvas, kPaletteMagenta, record.bluntLimit);
    }
}
