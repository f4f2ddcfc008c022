#include "plant/publisher.h"

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "journal/journal_file.h"
#include "plant/mqtt_session.h"
#include "plant/outbox.h"
#include "plant/plant_receipt.h"

// Cycles sent and not yet receipted by the collector, at most this many: enough to keep the
// broker and kvdplant busy while receipts travel, few enough that a reconnection sends little
// again.
constexpr uint32_t kWindow = 1024;

// A cycle in flight: its number, and the outbox's position once it is receipted.
struct Flight {
    uint64_t sequence;
    OutboxPosition next;
};

// The publisher's shared part: the thread holds a share, so a thread that outlives the wait of
// its stop still has everything it uses.
struct PublisherCore {
    PlantPublisherSetup setup{};
    std::atomic<bool> stop{false};
    std::mutex mutex;  // guards the fields below it up to the status
    std::condition_variable wake;
    bool nudged = false;
    bool done = false;
    PlantState state{};
    uint32_t stateGeneration = 0;

    std::atomic<int32_t> linkState{static_cast<int32_t>(PlantLinkState::kOff)};
    std::atomic<uint32_t> waiting{0};
    std::atomic<uint64_t> published{0};
    std::atomic<uint32_t> undecided{0};
    std::atomic<int32_t> lastError{0};
    std::atomic<const char*> lastErrorText{"no error"};

    char cycleTopic[kPlantTopicMax] = {};
    char stateTopic[kPlantTopicMax] = {};
    char receiptTopic[kPlantTopicMax] = {};
    char offline[kStateMessageMax] = {};
    Flight flights[kWindow] = {};  // the thread's own: a ring, allocated with the core
    std::thread thread;
};

struct PlantPublisher {
    std::shared_ptr<PublisherCore> core;
};

namespace {

constexpr int32_t kPollMs = 250;       // the journal is looked at this often without a nudge
constexpr int32_t kAwaitSliceMs = 50;  // a look for receipts while cycles are in flight
constexpr int32_t kPauseFirstMs = 1000;
constexpr int32_t kPauseLastMs = 30000;
// A connection that lasted this long was a working one: the next pause starts again from the first.
constexpr int64_t kSteadyMs = 30000;
// The position is saved at most this often while receipts come (and at every connection's end).
constexpr int64_t kSaveEveryMs = 500;
// Cycles posted between two looks at what the broker sent.
constexpr uint32_t kPostBurst = 32;
// Cycles in flight without any receipt for this long: the connection is made again and they are
// sent again (a receipt lost on its way). The wait doubles each time up to the last, and starts
// again at the first with a receipt: a collector away for a day gets the window again a few
// dozen times, not every minute.
constexpr int64_t kStallFirstMs = 30000;
constexpr int64_t kStallLastMs = 30 * 60000;

// One run of the thread: the session and the outbox position live here, on its stack.
class Loop {
public:
    explicit Loop(PublisherCore& p) : p_(p), session_(p.setup.sockets, p.stop) {
        session_.OnMessage([](void* self, const MqttPublish& m) { static_cast<Loop*>(self)->OnReceipt(m); },
                           this);
    }
    void Run();

private:
    int32_t Connect();
    int32_t Serve();
    int32_t SendState(uint32_t* sentGeneration);
    int32_t SendCycles(bool* sent);
    void OnReceipt(const MqttPublish& m);
    void SayOffline();
    void SavePosition();
    void SaveInGroups(bool now);
    void Fail(int32_t result, const char* text);
    void Status(PlantLinkState s) { p_.linkState.store(static_cast<int32_t>(s), std::memory_order_relaxed); }
    // Waits for a nudge or the stop, at most ms: false once stopping. A pause between connections
    // is not cut short by a nudge (a new cycle), or a busy machine would reconnect at every cycle.
    bool Rest(int32_t ms, bool nudgeWakes = true);
    Flight& FlightAt(uint32_t i) { return p_.flights[(first_ + i) % kWindow]; }

