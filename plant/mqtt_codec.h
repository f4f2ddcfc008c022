// The MQTT 3.1.1 packets the plant link needs, written into and read from plain byte buffers.
// The writer makes what a publishing client sends (CONNECT with a will, PUBLISH at QoS 0 or 1,
// PUBACK, SUBSCRIBE to one topic, PINGREQ, DISCONNECT); the reader takes the bytes a broker sends
// and accepts only what a broker may send a publisher that subscribes to its receipts (CONNACK,
// PUBLISH, PUBACK, SUBACK, PINGRESP), every field checked, so a malformed or hostile stream is
// refused with a reason instead of being half understood.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

enum MqttType : uint8_t {
    kMqttConnect = 1,
    kMqttConnack = 2,
    kMqttPublish = 3,
    kMqttPuback = 4,
    kMqttSubscribe = 8,
    kMqttSuback = 9,
    kMqttPingreq = 12,
    kMqttPingresp = 13,
    kMqttDisconnect = 14,
};

// Longest packet the reader takes from a broker: a publisher is only ever sent short answers,
// and a PUBLISH of up to a cycle message's size.
constexpr std::size_t kMqttReadMax = 4096;
// The longest remaining length the protocol can express (four length bytes).
constexpr std::size_t kMqttRemainingMax = 268435455;

struct MqttWill {
    std::string_view topic;
    std::string_view message;
    bool retain;
    uint8_t qos;  // 0 or 1
};

struct MqttConnect {
    std::string_view clientId;
    uint16_t keepAliveSeconds;
    bool cleanSession;
    const MqttWill* will;  // none when null
    // The sign-in: empty signs in without a user name. A password goes only with a user name
    // (3.1.1 allows no password alone); the user name must be UTF-8 text.
    std::string_view user{};
    std::string_view password{};
};

struct MqttPublish {
    std::string_view topic;
    std::string_view payload;
    uint8_t qos;  // 0 or 1
    bool retain;
    bool dup;           // a resend of a QoS 1 message
    uint16_t packetId;  // QoS 1 only, never 0
};

// Each writes one whole packet into out and returns its length, or 0 when it does not fit in
// `capacity` or a field is out of the protocol's range (a string longer than 65535 bytes, a QoS
// above 1, a QoS 1 message without a packet id, a password without a user name, a user name that
// is not UTF-8 text).
std::size_t WriteMqttConnect(const MqttConnect& c, uint8_t* out, std::size_t capacity);
std::size_t WriteMqttPublish(const MqttPublish& p, uint8_t* out, std::size_t capacity);
std::size_t WriteMqttPuback(uint16_t packetId, uint8_t* out, std::size_t capacity);
// SUBSCRIBE to one topic filter at `qos` (0 or 1) under packetId (never 0).
std::size_t WriteMqttSubscribe(uint16_t packetId, std::string_view topicFilter, uint8_t qos, uint8_t* out,
                               std::size_t capacity);
std::size_t WriteMqttPingreq(uint8_t* out, std::size_t capacity);
std::size_t WriteMqttDisconnect(uint8_t* out, std::size_t capacity);

// One packet read from a broker. Views point into the bytes handed to ReadMqttPacket.
struct MqttPacket {
    MqttType type;
    bool sessionPresent;  // CONNACK
    uint8_t returnCode;   // CONNACK: 0 accepted, 1..5 refused; SUBACK: 0 or 1 granted, 0x80 refused
    uint16_t packetId;    // PUBACK, SUBACK, PUBLISH at QoS 1
    MqttPublish publish;  // PUBLISH
};

enum class MqttRead {
    kPacket,     // *used bytes made one packet
    kNeedMore,   // the bytes so far start a packet that is not complete yet
    kMalformed,  // the stream is broken; *reason says how (the connection must be dropped)
};

// Reads the first packet of `size` bytes. Packets longer than kMqttReadMax are refused as soon as
// their length is known, so a reader never buffers more than that.
MqttRead ReadMqttPacket(const uint8_t* bytes, std::size_t size, MqttPacket& out, std::size_t* used,
                        const char** reason);

// The text of a CONNACK refusal (1..5), for the link's last error.
const char* MqttRefusalText(uint8_t returnCode);
