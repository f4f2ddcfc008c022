#include "journal/journal_line.h"

#include <charconv>
#include <cstdint>
#include <cstring>

#include "model/cut.h"

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

struct Civil {
    int64_t year;
    unsigned month, day, hour, minute, second, milli;
};

Civil CivilFromMs(int64_t ms) {
    int64_t days = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
    int64_t rest = ms - days * 86400000;
    Civil c{};
    c.milli = static_cast<unsigned>(rest % 1000);
    rest /= 1000;
    c.second = static_cast<unsigned>(rest % 60);
    c.minute = static_cast<unsigned>(rest / 60 % 60);
    c.hour = static_cast<unsigned>(rest / 3600);
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    c.day = doy - (153 * mp + 2) / 5 + 1;
    c.month = mp < 10 ? mp + 3 : mp - 9;
    c.year = static_cast<int64_t>(yoe) + era * 400 + (c.month <= 2);
    return c;
}

char* Digits(char* p, unsigned value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        p[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return p + width;
}

char* Number(char* p, int64_t value) { return std::to_chars(p, p + 24, value).ptr; }

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(int64_t y, unsigned m) {
    static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Exactly `width` digits at text[at..].
bool FixedDigits(std::string_view text, std::size_t at, int width, unsigned& out) {
    if (at + static_cast<std::size_t>(width) > text.size()) return false;
    out = 0;
    for (int i = 0; i < width; ++i) {
        const char c = text[at + static_cast<std::size_t>(i)];
        if (c < '0' || c > '9') return false;
        out = out * 10 + static_cast<unsigned>(c - '0');
    }
    return true;
}

// A whole decimal number within [low, high], the field's whole text.
bool Field(std::string_view text, int64_t low, int64_t high, int64_t& out) {
    if (text.empty() || text.size() > 11) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= low && out <= high;
}

}  // namespace

std::size_t FormatJournalTime(const JournalTime& t, char* out) {
    const Civil c = CivilFromMs(t.unixMs + int64_t{t.offsetMinutes} * 60000);
    char* p = out;
    p = Digits(p, static_cast<unsigned>(c.year), 4);
    *p++ = '-';
    p = Digits(p, c.month, 2);
    *p++ = '-';
    p = Digits(p, c.day, 2);
    *p++ = 'T';
    p = Digits(p, c.hour, 2);
    *p++ = ':';
    p = Digits(p, c.minute, 2);
    *p++ = ':';
    p = Digits(p, c.second, 2);
    *p++ = '.';
    p = Digits(p, c.milli, 3);
    const int32_t offset = t.offsetMinutes;
    *p++ = offset < 0 ? '-' : '+';
    const unsigned magnitude = static_cast<unsigned>(offset < 0 ? -offset : offset);
    p = Digits(p, magnitude / 60, 2);
    *p++ = ':';
    p = Digits(p, magnitude % 60, 2);
    return static_cast<std::size_t>(p - out);
}

std::size_t FormatJournalDate(const JournalTime& t, char* out) {
    char full[32];
    FormatJournalTime(t, full);
    std::memcpy(out, full, 10);
    return 10;
}

std::size_t FormatJournalLine(const JournalRecord& r, char* out) {
    char* p = out + FormatJournalTime(r.time, out);
    const int64_t fields[] = {CutNumber(r.cut),
                              r.peak,
                              r.work,
                              r.po,
                              (r.alarms & kJournalBreak) != 0,
                              (r.alarms & kJournalBlunt) != 0,
                              (r.alarms & kJournalMissing) != 0,
                              (r.alarms & kJournalErr1) != 0,
                              r.bluntCounter,
                              r.missingCounter,
                              r.breakLimit,
                              r.bluntLimit,
                              r.missingLimit};
    for (const int64_t f : fields) {
        *p++ = ',';
        p = Number(p, f);
    }
    const char* mode = r.bluntMode == kBluntModePower ? ",power\n" : ",work\n";
    const std::size_t n = std::strlen(mode);
    std::memcpy(p, mode, n);
    return static_cast<std::size_t>(p - out) + n;
}

bool ParseJournalTime(std::string_view s, JournalTime& out) {
    // YYYY-MM-DDTHH:MM:SS.mmm followed by Z or +HH:MM / -HH:MM
    unsigned y, mo, d, h, mi, se, ms, oh = 0, om = 0;
    if (s.size() < 24) return false;
    if (!FixedDigits(s, 0, 4, y) || s[4] != '-' || !FixedDigits(s, 5, 2, mo) || s[7] != '-' ||
        !FixedDigits(s, 8, 2, d) || s[10] != 'T' || !FixedDigits(s, 11, 2, h) || s[13] != ':' ||
        !FixedDigits(s, 14, 2, mi) || s[16] != ':' || !FixedDigits(s, 17, 2, se) || s[19] != '.' ||
        !FixedDigits(s, 20, 3, ms))
        return false;
    int sign = 0;
    if (s.size() == 24 && s[23] == 'Z') {
        sign = 1;
    } else if (s.size() == 29 && (s[23] == '+' || s[23] == '-') && FixedDigits(s, 24, 2, oh) &&
               s[26] == ':' && FixedDigits(s, 27, 2, om)) {
        sign = s[23] == '+' ? 1 : -1;
    } else {
        return false;
    }
    if (mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) || h > 23 || mi > 59 || se > 59 || oh > 14 ||
        om > 59)
        return false;
    out.offsetMinutes = sign * static_cast<int32_t>(oh * 60 + om);
    const int64_t local = ((DaysFromCivil(y, mo, d) * 24 + h) * 60 + mi) * 60000 + int64_t{se} * 1000 + ms;
    out.unixMs = local - int64_t{out.offsetMinutes} * 60000;
    return true;
}

