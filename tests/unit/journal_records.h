// Journal records and lines the journal tests build.
#pragma once

#include <cstdint>
#include <string>

#include "journal/journal_line.h"
#include "journal/journal_record.h"
#include "journal/journal_writer.h"

// 2026-01-01T00:00:00Z: 56 years of which 14 leap years after 1970.
inline constexpr int64_t kNewYear2026Ms = (56LL * 365 + 14) * 86400 * 1000;

inline JournalRecord Record(int64_t ms, int32_t offset, int cut, uint8_t peak) {
    JournalRecord r{};
    r.time = {ms, offset};
    r.cut = cut;
    r.peak = peak;
    r.work = static_cast<uint8_t>(peak / 2);
    r.po = 17;
    r.breakLimit = 50;
    r.bluntLimit = 30;
    r.missingLimit = 10;
    return r;
}

inline std::string Line(const JournalRecord& r) {
    char buffer[kJournalLineMax];
    return {buffer, FormatJournalLine(r, buffer)};
}

// One writer for the tests of a program (they run one at a time), reset at each first use.
inline JournalWriter& TestJournalWriter() {
    static JournalWriter* w = new JournalWriter;  // never freed: outlives every test
    return *w;
}
inline JournalWriter& FreshJournalWriter() {
    ResetJournalWriter(TestJournalWriter());
    return TestJournalWriter();
}
