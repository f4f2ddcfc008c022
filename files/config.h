// The configuration file "ZAVIze.cnf": the 280-byte image of ConfigurationRecord, little-endian,
// in the working directory. Rewritten whenever one of its settings changes.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "file images are little-endian");

constexpr int kStatisticsFileNameSize = 256;

struct ConfigurationRecord {
    uint16_t PortNumber;  // 1..16; +10 while the chosen port failed to open
    char statisticsFileName[kStatisticsFileNameSize];
    uint16_t DisplayMode;   // 0 power statistics, 1 work statistics, 2 parameter table
    uint16_t languageBase;  // 0 English, 200 German, 400 Danish
    uint8_t reserved[18];   // carried through unchanged
};
static_assert(sizeof(ConfigurationRecord) == 280);
static_assert(offsetof(ConfigurationRecord, statisticsFileName) == 2);
static_assert(offsetof(ConfigurationRecord, DisplayMode) == 258);
static_assert(offsetof(ConfigurationRecord, languageBase) == 260);
static_assert(offsetof(ConfigurationRecord, reserved) == 262);

extern ConfigurationRecord gConfig;
extern const char* const kConfigurationFileName;  // "ZAVIze.cnf"
extern const char* const kDefaultStatisticsFileName;  // "Default.$$$"

// The presets of program start (no file access).
void PresetConfiguration();
// Read the file into gConfig, or create it holding gConfig: 0, 30007 or the system error code.
// A short read leaves the presets untouched; the record read is validated.
int32_t LoadConfiguration();
// Write gConfig at the start of the file (created when missing, never truncated).
int32_t SaveConfiguration();
// Make a record read from a file safe to use: returns true when something had to be mended.
bool ValidateConfiguration(ConfigurationRecord& record);
