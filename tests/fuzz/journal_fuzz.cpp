// Random text into the journal reader. It must never crash or hang, every line number it reports
// must lie within the text, and every record it accepts must be written back as a line that reads
// as the same record (so nothing out of range slips through as a record).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "journal/journal_line.h"
#include "journal/journal_reader.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "journal reader: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    JournalText read;
    ReadJournalText(text, read);
    std::size_t lines = 1;
    for (const char c : text) lines += c == '\n';
    for (const JournalIssue& issue : read.issues)
        if (issue.line < 1 || issue.line > lines) Fail("an issue outside the text");
    if (read.records.size() + read.issues.size() > lines) Fail("more results than lines");
    for (const JournalRecord& r : read.records) {
        if (r.cut < 0 || r.cut > 15) Fail("a cut outside 1..16");
        char line[kJournalLineMax];
        const std::size_t n = FormatJournalLine(r, line);
        if (n == 0 || n > kJournalLineMax || line[n - 1] != '\n') Fail("a record that writes no whole line");
        JournalRecord again{};
        const char* error = nullptr;
        if (!ParseJournalLine(std::string_view(line, n - 1), again, &error)) Fail(error);
        char second[kJournalLineMax];
        if (FormatJournalLine(again, second) != n || std::string_view(second, n) != std::string_view(line, n))
            Fail("a record that does not read back the same");
    }
    return 0;
}
