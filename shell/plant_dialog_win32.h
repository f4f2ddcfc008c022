// Communication / Plant link...: the plant link's settings in a modal dialog. Test connects with
// the settings typed (on a thread of its own, so the program goes on) and says what happened; OK
// writes "ZAVIze.ini" and starts the link again with them; Cancel changes nothing.
#pragma once

#include <windows.h>

#include "shell/plant_link_win32.h"

// True when OK wrote the settings and the link was started again with them.
bool OpenPlantLinkDialog(HWND owner, PlantLink& link);
