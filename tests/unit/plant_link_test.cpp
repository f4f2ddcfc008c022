// The plant link's portable parts: the packet reader's refusals, the receipt's reader, the
// settings' checks, and the journal as outbox across a restart and a day boundary.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "journal/journal_line.h"
#include "journal/journal_writer.h"
#include "plant/mqtt_codec.h"
#include "plant/outbox.h"
#include "plant/plant_receipt.h"
#include "plant/plant_settings.h"
#include "journal_records.h"
#include "temp_dir.h"

namespace {

struct Bytes {
    const char* what;
    std::vector<uint8_t> bytes;
    MqttRead expected;
};

TEST(MqttReader, TakesWhatABrokerSendsAndRefusesTheRest) {
    const std::vector<Bytes> cases = {
        {"CONNACK accepted", {0x20, 2, 0, 0}, MqttRead::kPacket},
        {"CONNACK bad user name or password", {0x20, 2, 0, 4}, MqttRead::kPacket},
        {"CONNACK not authorised", {0x20, 2, 0, 5}, MqttRead::kPacket},
        {"PUBACK 7", {0x40, 2, 0, 7}, MqttRead::kPacket},
        {"PINGRESP", {0xD0, 0}, MqttRead::kPacket},
        {"PUBLISH QoS 1", {0x32, 6, 0, 1, 'a', 0, 9, 'x'}, MqttRead::kPacket},
        {"half a PUBACK", {0x40, 2, 0}, MqttRead::kNeedMore},
        {"length cut after a continuation", {0x30, 0x80}, MqttRead::kNeedMore},
        {"CONNACK with flags", {0x21, 2, 0, 0}, MqttRead::kMalformed},
        {"CONNACK of 3 bytes", {0x20, 3, 0, 0, 0}, MqttRead::kMalformed},
        {"CONNACK code 6", {0x20, 2, 0, 6}, MqttRead::kMalformed},
        {"PUBACK for id 0", {0x40, 2, 0, 0}, MqttRead::kMalformed},
        {"PINGRESP with a body", {0xD0, 1, 0}, MqttRead::kMalformed},
        {"PUBLISH QoS 3", {0x36, 3, 0, 1, 'a'}, MqttRead::kMalformed},
        {"PUBLISH QoS 2", {0x34, 5, 0, 1, 'a', 0, 1}, MqttRead::kMalformed},
        {"PUBLISH topic past the end", {0x30, 3, 0, 5, 'a'}, MqttRead::kMalformed},
        {"PUBLISH wildcard topic", {0x30, 3, 0, 1, '#'}, MqttRead::kMalformed},
        {"PUBLISH topic not UTF-8", {0x30, 4, 0, 2, 0xC0, 0x80}, MqttRead::kMalformed},
        {"PUBLISH QoS 1 id 0", {0x32, 5, 0, 1, 'a', 0, 0}, MqttRead::kMalformed},
        {"SUBSCRIBE from a broker", {0x82, 0}, MqttRead::kMalformed},
        {"SUBACK granted QoS 1", {0x90, 3, 0, 5, 1}, MqttRead::kPacket},
        {"SUBACK refused", {0x90, 3, 0, 5, 0x80}, MqttRead::kPacket},
        {"SUBACK code 3", {0x90, 3, 0, 5, 3}, MqttRead::kMalformed},
        {"SUBACK for id 0", {0x90, 3, 0, 0, 1}, MqttRead::kMalformed},
        {"SUBACK of two codes", {0x90, 4, 0, 5, 1, 1}, MqttRead::kMalformed},
        {"SUBACK with flags", {0x92, 3, 0, 5, 1}, MqttRead::kMalformed},
        {"five length bytes", {0x30, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}, MqttRead::kMalformed},
        {"overlong length form", {0xD0, 0x80, 0x00}, MqttRead::kMalformed},
        {"longer than a publisher takes", {0x30, 0x81, 0x20}, MqttRead::kMalformed},
    };
    for (const Bytes& c : cases) {
        MqttPacket p{};
        std::size_t used = 99;
        const char* reason = "";
        EXPECT_EQ(ReadMqttPacket(c.bytes.data(), c.bytes.size(), p, &used, &reason), c.expected) << c.what;
        EXPECT_EQ(used, c.expected == MqttRead::kPacket ? c.bytes.size() : 0u) << c.what;
        if (c.expected == MqttRead::kMalformed) {
            EXPECT_STRNE(reason, "") << c.what;
        }
    }
    // What the accepted ones said.
    MqttPacket p{};
    std::size_t used = 0;
    const char* reason = "";
    const uint8_t publish[] = {0x33, 6, 0, 1, 'a', 0, 9, 'x'};
    ASSERT_EQ(ReadMqttPacket(publish, sizeof publish, p, &used, &reason), MqttRead::kPacket);
    EXPECT_EQ(p.publish.topic, "a");
    EXPECT_EQ(p.publish.payload, "x");
    EXPECT_EQ(p.packetId, 9);
    EXPECT_TRUE(p.publish.retain);
}

TEST(MqttWriter, RefusesWhatTheProtocolCannotCarry) {
    uint8_t out[64];
    const MqttPublish qos1NoId{"a", "x", 1, false, false, 0};
    const MqttPublish qos2{"a", "x", 2, false, false, 1};
    const MqttPublish tooBig{"a", std::string_view("0123456789", 10), 0, false, false, 0};
    EXPECT_EQ(WriteMqttPublish(qos1NoId, out, sizeof out), 0u);
    EXPECT_EQ(WriteMqttPublish(qos2, out, sizeof out), 0u);
    // Type and length, the topic with its length, the payload: 15 bytes, never a part of them.
    EXPECT_EQ(WriteMqttPublish(tooBig, out, 14), 0u);
    ASSERT_EQ(WriteMqttPublish(tooBig, out, 15), 15u);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 5), (std::vector<uint8_t>{0x30, 13, 0, 1, 'a'}));
    // SUBSCRIBE: its flags 2, the id, the filter and its QoS; never id 0 or QoS 2.
    ASSERT_EQ(WriteMqttSubscribe(5, "a", 1, out, sizeof out), 8u);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{0x82, 6, 0, 5, 0, 1, 'a', 1}));
    EXPECT_EQ(WriteMqttSubscribe(0, "a", 1, out, sizeof out), 0u);
    EXPECT_EQ(WriteMqttSubscribe(5, "a", 2, out, sizeof out), 0u);
    EXPECT_EQ(WriteMqttSubscribe(5, "a", 1, out, 7), 0u);
}

