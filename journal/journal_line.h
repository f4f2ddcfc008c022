// The text of a journal line and its reading back. Numbers are written without any locale (the
// decimal point of the time stamp is always a dot), fields are separated by commas, and every
// line ends in a single line feed.
#pragma once

#include <cstddef>
#include <string_view>

#include "journal/journal_record.h"

// The header row, without its line feed.
constexpr std::string_view kJournalHeader =
    "time,cut,peak,work,po,break,blunt,missing,err1,blunt_counter,missing_counter,"
    "break_limit,blunt_limit,missing_limit,blunt_mode";

// Longest line FormatJournalLine writes, line feed included.
constexpr std::size_t kJournalLineMax = 200;

// "2026-03-29T02:59:59.125+02:00" (29 characters): local time with its UTC offset.
std::size_t FormatJournalTime(const JournalTime& t, char* out);
// The local calendar date of a moment, as "YYYY-MM-DD" (10 characters): the day file's name.
std::size_t FormatJournalDate(const JournalTime& t, char* out);

// One line with its line feed into out (at least kJournalLineMax bytes); returns its length.
std::size_t FormatJournalLine(const JournalRecord& r, char* out);

// Reads one line (without its line feed; a trailing CR is allowed). On failure returns false and
// says why in *error (a static text).
[[nodiscard]] bool ParseJournalLine(std::string_view line, JournalRecord& out, const char** error);
// The numbers of a line after its time (cut 1..16 .. missing_limit), each already within its
// range, into a record (the time and Blunt Mode are not touched).
constexpr int kJournalNumberFields = 13;
void FillJournalRecord(const int64_t (&numbers)[kJournalNumberFields], JournalRecord& r);
[[nodiscard]] bool ParseJournalTime(std::string_view text, JournalTime& out);
