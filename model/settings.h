// The settings the program holds in memory: the chosen port, the statistics file in use, the view
// of the lower panel and the language. Their record is also the image of the configuration file
// (files/config.h reads and writes it), so its layout is fixed: 280 bytes, little-endian.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "file images are little-endian");

constexpr int kStatisticsFileNameSize = 256;

// Which byte of an entry a chart, a printed page or an export shows.
enum StatisticsKind : int { kPowerStatistics = 0, kWorkStatistics = 1 };

// What the lower panel shows; stored as a 16-bit word in ConfigurationRecord::DisplayMode. Its
// first two are the charts of the two kinds.
enum class Display : uint16_t {
    kPowerStatistics = ::kPowerStatistics,
    kWorkStatistics = ::kWorkStatistics,
    kParameterTable = 2,
    kForecast = 3,
};
constexpr int kDisplayCount = 4;
constexpr StatisticsKind StatisticsKindOf(Display chart) { return static_cast<StatisticsKind>(chart); }

struct ConfigurationRecord {
    uint16_t PortNumber;  // 1..16; +10 while the chosen port failed to open
    char statisticsFileName[kStatisticsFileNameSize];
    uint16_t DisplayMode;   // a Display
    uint16_t languageBase;  // 0 English, 200 German, 400 Danish
    uint8_t reserved[18];   // carried through unchanged
};
static_assert(sizeof(ConfigurationRecord) == 280);
static_assert(offsetof(ConfigurationRecord, statisticsFileName) == 2);
static_assert(offsetof(ConfigurationRecord, DisplayMode) == 258);
static_assert(offsetof(ConfigurationRecord, languageBase) == 260);
static_assert(offsetof(ConfigurationRecord, reserved) == 262);
static_assert(alignof(ConfigurationRecord) == 2);

extern const char* const kDefaultStatisticsFileName;  // "Default.$$$"

// The presets of program start (no file access).
void PresetConfiguration(ConfigurationRecord& config);
// Make a record read from a file safe to use: returns true when something had to be mended.
bool ValidateConfiguration(ConfigurationRecord& record);

// The view of the lower panel. Written by the UI thread, read by the reader thread (parameter
// reports repaint the table only while it is shown).
[[nodiscard]] Display CurrentDisplay(const ConfigurationRecord& config);
void SetDisplay(ConfigurationRecord& config, Display display);
