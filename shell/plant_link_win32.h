// The plant link in the monitor (docs/plant.md): started after the configuration is read when
// "ZAVIze.ini" switches it on, nudged at every cycle end, told the monitor's state on the timer,
// stopped at the close. Everything here runs on the UI thread and never waits for the link,
// except the close, which gives it a moment to say offline.
#pragma once

#include <windows.h>

#include "plant/publisher.h"

// Reads the settings; a malformed value is shown once and leaves the link off.
void StartPlantLink(HWND hwnd);
// The timer: the state for the retained message; a statistics file of another folder (its
// journal is elsewhere) starts the link again on that journal.
void PlantLinkTick();
// A cycle ended: its journal line is written.
void PlantLinkCycleEnded();
void StopPlantLink();
// For the debug window.
PlantLinkStatus PlantLinkStatusNow();