    PublisherCore& p_;
    MqttSession session_;
    OutboxPosition position_{};       // up to the last cycle receipted: what plant.pos keeps
    OutboxPosition sendAt_{};         // after the last cycle sent on this connection
    uint32_t first_ = 0, count_ = 0;  // the cycles in flight, oldest first
    uint64_t highestSent_ = 0;        // a cycle sent before goes again marked dup
    bool unsaved_ = false;
    int64_t savedMs_ = 0;
    int64_t receiptMs_ = 0;  // the last receipt, or when the window last began to fill
    int64_t stallMs_ = kStallFirstMs;
};

void Loop::SavePosition() {
    p_.undecided.store(position_.undecided, std::memory_order_relaxed);
    unsaved_ = false;
    savedMs_ = PlantClockMs();
    if (SaveOutboxPosition(p_.setup.journalFolder, position_) != 0)
        Fail(kResultPositionFile, "the outbox position (plant.pos) cannot be written");
}

// The position is saved in groups: one saved late only means resends after a kill, which the
// collector drops; it never runs ahead of what the collector holds.
void Loop::SaveInGroups(bool now) {
    if (unsaved_ && (now || PlantClockMs() - savedMs_ >= kSaveEveryMs)) SavePosition();
}

void Loop::Fail(int32_t result, const char* text) {
    p_.lastErrorText.store(text, std::memory_order_relaxed);
    p_.lastError.store(result, std::memory_order_relaxed);
}

bool Loop::Rest(int32_t ms, bool nudgeWakes) {
    std::unique_lock lock(p_.mutex);
    p_.wake.wait_for(lock, std::chrono::milliseconds(ms),
                     [&] { return (nudgeWakes && p_.nudged) || p_.stop.load(); });
    if (nudgeWakes) p_.nudged = false;
    return !p_.stop.load();
}

void Loop::Run() {
    const char* folder = p_.setup.journalFolder;
    const bool loaded = LoadOutboxPosition(folder, position_);
    if (!loaded) position_ = FreshOutboxPosition(folder, JournalNow().unixMs);
    const bool older = loaded && position_.id[0] == '\0';  // a position file of the older format
    if (older) MakeOutboxId(position_.id);
    if (!loaded || older) SavePosition();
    p_.undecided.store(position_.undecided, std::memory_order_relaxed);
    int32_t pause = kPauseFirstMs;
    while (!p_.stop.load()) {
        Status(PlantLinkState::kConnecting);
        p_.waiting.store(CountWaitingCycles(folder, position_, 0xFFFFFFFFu), std::memory_order_relaxed);
        int64_t lasted = 0;
        if (Connect() == 0) {
            Status(PlantLinkState::kConnected);
            const int64_t since = PlantClockMs();
            Serve();
            session_.Close();
            lasted = PlantClockMs() - since;
        }
        SaveInGroups(true);
        // A connection refused and one accepted then dropped soon alike wait a growing pause: a
        // broker (or anything on its port) that answers and closes is not hammered.
        if (lasted >= kSteadyMs) {
            pause = kPauseFirstMs;
            continue;
        }
        if (!Rest(pause, false)) break;
        pause = pause * 2 < kPauseLastMs ? pause * 2 : kPauseLastMs;
    }
    SaveInGroups(true);
    Status(PlantLinkState::kOff);
}

int32_t Loop::Connect() {
    const MqttWill will{p_.stateTopic, p_.offline, true, 1};
    char clientId[kPlantNameMax + 8];
    std::snprintf(clientId, sizeof clientId, "zavize-%s", p_.setup.settings.machine);
    // The sign-in as the settings give it; the password goes only with a user name.
    const char* user = p_.setup.settings.user;
    const char* password = user[0] != '\0' ? p_.setup.settings.password : "";
    const MqttConnect c{clientId, p_.setup.keepAliveSeconds, true, &will, user, password};
    int32_t r = session_.Open(p_.setup.settings.host, p_.setup.settings.port, c, p_.setup.connectTimeoutMs);
    // The receipts of this machine, before any cycle goes: a receipt is never missed for want of
    // the subscription.
    if (r == 0) {
        r = session_.Subscribe(p_.receiptTopic, p_.setup.connectTimeoutMs);
        if (r != 0) session_.Close();
        if (r == kMqttRefused) {
            Fail(r, "the broker does not let this monitor read its receipts");
            return r;
        }
    }
    if (r == kMqttRefused)
        Fail(r, MqttRefusalText(session_.refusal));
    else if (r == kMqttBroken)
        Fail(r, session_.reason);
    else if (r != 0 && r != kMqttStopped)
        Fail(r, PlantErrorText(r));
    return r;
}

// Connected: the state first, then the cycles as they come, a window of them in flight, until the
// connection fails or the thread is asked to stop. What was in flight at a connection's end goes
// again on the next one, with the same numbers.
int32_t Loop::Serve() {
    uint32_t sentGeneration = 0;
    bool stateSent = false;
    sendAt_ = position_;
    first_ = count_ = 0;
    stallMs_ = kStallFirstMs;
    for (;;) {
        if (p_.stop.load()) {
            SayOffline();
            return 0;
        }
        uint32_t generation = 0;
        {
            std::lock_guard lock(p_.mutex);
            generation = p_.stateGeneration;
        }
        int32_t r = 0;
        if (!stateSent || generation != sentGeneration) {
            r = SendState(&sentGeneration);
            stateSent = r == 0;
        }
        bool sent = false;
        if (r == 0) r = SendCycles(&sent);
        if (r == 0) {
            if (sent)
                r = session_.Idle(0);
            else if (count_ > 0)
                r = session_.Idle(kAwaitSliceMs);  // back as soon as a receipt (or anything) came
            else if (Rest(kPollMs))
                r = session_.Idle(0);
        }
        SaveInGroups(false);
        if (r == 0 && count_ > 0 && PlantClockMs() - receiptMs_ > stallMs_) {
            stallMs_ = stallMs_ * 2 < kStallLastMs ? stallMs_ * 2 : kStallLastMs;
            r = kResultNoReceipt;
        }
        if (r == kMqttStopped) continue;
        if (r != 0) {
            Fail(r, r == kMqttBroken ? session_.reason : PlantErrorText(r));
            return r;
        }
    }
}

int32_t Loop::SendState(uint32_t* sentGeneration) {
    PlantState s{};
    {
        std::lock_guard lock(p_.mutex);
        s = p_.state;
        *sentGeneration = p_.stateGeneration;
    }
    char payload[kStateMessageMax];
    const std::size_t n = FormatStateMessage(s, p_.setup.settings.machine, payload, sizeof payload);
    return session_.Publish({p_.stateTopic, {payload, n}, 1, true, false, 0}, p_.setup.ackTimeoutMs);
}

// Posts the journal's next cycles while the window has room, a burst at a time.
int32_t Loop::SendCycles(bool* sent) {
    for (uint32_t burst = 0; count_ < kWindow && burst < kPostBurst; ++burst) {
        OutboxLine line{};
        int32_t error = 0;
        const OutboxRead r = NextOutboxLine(p_.setup.journalFolder, sendAt_, line, &error);
        // What was passed over (headers, lines that cannot be told) is kept once nothing waits
        // for a receipt before it; otherwise the receipt of the next cycle carries it.
        if (line.passed && count_ == 0) {
            position_ = sendAt_;
            unsaved_ = true;
        }
        if (r == OutboxRead::kError) {
            Fail(error, "a journal day file cannot be read");
            return Rest(kPauseFirstMs) ? 0 : kMqttStopped;  // try again in a moment, still connected
        }
        if (r == OutboxRead::kNone) {
            p_.waiting.store(count_, std::memory_order_relaxed);
            return 0;
        }
        const uint64_t seq = line.next.sequence;
        char payload[kCycleMessageMax];
        const std::size_t n = FormatCycleMessage(line.record, p_.setup.settings.machine, position_.id, seq,
                                                 payload, sizeof payload);
        if (const int32_t s = session_.Post({p_.cycleTopic, {payload, n}, 1, false, seq <= highestSent_, 0}))
            return s;
        if (seq > highestSent_) highestSent_ = seq;
        if (count_ == 0) receiptMs_ = PlantClockMs();
        FlightAt(count_) = {seq, line.next};
        ++count_;
        sendAt_ = line.next;
        *sent = true;
    }
    return 0;
}

// A receipt of this machine's outbox covers its cycle and every one sent before it: the outbox
// moves on to it. One of another outbox, or of nothing in flight (late, repeated), changes nothing.
void Loop::OnReceipt(const MqttPublish& m) {
    char outbox[17];
    uint64_t seq = 0;
    if (m.topic != p_.receiptTopic || count_ == 0 || !ParseReceiptMessage(m.payload, outbox, &seq) ||
        std::strcmp(outbox, position_.id) != 0 || seq < FlightAt(0).sequence ||
        seq > FlightAt(count_ - 1).sequence)
        return;
    uint32_t k = 0;
    while (k < count_ && FlightAt(k).sequence <= seq) ++k;
    position_ = FlightAt(k - 1).next;
    first_ = (first_ + k) % kWindow;
    count_ -= k;
    if (count_ == 0) position_ = sendAt_;  // with what was passed over after the last cycle
    unsaved_ = true;
    receiptMs_ = PlantClockMs();
    stallMs_ = kStallFirstMs;
    p_.published.fetch_add(k, std::memory_order_relaxed);
    const uint32_t w = p_.waiting.load(std::memory_order_relaxed);
    p_.waiting.store(w > k ? w - k : 0, std::memory_order_relaxed);
}

// A closing monitor says so itself: a DISCONNECT keeps the broker from sending the will.
void Loop::SayOffline() {
    static_cast<void>(session_.Publish({p_.stateTopic, p_.offline, 1, true, false, 0}, 500, false));
    session_.Disconnect();
}

}  // namespace

