#include "view/curve_view.h"
#include "text/text_ids.h"

#include <algorithm>

#include "model/model.h"
#include "model/parameters.h"
#include "text/language.h"
#include "view/active_cut.h"
#include "view/layout.h"

namespace {

constexpr int kLampSize = 14;

// y of a power value on the curve: 100 % lies 200 pixels above the baseline.
int LevelY(const Layout& at, int level) { return at(kCurveBaseline) - 2 * level; }

// A limit lies at Po + limit (a 16-bit sum, as the unit adds it), never above 100 %.
int LimitLevel(uint16_t po, uint16_t limit) { return std::min<int>(static_cast<uint16_t>(po + limit), 100); }

struct LimitSetting {
    uint16_t breakLimit, bluntLimit, missingLimit, bluntMode, tw, ta, taOnBlunt, cyclesPerScreen;
};

LimitSetting ReadLimits(const UnitModel& model) {
    const CutParameters p = ActiveCutMirror(model);
    return {p.breakLimit, p.bluntLimit, p.missingLimit, p.bluntMode,
            p.tw,         p.ta,         p.taOnBlunt,    p.cyclesPerScreen};
}

bool BreakDrawn(const LimitSetting& s) { return LimitLineDrawn(Parameter::kBreakLimit, s.breakLimit); }
// A Blunt limit in Work mode is a percent of work, not a power level: no line on the curve.
bool BluntDrawn(const LimitSetting& s) {
    return LimitLineDrawn(Parameter::kBluntLimit, s.bluntLimit) && s.bluntMode == kBluntModePower;
}
bool MissingDrawn(const LimitSetting& s) { return LimitLineDrawn(Parameter::kMissingLimit, s.missingLimit); }
// The window ends apply only while one cycle fills the curve screen (0 acts as 1).
bool OneCyclePerScreen(const LimitSetting& s) { return s.cyclesPerScreen <= 1; }

void DrawAxes(Canvas& c) {
    const Layout& at = c.UsedLayout();
    const int left = at(kCurveLeft), base = at(kCurveBaseline), top = at(kCurveAxisTop),
              right = at(kAxisRight);
    DrawLine(c, left - 1, top, left - 1, base + 6);
    DrawLine(c, left - 6, top + 5, left - 1, top);
    c.LineTo(left + 4, top + 5);
    DrawLine(c, left - 6, base + 1, right, base + 1);
    c.LineTo(right - 5, base - 4);
    DrawLine(c, right, base + 1, right - 5, base + 6);
}

void DrawScales(Canvas& c, const UnitModel& model) {
    const Layout& at = c.UsedLayout();
    const int left = at(kCurveLeft), base = at(kCurveBaseline);
    c.SetTextAlign(kAlignCenter | kAlignTop);
    const int samplesPerPoint = Load(model.curve.samplesPerPoint);
    for (int i = 1; i <= 6; ++i) {
        const int x = left + 100 * i;  // one point is one pixel wide
        DrawLine(c, x, base + 2, x, base + 5);
        DrawFormatted(c, x, base + 5, "%d", i * samplesPerPoint);
    }
    if (at.Large()) {
        c.SetTextAlign(kAlignCenter | kAlignBottom);
        c.TextOut(at(kZoomCaptionX), at(kZoomCaptionY), GetText(kTextZoom));
        const CutParameters p = ActiveCutMirror(model);
        c.SetTextAlign(kAlignRight | kAlignBottom);
        DrawFormatted(c, at(kPowerBarLeft) - 5, base + 2, "%d", p.p1Min);
        c.SetTextAlign(kAlignRight | kAlignTop);
        DrawFormatted(c, at(kPowerBarLeft) - 5, at(kPowerBarTop) - 2, "%d", p.p1Max);
    }
    c.SetTextAlign(kAlignRight | kAlignBottom);
    for (int k = 1; k <= 4; ++k) {
        const int y = base - 50 * k;
        DrawLine(c, left - 5, y, left - 1, y);
        if (at.Large()) DrawFormatted(c, left - 7, y + 7, "%d", 25 * k);
    }
    c.SetTextAlign(kAlignCenter | kAlignBottom);
    c.TextOut(left, at(kCurveAxisTop) - 4, "[%]");
    c.SetTextAlign(kAlignLeft | kAlignTop);
    c.TextOut(at.Large() ? at(kAxisRight) + 2 : at(kAxisRight) - 40, base + 5, "[s]");
}

void DrawLimitLines(Canvas& c, const UnitModel& model) {
    const Layout& at = c.UsedLayout();
    const LimitSetting s = ReadLimits(model);
    const uint16_t po = Load(model.cycle.po);
    const int taEnd = Load(model.curve.taWindowEnd), twEnd = Load(model.curve.twWindowEnd);
    const int left = at(kCurveLeft), right = at(kAxisRight);
    // The Break and Missing alarms end with the Ta window while one cycle fills the screen.
    const int xEnd = s.ta != 0 && taEnd <= kCurvePoints && OneCyclePerScreen(s) ? left + taEnd : right;
    if (BreakDrawn(s)) {
        c.SelectPen(kPaletteRed);
        const int y = LevelY(at, LimitLevel(po, s.breakLimit));
        DrawLine(c, left, y, xEnd, y);
    }
    if (BluntDrawn(s)) {
        c.SelectPen(kPaletteMagenta);
        const int y = LevelY(at, LimitLevel(po, s.bluntLimit));
        DrawLine(c, left, y, s.taOnBlunt != 0 ? xEnd : right, y);
    }
    if (MissingDrawn(s)) {
        const bool twEndsFirst = s.tw != 0 && left + twEnd < xEnd && OneCyclePerScreen(s);
        c.SelectPen(kPaletteDarkGreen);
        const int y = LevelY(at, LimitLevel(po, s.missingLimit));
        DrawLine(c, left, y, twEndsFirst ? left + twEnd : xEnd, y);
    }
}

void DrawBoxEdges(Canvas& c, int left, int right) {
    const Layout& at = c.UsedLayout();
    const int top = at(kBoxTop), bottom = at(kBoxBottom);
    // Sunken: dark upper-left edges, light lower-right edges.
    c.SelectPen(kPaletteBlack);
    DrawLine(c, left, bottom, left, top);
    c.LineTo(right, top);
    c.SelectPen(kPaletteWhite);
    c.LineTo(right, bottom);
    c.LineTo(left, bottom);
}

void DrawLampLabelsAndBoxes(Canvas& c, const UnitModel& model) {
    const Layout& at = c.UsedLayout();
    c.SetTextAlign(kAlignLeft | kAlignTop);
    c.TextOut(at(kLampLabelX), at(kCommLampY), GetText(kTextComm));
    c.TextOut(at(kBreakLabelX), at(kBreakLampY), GetText(kTextBreak));
    c.TextOut(at(kBluntLabelX), at(kBluntLampY), GetText(kTextBlunt));
    c.TextOut(at(kMissingLabelX), at(kMissingLampY), GetText(kTextMissingShort));
    if ((Load(model.alarms.Err1Flag) & 1) != 0)
        c.TextOut(at(kLampLabelX), at(kSignalLampY), GetText(kTextErr1));
    DrawBoxEdges(c, at(kWorkBoxLeft), at(kWorkBoxRight));
    DrawBoxEdges(c, at(kPeakBoxLeft), at(kPeakBoxRight));
}

// The lines and dots of one paint's points, gathered by colour so that each colour reaches the
// canvas in one call: a full curve screen is then a handful of calls instead of thousands (each
// one a lock and a lookup in GDI, 33 times a second). The picture is the one of drawing point by
// point: columns are one pixel wide and never overlap, and within a column the order stays the
// line (grey below Po before blue above it), then the red, dark green and magenta dots. A local of
// the paint (about 50 KB): no drawing state outlives it or is shared between targets.
struct PointBatch {
    static constexpr int kMaxLines = 2 * kCurvePoints;  // a point adds one or two lines
    CanvasLine lines[kMaxLines];
    uint8_t colourOf[kMaxLines];
    int lineCount = 0;
    CanvasLine sorted[kMaxLines];  // the lines a colour at a time, each colour in point order
    // Dots of one limit lie on one row; consecutive columns make one run [left, right).
    struct Run {
        int left, right;
    };
    static constexpr int kDotColours[3] = {kPaletteRed, kPaletteDarkGreen, kPaletteMagenta};
    Run runs[3][kCurvePoints];
    int runCount[3] = {};
    int dotY[3] = {};