TEST(PlantReceipt, ReadsWhatKvdplantWritesAndNothingElse) {
    char text[kReceiptMessageMax];
    const std::size_t n = FormatReceiptMessage("3f9c0a61d2b84e07", 1796724000007ULL, text, sizeof text);
    EXPECT_EQ(std::string_view(text, n), R"({"outbox":"3f9c0a61d2b84e07","seq":1796724000007})");
    const struct {
        const char* text;
        bool ok;
        const char* outbox;
        uint64_t seq;
    } cases[] = {
        {R"({"outbox":"3f9c0a61d2b84e07","seq":1796724000007})", true, "3f9c0a61d2b84e07", 1796724000007ULL},
        {R"({"outbox":"a","seq":0,"later":[1,2]})", true, "a", 0},       // a later version's members
        {R"({"outbox":"18446744073709551615","seq":1})", false, "", 0},  // 20 digits
        {R"({"outbox":"3F9C","seq":1})", false, "", 0},                  // upper case
        {R"({"outbox":"","seq":1})", false, "", 0},
        {R"({"outbox":"ab","seq":18446744073709551616})", false, "", 0},  // beyond 64 bits
        {R"({"outbox":"ab","seq":-1})", false, "", 0},
        {R"({"outbox":"ab","seq":1)", false, "", 0},
        {R"({"seq":1,"outbox":"ab"})", false, "", 0},
        {"", false, "", 0},
    };
    for (const auto& c : cases) {
        char outbox[17] = "unchanged";
        uint64_t seq = 99;
        EXPECT_EQ(ParseReceiptMessage(c.text, outbox, &seq), c.ok) << c.text;
        if (c.ok) {
            EXPECT_STREQ(outbox, c.outbox) << c.text;
            EXPECT_EQ(seq, c.seq) << c.text;
        }
    }
}

