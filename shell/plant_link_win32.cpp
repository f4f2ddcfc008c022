#include "shell/plant_link_win32.h"

#include <cstring>

#include "journal/journal_writer.h"
#include "model/settings.h"
#include "plant/plant_settings_win32.h"
#include "plant/plant_state.h"

namespace {

PlantPublisher* gPublisher = nullptr;  // UI thread only
PlantSettings gSettings{};
char gJournal[kJournalPathMax] = "";

// The journal folder of the statistics file in use, as a full path (the file dialogs may change
// the working directory for a moment).
bool CurrentJournalFolder(char* out, std::size_t size) {
    char relative[kJournalPathMax];
    if (!JournalFolder(gConfig.statisticsFileName, relative, sizeof relative)) return false;
    const DWORD n = GetFullPathNameA(relative, static_cast<DWORD>(size), out, nullptr);
    return n > 0 && n < size;
}

void Begin() {
    if (!CurrentJournalFolder(gJournal, sizeof gJournal)) return;
    CreateDirectoryA(gJournal, nullptr);  // the publisher keeps its place there from the start
    gPublisher = StartPlantPublisher(DefaultPublisherSetup(gSettings, gJournal));
}

}  // namespace

void StartPlantLink(HWND hwnd) {
    char message[kPlantMessageMax];
    if (!ReadPlantSettingsFile(gSettings, message, sizeof message)) {
        MessageBoxA(hwnd, message, "ZAVIze", MB_OK | MB_ICONWARNING);
        return;
    }
    if (gSettings.enabled) Begin();
}

void PlantLinkTick() {
    if (gPublisher == nullptr) return;
    char folder[kJournalPathMax];
    if (CurrentJournalFolder(folder, sizeof folder) && std::strcmp(folder, gJournal) != 0) {
        StopPlantPublisher(gPublisher, 0);  // it ends by itself; the new one starts at once
        gPublisher = nullptr;
        Begin();
    }
    SetPlantState(gPublisher, PlantStateOfModel());
}

void PlantLinkCycleEnded() { NudgePlantPublisher(gPublisher); }

void StopPlantLink() {
    StopPlantPublisher(gPublisher, 1000);
    gPublisher = nullptr;
}

PlantLinkStatus PlantLinkStatusNow() { return ReadPlantLinkStatus(gPublisher); }
