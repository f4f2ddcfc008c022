#include "model/settings.h"

#include <cstring>

#include "model/model.h"

const char* const kDefaultStatisticsFileName = "Default.$$$";

void PresetConfiguration(ConfigurationRecord& config) {
    std::memset(&config, 0, sizeof config);
    config.PortNumber = 1;
    std::strcpy(config.statisticsFileName, kDefaultStatisticsFileName);
    config.DisplayMode = static_cast<uint16_t>(Display::kParameterTable);
    config.languageBase = 0;
}

bool ValidateConfiguration(ConfigurationRecord& r) {
    bool mended = false;
    // Ports 1..16, or 11..26 with the not-open marker.
    if (r.PortNumber < 1 || r.PortNumber > 26) {
        r.PortNumber = 1;
        mended = true;
    }
    if (r.DisplayMode >= kDisplayCount) {
        r.DisplayMode = static_cast<uint16_t>(Display::kParameterTable);
        mended = true;
    }
    if (r.languageBase != 0 && r.languageBase != 200 && r.languageBase != 400) {
        r.languageBase = 0;
        mended = true;
    }
    // A name without its terminating zero (or an empty one) would be cut at a random place or
    // open nothing: use the default file instead.
    if (std::memchr(r.statisticsFileName, 0, kStatisticsFileNameSize) == nullptr ||
        r.statisticsFileName[0] == '\0') {
        std::memset(r.statisticsFileName, 0, kStatisticsFileNameSize);
        std::strcpy(r.statisticsFileName, kDefaultStatisticsFileName);
        mended = true;
    }
    return mended;
}

Display CurrentDisplay(const ConfigurationRecord& config) {
    return static_cast<Display>(Load(config.DisplayMode));
}

void SetDisplay(ConfigurationRecord& config, Display display) {
    Store(config.DisplayMode, static_cast<uint16_t>(display));
}