    void AddLine(int colour, int x, int fromY, int toY) {
        if (lineCount == kMaxLines) return;
        lines[lineCount] = {{x, fromY}, {x, toY}};
        colourOf[lineCount++] = static_cast<uint8_t>(colour);
    }
    void AddDot(int limit, int x, int y) {
        dotY[limit] = y;  // the same for every dot of a paint
        Run* last = runCount[limit] > 0 ? &runs[limit][runCount[limit] - 1] : nullptr;
        if (last != nullptr && last->right == x) {
            ++last->right;
        } else if (runCount[limit] < kCurvePoints) {
            runs[limit][runCount[limit]++] = {x, x + 1};
        }
    }
    void Draw(Canvas& c) {
        // Grey first: a running point's grey part lies below its blue part.
        int at = 0;
        const auto flush = [&](int colour) {
            const int first = at;
            for (int i = 0; i < lineCount; ++i)
                if (colourOf[i] == colour) sorted[at++] = lines[i];
            if (at == first) return;
            c.SelectPen(colour);
            c.SelectBrush(colour);
            c.Lines(sorted + first, at - first);
        };
        flush(kPaletteGrey);
        for (int colour = 0; colour < kPaletteSize; ++colour)
            if (colour != kPaletteGrey) flush(colour);
        for (int limit = 0; limit < 3; ++limit)
            for (int i = 0; i < runCount[limit]; ++i)
                c.DotRow(runs[limit][i].left, runs[limit][i].right, dotY[limit], kDotColours[limit]);
    }
};

// The vertical line of the curve at point index `index`, with the limit dots of the running cycle.
void AddPoint(PointBatch& b, const Layout& at, const LiveCurve& curve, int index, const LimitSetting& s,
              uint16_t po, int taEnd, int twEnd) {
    const CurvePoint& p = curve.points[index];
    const int value = Load(p.value), state = Load(p.state), pointPo = Load(p.po), slot = Load(p.slot);
    const int base = at(kCurveBaseline);
    const int x = at(kCurveLeft) + index;
    const int yValue = base - 2 * value - 1;
    const int yPo = base - 2 * pointPo - 1;
    if (state == kStateRunning) {
        // A point stored before the first cut start has no cycle slot; like the interpreter, which
        // then counts work without a Ta window, it is never shown as past Ta.
        const bool slotKnown = slot >= 0 && slot < kCycleSlots;
        const bool pastTaWindow =
            slotKnown && s.ta != 0 && s.taOnBlunt != 0 && index - Load(curve.CycleStart[slot]) > taEnd;
        if (!pastTaWindow && yValue < yPo) {
            b.AddLine(kPaletteGrey, x, base, yPo);
            b.AddLine(kPaletteBlue, x, yPo, yValue);
        } else {
            b.AddLine(kPaletteGrey, x, base, yValue);
        }
    } else {
        // 201 Po measurement yellow, 207 cut announced grey; any other code grey as well.
        const int colour = state > 200 && state - 200 < kPaletteSize ? state - 200 : kPaletteGrey;
        b.AddLine(colour, x, base, yValue);
    }

    const bool windowsApply = OneCyclePerScreen(s);
    const bool pastTa = s.ta != 0 && index > taEnd && windowsApply;
    if (!pastTa) {
        if (BreakDrawn(s)) b.AddDot(0, x, LevelY(at, LimitLevel(po, s.breakLimit)));
        const bool pastTw = s.tw != 0 && index > twEnd && windowsApply;
        if (MissingDrawn(s) && !pastTw) b.AddDot(1, x, LevelY(at, LimitLevel(po, s.missingLimit)));
    }
    if ((!pastTa || s.taOnBlunt == 0) && BluntDrawn(s))
        b.AddDot(2, x, LevelY(at, LimitLevel(po, s.bluntLimit)));
}

// The marks as they are now: the peak, the work number (kNoWork in Power mode, shown "---"), then
// each lamp 1 when on (the signal lamp is drawn only then).
constexpr int kPeakMark = 0, kWorkMark = 1, kFirstLampMark = 2, kNoWork = -1;
struct Marks {
    int value[kCurveMarks];
};

Marks CurrentMarks(const UnitModel& model) {
    // The work number belongs to the active cut's own record, not to the mirror.
    const CutParameters record = ActiveCutRecord(model);
    const int work = record.bluntMode == kBluntModeWork
                         ? WorkPercent(Load(model.cycle.workSum), record.workDivisor)
                         : kNoWork;
    const int32_t alarms = Load(model.alarms.AlarmBits);
    return {{static_cast<int>(Load(model.cycle.peak)), work, Load(model.connection.NotConnected) != 0,
             (alarms & kAlarmBreak) != 0, (alarms & kAlarmBlunt) != 0, (alarms & kAlarmMissing) != 0,
             (Load(model.alarms.Err1Flag) & 1) != 0}};
}

// Draws the numbers of the marks and returns the marks.
Marks DrawNumbers(Canvas& c, const UnitModel& model, Target target) {
    const Layout& at = c.UsedLayout();
    TextStateGuard keep(c);
    c.SelectFont(CanvasFont::kNumber);
    c.SetTextAlign(kAlignCenter | kAlignBottom);
    c.SetBackgroundColour(TextBackground(target));
    const Marks m = CurrentMarks(model);
    DrawFormatted(c, at(kPeakBoxCentre), at(kBoxNumberY), " %02d ", m.value[kPeakMark]);
    if (m.value[kWorkMark] != kNoWork) {
        DrawFormatted(c, at(kWorkBoxCentre), at(kBoxNumberY), " %02d ", m.value[kWorkMark]);
    } else {
        c.TextOut(at(kWorkBoxCentre), at(kBoxNumberY), " --- ");
    }
    return m;
}

// Where each lamp stands, in the order of the marks.
constexpr LayoutEntry kLampAt[kCurveMarks - kFirstLampMark][2] = {{kCommLampX, kCommLampY},
                                                                  {kBreakLampX, kBreakLampY},
                                                                  {kBluntLampX, kBluntLampY},
                                                                  {kMissingLampX, kMissingLampY},
                                                                  {kSignalLampX, kSignalLampY}};

void DrawLamp(Canvas& c, int x, int y, bool on) {
    c.SelectBrush(on ? kPaletteRed : kPaletteGreen);
    c.Ellipse(x, y, x + kLampSize, y + kLampSize);
}

// Draws the lamps of the marks and returns the marks.
Marks DrawLamps(Canvas& c, const UnitModel& model) {
    const Layout& at = c.UsedLayout();
    c.SelectPen(kPaletteBlack);
    const Marks m = CurrentMarks(model);
    for (int i = kFirstLampMark; i < kCurveMarks; ++i) {
        const LayoutEntry* spot = kLampAt[i - kFirstLampMark];
        // The signal lamp is there only while lit.
        if (i != kCurveMarks - 1 || m.value[i] != 0) DrawLamp(c, at(spot[0]), at(spot[1]), m.value[i] != 0);
    }
    return m;
}

}  // namespace

