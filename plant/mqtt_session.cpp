#include "plant/mqtt_session.h"

#include <chrono>
#include <cstring>

int64_t PlantClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int32_t MqttSession::Open(const char* host, uint16_t port, const MqttConnect& connect, int32_t timeoutMs) {
    Close();
    reason = "";
    refusal = 0;
    uint8_t packet[kMqttReadMax];
    const std::size_t n = WriteMqttConnect(connect, packet, sizeof packet);
    if (n == 0) return kMqttBroken;
    if (const int32_t r = sockets_.connect(sockets_, host, port, timeoutMs, &socket_)) return r;
    open_ = true;
    have_ = 0;
    pingSentMs_ = -1;
    keepAliveSeconds_ = connect.keepAliveSeconds;
    MqttPacket ack{};
    int32_t r = Send(packet, n);
    if (r == 0) r = Await(kMqttConnack, 0, timeoutMs, &ack);
    if (r == 0 && ack.returnCode != 0) {
        refusal = ack.returnCode;
        r = kMqttRefused;
    }
    if (r != 0) Close();
    return r;
}

uint16_t MqttSession::NextId() {
    if (++nextId_ == 0) nextId_ = 1;
    return nextId_;
}

int32_t MqttSession::Subscribe(std::string_view topicFilter, int32_t timeoutMs) {
    const uint16_t id = NextId();
    uint8_t packet[kMqttReadMax];
    const std::size_t n = WriteMqttSubscribe(id, topicFilter, 1, packet, sizeof packet);
    if (n == 0) {
        reason = "the topic does not fit a SUBSCRIBE";
        return kMqttBroken;
    }
    if (const int32_t r = Send(packet, n)) return r;
    MqttPacket ack{};
    const int32_t r = Await(kMqttSuback, id, timeoutMs, &ack);
    if (r == 0 && ack.returnCode == 0x80) {
        refusal = ack.returnCode;
        return kMqttRefused;
    }
    return r;
}

int32_t MqttSession::Post(MqttPublish p) {
    if (p.qos > 0) {
        p.packetId = NextId();
        lastPacketId = p.packetId;
    }
    uint8_t packet[kMqttReadMax];
    const std::size_t n = WriteMqttPublish(p, packet, sizeof packet);
    if (n == 0) {
        reason = "the message does not fit a PUBLISH";
        return kMqttBroken;
    }
    return Send(packet, n);
}

int32_t MqttSession::Publish(MqttPublish p, int32_t timeoutMs, bool stoppable) {
    if (const int32_t r = Post(p)) return r;
    return p.qos > 0 ? Await(kMqttPuback, lastPacketId, timeoutMs, nullptr, stoppable) : 0;
}

int32_t MqttSession::Idle(int32_t timeoutMs) {
    if (const int32_t r = KeepAlive()) return r;
    const int32_t r = Await(0, 0, timeoutMs, nullptr);
    return r == kSocketTimedOut ? 0 : r;
}

void MqttSession::Disconnect() {
    if (!open_) return;
    uint8_t packet[2];
    const std::size_t n = WriteMqttDisconnect(packet, sizeof packet);
    static_cast<void>(sockets_.sendAll(socket_, packet, n, 200));  // a goodbye that fails changes nothing
    Close();
}

void MqttSession::Close() {
    if (!open_) return;
    sockets_.close(socket_);
    open_ = false;
    have_ = 0;
}

int32_t MqttSession::Send(const uint8_t* bytes, std::size_t n) {
    const int32_t r = sockets_.sendAll(socket_, bytes, n, kSendTimeoutMs);
    if (r == 0) lastSentMs_ = PlantClockMs();
    return r;
}

int32_t MqttSession::KeepAlive() {
    if (keepAliveSeconds_ == 0) return 0;
    const int64_t now = PlantClockMs();
    const int64_t period = int64_t{keepAliveSeconds_} * 1000;
    // The PINGRESP is awaited half a period: a broker gone silent is given up within one period
    // of its last answer, well inside the 1.5 periods after which the broker gives us up.
    if (pingSentMs_ >= 0 && now - pingSentMs_ > period / 2) return kMqttNoAnswer;
    if (pingSentMs_ < 0 && now - lastSentMs_ >= period / 2) {
        uint8_t packet[2];
        const std::size_t n = WriteMqttPingreq(packet, sizeof packet);
        if (const int32_t r = Send(packet, n)) return r;
        pingSentMs_ = now;
    }
    return 0;
}

// One packet out of the bytes received so far, if they hold a whole one. A message of a
// subscription goes to the handler while its views still point into in_, and one at QoS 1 is
// acknowledged after it was handled (so a broker resends what a lost connection cut short).
int32_t MqttSession::Take(MqttPacket& p, bool* complete) {
    std::size_t used = 0;
    *complete = false;
    const MqttRead r = ReadMqttPacket(in_, have_, p, &used, &reason);
    if (r == MqttRead::kMalformed) return kMqttBroken;
    if (r == MqttRead::kNeedMore) return 0;
    int32_t result = 0;
    if (p.type == kMqttPublish) {
        if (handler_ != nullptr) handler_(context_, p.publish);
        if (p.publish.qos == 1) {
            uint8_t ack[4];
            result = Send(ack, WriteMqttPuback(p.publish.packetId, ack, sizeof ack));
        }
        p.publish = MqttPublish{};  // its views are about to be moved over
    }
    std::memmove(in_, in_ + used, have_ - used);
    have_ -= used;
    *complete = true;
    if (p.type == kMqttPingresp) pingSentMs_ = -1;
    return result;
}

int32_t MqttSession::Await(uint8_t type, uint16_t packetId, int32_t timeoutMs, MqttPacket* got,
                           bool stoppable) {
    const int64_t deadline = PlantClockMs() + timeoutMs;
    bool looked = false;  // even a wait of no time takes what has come (a PINGRESP, a close)
    bool took = false;
    for (;;) {
        MqttPacket p{};
        bool complete = false;
        if (const int32_t r = Take(p, &complete)) return r;
        if (complete) {
            took = true;
            if (type != 0 && p.type == type &&
                ((type != kMqttPuback && type != kMqttSuback) || p.packetId == packetId)) {
                if (got != nullptr) *got = p;
                return 0;
            }
            continue;  // a PINGRESP, a late PUBACK, a message, or one we never asked for
        }
        if (type == 0 && took) return 0;  // what came is taken
        if (stoppable && stop_.load(std::memory_order_relaxed)) return kMqttStopped;
        const int64_t left = deadline - PlantClockMs();
        if (left <= 0 && looked) return type == 0 ? kSocketTimedOut : kMqttNoAnswer;
        looked = true;
        if (have_ == sizeof in_) {  // the reader refuses longer packets first; never read past in_
            reason = "a packet longer than the link reads";
            return kMqttBroken;
        }
        std::size_t n = 0;
        const int32_t slice = left <= 0 ? 0 : left < kSliceMs ? static_cast<int32_t>(left) : kSliceMs;
        const int32_t r = sockets_.receive(socket_, in_ + have_, sizeof in_ - have_, slice, &n);
        if (r != 0 && r != kSocketTimedOut) return r;
        have_ += n;
    }
}
