// The parameter table in the lower panel: the active cut's parameters (from the mirror), the
// common parameters, the active cut's blunt and missing counters, and "Relays disabled!".
#pragma once

#include "model/model.h"
#include "view/canvas.h"

// clientWidth: width of the main window's client area (the panel line runs across it).
void DrawParameterTable(Canvas& canvas, const UnitModel& model, int clientWidth);
