// One connection of a publisher to its broker over the socket seam: CONNECT and its CONNACK,
// SUBSCRIBE and its SUBACK, PUBLISH with or without the wait for its PUBACK, the messages of a
// subscription (handed to a handler, a QoS 1 one answered with PUBACK), the keep-alive. Every
// wait is cut into short slices that look at the stop flag, so a stop is noticed within one slice.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "plant/mqtt_codec.h"
#include "plant/socket.h"

// A message of a subscription; its views live only during the call.
using MqttMessageHandler = void (*)(void* context, const MqttPublish& message);

class MqttSession {
public:
    MqttSession(const SocketService& sockets, const std::atomic<bool>& stop)
        : sockets_(sockets), stop_(stop) {}
    MqttSession(const MqttSession&) = delete;
    MqttSession& operator=(const MqttSession&) = delete;
    ~MqttSession() { Close(); }

    // Connects, sends CONNECT and waits for the broker to accept it: 0 or an error.
    int32_t Open(const char* host, uint16_t port, const MqttConnect& connect, int32_t timeoutMs);
    // Where the messages of a subscription go (none: they are taken and dropped).
    void OnMessage(MqttMessageHandler handler, void* context) {
        handler_ = handler;
        context_ = context;
    }
    // Subscribes to one topic filter at QoS 1 and waits up to timeoutMs for its SUBACK: 0,
    // kMqttRefused (refusal 0x80: the broker does not let this client read it) or an error.
    int32_t Subscribe(std::string_view topicFilter, int32_t timeoutMs);
    // Sends one PUBLISH; at QoS 1 waits up to timeoutMs for its PUBACK: 0 or an error. A wait
    // that is not `stoppable` runs its time even when the stop flag is up (the last goodbye).
    int32_t Publish(MqttPublish p, int32_t timeoutMs, bool stoppable = true);
    // Sends one PUBLISH and does not wait: its PUBACK is taken by a later wait. 0 or an error.
    int32_t Post(MqttPublish p);
    // Takes what the broker sent, waiting up to timeoutMs for the first packet, and keeps the
    // connection alive (a PINGREQ when nothing went out for half the keep-alive): 0 (as soon as
    // something came, or at the time's end) or an error.
    int32_t Idle(int32_t timeoutMs);
    // Says goodbye (DISCONNECT) and closes; closing a closed session does nothing.
    void Disconnect();
    void Close();
    bool IsOpen() const { return open_; }

    const char* reason = "";  // kMqttBroken: what was wrong with the broker's packet
    uint8_t refusal = 0;      // kMqttRefused: the CONNACK's return code, or the SUBACK's 0x80
    uint16_t lastPacketId = 0;

private:
    int32_t Send(const uint8_t* bytes, std::size_t n);
    uint16_t NextId();
    // Reads until a packet of `type` (with `packetId` for PUBACK and SUBACK) came, the time ran
    // out or the stop flag rose. type 0 waits for any packet and takes all that came with it.
    int32_t Await(uint8_t type, uint16_t packetId, int32_t timeoutMs, MqttPacket* got, bool stoppable = true);
    int32_t Take(MqttPacket& p, bool* complete);
    int32_t KeepAlive();

    static constexpr int32_t kSliceMs = 50;
    static constexpr int32_t kSendTimeoutMs = 5000;
    SocketService sockets_;
    const std::atomic<bool>& stop_;
    intptr_t socket_ = 0;
    bool open_ = false;
    uint8_t in_[kMqttReadMax];
    std::size_t have_ = 0;
    int64_t lastSentMs_ = 0;
    int64_t pingSentMs_ = -1;  // a PINGREQ waiting for its PINGRESP
    uint16_t keepAliveSeconds_ = 0;
    uint16_t nextId_ = 0;
    MqttMessageHandler handler_ = nullptr;
    void* context_ = nullptr;
};

// A steady clock in milliseconds, for the link's own timing.
int64_t PlantClockMs();
