#include "journal/journal_reader.h"

#include "journal/journal_line.h"

void ReadJournalText(std::string_view text, JournalText& into) {
    std::size_t number = 0;
    // A file saved again by a spreadsheet may start with a byte order mark.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        ++number;
        if (end == std::string_view::npos) {
            into.unfinishedLastLine = true;
            return;
        }
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // The header opens every day file; blank lines carry nothing.
        if (line.empty() || line == kJournalHeader) continue;
        if (number == 1 && line.substr(0, 5) != "time,") {
            into.issues.push_back({number, "not a journal: the first line is not its header"});
            return;
        }
        JournalRecord r{};
        const char* error = "";
        if (ParseJournalLine(line, r, &error)) {
            into.records.push_back(r);
        } else {
            into.issues.push_back({number, error});
        }
    }
}