PlantPublisherSetup DefaultPublisherSetup(const PlantSettings& settings, const char* journalFolder) {
    PlantPublisherSetup s{};
    s.settings = settings;
    std::snprintf(s.journalFolder, sizeof s.journalFolder, "%s", journalFolder);
    s.sockets = settings.tls ? TlsSockets(settings.caFile) : SystemSockets();
    s.connectTimeoutMs = settings.tls ? 5000 : 2000;  // TLS: the handshake and its checks too
    s.ackTimeoutMs = 10000;
    s.keepAliveSeconds = settings.keepAliveSeconds != 0 ? settings.keepAliveSeconds : kPlantDefaultKeepAlive;
    return s;
}

PlantPublisher* StartPlantPublisher(const PlantPublisherSetup& setup) {
    auto p = std::make_shared<PublisherCore>();
    p->setup = setup;
    const PlantSettings& s = setup.settings;
    if (FormatPlantTopic(s.prefix, s.machine, "cycle", p->cycleTopic, sizeof p->cycleTopic) == 0 ||
        FormatPlantTopic(s.prefix, s.machine, "state", p->stateTopic, sizeof p->stateTopic) == 0 ||
        FormatPlantTopic(s.prefix, s.machine, "receipt", p->receiptTopic, sizeof p->receiptTopic) == 0 ||
        FormatOfflineMessage(s.machine, p->offline, sizeof p->offline) == 0)
        return nullptr;
    p->state.activeCut = -1;
    p->linkState.store(static_cast<int32_t>(PlantLinkState::kConnecting));
    try {
        p->thread = std::thread([p] {
            Loop(*p).Run();
            std::lock_guard lock(p->mutex);
            p->done = true;
            p->wake.notify_all();
        });
    } catch (const std::system_error&) {
        return nullptr;  // no thread to be had: the link stays off
    }
    return new PlantPublisher{p};
}

