// Random bytes as all a broker ever sends one connection, read by the session itself: Open, then
// a SUBSCRIBE awaiting its SUBACK, PUBLISHes awaiting their PUBACK or posted without a wait, and
// idle looks, over a socket that hands the bytes out in pieces of the sizes the first byte picks,
// with empty waits between. The session must never crash, read past its buffer or hang; every
// result is one it documents, a broken packet has a reason, a refusal a CONNACK or SUBACK code,
// the bytes run out only as a closed connection; a message it hands on lies within what was read,
// and one at QoS 1 is answered by the PUBACK of its id, next.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "plant/mqtt_session.h"

namespace {

struct Feed {
    const uint8_t* data;
    std::size_t size, at;
    uint8_t pattern;
    unsigned calls;
};
Feed gFeed{};
uint16_t gAckDue = 0;  // a QoS 1 message was handed on: the next packet sent is its PUBACK

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "session: %s\n", what);
    std::abort();
}

const SocketService kFed{
    [](const SocketService&, const char*, uint16_t, int32_t, intptr_t* socket) -> int32_t {
        *socket = 7;
        return 0;
    },
    [](intptr_t, const uint8_t* bytes, std::size_t n, int32_t) -> int32_t {
        if (gAckDue != 0 && (n != 4 || bytes[0] != 0x40 || bytes[1] != 2 || bytes[2] != gAckDue >> 8 ||
                             bytes[3] != (gAckDue & 0xFF)))
            Fail("a QoS 1 message not answered by its PUBACK");
        gAckDue = 0;
        return 0;
    },
    [](intptr_t socket, uint8_t* buffer, std::size_t capacity, int32_t, std::size_t* got) -> int32_t {
        if (socket != 7) Fail("a read of a socket it did not open");
        *got = 0;
        const unsigned call = gFeed.calls++;
        // Nothing came this time: at most every other read, so the bytes always run out.
        if (call % 2 == 1 && ((gFeed.pattern >> (call / 2 % 8)) & 1)) return kSocketTimedOut;
        if (gFeed.at == gFeed.size) return kSocketPeerClosed;
        std::size_t n = 1 + (gFeed.pattern * (call + 1)) % 97;
        n = std::min({n, capacity, gFeed.size - gFeed.at});
        if (n == 0) Fail("a read with no room");
        std::copy(gFeed.data + gFeed.at, gFeed.data + gFeed.at + n, buffer);
        gFeed.at += n;
        *got = n;
        return 0;
    },
    [](intptr_t) {},
};

void Check(const MqttSession& s, int32_t r) {
    switch (r) {
        case 0:
        case kMqttNoAnswer:
        case kSocketPeerClosed:
            return;
        case kMqttBroken:
            if (s.reason == nullptr || s.reason[0] == '\0') Fail("a broken packet without a reason");
            return;
        case kMqttRefused:
            if ((s.refusal < 1 || s.refusal > 5) && s.refusal != 0x80)
                Fail("a refusal without a CONNACK or SUBACK code");
            return;
        default:
            Fail("a result the session does not document");
    }
}

void OnMessage(void*, const MqttPublish& m) {
    if (m.topic.empty() || m.qos > 1 || (m.qos == 1) != (m.packetId != 0))
        Fail("a message handed on that the reader should have refused");
    if (m.topic.size() + m.payload.size() > kMqttReadMax) Fail("a message longer than the session reads");
    if (gAckDue != 0) Fail("a message handed on before the last one's PUBACK");
    gAckDue = m.packetId;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    gFeed = {data + 1, size - 1, 0, data[0], 0};
    gAckDue = 0;
    std::atomic<bool> stop{false};
    MqttSession s(kFed, stop);
    s.OnMessage(OnMessage, nullptr);
    const MqttConnect connect{"zavize-fuzz", 0, true, nullptr};  // no keep-alive: no clock in play
    int32_t r = s.Open("broker", 1883, connect, 0);
    Check(s, r);
    // Every step reads at most once, so the bytes run out within a bounded number of steps.
    for (std::size_t step = 0; r != kMqttBroken && r != kSocketPeerClosed && step < 2 * size + 16; ++step) {
        if (!s.IsOpen()) {
            r = s.Open("broker", 1883, connect, 0);
            if (r == 0) r = s.Subscribe("kvd/fuzz/receipt", 0);
        } else if (step % 4 == 0) {
            r = s.Publish({"kvd/fuzz/cycle", "{}", 1, false, false, 0}, 0);
        } else if (step % 4 == 2) {
            r = s.Post({"kvd/fuzz/cycle", "{}", 1, false, false, 0});
        } else {
            r = s.Idle(0);
        }
        Check(s, r);
        if (r == kMqttNoAnswer && s.IsOpen() && step % 3 == 0) s.Close();
    }
    if (r != kMqttBroken && r != kSocketPeerClosed) Fail("the bytes did not run out");
    return 0;
}
