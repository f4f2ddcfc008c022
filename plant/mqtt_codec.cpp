#include "plant/mqtt_codec.h"

#include <cstring>

namespace {

// A bounded writer: every put checks the room left, so a packet either fits whole or not at all.
struct Out {
    uint8_t* p;
    std::size_t room;
    bool ok = true;

    void Byte(uint8_t b) {
        if (room == 0) {
            ok = false;
            return;
        }
        *p++ = b;
        --room;
    }
    void Word(uint16_t w) {
        Byte(static_cast<uint8_t>(w >> 8));
        Byte(static_cast<uint8_t>(w & 0xFF));
    }
    void Bytes(std::string_view s) {
        if (s.size() > room) {
            ok = false;
            return;
        }
        std::memcpy(p, s.data(), s.size());
        p += s.size();
        room -= s.size();
    }
    void String(std::string_view s) {
        if (s.size() > 0xFFFF) ok = false;
        Word(static_cast<uint16_t>(s.size()));
        Bytes(s);
    }
    void Length(std::size_t n) {
        do {
            uint8_t digit = static_cast<uint8_t>(n % 128);
            n /= 128;
            if (n > 0) digit |= 0x80;
            Byte(digit);
        } while (n > 0);
    }
};

// The fixed header and the body of `remaining` bytes that `body` then writes.
template <typename Body>
std::size_t Packet(uint8_t first, std::size_t remaining, uint8_t* out, std::size_t capacity, Body body) {
    if (remaining > kMqttRemainingMax) return 0;
    Out o{out, capacity};
    o.Byte(first);
    o.Length(remaining);
    uint8_t* const start = o.p;
    body(o);
    if (!o.ok || static_cast<std::size_t>(o.p - start) != remaining) return 0;
    return static_cast<std::size_t>(o.p - out);
}

uint16_t WordAt(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// Well-formed UTF-8 without U+0000, as the protocol requires of every topic.
bool IsTopicText(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<uint8_t>(s[i]);
        std::size_t n = c < 0x80             ? 0
                        : (c & 0xE0) == 0xC0 ? 1
                        : (c & 0xF0) == 0xE0 ? 2
                        : (c & 0xF8) == 0xF0 ? 3
                                             : 9;
        if (c == 0 || n == 9 || (n == 1 && c < 0xC2) || (n > 0 && i + n >= s.size())) return false;
        uint32_t code = n == 0 ? c : c & (0x3F >> n);
        for (std::size_t k = 1; k <= n; ++k) {
            const auto t = static_cast<uint8_t>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            code = code << 6 | (t & 0x3F);
        }
        if ((n == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (n == 3 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += n + 1;
    }
    return true;
}

MqttRead Refuse(const char** reason, const char* why) {
    *reason = why;
    return MqttRead::kMalformed;
}

MqttRead ReadPublish(uint8_t flags, const uint8_t* body, std::size_t n, MqttPacket& out,
                     const char** reason) {
    MqttPublish& p = out.publish;
    p.qos = static_cast<uint8_t>(flags >> 1 & 3);
    p.retain = (flags & 1) != 0;
    p.dup = (flags & 8) != 0;
    // A publisher subscribes to nothing above QoS 1, so a broker never sends it QoS 2 (or 3, which
    // does not exist).
    if (p.qos > 1) return Refuse(reason, "PUBLISH above QoS 1");
    if (p.qos == 0 && p.dup) return Refuse(reason, "PUBLISH at QoS 0 marked as a resend");
    if (n < 2) return Refuse(reason, "PUBLISH shorter than its topic length");
    const std::size_t topicLength = WordAt(body);
    const std::size_t header = 2 + topicLength + (p.qos > 0 ? 2 : 0);
    if (header > n) return Refuse(reason, "PUBLISH topic or packet id runs past the packet");
    p.topic = std::string_view(reinterpret_cast<const char*>(body + 2), topicLength);
    if (p.topic.empty()) return Refuse(reason, "PUBLISH with an empty topic");
    if (p.topic.find_first_of("+#") != std::string_view::npos)
        return Refuse(reason, "PUBLISH topic holds a wildcard");
    if (!IsTopicText(p.topic)) return Refuse(reason, "PUBLISH topic is not UTF-8 text");
    p.packetId = p.qos > 0 ? WordAt(body + 2 + topicLength) : 0;
    if (p.qos > 0 && p.packetId == 0) return Refuse(reason, "PUBLISH at QoS 1 with packet id 0");
    out.packetId = p.packetId;
    p.payload = std::string_view(reinterpret_cast<const char*>(body + header), n - header);
    return MqttRead::kPacket;
}

MqttRead ReadBody(uint8_t first, const uint8_t* body, std::size_t n, MqttPacket& out, const char** reason) {
    const uint8_t type = first >> 4;
    const uint8_t flags = first & 0x0F;
    out = MqttPacket{};
    out.type = static_cast<MqttType>(type);
    if (type == kMqttPublish) return ReadPublish(flags, body, n, out, reason);
    if (flags != 0) return Refuse(reason, "reserved flags of the packet type are set");
    switch (type) {
        case kMqttConnack:
            if (n != 2) return Refuse(reason, "CONNACK is not 2 bytes long");
            if ((body[0] & 0xFE) != 0) return Refuse(reason, "CONNACK reserved flags are set");
            if (body[1] > 5) return Refuse(reason, "CONNACK return code is not 0..5");
            if (body[1] != 0 && body[0] != 0) return Refuse(reason, "refusing CONNACK claims a session");
            out.sessionPresent = body[0] != 0;
            out.returnCode = body[1];
            return MqttRead::kPacket;
        case kMqttPuback:
            if (n != 2) return Refuse(reason, "PUBACK is not 2 bytes long");
            out.packetId = WordAt(body);
            if (out.packetId == 0) return Refuse(reason, "PUBACK for packet id 0");
            return MqttRead::kPacket;
        case kMqttSuback:
            // One return code: the publisher subscribes to one topic at a time.
            if (n != 3) return Refuse(reason, "SUBACK is not 3 bytes long");
            out.packetId = WordAt(body);
            if (out.packetId == 0) return Refuse(reason, "SUBACK for packet id 0");
            if (body[2] > 2 && body[2] != 0x80)
                return Refuse(reason, "SUBACK return code is not 0..2 or 0x80");
            out.returnCode = body[2];
            return MqttRead::kPacket;
        case kMqttPingresp:
            if (n != 0) return Refuse(reason, "PINGRESP carries a body");
            return MqttRead::kPacket;
        default:
            return Refuse(reason, "a packet type a broker never sends a publisher");
    }
}

}  // namespace

std::size_t WriteMqttConnect(const MqttConnect& c, uint8_t* out, std::size_t capacity) {
    const MqttWill* w = c.will;
    if (w != nullptr && w->qos > 1) return 0;
    const bool user = !c.user.empty();
    const bool password = !c.password.empty();
    if (password && !user) return 0;
    if (user && !IsTopicText(c.user)) return 0;
    std::size_t remaining = 10 + 2 + c.clientId.size();
    if (w != nullptr) remaining += 4 + w->topic.size() + w->message.size();
    if (user) remaining += 2 + c.user.size();
    if (password) remaining += 2 + c.password.size();
    uint8_t flags = c.cleanSession ? 0x02 : 0x00;
    if (w != nullptr) flags |= static_cast<uint8_t>(0x04 | w->qos << 3 | (w->retain ? 0x20 : 0));
    if (user) flags |= 0x80;
    if (password) flags |= 0x40;
    return Packet(kMqttConnect << 4, remaining, out, capacity, [&](Out& o) {
        o.String("MQTT");
        o.Byte(4);  // protocol level of 3.1.1
        o.Byte(flags);
        o.Word(c.keepAliveSeconds);
        o.String(c.clientId);
        if (w != nullptr) {
            o.String(w->topic);
            o.String(w->message);
        }
        if (user) o.String(c.user);
        if (password) o.String(c.password);
    });
}

std::size_t WriteMqttPublish(const MqttPublish& p, uint8_t* out, std::size_t capacity) {
    if (p.qos > 1 || (p.qos == 1 && p.packetId == 0) || (p.qos == 0 && p.dup)) return 0;
    const std::size_t remaining = 2 + p.topic.size() + (p.qos > 0 ? 2 : 0) + p.payload.size();
    const auto first =
        static_cast<uint8_t>(kMqttPublish << 4 | (p.dup ? 8 : 0) | p.qos << 1 | (p.retain ? 1 : 0));
    return Packet(first, remaining, out, capacity, [&](Out& o) {
        o.String(p.topic);
        if (p.qos > 0) o.Word(p.packetId);
        o.Bytes(p.payload);
    });
}

std::size_t WriteMqttPuback(uint16_t packetId, uint8_t* out, std::size_t capacity) {
    return Packet(kMqttPuback << 4, 2, out, capacity, [&](Out& o) { o.Word(packetId); });
}

std::size_t WriteMqttSubscribe(uint16_t packetId, std::string_view topicFilter, uint8_t qos, uint8_t* out,
                               std::size_t capacity) {
    if (packetId == 0 || qos > 1 || topicFilter.empty()) return 0;
    return Packet(kMqttSubscribe << 4 | 2, 2 + 2 + topicFilter.size() + 1, out, capacity, [&](Out& o) {
        o.Word(packetId);
        o.String(topicFilter);
        o.Byte(qos);
    });
}

std::size_t WriteMqttPingreq(uint8_t* out, std::size_t capacity) {
    return Packet(kMqttPingreq << 4, 0, out, capacity, [](Out&) {});
}

std::size_t WriteMqttDisconnect(uint8_t* out, std::size_t capacity) {
    return Packet(kMqttDisconnect << 4, 0, out, capacity, [](Out&) {});
}

MqttRead ReadMqttPacket(const uint8_t* bytes, std::size_t size, MqttPacket& out, std::size_t* used,
                        const char** reason) {
    *used = 0;
    std::size_t remaining = 0;
    std::size_t at = 1;
    for (int shift = 0;; shift += 7, ++at) {
        if (at > 4) return Refuse(reason, "remaining length longer than four bytes");
        if (at >= size) return MqttRead::kNeedMore;
        remaining |= static_cast<std::size_t>(bytes[at] & 0x7F) << shift;
        if ((bytes[at] & 0x80) == 0) break;
    }
    if (at > 1 && bytes[at] == 0) return Refuse(reason, "remaining length not in its shortest form");
    const std::size_t total = at + 1 + remaining;
    if (total > kMqttReadMax) return Refuse(reason, "packet longer than a publisher accepts");
    if (size < total) return MqttRead::kNeedMore;
    const MqttRead r = ReadBody(bytes[0], bytes + at + 1, remaining, out, reason);
    if (r == MqttRead::kPacket) *used = total;
    return r;
}

const char* MqttRefusalText(uint8_t returnCode) {
    static constexpr const char* kText[] = {
        "accepted",
        "the broker refused the protocol version",
        "the broker refused the client id",
        "the broker is unavailable",
        "the broker refused the user name or password",
        "the broker refused the sign-in: not authorised (user or password wrong or missing)"};
    return returnCode <= 5 ? kText[returnCode] : "the broker refused the connection";
}
