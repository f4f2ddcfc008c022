// How a page field's text becomes a value and a value becomes text: the readers of whole numbers
// and tenths, the field check with its conversion, and the display forms.
#pragma once

#include <cstdint>

#include "sheet/sheet_fields.h"

// A whole number that no field accepts: what a number too large, or one typed with a minus sign,
// reads as. Far above every range, so it is refused instead of wrapping into one.
constexpr int32_t kOutsideEveryRange = 1000000;

// An edit field's text as a whole number: leading spaces skipped, then the digits up to the first
// other character; a text that does not begin with a digit reads as 0. A minus sign, or more
// digits than any field could take, read as kOutsideEveryRange.
[[nodiscard]] int32_t ReadWholeNumber(const char* text);

// Tenths from at most the first 4 characters of a text (length: the characters there are). "." or
// "," is the separator, and only one character after it counts ("2,5" 25, ".5" 5, "5." 50,
// "12.5" 125, "25" 250). The result can be negative or larger than any field ("-5" -50).
[[nodiscard]] int32_t ParseTenths(const char* text, int length);

// What a page control holds when it is read.
struct FieldInput {
    const char* text;  // the edit text (edit fields)
    int selection;     // the selected list entry, -1 none (drop-down lists)
};

// Read a field as its kind says, check it (range, and for the P1 pair the spacing against
// `other`, the value of the other field of the pair) and convert it to its stored form. False:
// the entry is refused (and value is left alone).
[[nodiscard]] bool ReadFieldValue(const SheetField& field, const FieldInput& input, int32_t other,
                                  uint16_t& value);

// The range check alone, on a value as read (before the conversion), without the spacing rule.
[[nodiscard]] bool InFieldRange(const SheetField& field, int32_t typed);

// The text a field shows for a stored value: "Off" (the language's text) where the Off rule
// applies, else the number in the field's form. Choice fields show no text (their list shows the
// entry). Room for 16 characters.
constexpr int kFieldTextSize = static_cast<int>(kNumberTextSize);
void FieldText(const SheetField& field, uint16_t value, char out[kFieldTextSize]);
