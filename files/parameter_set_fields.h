// How the values of a parameter set file are read. Each reading takes the bytes of one field
// (without its tab or line feed), allows blanks (space, carriage return) around the number, and
// accepts only the forms the writer produces, so a field is rejected rather than misread.
#pragma once

#include <cstdint>

// Integer: an optional sign and at least one digit.
[[nodiscard]] bool ParseIntegerField(const char* text, int length, int32_t* value);
// Tenths: d.d or dd.d, in tenths (2.5 gives 25, 12.5 gives 125).
[[nodiscard]] bool ParseTenthsField(const char* text, int length, int32_t* value);
// Range: d.dd is mode 0 (hundredths), d.d or dd.d mode 1 (tenths), d, dd or ddd mode 2; the value
// is the digits without the point (1.50, 15.0 and 150 all give 150).
[[nodiscard]] bool ParseRangeField(const char* text, int length, uint16_t* value, uint16_t* mode);
