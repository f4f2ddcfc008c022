// Opens one box of the program so that a script can photograph it:
//
//   zavize_screens about|message FOLDER        the About box or a message box, in German
//   zavize_screens sheet LANGUAGE PAGE FOLDER  the parameter sheet of cut 1 on the unit's
//                                              defaults, in language 0, 200 or 400, on page 0..5
//   zavize_screens plant LANGUAGE FOLDER       the plant link dialog with a plant's settings
//
// Once the box is on screen, FOLDER\ready receives its screen rectangle ("x y width height");
// the box is closed when FOLDER\done appears (or after 60 s).
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "files/config.h"
#include "link/link.h"
#include "model/model.h"
#include "sheet/sheet_win32.h"
#include "text/message.h"
#include "text/text_ids.h"
#include "shell/about_win32.h"
#include "shell/plant_dialog_win32.h"
#include "text/message_win32.h"
#include "tests/win32/dialog_watcher.h"

namespace {

// The pictures' own configuration (their language) and link record: the sheet's words go nowhere.
ConfigurationRecord& ScreensConfig() {
    static ConfigurationRecord config;
    return config;
}
// The pictures' model (the sheet's values): allocated once.
UnitModel& ScreensModel() {
    static const auto model = std::make_unique<UnitModel>();
    return *model;
}
Link& ScreensLink() {
    static Link link;
    link.config = &ScreensConfig();
    link.model = &ScreensModel();
    return link;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void ReportAndWait(HWND box, const std::string& folder) {
    RECT r;
    GetWindowRect(box, &r);
    const std::string ready = folder + "\\ready";
    const std::string partial = ready + ".part";
    if (FILE* f = std::fopen(partial.c_str(), "w")) {
        std::fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        std::fclose(f);
        MoveFileA(partial.c_str(), ready.c_str());  // the script never reads half a line
    }
    for (int i = 0; i < 600 && !Exists(folder + "\\done"); ++i) Sleep(100);
}

}  // namespace

int main(int argc, char** argv) {
    const bool sheet = argc == 5 && std::strcmp(argv[1], "sheet") == 0;
    const bool plant = argc == 4 && std::strcmp(argv[1], "plant") == 0;
    if (!sheet && !plant &&
        (argc != 3 || (std::strcmp(argv[1], "about") != 0 && std::strcmp(argv[1], "message") != 0))) {
        std::fprintf(stderr,
                     "usage: zavize_screens about|message FOLDER | sheet LANGUAGE PAGE FOLDER | plant "
                     "LANGUAGE FOLDER\n");
        return 2;
    }
    InitCommonControls();
    PresetConfiguration(ScreensConfig());
    ReadTextsIn(ScreensConfig());
    ResetUnitModel(ScreensModel());
    WriteParameterDefaults(ScreensModel());
    ScreensConfig().languageBase =
        sheet || plant ? static_cast<uint16_t>(std::atoi(argv[2])) : 200;  // German
    // A machine of a plant that signs in over TLS; the dialog is cancelled, so nothing is written.
    PlantLink link;
    link.settings = PlantSettings{true,  "broker.plant.local",      8883,     "mill-1",
                                  "kvd", kPlantDefaultKeepAlive,    "mill-1", "password",
                                  true,  "C:\\ZavIze\\plant-ca.pem"};
    const bool about = std::strcmp(argv[1], "about") == 0;
    const std::string folder = argv[argc - 1];
    const SeenDialog seen = WatchDialog(
        [&] {
            if (sheet)
                (void)OpenParameterSheet(nullptr, ScreensLink(), ScreensModel(), 0);
            else if (plant)
                (void)OpenPlantLinkDialog(nullptr, link);
            else if (about)
                ShowAboutBox(nullptr);
            else
                ShowMessage(nullptr, kTextNoUnitNoLoad, kCaptionError, 0);
        },
        plant ? IDCANCEL : IDOK,
        [&](HWND box) {
            if (sheet) SendMessageA(box, PSM_SETCURSEL, static_cast<WPARAM>(std::atoi(argv[3])), 0);
            ReportAndWait(box, folder);
        });
    return seen.found ? 0 : 1;
}
