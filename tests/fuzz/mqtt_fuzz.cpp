// Random bytes as a broker's stream into the packet reader. It must never crash, read past the
// bytes or hang; it must take whole packets only (never more than it was given, never more than a
// publisher accepts), name a reason for every refusal, and a PUBLISH it takes must be written
// back byte for byte as it came (so nothing it accepts is half understood).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plant/mqtt_codec.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "packet reader: %s\n", what);
    std::abort();
}

void CheckPublish(const MqttPacket& p, const uint8_t* bytes, std::size_t used) {
    static uint8_t again[kMqttReadMax];
    const std::size_t n = WriteMqttPublish(p.publish, again, sizeof again);
    if (n != used || std::memcmp(again, bytes, used) != 0)
        Fail("a PUBLISH taken is not written back as it came");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::size_t at = 0;
    while (at < size) {
        MqttPacket p{};
        std::size_t used = 0;
        const char* reason = nullptr;
        const MqttRead r = ReadMqttPacket(data + at, size - at, p, &used, &reason);
        if (r == MqttRead::kMalformed) {
            if (reason == nullptr || reason[0] == '\0') Fail("a refusal without a reason");
            return 0;
        }
        if (r == MqttRead::kNeedMore) {
            if (used != 0) Fail("bytes used of an unfinished packet");
            return 0;
        }
        if (used == 0 || used > size - at || used > kMqttReadMax) Fail("a packet of an impossible length");
        if (p.type == kMqttPublish) CheckPublish(p, data + at, used);
        at += used;
    }
    return 0;
}
