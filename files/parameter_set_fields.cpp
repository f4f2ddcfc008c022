#include "files/parameter_set_fields.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The field without the blanks around it.
void Trim(const char*& text, int& length) {
    while (length > 0 && IsBlank(text[0])) ++text, --length;
    while (length > 0 && IsBlank(text[length - 1])) --length;
}

// Digits and at most one point; the digits as a number, the point's position (-1: none).
bool ReadDigits(const char* text, int length, int32_t* number, int* point) {
    *number = 0;
    *point = -1;
    int digits = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] == '.' && *point < 0) {
            *point = i;
        } else if (IsDigit(text[i]) && digits < 9) {  // nine digits cannot overflow
            *number = *number * 10 + (text[i] - '0');
            ++digits;
        } else {
            return false;
        }
    }
    return digits > 0;
}

}  // namespace

bool ParseIntegerField(const char* text, int length, int32_t* value) {
    Trim(text, length);
    bool negative = false;
    if (length > 0 && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        ++text, --length;
    }
    int32_t number = 0;
    int point = 0;
    if (!ReadDigits(text, length, &number, &point) || point >= 0) return false;
    *value = negative ? -number : number;
    return true;
}

bool ParseTenthsField(const char* text, int length, int32_t* value) {
    Trim(text, length);
    int32_t number = 0;
    int point = 0;
    // One or two digits before the point, exactly one after it.
    if (!ReadDigits(text, length, &number, &point) || point < 1 || point > 2 || point != length - 2)
        return false;
    *value = number;
    return true;
}

bool ParseRangeField(const char* text, int length, uint16_t* value, uint16_t* mode) {
    Trim(text, length);
    int32_t number = 0;
    int point = 0;
    if (length > 4 || !ReadDigits(text, length, &number, &point)) return false;
    if (point < 0 && length <= 3) {
        *mode = 2;  // d, dd or ddd
    } else if (point == 1 && length == 4) {
        *mode = 0;  // d.dd
    } else if (point >= 1 && point == length - 2) {
        *mode = 1;  // d.d or dd.d
    } else {
        return false;
    }
    *value = static_cast<uint16_t>(number);
    return true;
}
