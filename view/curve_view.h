// The live curve view in the upper part of the main window: axes, limit lines, the work and peak
// boxes, the lamps, the curve points of the current curve screen, and the power bar.
//
// Drawn on the user-interface thread while the reader thread appends points; every field the
// reader writes is read with Load(). Each operation saves and restores the text alignment,
// background colour and font it changes; pens and brushes stay selected.
#pragma once

#include "view/canvas.h"
#include "view/palette.h"

// Where one target's drawing of the curve goes on: each target (the window's screen, a printed
// page) owns one, so drawing on one never moves another's.
struct CurveCursor {
    int nextPoint = 0;  // the index of the next point DrawCurvePoints draws (0..599)
};

// Axes, ticks and labels, limit lines, lamp labels and box edges (screen), box captions. Sets the
// cursor's next point to 0, so the following DrawCurvePoints draws the whole curve again.
void DrawCurveFrame(Canvas& canvas, Target target, CurveCursor& cursor);
// The points from the cursor's next point up to pointCount (the cursor then stands at the end),
// then the peak and work numbers and, on the screen, the lamps.
void DrawCurvePoints(Canvas& canvas, Target target, CurveCursor& cursor);
// The bar of the latest sample beside the curve (screen only).
void DrawPowerBar(Canvas& canvas);
