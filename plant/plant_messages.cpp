#include "plant/plant_messages.h"

#include <cinttypes>
#include <cstdio>

#include "journal/journal_line.h"
#include "model/cut.h"

namespace {

// snprintf's result as a length: 0 when the text did not fit.
std::size_t Fitted(int n, std::size_t size) {
    return n > 0 && static_cast<std::size_t>(n) < size ? static_cast<std::size_t>(n) : 0;
}

const char* Bool(bool b) { return b ? "true" : "false"; }

}  // namespace

std::size_t FormatPlantTopic(const char* prefix, const char* machine, const char* leaf, char* out,
                             std::size_t size) {
    return Fitted(std::snprintf(out, size, "%s/%s/%s", prefix, machine, leaf), size);
}

std::size_t FormatCycleMessage(const JournalRecord& r, const char* machine, const char* outbox,
                               uint64_t sequence, char* out, std::size_t size) {
    char box[48] = "";
    if (outbox[0] != '\0') std::snprintf(box, sizeof box, ",\"outbox\":\"%.16s\"", outbox);
    char time[40];
    time[FormatJournalTime(r.time, time)] = '\0';
    const auto bit = [&](uint8_t b) { return (r.alarms & b) != 0 ? 1 : 0; };
    return Fitted(
        std::snprintf(out, size,
                      "{\"machine\":\"%s\"%s,\"seq\":%" PRIu64
                      ",\"time\":\"%s\",\"cut\":%d,\"peak\":%u,\"work\":%u,\"po\":%u,"
                      "\"break\":%d,\"blunt\":%d,\"missing\":%d,\"err1\":%d,"
                      "\"blunt_counter\":%" PRId32 ",\"missing_counter\":%" PRId32
                      ",\"break_limit\":%u,\"blunt_limit\":%u,\"missing_limit\":%u,"
                      "\"blunt_mode\":\"%s\"}",
                      machine, box, sequence, time, CutNumber(r.cut), unsigned{r.peak}, unsigned{r.work},
                      unsigned{r.po}, bit(kJournalBreak), bit(kJournalBlunt), bit(kJournalMissing),
                      bit(kJournalErr1), r.bluntCounter, r.missingCounter, unsigned{r.breakLimit},
                      unsigned{r.bluntLimit}, unsigned{r.missingLimit}, r.bluntMode == 0 ? "power" : "work"),
        size);
}

bool operator==(const PlantState& a, const PlantState& b) {
    return a.unitConnected == b.unitConnected && a.activeCut == b.activeCut && a.breakLamp == b.breakLamp &&
           a.bluntLamp == b.bluntLamp && a.missingLamp == b.missingLamp;
}

std::size_t FormatStateMessage(const PlantState& s, const char* machine, char* out, std::size_t size) {
    char cut[16] = "null";
    if (s.activeCut >= 0 && s.activeCut < kCutCount)
        std::snprintf(cut, sizeof cut, "%d", CutNumber(s.activeCut));
    return Fitted(std::snprintf(out, size,
                                "{\"machine\":\"%s\",\"online\":true,\"unit\":%s,\"cut\":%s,\"break\":%s,"
                                "\"blunt\":%s,\"missing\":%s}",
                                machine, Bool(s.unitConnected), cut, Bool(s.breakLamp), Bool(s.bluntLamp),
                                Bool(s.missingLamp)),
                  size);
}

std::size_t FormatOfflineMessage(const char* machine, char* out, std::size_t size) {
    return Fitted(std::snprintf(out, size, "{\"machine\":\"%s\",\"online\":false}", machine), size);
}
