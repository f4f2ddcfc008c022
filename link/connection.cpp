#include "link/connection.h"
#include "text/message.h"
#include "text/text_ids.h"

#include "model/settings.h"
#include "model/model.h"
#include "link/port_service.h"
#include "link/storage_service.h"
#include "link/user_service.h"
#include "model/change_bits.h"

PortState gPort{1, false, false};

namespace {

constexpr unsigned kAnswerWaitMs = 2000;
constexpr int kPortCount = 16;

int32_t gKeyHeld = 0;
int gReopenCountdown = 0;  // ticks until the next attempt to open a lost port

void Show(TextId message, TextId caption, int32_t number) {
    gUserService.showMessage(message, caption, number);
}

void SetPort(int port, bool failed) {
    gPort = {port, failed, false};
    gConfig.PortNumber = EncodePortNumber(port, failed);
}

// 0, or the error number of the failed open.
int32_t OpenError(int port) { return gPortService.openLink(port); }
bool Open(int port) { return OpenError(port) == 0; }
void Close() { gPortService.closeLink(); }
void MoveCheck(int from, int to) { gUserService.moveCheckMark(from, to); }

void SaveAfterChoice() {
    const int32_t r = gStorageService.saveConfiguration();
    if (r != 0) Show(kTextConfigurationFailed, kCaptionError, r);
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

void OpenPortAtStart() {
    // The defaults go in before the port opens: a report that arrives at once then lands on them
    // instead of being overwritten, and the reader thread is the only writer from here on.
    WriteParameterDefaults();
    const int port = DecodePortNumber(gConfig.PortNumber);
    MoveCheck(0, port);
    const int32_t error = OpenError(port);
    SetPort(port, error != 0);
    // The configuration file is not written here: the marker reaches it with the next save.
    if (error != 0) Show(kTextPortFailed, kCaptionCommunication, error);
}

void ChoosePort(int port) {
    if (port < 1 || port > kPortCount) return;
    // Choosing the open port does nothing; choosing a port that failed tries it again.
    if (port == gPort.port && !gPort.failed) return;
    if (!gPort.failed) Close();
    MoveCheck(gPort.port, port);
    const int32_t error = OpenError(port);
    SetPort(port, error != 0);
    if (error == 0)
        SaveAfterChoice();
    else
        Show(kTextPortFailed, kCaptionCommunication, error);
}

void ScanPorts() {
    gUserService.waitCursor(true);
    const bool wasOpen = !gPort.failed;  // a lost port counts as open: it is tried again at the end
    gPort.lost = false;
    if (wasOpen) Close();
    int found = 0;
    for (int p = 1; p <= kPortCount && found == 0; ++p) {
        if (!Open(p)) continue;
        gPortService.resetAnswer();
        const bool answered = gPortService.waitAnswer(kAnswerWaitMs);
        gPortService.resetAnswer();
        if (answered)
            found = p;
        else
            Close();
    }
    gUserService.waitCursor(false);
    if (found != 0) {
        MoveCheck(gPort.port, found);
        SetPort(found, false);
        SaveAfterChoice();
        return;
    }
    // No unit anywhere: the port that was open before is opened again.
    if (wasOpen && !Open(gPort.port)) SetPort(gPort.port, true);
    Show(kTextUnitNotFound, kCaptionCommunication, 0);
}

void WatchPort() {
    if (!gPort.lost) {
        if (gPort.failed || !gPortService.portLost()) return;
        // Closing ends the reader that kept failing; the port is the chosen one still, so neither
        // the check mark nor the configuration changes.
        Close();
        gPort.lost = true;
        gReopenCountdown = kReopenTicks;
        return;
    }
    if (--gReopenCountdown > 0) return;
    gReopenCountdown = kReopenTicks;
    if (Open(gPort.port)) gPort.lost = false;
}

void WatchConnection() {
    auto& c = gModel.connection;
    // SilenceTicks is cleared by the reader thread at every valid frame: one atomic increment
    // here, so a clear racing with it costs at most one tick.
    const int32_t ticks =
        std::atomic_ref<int32_t>(c.SilenceTicks).fetch_add(1, std::memory_order_relaxed) + 1;
    if (ticks >= kSilenceLimit) {
        Store(c.SilenceTicks, kSilenceLimit);
        if (Load(c.NotConnected) == 0) {
            Store(c.NotConnected, 1);
            Store(gModel.cycle.lastSample, 0);
            MarkChanged(kChangeAlarmLamps);
        }
    } else if (Load(c.NotConnected) == 1) {
        Store(c.NotConnected, 0);
        Store(gModel.alarms.AlarmBits, 0);
        MarkChanged(kChangeAlarmLamps);
    }
}

KeyAction HandleKeyDown(int virtualKey) {
    if (gKeyHeld != 0) return KeyAction::kNone;
    gKeyHeld = 1;
    if (virtualKey == kKeySpace) return KeyAction::kSendAcknowledge;
    if (virtualKey == kKeyPause) return KeyAction::kToggleFreeze;
    return KeyAction::kNone;
}

void HandleKeyUp() { gKeyHeld = 0; }
void ResetKeyState() { gKeyHeld = 0; }
