// The monitor's state as the plant sees it, taken from the model on the UI thread (each field
// read on its own: a state between two updates is shown one tick later as it settles).
#pragma once

#include "model/model.h"
#include "plant/plant_messages.h"

PlantState PlantStateOfModel(const UnitModel& model);
