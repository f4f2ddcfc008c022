// The files the link's rules rewrite when their content changes: the configuration (a new port)
// and the statistics block (every cycle end). The main window points them at the file modules;
// tests count the calls instead of writing files. The defaults write nothing.
#pragma once

#include <cstdint>

struct StorageService {
    int32_t (*saveConfiguration)() = [] { return int32_t{0}; };
    // The cycle-end autosave of the statistics block to the file in use.
    void (*saveStatistics)() = [] {};
};

extern StorageService gStorageService;
