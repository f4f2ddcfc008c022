// The plant link dialog's Test: one connection to the broker with the settings typed, through the
// publisher's own session, then goodbye. It never publishes and never registers a will, and its
// client id is not the link's, so a running link is not pushed off.
#pragma once

#include <atomic>
#include <cstdint>

#include "plant/plant_settings.h"
#include "plant/socket.h"

enum class PlantCheckOutcome : int32_t {
    kConnected,      // the broker accepted the connection
    kRefused,        // CONNACK refused it: `refusal` is the broker's return code
    kNotTrusted,     // the broker's certificate is not trusted
    kNoAnswer,       // nothing came back in time (a host that drops the packets, a silent broker)
    kCannotConnect,  // no connection (refused, no such host, ...): `result` says which
    kStopped,        // the stop flag rose
};

struct PlantCheckResult {
    PlantCheckOutcome outcome;
    uint8_t refusal;  // kRefused: the CONNACK's return code
    int32_t result;   // the session's or the socket's result
};

// Connects within timeoutMs (the CONNACK awaited within the same time) and disconnects. The
// stop flag ends a wait within one of the session's slices.
PlantCheckResult CheckPlantConnection(const PlantSettings& settings, const SocketService& sockets,
                                      int32_t timeoutMs, const std::atomic<bool>& stop);
