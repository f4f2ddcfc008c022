#include <windows.h>

#include "plant/plant_settings_win32.h"

namespace {

// One key of [plant]; null when it is missing (a key set to nothing counts as missing too).
const char* Key(const char* file, const char* key, char* buffer, DWORD size) {
    GetPrivateProfileStringA("plant", key, "", buffer, size, file);
    return buffer[0] != '\0' ? buffer : nullptr;
}

}  // namespace

bool ReadPlantSettingsFile(PlantSettings& out, char* message, std::size_t messageSize) {
    // A name without a folder would be looked for in the Windows folder: give the full path.
    char file[MAX_PATH];
    const DWORD n = GetFullPathNameA("ZAVIze.ini", sizeof file, file, nullptr);
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD computerSize = sizeof computer;
    if (!GetComputerNameA(computer, &computerSize)) computer[0] = '\0';
    if (n == 0 || n >= sizeof file) return ParsePlantSettings({}, computer, out, message, messageSize);
    // Longer than any valid value, so an overlong one is seen and refused, not cut to fit.
    char enabled[16], host[kPlantHostMax + 2], port[16], machine[kPlantNameMax + 2],
        prefix[kPlantNameMax + 2], keepAlive[16], user[kPlantUserMax + 2], password[kPlantPasswordMax + 2],
        tls[16], caFile[kPlantPathMax + 2];
    const PlantSettingsText text{Key(file, "enabled", enabled, sizeof enabled),
                                 Key(file, "host", host, sizeof host),
                                 Key(file, "port", port, sizeof port),
                                 Key(file, "machine", machine, sizeof machine),
                                 Key(file, "prefix", prefix, sizeof prefix),
                                 Key(file, "keepalive", keepAlive, sizeof keepAlive),
                                 Key(file, "user", user, sizeof user),
                                 Key(file, "password", password, sizeof password),
                                 Key(file, "tls", tls, sizeof tls),
                                 Key(file, "cafile", caFile, sizeof caFile)};
    return ParsePlantSettings(text, computer, out, message, messageSize);
}
