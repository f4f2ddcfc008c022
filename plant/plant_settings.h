// The plant link's settings: section [plant] of "ZAVIze.ini" beside "ZAVIze.cnf". The link is
// off unless the file switches it on; a malformed value leaves it off with a message that names
// the key and says what is allowed.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t kPlantNameMax = 64;   // machine name, topic prefix
constexpr std::size_t kPlantHostMax = 255;  // a DNS name at its longest
constexpr uint16_t kPlantDefaultPort = 1883;
constexpr uint16_t kPlantDefaultTlsPort = 8883;
constexpr std::size_t kPlantUserMax = 64;  // the broker's user name (at a plant: the machine's name)
constexpr std::size_t kPlantPasswordMax = 128;
constexpr std::size_t kPlantPathMax = 259;       // the CA file's path
constexpr uint16_t kPlantDefaultKeepAlive = 30;  // seconds
constexpr std::size_t kPlantMessageMax = 256;

struct PlantSettings {
    bool enabled;
    char host[kPlantHostMax + 1];
    uint16_t port;
    char machine[kPlantNameMax + 1];
    char prefix[kPlantNameMax + 1];
    uint16_t keepAliveSeconds;             // 0 in a value made by hand: kPlantDefaultKeepAlive
    char user[kPlantUserMax + 1];          // "" signs in without a user name
    char password[kPlantPasswordMax + 1];  // in memory only as plain text; sent only with a user
    bool tls;                              // the connection is encrypted and the broker verified
    char caFile[kPlantPathMax + 1];        // the CA that signed the broker's certificate ("": the system's)
};

// The values as the file holds them; null for a key that is not there.
struct PlantSettingsText {
    const char* enabled = nullptr;    // 1/0, yes/no, true/false, on/off
    const char* host = nullptr;       // required when enabled
    const char* port = nullptr;       // 1..65535, default 1883
    const char* machine = nullptr;    // default: the computer name
    const char* prefix = nullptr;     // default "kvd"
    const char* keepAlive = nullptr;  // seconds, 2..3600, default 30
    const char* user = nullptr;       // printable, no spaces, at most 64 characters
    const char* password = nullptr;   // at most 128 characters; only with a user
    const char* tls = nullptr;        // a switch value as `enabled`, default off
    const char* caFile = nullptr;     // a path, at most 259 characters; only with tls
};

// Checks and takes the values. The port defaults to 8883 with TLS and to 1883 without. On a malformed value
// returns false with the link off and a clear message ("ZAVIze.ini: port \"x\" is not a number from 1 to
// 65535; the plant link stays off.").
[[nodiscard]] bool ParsePlantSettings(const PlantSettingsText& text, const char* computerName,
                                      PlantSettings& out, char* message, std::size_t messageSize);

// Whether a text can be a machine name: 1..64 letters, digits, '-', '_' or '.', not starting with '.'.
bool IsPlantName(const char* name);

// A computer name made fit for a topic level: characters other than letters, digits, '-', '_'
// and '.' become '-', cut to kPlantNameMax; "machine" when nothing is left.
void MachineNameFrom(const char* computerName, char* out, std::size_t size);
