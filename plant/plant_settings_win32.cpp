#include <windows.h>

#include <wincrypt.h>

#include <cstdio>
#include <cstring>

#include "plant/plant_settings_win32.h"

namespace {

// Ties the protected password to this program: another program of the same user that asks the
// system to unprotect the value without it is refused.
const char kEntropy[] = "ZavIze plant link";
constexpr DWORD kProtectedMax =
    2048;  // bytes of a protected password (a 128-character one takes a few hundred)

bool FilePath(char (&file)[MAX_PATH]) {
    // A name without a folder would be looked for in the Windows folder: give the full path.
    const DWORD n = GetFullPathNameA("ZAVIze.ini", sizeof file, file, nullptr);
    return n > 0 && n < sizeof file;
}

// One key of [plant]; null when it is missing (a key set to nothing counts as missing too).
const char* Key(const char* file, const char* key, char* buffer, DWORD size) {
    GetPrivateProfileStringA("plant", key, "", buffer, size, file);
    return buffer[0] != '\0' ? buffer : nullptr;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The protected password's text back to plain text; false when it is not hexadecimal, not this
// user's, or not a password this program protected.
bool Unprotect(const char* hex, char* out, std::size_t size) {
    BYTE bytes[kProtectedMax];
    const std::size_t n = std::strlen(hex);
    if (n == 0 || n % 2 != 0 || n / 2 > sizeof bytes) return false;
    for (std::size_t i = 0; i < n / 2; ++i) {
        const int hi = HexDigit(hex[2 * i]), lo = HexDigit(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes[i] = static_cast<BYTE>(hi * 16 + lo);
    }
    DATA_BLOB in{static_cast<DWORD>(n / 2), bytes},
        entropy{sizeof kEntropy - 1, reinterpret_cast<BYTE*>(const_cast<char*>(kEntropy))}, plain{0, nullptr};
    if (!CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &plain))
        return false;
    const bool fits = plain.cbData < size && std::memchr(plain.pbData, '\0', plain.cbData) == nullptr;
    if (fits) {
        std::memcpy(out, plain.pbData, plain.cbData);
        out[plain.cbData] = '\0';
    }
    SecureZeroMemory(plain.pbData, plain.cbData);
    LocalFree(plain.pbData);
    return fits;
}

// The password protected for this Windows user, as hexadecimal text; false when the system
// cannot protect it or the result does not fit.
bool Protect(const char* password, char* hex, std::size_t size) {
    DATA_BLOB in{static_cast<DWORD>(std::strlen(password)),
                 reinterpret_cast<BYTE*>(const_cast<char*>(password))},
        entropy{sizeof kEntropy - 1, reinterpret_cast<BYTE*>(const_cast<char*>(kEntropy))}, out{0, nullptr};
    if (!CryptProtectData(&in, L"ZavIze plant link", &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                          &out))
        return false;
    const bool fits = 2 * static_cast<std::size_t>(out.cbData) < size;
    for (DWORD i = 0; fits && i < out.cbData; ++i) std::snprintf(hex + 2 * i, 3, "%02x", out.pbData[i]);
    LocalFree(out.pbData);
    return fits;
}

}  // namespace

bool ReadPlantSettingsFile(PlantSettings& out, char* message, std::size_t messageSize, bool* plainPassword) {
    if (plainPassword != nullptr) *plainPassword = false;
    char file[MAX_PATH];
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD computerSize = sizeof computer;
    if (!GetComputerNameA(computer, &computerSize)) computer[0] = '\0';
    if (!FilePath(file)) return ParsePlantSettings({}, computer, out, message, messageSize);
    // Longer than any valid value, so an overlong one is seen and refused, not cut to fit.
    char enabled[16], host[kPlantHostMax + 2], port[16], machine[kPlantNameMax + 2],
        prefix[kPlantNameMax + 2], keepAlive[16], user[kPlantUserMax + 2], password[kPlantPasswordMax + 2],
        tls[16], caFile[kPlantPathMax + 2], protectedHex[2 * kProtectedMax + 2];
    PlantSettingsText text{Key(file, "enabled", enabled, sizeof enabled),
                           Key(file, "host", host, sizeof host),
                           Key(file, "port", port, sizeof port),
                           Key(file, "machine", machine, sizeof machine),
                           Key(file, "prefix", prefix, sizeof prefix),
                           Key(file, "keepalive", keepAlive, sizeof keepAlive),
                           Key(file, "user", user, sizeof user),
                           Key(file, "password", password, sizeof password),
                           Key(file, "tls", tls, sizeof tls),
                           Key(file, "cafile", caFile, sizeof caFile)};
    // A plain password typed into the file by hand is the newer word: it wins over a protected one.
    if (text.password != nullptr) {
        if (plainPassword != nullptr) *plainPassword = true;
    } else if (Key(file, "password_protected", protectedHex, sizeof protectedHex) != nullptr) {
        if (!Unprotect(protectedHex, password, sizeof password)) {
            static_cast<void>(ParsePlantSettings({}, computer, out, message, messageSize));  // the link off
            std::snprintf(message, messageSize,
                          "ZAVIze.ini: password_protected cannot be read by this Windows user (set the "
                          "password again under Communication); the plant link stays off.");
            return false;
        }
        text.password = password;
    }
    const bool ok = ParsePlantSettings(text, computer, out, message, messageSize);
    SecureZeroMemory(password, sizeof password);
    return ok;
}

namespace {

struct Entry {
    const char* key;
    const char* value;  // null or "": the key is removed
};

bool WriteKeys(const Entry* entries, std::size_t n, char* message, std::size_t messageSize) {
    char file[MAX_PATH];
    bool ok = FilePath(file);
    for (std::size_t i = 0; ok && i < n; ++i) {
        const char* value =
            entries[i].value != nullptr && entries[i].value[0] != '\0' ? entries[i].value : nullptr;
        ok = WritePrivateProfileStringA("plant", entries[i].key, value, file) != 0;
    }
    if (!ok) {
        const DWORD error = GetLastError();
        char text[160] = "";
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                       sizeof text, nullptr);
        text[std::strcspn(text, "\r\n")] = '\0';
        std::snprintf(message, messageSize, "ZAVIze.ini cannot be written: %s (error %lu).", text, error);
        return false;
    }
    // Written out at once: the profile functions may keep the file in a cache.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file);
    message[0] = '\0';
    return true;
}

bool ProtectedText(const char* password, char* hex, std::size_t size, char* message,
                   std::size_t messageSize) {
    hex[0] = '\0';
    if (password[0] == '\0' || Protect(password, hex, size)) return true;
    std::snprintf(message, messageSize, "ZAVIze.ini: the password cannot be protected (error %lu).",
                  GetLastError());
    return false;
}

}  // namespace

bool WritePlantSettingsFile(const PlantSettings& s, char* message, std::size_t messageSize) {
    char port[8], protectedHex[2 * kProtectedMax + 2];
    std::snprintf(port, sizeof port, "%u", static_cast<unsigned>(s.port));
    if (!ProtectedText(s.password, protectedHex, sizeof protectedHex, message, messageSize)) return false;
    const Entry entries[] = {{"enabled", s.enabled ? "1" : "0"},
                             {"host", s.host},
                             {"port", port},
                             {"machine", s.machine},
                             {"prefix", s.prefix},
                             {"tls", s.tls ? "1" : "0"},
                             {"cafile", s.caFile},
                             {"user", s.user},
                             {"password_protected", protectedHex},
                             {"password", nullptr}};
    return WriteKeys(entries, sizeof entries / sizeof entries[0], message, messageSize);
}

bool ProtectPlantPasswordInFile(const char* password, char* message, std::size_t messageSize) {
    char protectedHex[2 * kProtectedMax + 2];
    if (!ProtectedText(password, protectedHex, sizeof protectedHex, message, messageSize)) return false;
    const Entry entries[] = {{"password_protected", protectedHex}, {"password", nullptr}};
    return WriteKeys(entries, 2, message, messageSize);
}