// CONNECT as sent, byte for byte: the flags say which fields follow, and they follow in the
// protocol's order (client id, will, user name, password); what 3.1.1 cannot carry makes nothing.
TEST(MqttWriter, ConnectCarriesTheSignIn) {
    const MqttWill will{"k/m/state", "off", true, 1};
    const std::string longUser(65536, 'u');
    struct Case {
        const char* what;
        MqttConnect connect;
        std::vector<uint8_t> expected;  // empty: refused
    };
    const std::vector<uint8_t> head = {'M', 'Q', 'T', 'T', 4};
    const auto packet = [&](uint8_t flags, std::vector<uint8_t> payload) {
        std::vector<uint8_t> v = {0x10, static_cast<uint8_t>(5 + 2 + 1 + 2 + payload.size()), 0, 4};
        v.insert(v.end(), head.begin(), head.end());
        v.insert(v.end(), {flags, 0, 30});
        v.insert(v.end(), payload.begin(), payload.end());
        return v;
    };
    const std::vector<Case> cases = {
        {"anonymous", {"c", 30, true, nullptr}, packet(0x02, {0, 1, 'c'})},
        {"user only", {"c", 30, true, nullptr, "m1"}, packet(0x82, {0, 1, 'c', 0, 2, 'm', '1'})},
        {"user and password after the will",
         {"c", 30, true, &will, "m1", "pw"},
         packet(0xEE, {0, 1, 'c', 0,   9,   'k', '/', 'm', '/', 's', 't', 'a', 't', 'e',
                       0, 3, 'o', 'f', 'f', 0,   2,   'm', '1', 0,   2,   'p', 'w'})},
        {"password without a user", {"c", 30, true, nullptr, "", "pw"}, {}},
        {"user not UTF-8", {"c", 30, true, nullptr, std::string_view("\xC0\x80", 2), "pw"}, {}},
        {"user with U+0000", {"c", 30, true, nullptr, std::string_view("a\0", 2)}, {}},
        {"user above 65535 bytes", {"c", 30, true, nullptr, longUser}, {}},
    };
    std::vector<uint8_t> out(70000);
    for (const Case& c : cases) {
        const std::size_t n = WriteMqttConnect(c.connect, out.data(), out.size());
        EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n)), c.expected)
            << c.what;
    }
}

struct SettingsCase {
    PlantSettingsText text;
    bool ok;
    bool enabled;
    const char* machine;
    const char* inMessage;  // a part of the message, for a refusal
};

