// The configuration file "ZAVIze.cnf": the 280-byte image of ConfigurationRecord (the settings,
// model/settings.h) in the working directory. Rewritten whenever one of its settings changes.
#pragma once

#include <cstdint>

#include "model/settings.h"

extern const char* const kConfigurationFileName;  // "ZAVIze.cnf"

// Read the file into the record (opened for reading only, so a read-only file is read), or create
// it holding the record when it is missing: 0, 30007 or the system error code. A short read leaves
// the presets untouched; the record read is validated.
[[nodiscard]] int32_t LoadConfiguration(ConfigurationRecord& config);
// Write the record at the start of the file (created when missing, never truncated).
[[nodiscard]] int32_t SaveConfiguration(const ConfigurationRecord& config);
