#include "link/connection.h"
#include "text/message.h"
#include "text/text_ids.h"

#include "model/settings.h"
#include "model/model.h"
#include "link/link.h"
#include "model/change_bits.h"

namespace {

constexpr unsigned kAnswerWaitMs = 2000;
constexpr int kPortCount = 16;

void Show(Link& link, TextId message, TextId caption, int32_t number) {
    link.userService.showMessage(link.userService.self, message, caption, number);
}

void SetPort(Link& link, int port, bool failed) {
    link.port = {port, failed, false};
    link.config->PortNumber = EncodePortNumber(port, failed);
}

// 0, or the error number of the failed open.
int32_t OpenError(Link& link, int port) { return link.portService.openLink(link.portService.self, port); }
bool Open(Link& link, int port) { return OpenError(link, port) == 0; }
void Close(Link& link) { link.portService.closeLink(link.portService.self); }
void MoveCheck(Link& link, int from, int to) {
    link.userService.moveCheckMark(link.userService.self, from, to);
}

void SaveAfterChoice(Link& link) {
    const int32_t r = link.storageService.saveConfiguration(link.storageService.self);
    if (r != 0) Show(link, kTextConfigurationFailed, kCaptionError, r);
}

}  // namespace

uint16_t EncodePortNumber(int port, bool failed) {
    if (port > 10) return static_cast<uint16_t>(port + 10);
    return static_cast<uint16_t>(failed ? port + 10 : port);
}

int DecodePortNumber(uint16_t stored) {
    const int port = stored > 10 ? stored - 10 : stored;
    return port >= 1 && port <= kPortCount ? port : 1;
}

void OpenPortAtStart(Link& link) {
    // The defaults go in before the port opens: a report that arrives at once then lands on them
    // instead of being overwritten, and the reader thread is the only writer from here on.
    WriteParameterDefaults(*link.model);
    const int port = DecodePortNumber(link.config->PortNumber);
    MoveCheck(link, 0, port);
    const int32_t error = OpenError(link, port);
    SetPort(link, port, error != 0);
    // The configuration file is not written here: the marker reaches it with the next save.
    if (error != 0) Show(link, kTextPortFailed, kCaptionCommunication, error);
}

void ChoosePort(Link& link, int port) {
    if (port < 1 || port > kPortCount) return;
    // Choosing the open port does nothing; choosing a port that failed tries it again.
    if (port == link.port.port && !link.port.failed) return;
    if (!link.port.failed) Close(link);
    MoveCheck(link, link.port.port, port);
    const int32_t error = OpenError(link, port);
    SetPort(link, port, error != 0);
    if (error == 0)
        SaveAfterChoice(link);
    else
        Show(link, kTextPortFailed, kCaptionCommunication, error);
}

void ScanPorts(Link& link) {
    link.userService.waitCursor(link.userService.self, true);
    const bool wasOpen = !link.port.failed;  // a lost port counts as open: it is tried again at the end
    link.port.lost = false;
    if (wasOpen) Close(link);
    int found = 0;
    for (int p = 1; p <= kPortCount && found == 0; ++p) {
        if (!Open(link, p)) continue;
        link.portService.resetAnswer(link.portService.self);
        const bool answered = link.portService.waitAnswer(link.portService.self, kAnswerWaitMs);
        link.portService.resetAnswer(link.portService.self);
        if (answered)
            found = p;
        else
            Close(link);
    }
    link.userService.waitCursor(link.userService.self, false);
    if (found != 0) {
        MoveCheck(link, link.port.port, found);
        SetPort(link, found, false);
        SaveAfterChoice(link);
        return;
    }
    // No unit anywhere: the port that was open before is opened again.
    if (wasOpen && !Open(link, link.port.port)) SetPort(link, link.port.port, true);
    Show(link, kTextUnitNotFound, kCaptionCommunication, 0);
}

void WatchPort(Link& link) {
    if (!link.port.lost) {
        if (link.port.failed || !link.portService.portLost(link.portService.self)) return;
        // Closing ends the reader that kept failing; the port is the chosen one still, so neither
        // the check mark nor the configuration changes.
        Close(link);
        link.port.lost = true;
        link.reopenCountdown = kReopenTicks;
        return;
    }
    if (--link.reopenCountdown > 0) return;
    link.reopenCountdown = kReopenTicks;
    if (Open(link, link.port.port)) link.port.lost = false;
}

void WatchConnection(Link& link) {
    UnitModel& model = *link.model;
    auto& c = model.connection;
    // SilenceTicks is cleared by the reader thread at every valid frame: one atomic increment
    // here, so a clear racing with it costs at most one tick.
    const int32_t ticks =
        std::atomic_ref<int32_t>(c.SilenceTicks).fetch_add(1, std::memory_order_relaxed) + 1;
    if (ticks >= kSilenceLimit) {
        Store(c.SilenceTicks, kSilenceLimit);
        if (Load(c.NotConnected) == 0) {
            Store(c.NotConnected, 1);
            Store(model.cycle.lastSample, 0);
            MarkChanged(model.changes, kChangeAlarmLamps);
        }
    } else if (Load(c.NotConnected) == 1) {
        Store(c.NotConnected, 0);
        Store(model.alarms.AlarmBits, 0);
        MarkChanged(model.changes, kChangeAlarmLamps);
    }
}

KeyAction HandleKeyDown(Link& link, int virtualKey) {
    if (link.keyHeld != 0) return KeyAction::kNone;
    link.keyHeld = 1;
    if (virtualKey == kKeySpace) return KeyAction::kSendAcknowledge;
    if (virtualKey == kKeyPause) return KeyAction::kToggleFreeze;
    return KeyAction::kNone;
}

void HandleKeyUp(Link& link) { link.keyHeld = 0; }
void ResetKeyState(Link& link) { link.keyHeld = 0; }
