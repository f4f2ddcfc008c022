// The live curve view in the upper part of the main window: axes, limit lines, the work and peak
// boxes, the lamps, the curve points of the current curve screen, and the power bar.
//
// Drawn on the user-interface thread while the reader thread appends points; every field the
// reader writes is read with Load(). Each operation saves and restores the text alignment,
// background colour and font it changes; pens and brushes stay selected.
#pragma once

#include "view/canvas.h"
#include "view/palette.h"

// Axes, ticks and labels, limit lines, lamp labels and box edges (screen), box captions. Sets the
// next point to draw to 0, so the following DrawCurvePoints draws the whole curve again.
void DrawCurveFrame(Canvas& canvas, Target target);
// The points from the next point to draw up to pointCount, then the peak and work numbers and,
// on the screen, the lamps.
void DrawCurvePoints(Canvas& canvas, Target target);
// The bar of the latest sample beside the curve (screen only).
void DrawPowerBar(Canvas& canvas);

// The index of the next point DrawCurvePoints will draw (0..599).
int NextPointToDraw();
