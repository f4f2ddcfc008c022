#include "files/config.h"

#include <cstring>

#include "files/file_io.h"
#include "files/results.h"

ConfigurationRecord gConfig;
const char* const kConfigurationFileName = "ZAVIze.cnf";
const char* const kDefaultStatisticsFileName = "Default.$$$";

void PresetConfiguration() {
    std::memset(&gConfig, 0, sizeof gConfig);
    gConfig.PortNumber = 1;
    std::strcpy(gConfig.statisticsFileName, kDefaultStatisticsFileName);
    gConfig.DisplayMode = 2;
    gConfig.languageBase = 0;
}

bool ValidateConfiguration(ConfigurationRecord& r) {
    bool mended = false;
    // Ports 1..16, or 11..26 with the not-open marker.
    if (r.PortNumber < 1 || r.PortNumber > 26) {
        r.PortNumber = 1;
        mended = true;
    }
    if (r.DisplayMode > 2) {
        r.DisplayMode = 2;
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

int32_t LoadConfiguration() {
    File f;
    if (const int32_t r = f.Open(kConfigurationFileName, kFileReadWrite, FileDisposition::kOpenAlways))
        return r;
    if (!f.Existed()) {
        const int32_t w = WriteRecord(f, &gConfig, sizeof gConfig);
        const int32_t c = f.Close();
        return w != kResultOk ? w : c;
    }
    ConfigurationRecord read;
    const int32_t r = ReadRecord(f, &read, sizeof read);
    if (r != kResultOk) return r;
    ValidateConfiguration(read);
    gConfig = read;
    return kResultOk;
}

int32_t SaveConfiguration() {
    File f;
    if (const int32_t r = f.Open(kConfigurationFileName, kFileWrite, FileDisposition::kOpenAlways))
        return r;
    const int32_t w = WriteRecord(f, &gConfig, sizeof gConfig);
    const int32_t c = f.Close();  // a failed close may mean the bytes never reached the disk
    return w != kResultOk ? w : c;
}
