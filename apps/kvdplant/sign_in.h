// kvdplant's sign-in and secrets: the broker's user and password, TLS against a CA, and the
// board's token. Secrets come from files (or, for the token, the environment), never from the
// command line, where every local user could read them.
#pragma once

#include <mosquitto.h>

#include <string>

namespace kvdplant {

struct SignIn {
    std::string user;          // empty: no sign-in (a closed network's broker only)
    std::string passwordFile;  // its first line is the password
    std::string caFile;        // TLS verified against this CA
    bool tls = false;          // --cafile, or --tls for the system's trusted CAs
    std::string tokenFile;     // the board's token: its first line
    std::string password;      // read from passwordFile
};

// Takes --user, --password-file, --cafile, --tls (value "on"), --token-file; *taken says whether
// the key was one of them. False with a message in error for a secret given on the command line
// (--password, --token) or a malformed value.
bool TakeSignInOption(const std::string& key, const std::string& value, SignIn& s, bool& taken,
                      std::string& error);

// Reads the files the options name (the password, the token; the token from KVDPLANT_TOKEN when
// no file is named) and checks the CA file can be read. False with a clear message.
bool ReadSecrets(SignIn& s, std::string& token, std::string& error);

// Gives the client its user, password and TLS setting. False with a message.
bool ApplySignIn(mosquitto* m, const SignIn& s, std::string& error);

// What a failed connection or a refused CONNACK means, for the log: `rc` a libmosquitto result or
// (connack) a CONNACK return code; `detail` what libmosquitto last logged as an error.
std::string ConnectProblem(int rc, bool connack, const SignIn& s, const std::string& detail);

}  // namespace kvdplant