TEST(PlantSettings, DefaultsChecksAndMessages) {
    const std::vector<SettingsCase> cases = {
        {{nullptr, nullptr, nullptr, nullptr, nullptr}, true, false, "WS-07", ""},
        {{"yes", "broker.plant", "1884", "lathe-3", "hall2/kvd"}, true, true, "lathe-3", ""},
        {{"1", nullptr, nullptr, nullptr, nullptr}, false, false, "WS-07", "host \"\" is missing"},
        {{"maybe", "h", nullptr, nullptr, nullptr}, false, false, "WS-07", "enabled \"maybe\""},
        {{"1", "h", "70000", nullptr, nullptr},
         false,
         false,
         "WS-07",
         "port \"70000\" is not a number from 1"},
        {{"1", "h", "+5", nullptr, nullptr}, false, false, "WS-07", "port \"+5\""},
        {{"1", "h", nullptr, "a/b", nullptr}, false, false, "WS-07", "machine \"a/b\""},
        {{"1", "h", nullptr, "..", nullptr}, false, false, "WS-07", "machine \"..\""},
        {{"1", "h", nullptr, nullptr, "kvd//x"}, false, false, "WS-07", "prefix \"kvd//x\""},
        {{"1", "h", nullptr, nullptr, "kvd/#"}, false, false, "WS-07", "prefix \"kvd/#\""},
        {{"1", "h w", nullptr, nullptr, nullptr}, false, false, "WS-07", "host \"h w\""},
        // enabled, host, port, machine, prefix, keepalive, user, password, tls, cafile
        {{"1", "h", nullptr, nullptr, nullptr, nullptr, "mill-1", "s3cret", "1", "C:\\ca.pem"},
         true,
         true,
         "WS-07",
         ""},
        {{"1", "h", nullptr, nullptr, nullptr, nullptr, "mill 1"}, false, false, "WS-07", "user \"mill 1\""},
        {{"1", "h", nullptr, nullptr, nullptr, nullptr, nullptr, "s3cret"},
         false,
         false,
         "WS-07",
         "without a user"},
        {{"1", "h", nullptr, nullptr, nullptr, nullptr, "u", "bad word"},
         false,
         false,
         "WS-07",
         "password \"...\""},
        {{"1", "h", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "perhaps"},
         false,
         false,
         "WS-07",
         "tls \"perhaps\""},
        {{"1", "h", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "ca.pem"},
         false,
         false,
         "WS-07",
         "without tls=1"},
    };
    for (const SettingsCase& c : cases) {
        PlantSettings s{};
        char message[kPlantMessageMax];
        EXPECT_EQ(ParsePlantSettings(c.text, "WS 07", s, message, sizeof message), c.ok) << message;
        EXPECT_EQ(s.enabled, c.enabled) << message;
        if (c.ok) {
            EXPECT_STREQ(s.machine, c.machine);
            EXPECT_STREQ(message, "");
        } else {
            EXPECT_NE(std::string(message).find(c.inMessage), std::string::npos) << message;
            EXPECT_NE(std::string(message).find("the plant link stays off"), std::string::npos) << message;
        }
    }
    PlantSettings s{};
    char message[kPlantMessageMax];
    ASSERT_TRUE(
        ParsePlantSettings({"on", "10.0.0.5", nullptr, nullptr, nullptr}, ".x", s, message, sizeof message));
    EXPECT_EQ(s.port, kPlantDefaultPort);
    EXPECT_FALSE(s.tls);
    EXPECT_STREQ(s.prefix, "kvd");
    EXPECT_STREQ(s.machine, "-x");  // a computer name never makes a hidden folder at the collector
    PlantSettingsText tls{"1", "h"};
    tls.tls = "yes";
    ASSERT_TRUE(ParsePlantSettings(tls, "pc", s, message, sizeof message));
    EXPECT_EQ(s.port, kPlantDefaultTlsPort);
}

// 2026-12-08T10:00:00Z, and a cycle every 5 s from then.
constexpr int64_t kMorningMs = 1796724000000LL;

JournalRecord Cycle(int i, int64_t startMs) {
    JournalRecord r{};
    r.time = {startMs + int64_t{i} * 5000, 0};
    r.cut = i % 3;
    r.peak = static_cast<uint8_t>(40 + i % 20);
    return r;
}

// Everything the outbox hands out from `at` on, following each line's next position.
std::vector<int64_t> Drain(const char* folder, OutboxPosition& at, std::vector<uint64_t>* sequences) {
    std::vector<int64_t> times;
    OutboxLine line{};
    int32_t error = 0;
    while (NextOutboxLine(folder, at, line, &error) == OutboxRead::kLine) {
        times.push_back(line.record.time.unixMs);
        sequences->push_back(line.next.sequence);
        at = line.next;
    }
    return times;
}

