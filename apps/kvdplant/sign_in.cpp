#include "sign_in.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace kvdplant {

namespace {

// The first line of a small file (a password, a token), without its line end.
bool FirstLine(const std::string& path, const char* what, std::string& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::string("the ") + what + " file " + path + " cannot be read: " + std::strerror(errno);
        return false;
    }
    std::getline(in, out);
    if (!out.empty() && out.back() == '\r') out.pop_back();
    if (out.empty() || out.size() > 1024) {
        error = std::string("the ") + what + " file " + path + " holds no " + what + " on its first line" +
                (out.size() > 1024 ? " (longer than 1024 characters)" : "");
        return false;
    }
    return true;
}

}  // namespace

bool TakeSignInOption(const std::string& key, const std::string& value, SignIn& s, bool& taken,
                      std::string& error) {
    taken = true;
    if (key == "--user")
        s.user = value;
    else if (key == "--password-file")
        s.passwordFile = value;
    else if (key == "--cafile") {
        s.caFile = value;
        s.tls = true;
    } else if (key == "--tls") {
        if (value != "on" && value != "off") {
            error = "--tls is on or off";
            return false;
        }
        s.tls = value == "on" || !s.caFile.empty();
    } else if (key == "--token-file")
        s.tokenFile = value;
    else if (key == "--password" || key == "--token") {
        error = key + " is not taken on the command line, where every local user can read it: use " +
                (key == "--password" ? "--password-file FILE" : "--token-file FILE or KVDPLANT_TOKEN");
        return false;
    } else
        taken = false;
    return true;
}

bool ReadSecrets(SignIn& s, std::string& token, std::string& error) {
    if (s.user.empty() != s.passwordFile.empty()) {
        error = s.user.empty() ? "--password-file needs --user" : "--user needs --password-file";
        return false;
    }
    if (!s.passwordFile.empty() && !FirstLine(s.passwordFile, "password", s.password, error)) return false;
    if (!s.caFile.empty()) {
        std::ifstream ca(s.caFile);
        if (!ca) {
            error = "the CA file " + s.caFile + " cannot be read: " + std::strerror(errno);
            return false;
        }
    }
    token.clear();
    if (!s.tokenFile.empty()) return FirstLine(s.tokenFile, "token", token, error);
    if (const char* t = std::getenv("KVDPLANT_TOKEN")) token = t;
    return true;
}

bool ApplySignIn(mosquitto* m, const SignIn& s, std::string& error) {
    if (!s.user.empty() &&
        mosquitto_username_pw_set(m, s.user.c_str(), s.password.c_str()) != MOSQ_ERR_SUCCESS) {
        error = "the user name or password cannot be used";
        return false;
    }
    if (!s.tls) return true;
    // Without a CA file, the system's trusted CAs; the broker's name is checked against its
    // certificate either way.
    const int r = s.caFile.empty()
                      ? mosquitto_tls_set(m, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr)
                      : mosquitto_tls_set(m, s.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
    if (r != MOSQ_ERR_SUCCESS) {
        error = std::string("TLS cannot be set up: ") + mosquitto_strerror(r);
        return false;
    }
    return true;
}

std::string ConnectProblem(int rc, bool connack, const SignIn& s, const std::string& detail) {
    if (connack) {
        // 5 is what a broker answers a wrong password too, so both name the sign-in.
        if (rc == 4 || rc == 5)
            return "the broker refused the sign-in" +
                   (s.user.empty() ? std::string(" (no --user given)") : " of user " + s.user) + ": " +
                   (rc == 4 ? "bad user name or password" : "not authorised") +
                   " (a wrong user or password, or none given)";
        return std::string("the broker refused the connection: ") + mosquitto_connack_string(rc);
    }
    if (rc == MOSQ_ERR_TLS) {
        const bool untrusted = detail.find("certificate verify failed") != std::string::npos;
        return std::string(untrusted ? "the broker's certificate is not trusted"
                                     : "the TLS connection failed") +
               (s.caFile.empty() ? " (checked against the system's CAs)"
                                 : " (checked against " + s.caFile + ")") +
               (detail.empty() ? "" : ": " + detail);
    }
    if (rc == MOSQ_ERR_CONN_LOST) return "the connection to the broker was lost";
    return std::string("no connection to the broker: ") +
           (rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc));
}

}  // namespace kvdplant
