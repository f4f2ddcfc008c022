// The plant link in the monitor (docs/plant.md): started after the configuration is read when
// "ZAVIze.ini" switches it on, nudged at every cycle end, told the monitor's state on the timer,
// stopped at the close. Everything here runs on the UI thread and never waits for the link,
// except the close, which gives it a moment to say offline.
#pragma once

#include <windows.h>

#include "journal/journal_writer.h"
#include "model/model.h"
#include "model/settings.h"
#include "plant/plant_settings.h"
#include "plant/publisher.h"

// The link of one main window (its state owns it): the settings it started with, its publisher
// while on, and the journal folder that publisher reads.
struct PlantLink {
    PlantPublisher* publisher = nullptr;
    PlantSettings settings{};
    char journal[kJournalPathMax] = "";
    // The monitor's configuration (the journal is beside its statistics file in use) and the
    // model whose state the plant is told.
    const ConfigurationRecord* config = nullptr;
    const UnitModel* model = nullptr;
};

// Reads the settings; a malformed value is shown once and leaves the link off.
void StartPlantLink(PlantLink& link, HWND hwnd, const ConfigurationRecord& config, const UnitModel& model);
// The timer: the state for the retained message; a statistics file of another folder (its
// journal is elsewhere) starts the link again on that journal.
void PlantLinkTick(PlantLink& link);
// A cycle ended: its journal line is written.
void PlantLinkCycleEnded(PlantLink& link);
void StopPlantLink(PlantLink& link);
// The plant link dialog's OK: the link stopped and started again with the new settings (off when
// they switch it off), without a restart of the program.
void RestartPlantLink(PlantLink& link, const PlantSettings& settings);
// For the debug window.
PlantLinkStatus PlantLinkStatusNow(const PlantLink& link);
