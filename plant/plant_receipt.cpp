#include "plant/plant_receipt.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

std::size_t FormatReceiptMessage(const char* outbox, uint64_t sequence, char* out, std::size_t size) {
    const int n = std::snprintf(out, size, "{\"outbox\":\"%.16s\",\"seq\":%" PRIu64 "}", outbox, sequence);
    return n > 0 && static_cast<std::size_t>(n) < size ? static_cast<std::size_t>(n) : 0;
}

bool ParseReceiptMessage(std::string_view text, char (&outbox)[17], uint64_t* sequence) {
    constexpr std::string_view kOpen = "{\"outbox\":\"", kSeq = "\",\"seq\":";
    if (text.substr(0, kOpen.size()) != kOpen) return false;
    text.remove_prefix(kOpen.size());
    const std::size_t digits = text.find_first_not_of("0123456789abcdef");
    if (digits == 0 || digits > 16 || digits == std::string_view::npos) return false;
    std::memcpy(outbox, text.data(), digits);
    outbox[digits] = '\0';
    text.remove_prefix(digits);
    if (text.substr(0, kSeq.size()) != kSeq) return false;
    text.remove_prefix(kSeq.size());
    uint64_t n = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const auto d = static_cast<uint64_t>(text[i] - '0');
        if (n > (UINT64_MAX - d) / 10) return false;  // beyond any number an outbox gives
        n = n * 10 + d;
    }
    if (i == 0 || i == text.size() || (text[i] != '}' && text[i] != ',') || text.back() != '}') return false;
    *sequence = n;
    return true;
}
