// The outbox's view of the journal's day files, on the platform's own calls: it reads them while
// the journal writer appends (sharing the file, never locking it) and finds the next day file.
#pragma once

#include <cstdint>

// "YYYY-MM-DD" and its end.
constexpr int kDayNameSize = 11;

// Up to n bytes of the file from `offset`: 0 with *got (0 at its end), or the system error code.
[[nodiscard]] int32_t ReadDayFile(const char* path, uint64_t offset, void* buffer, uint32_t n, uint32_t* got);

// Among the day files "YYYY-MM-DD.csv" in the folder: the first whose day comes after `after`
// ("" for the first of all) into next, the newest into newest (either may be null). False when
// the folder holds no day file after `after`.
bool FindDayFiles(const char* folder, const char* after, char* next, char* newest);

// Whether a name is a day file's: "YYYY-MM-DD.csv".
bool IsDayFileName(const char* name);

// FindDayFiles' choice, shared by both platforms: keeps in first the earliest day file after
// `after` and in last the newest (both start as "").
void PickDayFile(const char* name, const char* after, char* first, char* last);
bool TakeDayFiles(const char* first, const char* last, char* next, char* newest);
