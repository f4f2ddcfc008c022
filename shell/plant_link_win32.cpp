#include "shell/plant_link_win32.h"

#include <cstring>

#include "journal/journal_writer.h"
#include "model/settings.h"
#include "plant/plant_settings_win32.h"
#include "plant/plant_state.h"

namespace {

// The journal folder of the statistics file in use, as a full path: the publisher's thread reads
// it while a file dialog may have moved the working folder (the file in use has its full name
// from the start; this keeps the publisher safe should that ever not fit).
bool CurrentJournalFolder(const PlantLink& link, char* out, std::size_t size) {
    char relative[kJournalPathMax];
    if (!JournalFolder(link.config->statisticsFileName, relative, sizeof relative)) return false;
    const DWORD n = GetFullPathNameA(relative, static_cast<DWORD>(size), out, nullptr);
    return n > 0 && n < size;
}

void Begin(PlantLink& link) {
    if (!CurrentJournalFolder(link, link.journal, sizeof link.journal)) return;
    CreateDirectoryA(link.journal, nullptr);  // the publisher keeps its place there from the start
    link.publisher = StartPlantPublisher(DefaultPublisherSetup(link.settings, link.journal));
}

}  // namespace

void StartPlantLink(PlantLink& link, HWND hwnd, const ConfigurationRecord& config, const UnitModel& model) {
    link.config = &config;
    link.model = &model;
    char message[kPlantMessageMax];
    bool plainPassword = false;
    if (!ReadPlantSettingsFile(link.settings, message, sizeof message, &plainPassword)) {
        MessageBoxA(hwnd, message, "ZAVIze", MB_OK | MB_ICONWARNING);
        return;
    }
    // A password typed into the file by hand is protected for this Windows user at once.
    if (plainPassword && !ProtectPlantPasswordInFile(link.settings.password, message, sizeof message))
        MessageBoxA(hwnd, message, "ZAVIze", MB_OK | MB_ICONWARNING);
    if (link.settings.enabled) Begin(link);
}

void PlantLinkTick(PlantLink& link) {
    if (link.publisher == nullptr) return;
    char folder[kJournalPathMax];
    if (CurrentJournalFolder(link, folder, sizeof folder) && std::strcmp(folder, link.journal) != 0) {
        StopPlantPublisher(link.publisher, 0);  // it ends by itself; the new one starts at once
        link.publisher = nullptr;
        Begin(link);
    }
    SetPlantState(link.publisher, PlantStateOfModel(*link.model));
}

void PlantLinkCycleEnded(PlantLink& link) { NudgePlantPublisher(link.publisher); }

void StopPlantLink(PlantLink& link) {
    StopPlantPublisher(link.publisher, 1000);
    link.publisher = nullptr;
}

void RestartPlantLink(PlantLink& link, const PlantSettings& settings) {
    StopPlantLink(link);
    link.settings = settings;
    if (link.settings.enabled) Begin(link);
}

PlantLinkStatus PlantLinkStatusNow(const PlantLink& link) { return ReadPlantLinkStatus(link.publisher); }
