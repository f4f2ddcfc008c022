#include "plant/connection_check.h"

#include <cstdio>

#include "plant/mqtt_session.h"

PlantCheckResult CheckPlantConnection(const PlantSettings& settings, const SocketService& sockets,
                                      int32_t timeoutMs, const std::atomic<bool>& stop) {
    char clientId[kPlantNameMax + 16];
    std::snprintf(clientId, sizeof clientId, "zavize-%s-test", settings.machine);
    const uint16_t keepAlive =
        settings.keepAliveSeconds != 0 ? settings.keepAliveSeconds : kPlantDefaultKeepAlive;
    MqttSession session(sockets, stop);
    // The sign-in as the link's: the password goes only with a user name.
    const char* password = settings.user[0] != '\0' ? settings.password : "";
    const MqttConnect connect{clientId, keepAlive, true, nullptr, settings.user, password};
    const int32_t r = session.Open(settings.host, settings.port, connect, timeoutMs);
    PlantCheckResult out{PlantCheckOutcome::kCannotConnect, 0, r};
    switch (r) {
        case 0:
            session.Disconnect();
            out.outcome = PlantCheckOutcome::kConnected;
            break;
        case kMqttRefused:
            out.outcome = PlantCheckOutcome::kRefused;
            out.refusal = session.refusal;
            break;
        case kMqttStopped:
            out.outcome = PlantCheckOutcome::kStopped;
            break;
        case kMqttNoAnswer:
        case kSocketTimedOut:
            out.outcome = PlantCheckOutcome::kNoAnswer;
            break;
        case kSocketCertUntrusted:
        case kSocketCertName:
        case kSocketCertExpired:
            out.outcome = PlantCheckOutcome::kNotTrusted;  // the TLS stack refused the broker's certificate
            break;
        default:
            break;
    }
    return out;
}