void DrawCurveFrame(Canvas& canvas, const UnitModel& model, Target target, CurveCursor& cursor) {
    const Layout& at = canvas.UsedLayout();
    {
        TextStateGuard keep(canvas);
        DrawAxes(canvas);  // in the surface's current pen
        canvas.SetBackgroundColour(TextBackground(target));
        DrawScales(canvas, model);
        DrawLimitLines(canvas, model);
        if (target == Target::kScreen) DrawLampLabelsAndBoxes(canvas, model);
        canvas.SelectFont(CanvasFont::kCaption);
        canvas.SetTextAlign(kAlignCenter | kAlignTop);
        canvas.TextOut(at(kWorkBoxCentre), at(kBoxCaptionY), GetText(kTextWorkPercent));
        canvas.TextOut(at(kPeakBoxCentre), at(kBoxCaptionY), GetText(kTextPeakPercent));
    }
    cursor.nextPoint = 0;
}

void DrawCurvePoints(Canvas& canvas, const UnitModel& model, Target target, CurveCursor& cursor) {
    const LimitSetting limits = ReadLimits(model);
    const uint16_t po = Load(model.cycle.po);
    const int taEnd = Load(model.curve.taWindowEnd), twEnd = Load(model.curve.twWindowEnd);
    // A cursor from outside 0..599 starts again at 0 rather than read past the points.
    int index = cursor.nextPoint >= 0 && cursor.nextPoint < kCurvePoints ? cursor.nextPoint : 0;
    // pointCount is read again after every point: the reader may append meanwhile, or halve the
    // curve, after which the index wraps round to the new end. One call draws every slot at most
    // once, so a pointCount outside 0..599 cannot keep the painter going.
    PointBatch batch;
    for (int drawn = 0; drawn < kCurvePoints && index != Load(model.curve.pointCount); ++drawn) {
        AddPoint(batch, canvas.UsedLayout(), model.curve, index, limits, po, taEnd, twEnd);
        index = index + 1 < kCurvePoints ? index + 1 : 0;
    }
    batch.Draw(canvas);
    cursor.nextPoint = index;
    const Marks numbers = DrawNumbers(canvas, model, target);
    cursor.shown[kPeakMark] = numbers.value[kPeakMark];
    cursor.shown[kWorkMark] = numbers.value[kWorkMark];
    if (target == Target::kScreen) {
        const Marks lamps = DrawLamps(canvas, model);
        for (int i = kFirstLampMark; i < kCurveMarks; ++i) cursor.shown[i] = lamps.value[i];
    }
}

