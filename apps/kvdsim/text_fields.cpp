#include "text_fields.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace kvdsim {

std::vector<std::string> SplitFields(const std::string& text, char separator) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const auto at = text.find(separator, start);
        fields.push_back(text.substr(start, at - start));
        if (at == std::string::npos) return fields;
        start = at + 1;
    }
}

bool ParseLong(const std::string& text, long lo, long hi, long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool ParseFraction(const std::string& text, double lo, double hi, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v) || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool ParseUnsigned64(const std::string& text, uint64_t& out) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    out = v;
    return true;
}

}  // namespace kvdsim
