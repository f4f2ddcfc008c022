// The active cut as the views read it while the reader thread may change it.
#pragma once

#include "model/model.h"

// ActiveCut, kept inside 0..15 so that a view never indexes outside the per-cut arrays.
int ActiveCutIndex(const UnitModel& model);
// The active cut's record of the CutParameters array (not the mirror), read field by field.
CutParameters ActiveCutRecord(const UnitModel& model);
// The mirror of the active cut's parameters, read field by field.
CutParameters ActiveCutMirror(const UnitModel& model);