namespace {

constexpr std::size_t kJournalFields = 15;
constexpr int kNumberFields = kJournalNumberFields;  // cut .. missing_limit, after the time

// The line's comma-separated fields; nullptr, or what is wrong with their number.
const char* SplitFields(std::string_view line, std::string_view (&f)[kJournalFields]) {
    std::size_t count = 0;
    while (count < kJournalFields) {
        const std::size_t comma = line.find(',');
        f[count++] = line.substr(0, comma);
        if (comma == std::string_view::npos)
            return count == kJournalFields ? nullptr : "fewer than 15 fields";
        line.remove_prefix(comma + 1);
    }
    return "more than 15 fields";
}

// Fields 1..13 as numbers within their ranges; nullptr, or what is wrong with the first bad one.
const char* ReadNumbers(const std::string_view (&f)[kJournalFields], int64_t (&v)[kNumberFields]) {
    static constexpr int64_t kHigh[kNumberFields] = {16, 255,        255,        65535, 1,     1,    1,
                                                     1,  2147483647, 2147483647, 65535, 65535, 65535};
    static constexpr int64_t kLow[kNumberFields] = {1, 0, 0, 0, 0, 0, 0, 0, -2147483647 - 1, -2147483647 - 1,
                                                    0, 0, 0};
    static constexpr const char* kWhat[kNumberFields] = {"cut is not 1..16",
                                                         "peak is not 0..255",
                                                         "work is not 0..255",
                                                         "po is not 0..65535",
                                                         "break is not 0 or 1",
                                                         "blunt is not 0 or 1",
                                                         "missing is not 0 or 1",
                                                         "err1 is not 0 or 1",
                                                         "blunt_counter is not a number",
                                                         "missing_counter is not a number",
                                                         "break_limit is not 0..65535",
                                                         "blunt_limit is not 0..65535",
                                                         "missing_limit is not 0..65535"};
    for (int i = 0; i < kNumberFields; ++i)
        if (!Field(f[i + 1], kLow[i], kHigh[i], v[i])) return kWhat[i];
    return nullptr;
}

}  // namespace

void FillJournalRecord(const int64_t (&v)[kJournalNumberFields], JournalRecord& r) {
    r.cut = CutIndex(static_cast<int>(v[0]));
    r.peak = static_cast<uint8_t>(v[1]);
    r.work = static_cast<uint8_t>(v[2]);
    r.po = static_cast<uint16_t>(v[3]);
    r.alarms = static_cast<uint8_t>((v[4] ? kJournalBreak : 0) | (v[5] ? kJournalBlunt : 0) |
                                    (v[6] ? kJournalMissing : 0) | (v[7] ? kJournalErr1 : 0));
    r.bluntCounter = static_cast<int32_t>(v[8]);
    r.missingCounter = static_cast<int32_t>(v[9]);
    r.breakLimit = static_cast<uint16_t>(v[10]);
    r.bluntLimit = static_cast<uint16_t>(v[11]);
    r.missingLimit = static_cast<uint16_t>(v[12]);
}

bool ParseJournalLine(std::string_view line, JournalRecord& out, const char** error) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view f[kJournalFields];
    if (const char* wrong = SplitFields(line, f)) {
        *error = wrong;
        return false;
    }
    JournalRecord r{};
    if (!ParseJournalTime(f[0], r.time)) {
        *error = "time is not of the form YYYY-MM-DDTHH:MM:SS.mmm+HH:MM";
        return false;
    }
    int64_t v[kNumberFields];
    if (const char* wrong = ReadNumbers(f, v)) {
        *error = wrong;
        return false;
    }
    if (f[14] == "power") {
        r.bluntMode = kBluntModePower;
    } else if (f[14] == "work") {
        r.bluntMode = kBluntModeWork;
    } else {
        *error = "blunt_mode is not power or work";
        return false;
    }
    FillJournalRecord(v, r);
    out = r;
    return true;
}