TEST(PlantOutbox, ARestartMidDayAndADayBoundaryLoseNothingAndRepeatNothing) {
    TempWorkDir dir;
    const JournalFiles files = SystemJournalFiles();
    JournalWriter& writer = FreshJournalWriter();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(WriteJournalRecord(writer, files, "Default.$$$", Cycle(i, kMorningMs)), 0);

    // The link is switched on: it starts at the journal's end, numbered from the clock.
    OutboxPosition at = FreshOutboxPosition("journal", kMorningMs + 60000);
    EXPECT_EQ(at.sequence, static_cast<uint64_t>(kMorningMs + 60000));
    ASSERT_EQ(SaveOutboxPosition("journal", at), 0);
    std::vector<uint64_t> seq;
    EXPECT_TRUE(Drain("journal", at, &seq).empty());

    // Three cycles, of which two reach the broker before the monitor closes.
    for (int i = 5; i < 8; ++i)
        ASSERT_EQ(WriteJournalRecord(writer, files, "Default.$$$", Cycle(i, kMorningMs)), 0);
    OutboxLine line{};
    int32_t error = 0;
    for (int i = 5; i < 7; ++i) {
        ASSERT_EQ(NextOutboxLine("journal", at, line, &error), OutboxRead::kLine);
        EXPECT_EQ(line.record.time.unixMs, Cycle(i, kMorningMs).time.unixMs);
        at = line.next;
        ASSERT_EQ(SaveOutboxPosition("journal", at), 0);
    }
    // Before the next start: a line cut short by a kill, then the night and the next day.
    ASSERT_EQ(WriteJournalRecord(writer, files, "Default.$$$", Cycle(8, kMorningMs)), 0);
    {
        std::ofstream cut("journal/2026-12-08.csv", std::ios::app | std::ios::binary);
        cut << "2026-12-08T10:00:45.000+00:00,1,4";
    }
    const int64_t nextDay = kMorningMs + 86400000LL;
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(WriteJournalRecord(writer, files, "Default.$$$", Cycle(i, nextDay)), 0);
    EXPECT_EQ(CountWaitingCycles("journal", at, 100), 5u);

    OutboxPosition restarted{};
    ASSERT_TRUE(LoadOutboxPosition("journal", restarted));
    EXPECT_EQ(restarted.days[restarted.dayCount - 1].offset, at.days[at.dayCount - 1].offset);
    seq.clear();
    const std::vector<int64_t> sent = Drain("journal", restarted, &seq);
    const std::vector<int64_t> expected = {Cycle(7, kMorningMs).time.unixMs, Cycle(8, kMorningMs).time.unixMs,
                                           Cycle(0, nextDay).time.unixMs, Cycle(1, nextDay).time.unixMs,
                                           Cycle(2, nextDay).time.unixMs};
    EXPECT_EQ(sent, expected);
    for (std::size_t i = 0; i < seq.size(); ++i) EXPECT_EQ(seq[i], at.sequence + 1 + i);  // no gap, no repeat
    EXPECT_EQ(CountWaitingCycles("journal", restarted, 100), 0u);
}

}  // namespace

