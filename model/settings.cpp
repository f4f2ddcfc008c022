#include "model/settings.h"

#include <cstring>

#include "model/model.h"

ConfigurationRecord gConfig;
const char* const kDefaultStatisticsFileName = "Default.$$$";

void PresetConfiguration() {
    std::memset(&gConfig, 0, sizeof gConfig);
    gConfig.PortNumber = 1;
    std::strcpy(gConfig.statisticsFileName, kDefaultStatisticsFileName);
    gConfig.DisplayMode = static_cast<uint16_t>(Display::kParameterTable);
    gConfig.languageBase = 0;
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

Display CurrentDisplay() { return static_cast<Display>(Load(gConfig.DisplayMode)); }

void SetDisplay(Display display) { Store(gConfig.DisplayMode, static_cast<uint16_t>(display)); }
