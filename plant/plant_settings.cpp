#include "plant/plant_settings.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

bool NameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_' || c == '.';
}

bool Present(const char* s) { return s != nullptr && s[0] != '\0'; }

bool Same(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != *b) return false;
    return *a == *b;
}

// -1 when the text is no switch value.
int Switch(const char* s) {
    for (const char* on : {"1", "yes", "true", "on"})
        if (Same(s, on)) return 1;
    for (const char* off : {"0", "no", "false", "off"})
        if (Same(s, off)) return 0;
    return -1;
}

// A topic level and, at the collector, a folder name: 1..kPlantNameMax name characters, not
// starting with '.' (no "." or "..").
bool IsName(const char* s) {
    const std::size_t n = std::strlen(s);
    if (n == 0 || n > kPlantNameMax || s[0] == '.') return false;
    for (std::size_t i = 0; i < n; ++i)
        if (!NameChar(s[i])) return false;
    return true;
}

// Levels of name characters separated by single '/', none empty.
bool IsPrefix(const char* s) {
    const std::size_t n = std::strlen(s);
    if (n == 0 || n > kPlantNameMax || s[0] == '/' || s[n - 1] == '/') return false;
    for (std::size_t i = 0; i < n; ++i)
        if (!(NameChar(s[i]) || (s[i] == '/' && s[i + 1] != '/'))) return false;
    return true;
}

bool IsHost(const char* s) {
    const std::size_t n = std::strlen(s);
    if (n == 0 || n > kPlantHostMax) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (!(NameChar(s[i]) || s[i] == ':')) return false;  // names, IPv4 and IPv6 addresses
    return true;
}

// A user name or password: printable ASCII without spaces (they travel in the CONNECT packet and
// stand on one line of the settings file).
bool IsCredential(const char* s, std::size_t max) {
    const std::size_t n = std::strlen(s);
    if (n > max) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (s[i] <= ' ' || s[i] > '~') return false;
    return true;
}

bool Refuse(char* message, std::size_t size, const char* key, const char* value, const char* rule,
            PlantSettings& out) {
    out.enabled = false;
    std::snprintf(message, size, "ZAVIze.ini: %s \"%.60s\" %s; the plant link stays off.", key, value, rule);
    return false;
}

}  // namespace

void MachineNameFrom(const char* computerName, char* out, std::size_t size) {
    std::size_t n = 0;
    for (const char* p = computerName; p != nullptr && *p != '\0' && n + 1 < size && n < kPlantNameMax; ++p) {
        out[n] = NameChar(*p) && !(n == 0 && *p == '.') ? *p : '-';
        ++n;
    }
    out[n] = '\0';
    if (n == 0) std::snprintf(out, size, "machine");
}

bool IsPlantName(const char* name) { return IsName(name); }

bool ParsePlantSettings(const PlantSettingsText& text, const char* computerName, PlantSettings& out,
                        char* message, std::size_t messageSize) {
    out = PlantSettings{};
    std::snprintf(out.prefix, sizeof out.prefix, "kvd");
    MachineNameFrom(computerName, out.machine, sizeof out.machine);
    message[0] = '\0';
    const int on = Present(text.enabled) ? Switch(text.enabled) : 0;
    if (on < 0) return Refuse(message, messageSize, "enabled", text.enabled, "is not 1 or 0", out);
    const int tls = Present(text.tls) ? Switch(text.tls) : 0;
    if (tls < 0) return Refuse(message, messageSize, "tls", text.tls, "is not 1 or 0", out);
    out.tls = tls == 1;
    out.port = out.tls ? kPlantDefaultTlsPort : kPlantDefaultPort;
    if (Present(text.port)) {
        char* end = nullptr;
        const long port = std::strtol(text.port, &end, 10);
        if (!std::isdigit(static_cast<unsigned char>(text.port[0])) || *end != '\0' || port < 1 ||
            port > 65535)
            return Refuse(message, messageSize, "port", text.port, "is not a number from 1 to 65535", out);
        out.port = static_cast<uint16_t>(port);
    }
    out.keepAliveSeconds = kPlantDefaultKeepAlive;
    if (Present(text.keepAlive)) {
        char* end = nullptr;
        const long seconds = std::strtol(text.keepAlive, &end, 10);
        if (!std::isdigit(static_cast<unsigned char>(text.keepAlive[0])) || *end != '\0' || seconds < 2 ||
            seconds > 3600)
            return Refuse(message, messageSize, "keepalive", text.keepAlive, "is not a number from 2 to 3600",
                          out);
        out.keepAliveSeconds = static_cast<uint16_t>(seconds);
    }
    if (Present(text.machine)) {
        if (!IsName(text.machine))
            return Refuse(message, messageSize, "machine", text.machine,
                          "is not 1 to 64 letters, digits, '-', '_' or '.' (not first)", out);
        std::snprintf(out.machine, sizeof out.machine, "%s", text.machine);
    }
    if (Present(text.prefix)) {
        if (!IsPrefix(text.prefix))
            return Refuse(message, messageSize, "prefix", text.prefix,
                          "is not 1 to 64 letters, digits, '-', '_' or '.' in levels split by '/'", out);
        std::snprintf(out.prefix, sizeof out.prefix, "%s", text.prefix);
    }
    if (Present(text.user)) {
        if (!IsCredential(text.user, kPlantUserMax))
            return Refuse(message, messageSize, "user", text.user,
                          "is not 1 to 64 printable characters without spaces", out);
        std::snprintf(out.user, sizeof out.user, "%s", text.user);
    }
    if (Present(text.password)) {
        // The value is never repeated in a message: it may be the right password mistyped.
        if (!IsCredential(text.password, kPlantPasswordMax))
            return Refuse(message, messageSize, "password", "...",
                          "is not 1 to 128 printable characters without spaces", out);
        if (!Present(text.user))
            return Refuse(message, messageSize, "password", "...", "is given without a user", out);
        std::snprintf(out.password, sizeof out.password, "%s", text.password);
    }
    if (Present(text.caFile)) {
        if (std::strlen(text.caFile) > kPlantPathMax)
            return Refuse(message, messageSize, "cafile", text.caFile, "is longer than 259 characters", out);
        if (!out.tls)
            return Refuse(message, messageSize, "cafile", text.caFile, "is given without tls=1", out);
        std::snprintf(out.caFile, sizeof out.caFile, "%s", text.caFile);
    }
    if (on == 1 && !Present(text.host))
        return Refuse(message, messageSize, "host", "", "is missing (the broker's name or address)", out);
    if (Present(text.host)) {
        if (!IsHost(text.host))
            return Refuse(message, messageSize, "host", text.host, "is not a host name or address", out);
        std::snprintf(out.host, sizeof out.host, "%s", text.host);
    }
    out.enabled = on == 1;
    return true;
}