namespace {

std::string Text(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
void Put(const char* path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// A day file changed under the outbox after it had sent and seen acknowledged cycles 0..4 of
// 2026-12-08 and 0..1 of the next day: every line never acknowledged goes once, numbered on from
// the last, no acknowledged line goes again, and what cannot be told is counted, not sent.
TEST(PlantOutbox, AChangedDayFileSendsEachNewLineOnceAndCountsWhatCannotBeTold) {
    const int64_t nextDay = kMorningMs + 86400000LL;
    const char* day = "journal/2026-12-08.csv";
    const std::string header = std::string(kJournalHeader) + "\n";
    const auto line = [](int i, int64_t start) { return Line(Cycle(i, start)); };
    const struct {
        const char* what;
        std::function<void(const OutboxPosition&)>
            change;  // what happens to the journal while the link is away
        std::vector<int64_t> sent;
        uint32_t undecided;
    } cases[] = {
        {"nothing but a new cycle",
         [&](const OutboxPosition&) {
             Put("journal/2026-12-09.csv", Text("journal/2026-12-09.csv") + line(2, nextDay));
         },
         {Cycle(2, nextDay).time.unixMs},
         0},
        {"the clock set back: the older day file grows",
         [&](const OutboxPosition&) { Put(day, Text(day) + line(5, kMorningMs)); },
         {Cycle(5, kMorningMs).time.unixMs},
         0},
        {"emptied, then written again",
         [&](const OutboxPosition&) { Put(day, header + line(6, kMorningMs)); },
         {Cycle(6, kMorningMs).time.unixMs},
         0},
        {"shortened to two lines, then written again",
         [&](const OutboxPosition&) {
             Put(day, header + line(0, kMorningMs) + line(1, kMorningMs) + line(6, kMorningMs));
         },
         {Cycle(6, kMorningMs).time.unixMs},
         2},
        {"a line deleted above the place",
         [&](const OutboxPosition&) {
             std::string t = Text(day);
             t.erase(t.find(line(1, kMorningMs)), line(1, kMorningMs).size());
             Put(day, t + line(6, kMorningMs));
         },
         {Cycle(6, kMorningMs).time.unixMs},
         0},
        {"a line inserted above the place",
         [&](const OutboxPosition&) {
             Put(day, header + line(90, kMorningMs - 3600000) + Text(day).substr(header.size()) +
                          line(6, kMorningMs));
         },
         {Cycle(6, kMorningMs).time.unixMs},
         0},
        {"a position file of the older format",
         [&](const OutboxPosition& acknowledged) {
             const std::string size = std::to_string(Text("journal/2026-12-09.csv").size());
             Put("journal/plant.pos",
                 "2026-12-09 " + size + " " + std::to_string(acknowledged.sequence) + "\n");
             Put("journal/2026-12-09.csv", Text("journal/2026-12-09.csv") + line(2, nextDay));
         },
         {Cycle(2, nextDay).time.unixMs},
         0},
    };
    for (const auto& c : cases) {
        TempWorkDir dir;
        JournalWriter& writer = FreshJournalWriter();
        ASSERT_EQ(MakeJournalFolder("journal"), 0);
        OutboxPosition at = FreshOutboxPosition("journal", 1000);  // no day file yet: all of them go
        for (int i = 0; i < 5; ++i)
            ASSERT_EQ(WriteJournalRecord(writer, SystemJournalFiles(), "x", Cycle(i, kMorningMs)), 0);
        for (int i = 0; i < 2; ++i)
            ASSERT_EQ(WriteJournalRecord(writer, SystemJournalFiles(), "x", Cycle(i, nextDay)), 0);
        std::vector<uint64_t> seq;
        ASSERT_EQ(Drain("journal", at, &seq).size(), 7u) << c.what;
        ASSERT_EQ(SaveOutboxPosition("journal", at), 0);
        c.change(at);
        OutboxPosition restarted{};
        ASSERT_TRUE(LoadOutboxPosition("journal", restarted)) << c.what;
        seq.clear();
        EXPECT_GE(CountWaitingCycles("journal", restarted, 100), c.sent.size()) << c.what;
        EXPECT_EQ(Drain("journal", restarted, &seq), c.sent) << c.what;
        for (std::size_t i = 0; i < seq.size(); ++i) EXPECT_EQ(seq[i], at.sequence + 1 + i) << c.what;
        EXPECT_EQ(restarted.undecided, c.undecided) << c.what;
        // Nothing more: a second look after saving finds the same place.
        ASSERT_EQ(SaveOutboxPosition("journal", restarted), 0);
        ASSERT_TRUE(LoadOutboxPosition("journal", restarted));
        EXPECT_TRUE(Drain("journal", restarted, &seq).empty()) << c.what;
    }
}

}  // namespace