void NudgePlantPublisher(PlantPublisher* h) {
    if (h == nullptr) return;
    std::lock_guard lock(h->core->mutex);
    h->core->nudged = true;
    h->core->wake.notify_all();
}

void SetPlantState(PlantPublisher* h, const PlantState& s) {
    if (h == nullptr) return;
    PublisherCore& p = *h->core;
    std::lock_guard lock(p.mutex);
    if (p.state == s) return;
    p.state = s;
    ++p.stateGeneration;
    p.nudged = true;
    p.wake.notify_all();
}

PlantLinkStatus ReadPlantLinkStatus(const PlantPublisher* h) {
    if (h == nullptr) return {PlantLinkState::kOff, 0, 0, 0, "no error", 0};
    const PublisherCore& p = *h->core;
    constexpr auto r = std::memory_order_relaxed;
    return {static_cast<PlantLinkState>(p.linkState.load(r)),
            p.waiting.load(r),
            p.published.load(r),
            p.lastError.load(r),
            p.lastErrorText.load(r),
            p.undecided.load(r)};
}

void StopPlantPublisher(PlantPublisher* h, int32_t waitMs) {
    if (h == nullptr) return;
    PublisherCore& p = *h->core;
    bool done = false;
    {
        std::unique_lock lock(p.mutex);
        p.stop.store(true);
        p.wake.notify_all();
        done = p.wake.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return p.done; });
    }
    if (done)
        p.thread.join();
    else
        p.thread.detach();  // it ends by itself; its share keeps what it uses
    delete h;
}

const char* PlantErrorText(int32_t result) {
    switch (result) {
        case kMqttBroken:
            return "the broker sent a malformed packet";
        case kMqttRefused:
            return "the broker refused the connection";
        case kMqttStopped:
            return "stopped";
        case kMqttNoAnswer:
            return "the broker did not answer in time";
        case kResultPositionFile:
            return "the outbox position (plant.pos) cannot be written";
        case kResultNoReceipt:
            return "no receipt from kvdplant (away, or older than this monitor): the cycles go again";
        default:
            return SocketErrorText(result);
    }
}
