// Reading a journal file's text back into records. A malformed line is reported with its line
// number and skipped; the lines after it are still read. A last line without its line feed is a
// line still being written (or cut short by a kill): it is left out without complaint.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "journal/journal_record.h"

struct JournalIssue {
    std::size_t line;  // 1-based
    std::string message;
};

struct JournalText {
    std::vector<JournalRecord> records;  // in the order of the lines
    std::vector<JournalIssue> issues;
    bool unfinishedLastLine = false;
};

// Appends what the text holds to `into` (so several files can be gathered in one).
void ReadJournalText(std::string_view text, JournalText& into);
