#include "sheet/field_values.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSeparator(char c) { return c == '.' || c == ','; }

// A standard decimal conversion of a short text: white space, an optional sign, digits.
int32_t IntegerOf(const char* text) {
    while (IsSpace(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    int32_t n = 0;
    for (; IsDigit(*text) && n < kOutsideEveryRange; ++text) n = n * 10 + (*text - '0');
    return negative ? -n : n;
}

}  // namespace

int32_t ReadWholeNumber(const char* text) {
    while (*text == ' ') ++text;
    if (*text == '-') return kOutsideEveryRange;
    int32_t n = 0;
    for (; IsDigit(*text); ++text) {
        n = n * 10 + (*text - '0');
        if (n >= kOutsideEveryRange) return kOutsideEveryRange;
    }
    return n;
}

int32_t ParseTenths(const char* text, int length) {
    if (length > 4) length = 4;
    if (length <= 0) return 0;
    char t[5] = {};
    std::memcpy(t, text, static_cast<size_t>(length));
    // The text with the separator at `at` taken out and only one character after it kept; with
    // nothing after it, a 0 takes its place.
    auto withoutSeparator = [&](int at) {
        char s[5] = {};
        std::memcpy(s, t, static_cast<size_t>(at));
        s[at] = at + 1 < length ? t[at + 1] : '0';
        return IntegerOf(s);
    };
    if (IsSeparator(t[0])) return length == 1 ? 0 : withoutSeparator(0);
    if (IsSeparator(t[1])) return withoutSeparator(1);
    if (length > 2 && IsSeparator(t[2])) return withoutSeparator(2);
    return IntegerOf(t) * 10;
}

bool InFieldRange(const SheetField& field, int32_t typed) {
    return typed >= field.minAccepted && typed <= field.maxAccepted;
}

bool ReadFieldValue(const SheetField& field, const FieldInput& input, int32_t other, uint16_t& value) {
    int32_t typed = 0;
    switch (field.kind) {
        case FieldKind::kWhole:
        case FieldKind::kWholePlusOne:
            typed = ReadWholeNumber(input.text);
            break;
        case FieldKind::kTenths:
            typed = ParseTenths(input.text, static_cast<int>(strnlen(input.text, 4)));
            break;
        case FieldKind::kChoice:
            if (input.selection < 0) return false;
            typed = input.selection;
            break;
        case FieldKind::kFixedText:
            return false;
    }
    if (!InFieldRange(field, typed)) return false;
    if (field.spacing == Spacing::kAboveOther && typed < other + kP1Spacing) return false;
    if (field.spacing == Spacing::kBelowOther && typed > other - kP1Spacing) return false;
    switch (field.conversion) {
        case Conversion::kNone:
            break;
        case Conversion::kSmallToZero:
            if (typed <= kSmallLimit) typed = 0;
            break;
        case Conversion::kMinusOne:
            typed -= 1;
            break;
    }
    value = static_cast<uint16_t>(typed);
    return true;
}

void FieldText(const SheetField& field, uint16_t value, char out[kFieldTextSize]) {
    out[0] = '\0';
    if (field.kind == FieldKind::kFixedText) {
        std::snprintf(out, kFieldTextSize, "%s", kRangeFieldText);
        return;
    }
    if (field.kind == FieldKind::kChoice) return;
    if (field.offUpTo != kNoOffRule && value <= field.offUpTo) {
        std::snprintf(out, kFieldTextSize, "%s", GetText(kTextOff));
        return;
    }
    if (field.kind == FieldKind::kTenths)
        TenthsText(value, out);
    else if (field.kind == FieldKind::kWholePlusOne)
        std::snprintf(out, kFieldTextSize, "%u", value + 1u);
    else
        std::snprintf(out, kFieldTextSize, "%u", static_cast<unsigned>(value));
}
