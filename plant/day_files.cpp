#include "plant/day_files.h"

#include <cstring>

bool IsDayFileName(const char* name) {
    static constexpr char kForm[] = "dddd-dd-dd.csv";
    if (std::strlen(name) != sizeof kForm - 1) return false;
    for (std::size_t i = 0; i < sizeof kForm - 1; ++i) {
        const bool digit = name[i] >= '0' && name[i] <= '9';
        if (kForm[i] == 'd' ? !digit : name[i] != kForm[i]) return false;
    }
    return true;
}

void PickDayFile(const char* name, const char* after, char* first, char* last) {
    if (!IsDayFileName(name)) return;
    if (std::strncmp(name, after, 10) > 0 && (first[0] == '\0' || std::strncmp(name, first, 10) < 0))
        std::memcpy(first, name, 10);
    if (std::strncmp(name, last, 10) > 0) std::memcpy(last, name, 10);
}

bool TakeDayFiles(const char* first, const char* last, char* next, char* newest) {
    if (next != nullptr) std::memcpy(next, first, kDayNameSize);
    if (newest != nullptr) std::memcpy(newest, last, kDayNameSize);
    return first[0] != '\0';
}
