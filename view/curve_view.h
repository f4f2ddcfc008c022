// The live curve view in the upper part of the main window: axes, limit lines, the work and peak
// boxes, the lamps, the curve points of the current curve screen, and the power bar.
//
// Drawn on the user-interface thread while the reader thread appends points; every field the
// reader writes is read with Load(). Each operation saves and restores the text alignment,
// background colour and font it changes; pens and brushes stay selected.
#pragma once

#include "model/model.h"
#include "view/canvas.h"
#include "view/layout.h"
#include "view/palette.h"

// Where one target's drawing of the curve goes on: each target (the window's screen, a printed
// page) owns one, so drawing on one never moves another's. The screen's also keeps what its
// window was asked to repaint since its last paint, so that a paint draws only that.
// What the screen shows beside the points, each redrawn alone when it changes: the peak and work
// numbers, the connection, Break, Blunt and Missing lamps and the signal lamp.
constexpr int kCurveMarks = 7;

struct CurveCursor {
    int nextPoint = 0;        // the index of the next point to draw: those before it are on the target
    bool wholeAsked = false;  // the whole curve region is to be drawn again (an erase, a refresh)
    int askedEnd = -1;        // the new points' columns nextPoint .. askedEnd - 1 are asked for,
    int askedTop = 0;         // from this row down to the baseline
    // Each mark as last drawn whole (kNotShown: not yet), and whether it is asked for.
    static constexpr int kNotShown = -2;
    int shown[kCurveMarks] = {kNotShown, kNotShown, kNotShown, kNotShown, kNotShown, kNotShown, kNotShown};
    bool markAsked[kCurveMarks] = {};
};

// Axes, ticks and labels, limit lines, lamp labels and box edges (screen), box captions. Sets the
// cursor's next point to 0, so the following DrawCurvePoints draws the whole curve again.
void DrawCurveFrame(Canvas& canvas, const UnitModel& model, Target target, CurveCursor& cursor);
// The points from the cursor's next point up to pointCount (the cursor then stands at the end),
// then the peak and work numbers and, on the screen, the lamps.
void DrawCurvePoints(Canvas& canvas, const UnitModel& model, Target target, CurveCursor& cursor);
// The bar of the latest sample beside the curve (screen only).
void DrawPowerBar(Canvas& canvas, const UnitModel& model);

// The screen's repaints. A tick asks for the columns of the points added since the last paint and
// for the boxes and lamps that changed; anything else (an erase, another cut, a parameter,
// the window uncovered) asks for the whole curve region or damages the window from outside.
constexpr int kMaxAskedRects = 1 + kCurveMarks;
// Records the whole curve region as asked for (it is invalidated).
void AskForWholeCurve(CurveCursor& cursor);
// Records the new points' columns and the changed marks as asked for and gives their
// rectangles to invalidate (without erase): how many. A cursor that the curve has left behind
// (it started over or was halved) asks for the whole curve region instead, its rectangle given.
int AskForNewPoints(const UnitModel& model, const Layout& layout, CurveCursor& cursor,
                    Rect out[kMaxAskedRects]);
// The rectangles asked for by AskForNewPoints since the last paint.
int AskedRects(const CurveCursor& cursor, const Layout& layout, Rect out[kMaxAskedRects]);
// One paint of the screen's curve, clipped by the caller to what the window repaints.
// otherDamage: the repainted area reaches parts of the curve's drawing beyond the asked
// rectangles (the window was uncovered, a lamp changed). Then, or when the whole region was asked
// for, the frame and every point are drawn, as in DrawCurveFrame and DrawCurvePoints; otherwise
// only the new points and the numbers and lamps over them. Clears what was asked for.
void PaintScreenCurve(Canvas& canvas, const UnitModel& model, CurveCursor& cursor, bool otherDamage);
