#include "plant/publisher.h"

#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "journal/journal_file.h"
#include "plant/mqtt_session.h"
#include "plant/outbox.h"

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
    char offline[kStateMessageMax] = {};
    std::thread thread;
};

struct PlantPublisher {
    std::shared_ptr<PublisherCore> core;
};

namespace {

constexpr int32_t kPollMs = 250;  // the journal is looked at this often without a nudge
constexpr int32_t kPauseFirstMs = 1000;
constexpr int32_t kPauseLastMs = 30000;
// A connection that lasted this long was a working one: the next pause starts again from the first.
constexpr int64_t kSteadyMs = 30000;
constexpr int32_t kResultPositionFile = -20;

// One run of the thread: the session and the outbox position live here, on its stack.
class Loop {
public:
    explicit Loop(PublisherCore& p) : p_(p), session_(p.setup.sockets, p.stop) {}
    void Run();

private:
    int32_t Connect();
    int32_t Serve();
    int32_t SendState(uint32_t* sentGeneration);
    int32_t SendCycle(bool* sent);
    void SayOffline();
    void SavePosition();
    void Fail(int32_t result, const char* text);
    void Status(PlantLinkState s) { p_.linkState.store(static_cast<int32_t>(s), std::memory_order_relaxed); }
    // Waits for a nudge or the stop, at most ms: false once stopping. A pause between connections
    // is not cut short by a nudge (a new cycle), or a busy machine would reconnect at every cycle.
    bool Rest(int32_t ms, bool nudgeWakes = true);

    PublisherCore& p_;
    MqttSession session_;
    OutboxPosition position_{};
    uint64_t lastSentSequence_ = 0;  // a cycle sent but not acknowledged goes again marked dup
};

void Loop::SavePosition() {
    p_.undecided.store(position_.undecided, std::memory_order_relaxed);
    if (SaveOutboxPosition(p_.setup.journalFolder, position_) != 0)
        Fail(kResultPositionFile, "the outbox position (plant.pos) cannot be written");
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
        // A connection refused and one accepted then dropped soon alike wait a growing pause: a
        // broker (or anything on its port) that answers and closes is not hammered.
        if (lasted >= kSteadyMs) {
            pause = kPauseFirstMs;
            continue;
        }
        if (!Rest(pause, false)) break;
        pause = pause * 2 < kPauseLastMs ? pause * 2 : kPauseLastMs;
    }
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
    const int32_t r =
        session_.Open(p_.setup.settings.host, p_.setup.settings.port, c, p_.setup.connectTimeoutMs);
    if (r == kMqttRefused)
        Fail(r, MqttRefusalText(session_.refusal));
    else if (r == kMqttBroken)
        Fail(r, session_.reason);
    else if (r != 0 && r != kMqttStopped)
        Fail(r, PlantErrorText(r));
    return r;
}

// Connected: the state first, then the cycles as they come, until the connection fails or the
// thread is asked to stop.
int32_t Loop::Serve() {
    uint32_t sentGeneration = 0;
    bool stateSent = false;
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
        if (r == 0) r = SendCycle(&sent);
        if (r == 0 && !sent && Rest(kPollMs)) r = session_.Idle(0);
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

int32_t Loop::SendCycle(bool* sent) {
    OutboxLine line{};
    int32_t error = 0;
    const OutboxRead r = NextOutboxLine(p_.setup.journalFolder, position_, line, &error);
    if (line.passed) SavePosition();
    if (r == OutboxRead::kError) {
        Fail(error, "a journal day file cannot be read");
        return Rest(kPauseFirstMs) ? 0 : kMqttStopped;  // try again in a moment, still connected
    }
    if (r == OutboxRead::kNone) {
        p_.waiting.store(0, std::memory_order_relaxed);
        return 0;
    }
    char payload[kCycleMessageMax];
    const std::size_t n = FormatCycleMessage(line.record, p_.setup.settings.machine, position_.id,
                                             line.next.sequence, payload, sizeof payload);
    const bool dup = lastSentSequence_ == line.next.sequence;
    lastSentSequence_ = line.next.sequence;
    if (const int32_t s =
            session_.Publish({p_.cycleTopic, {payload, n}, 1, false, dup, 0}, p_.setup.ackTimeoutMs))
        return s;
    position_ = line.next;
    SavePosition();
    p_.published.fetch_add(1, std::memory_order_relaxed);
    const uint32_t w = p_.waiting.load(std::memory_order_relaxed);
    p_.waiting.store(w > 0 ? w - 1 : 0, std::memory_order_relaxed);
    *sent = true;
    return 0;
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
        default:
            return SocketErrorText(result);
    }
}
