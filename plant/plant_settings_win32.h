// The plant link's settings read from and written to "ZAVIze.ini" in the working directory (beside
// "ZAVIze.cnf") with the system's profile functions. The password is kept protected for the
// Windows user (DPAPI) as `password_protected=` (hexadecimal); a plain `password=` written by hand
// is still read, and the next write replaces it with the protected form.
#pragma once

#include <cstddef>

#include "plant/plant_settings.h"

// False with the link off and a message in `message` when a value is malformed; true otherwise
// (a missing file or section: the link off, no message). *plainPassword (when given) says whether
// the password came from a plain `password=` key.
[[nodiscard]] bool ReadPlantSettingsFile(PlantSettings& out, char* message, std::size_t messageSize,
                                         bool* plainPassword = nullptr);

// Writes the settings' keys of [plant] (the other keys and sections stay): the password protected,
// the plain key removed, an empty value's key removed. False with a message when it cannot.
[[nodiscard]] bool WritePlantSettingsFile(const PlantSettings& s, char* message, std::size_t messageSize);

// Replaces a plain `password=` with `password_protected=` (the other keys stay as they are).
[[nodiscard]] bool ProtectPlantPasswordInFile(const char* password, char* message, std::size_t messageSize);
