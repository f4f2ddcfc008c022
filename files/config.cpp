#include "files/config.h"

#include "files/file_io.h"
#include "model/results.h"

const char* const kConfigurationFileName = "ZAVIze.cnf";

int32_t LoadConfiguration(ConfigurationRecord& config) {
    File f;
    // Read only: a file the user made read-only still holds the settings to run on. Only a
    // missing file is created; a save that fails later is reported by the save.
    const int32_t opened = f.Open(kConfigurationFileName, kFileRead, FileDisposition::kOpenExisting);
    if (IsMissingFile(opened)) {
        if (const int32_t r = f.Open(kConfigurationFileName, kFileWrite, FileDisposition::kOpenAlways))
            return r;
        const int32_t w = WriteRecord(f, &config, sizeof config);
        const int32_t c = f.Close();
        return w != kResultOk ? w : c;
    }
    if (opened != kResultOk) return opened;
    ConfigurationRecord read;
    const int32_t r = ReadRecord(f, &read, sizeof read);
    if (r != kResultOk) return r;
    ValidateConfiguration(read);
    config = read;
    return kResultOk;
}

int32_t SaveConfiguration(const ConfigurationRecord& config) {
    File f;
    if (const int32_t r = f.Open(kConfigurationFileName, kFileWrite, FileDisposition::kOpenAlways)) return r;
    const int32_t w = WriteRecord(f, &config, sizeof config);
    const int32_t c = f.Close();  // a failed close may mean the bytes never reached the disk
    return w != kResultOk ? w : c;
}
