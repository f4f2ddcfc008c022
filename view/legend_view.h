// The picture of the legend window (150x150): what the curve colours and limit lines mean.
#pragma once

#include "view/canvas.h"

// Draws in the legend window's client coordinates and leaves the pen, brush, font, text
// alignment and background colour as it found them.
void DrawLegend(Canvas& canvas);