namespace {

// The columns of the points from..end - 1, from `top` down to the baseline.
Rect ColumnsRect(const Layout& at, int from, int end, int top) {
    return {at(kCurveLeft) + from, top, at(kCurveLeft) + end, at(kCurveBaseline) + 1};
}

// The highest row the points from..end - 1 and their limit dots (at 100 % at the most) reach,
// within the curve region.
int ColumnsTop(const Layout& at, const LiveCurve& curve, int from, int end) {
    int top = LevelY(at, 100);
    for (int i = from; i < end; ++i)
        top = std::min(top, at(kCurveBaseline) - 2 * static_cast<int>(Load(curve.points[i].value)));
    return std::max(top, RegionRect(Region::kCurve, at).top);
}

// Where a mark is drawn: a number's box with its edges (the number is drawn over all else there),
// a lamp's circle.
Rect MarkRect(const Layout& at, int mark) {
    if (mark == kPeakMark) return {at(kPeakBoxLeft), at(kBoxTop), at(kPeakBoxRight) + 1, at(kBoxBottom) + 1};
    if (mark == kWorkMark) return {at(kWorkBoxLeft), at(kBoxTop), at(kWorkBoxRight) + 1, at(kBoxBottom) + 1};
    const LayoutEntry* spot = kLampAt[mark - kFirstLampMark];
    return {at(spot[0]), at(spot[1]), at(spot[0]) + kLampSize, at(spot[1]) + kLampSize};
}

bool Meet(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

void AskForWholeCurve(CurveCursor& cursor) { cursor.wholeAsked = true; }

int AskForNewPoints(const UnitModel& model, const Layout& at, CurveCursor& cursor, Rect out[kMaxAskedRects]) {
    if (cursor.wholeAsked) return 0;  // asked already
    const int count = Load(model.curve.pointCount);
    if (count < 0 || count > kCurvePoints || cursor.nextPoint < 0 || cursor.nextPoint > count) {
        // The curve went on from the start: only a whole drawing shows it (its restart asks for
        // the erase too, at this tick or the next).
        AskForWholeCurve(cursor);
        out[0] = RegionRect(Region::kCurve, at);
        return 1;
    }
    int n = 0;
    if (count > cursor.nextPoint && count > cursor.askedEnd) {
        cursor.askedTop = ColumnsTop(at, model.curve, cursor.nextPoint, count);
        cursor.askedEnd = count;
        out[n++] = ColumnsRect(at, cursor.nextPoint, count, cursor.askedTop);
    }
    const Marks now = CurrentMarks(model);
    for (int i = 0; i < kCurveMarks; ++i) {
        if (now.value[i] == cursor.shown[i] || cursor.markAsked[i]) continue;
        cursor.markAsked[i] = true;
        out[n++] = MarkRect(at, i);
    }
    return n;
}

int AskedRects(const CurveCursor& cursor, const Layout& at, Rect out[kMaxAskedRects]) {
    int n = 0;
    if (cursor.askedEnd > cursor.nextPoint)
        out[n++] = ColumnsRect(at, cursor.nextPoint, cursor.askedEnd, cursor.askedTop);
    for (int i = 0; i < kCurveMarks; ++i)
        if (cursor.markAsked[i]) out[n++] = MarkRect(at, i);
    return n;
}

namespace {

// Only what was asked for: the columns of the new points (their frame pixels are on the screen,
// never erased, and the points and dots cover the limit lines wherever they lie), then what the
// whole drawing draws over them there, and the marks asked for.
void PaintAsked(Canvas& canvas, const UnitModel& model, CurveCursor& cursor) {
    const CurveCursor asked = cursor;
    const int from = cursor.nextPoint;
    const int end = std::min({asked.askedEnd, static_cast<int>(Load(model.curve.pointCount)), kCurvePoints});
    Rect columns{0, 0, 0, 0};
    if (from >= 0 && end > from) {
        const LimitSetting limits = ReadLimits(model);
        const uint16_t po = Load(model.cycle.po);
        const int taEnd = Load(model.curve.taWindowEnd), twEnd = Load(model.curve.twWindowEnd);
        PointBatch batch;
        for (int index = from; index < end; ++index)
            AddPoint(batch, canvas.UsedLayout(), model.curve, index, limits, po, taEnd, twEnd);
        batch.Draw(canvas);
        cursor.nextPoint = end;
        columns = ColumnsRect(canvas.UsedLayout(), from, end, asked.askedTop);
    }
    bool numbers = false, lamps = false;
    for (int i = 0; i < kCurveMarks; ++i)
        (i < kFirstLampMark ? numbers : lamps) |=
            asked.markAsked[i] || Meet(columns, MarkRect(canvas.UsedLayout(), i));
    // A mark is known shown only where its whole rectangle was repainted.
    const auto keep = [&](const Marks& drawn, int first, int last) {
        for (int i = first; i < last; ++i)
            if (asked.markAsked[i]) cursor.shown[i] = drawn.value[i];
    };
    if (numbers) keep(DrawNumbers(canvas, model, Target::kScreen), 0, kFirstLampMark);
    if (lamps) keep(DrawLamps(canvas, model), kFirstLampMark, kCurveMarks);
}

}  // namespace

void PaintScreenCurve(Canvas& canvas, const UnitModel& model, CurveCursor& cursor, bool otherDamage) {
    const CurveCursor asked = cursor;
    if (asked.wholeAsked || otherDamage) {
        DrawCurveFrame(canvas, model, Target::kScreen, cursor);
        DrawCurvePoints(canvas, model, Target::kScreen, cursor);
        if (!asked.wholeAsked) {
            // Damage from outside need not reach every column or mark: only what was asked for
            // is known drawn whole; the rest is asked for again at the next tick.
            cursor.nextPoint = std::max(asked.nextPoint, asked.askedEnd);
            for (int i = 0; i < kCurveMarks; ++i)
                if (!asked.markAsked[i]) cursor.shown[i] = asked.shown[i];
        }
    } else {
        PaintAsked(canvas, model, cursor);
    }
    cursor.wholeAsked = false;
    cursor.askedEnd = -1;
    for (bool& a : cursor.markAsked) a = false;
}

void DrawPowerBar(Canvas& canvas, const UnitModel& model) {
    const Layout& at = canvas.UsedLayout();
    const int base = at(kCurveBaseline);
    const int y = base - 2 * Load(model.cycle.lastSample);  // up to 105 %: not clipped
    canvas.SelectPen(kPaletteBlue);
    canvas.SelectBrush(kPaletteBlue);
    canvas.Rectangle(at(kPowerBarLeft), y, at(kPowerBarRight), base);
    canvas.SelectPen(kPaletteWhite);
    canvas.SelectBrush(kPaletteWhite);
    canvas.Rectangle(at(kPowerBarLeft), at(kPowerBarTop), at(kPowerBarRight), y);
}
