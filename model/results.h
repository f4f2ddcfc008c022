// One number for every result an operation of the program returns, shown after a message
// (": 30007") or logged. The ranges never overlap, so a number always means one thing:
//   0                 success
//   1 .. 29999        the system's own error code: GetLastError (Winsock's too) in the program,
//                     errno natively; after a file dialog, that dialog's extended error code
//   30001 .. 30008    a file the program reads or writes is not what it should be (below)
//   -1 .. -99         the plant link: its socket, TLS, MQTT session and publisher (below)
#pragma once

#include <cstdint>

#ifndef _WIN32
#include <cerrno>
#endif

constexpr int32_t kResultOk = 0;

// Files.
constexpr int32_t kResultNotParameterSet = 30001;
constexpr int32_t kResultBadLabelledValue = 30002;
constexpr int32_t kResultBadRange = 30003;
constexpr int32_t kResultBadIntegerCell = 30004;
constexpr int32_t kResultBadTenthsCell = 30005;
constexpr int32_t kResultCancelled = 30006;
constexpr int32_t kResultShortTransfer = 30007;
// A parameter-set file holds a value beyond its parameter's range (it would be sent as a word of
// another parameter).
constexpr int32_t kResultValueOutOfRange = 30008;

// A name the program made is too long for the system: the system's own number for it.
#ifdef _WIN32
constexpr int32_t kResultNameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE
#else
constexpr int32_t kResultNameTooLong = ENAMETOOLONG;
#endif

// The plant link's socket.
constexpr int32_t kSocketTimedOut = -1;    // nothing within the time given
constexpr int32_t kSocketPeerClosed = -2;  // the broker closed the connection
constexpr int32_t kSocketNoAddress = -3;   // the host name resolves to no address
// Its MQTT session.
constexpr int32_t kMqttBroken = -10;    // the broker sent a malformed packet (MqttSession::reason)
constexpr int32_t kMqttRefused = -11;   // CONNACK refused the connection (MqttSession::refusal)
constexpr int32_t kMqttStopped = -12;   // the stop flag was raised while waiting
constexpr int32_t kMqttNoAnswer = -13;  // no CONNACK, PUBACK or PINGRESP in time
// Its publisher.
constexpr int32_t kResultPositionFile = -20;  // plant.pos cannot be written
constexpr int32_t kResultNoReceipt = -21;     // cycles in flight and no receipt for too long
// TLS: the connection is refused before a byte of MQTT is sent.
constexpr int32_t kSocketTlsHandshake = -30;   // no TLS session could be agreed with the broker
constexpr int32_t kSocketCertUntrusted = -31;  // the broker's certificate is not from the trusted CA
constexpr int32_t kSocketCertName = -32;       // ... is for another host name
constexpr int32_t kSocketCertExpired = -33;    // ... has expired or is not valid yet
constexpr int32_t kSocketCaFile = -34;         // the CA file cannot be read or holds no certificate
constexpr int32_t kSocketTlsBroken = -35;      // the broker sent what is not a valid TLS record
constexpr int32_t kSocketTlsMissing = -36;     // this build has no TLS (the native one)

namespace results_detail {
// The program's own numbers, each in its range and none twice: a new one that collides does not
// build.
constexpr int32_t kOwn[] = {kResultNotParameterSet, kResultBadLabelledValue,
                            kResultBadRange,        kResultBadIntegerCell,
                            kResultBadTenthsCell,   kResultCancelled,
                            kResultShortTransfer,   kResultValueOutOfRange,
                            kSocketTimedOut,        kSocketPeerClosed,
                            kSocketNoAddress,       kMqttBroken,
                            kMqttRefused,           kMqttStopped,
                            kMqttNoAnswer,          kResultPositionFile,
                            kResultNoReceipt,       kSocketTlsHandshake,
                            kSocketCertUntrusted,   kSocketCertName,
                            kSocketCertExpired,     kSocketCaFile,
                            kSocketTlsBroken,       kSocketTlsMissing};
constexpr bool Distinct() {
    for (int32_t a : kOwn) {
        if (!((a > 30000 && a <= 30999) || (a < 0 && a >= -99))) return false;
        int n = 0;
        for (int32_t b : kOwn) n += a == b;
        if (n != 1) return false;
    }
    return kResultNameTooLong > 0 && kResultNameTooLong < 30000;
}
static_assert(Distinct(), "a result number is outside its range or used twice");
}  // namespace results_detail
