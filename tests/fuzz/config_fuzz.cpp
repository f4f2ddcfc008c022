// Any bytes as "ZAVIze.cnf": the record loaded from them is safe to use (port, view and language
// within their ranges, a terminated statistics file name), and a short file leaves the presets.
#include <cstring>

#include "files/config.h"
#include "text/display_name.h"
#include "model/results.h"
#include "fuzz_file.h"
#include "text/language.h"
#include "tests/unit/test_monitor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteFuzzFile(kConfigurationFileName, data, size);
    PresetConfiguration(TestConfig());
    const ConfigurationRecord presets = TestConfig();
    const int32_t r = LoadConfiguration(TestConfig());
    if (r == kResultShortTransfer) {
        if (size >= sizeof(ConfigurationRecord)) FuzzFail("30007 only for a file shorter than the record");
        if (std::memcmp(&presets, &TestConfig(), sizeof TestConfig()) != 0)
            FuzzFail("a short file leaves the presets");
        return 0;
    }
    if (r != kResultOk) FuzzFail("a readable file loads with 0 or 30007");
    if (size < sizeof(ConfigurationRecord)) FuzzFail("a short file is not taken whole");
    ConfigurationRecord copy = TestConfig();
    if (ValidateConfiguration(copy)) FuzzFail("the loaded record needs no more mending");
    if (TestConfig().PortNumber < 1 || TestConfig().PortNumber > 26)
        FuzzFail("PortNumber 1..16, or 11..26 marked");
    // Use the record as the program does: texts of its language, the name on the chart.
    if (TestConfig().languageBase > kLanguageEntries - 200) FuzzFail("a language of the table");
    for (TextId id = 0; id < 200; ++id)
        if (GetText(id) != LanguageTable[TestConfig().languageBase + id])
            FuzzFail("texts of the configured language");
    const size_t nameLength = strnlen(TestConfig().statisticsFileName, kStatisticsFileNameSize);
    if (nameLength == 0 || nameLength == kStatisticsFileNameSize)
        FuzzFail("a terminated, non-empty file name");
    const char* shown = DisplayFileName(TestConfig().statisticsFileName);
    if (shown < TestConfig().statisticsFileName || shown > TestConfig().statisticsFileName + nameLength)
        FuzzFail("the displayed name lies within the file name");
    return 0;
}
