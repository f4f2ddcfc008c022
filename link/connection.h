// Which COM port the link uses, whether the unit answers, and the keys that send codes.
// Runs on the UI thread (the reader thread only clears SilenceTicks and sets the AnswerEvent).
#pragma once

#include <cstdint>

// The platform is reached through gPortService, gUserService and gStorageService.

// The chosen port and whether it failed to open, as held in memory. The configuration's
// PortNumber is derived from it: ports 1..10 keep the stored rule (+10 while not open); ports
// 11..16 are stored as 21..26, which reads back as ports 11..16 (the not-open marker is removed
// at every start anyway), so they survive a restart without being mistaken for ports 1..6.
struct PortState {
    int port;     // 1..16
    bool failed;  // the last attempt to open it failed: no link is open
};
extern PortState gPort;

uint16_t EncodePortNumber(int port, bool failed);
int DecodePortNumber(uint16_t stored);

// Start-up: take the port from the configuration, check its item, open it (TextId 114 on failure).
void OpenPortAtStart();
// Communication / COM n.
void ChoosePort(int port);
// Communication / Auto connect: try COM 1..16 for a unit that sends a Break Limit report.
void ScanPorts();

// One step of every timer tick: the unit counts as lost after 10 silent ticks.
constexpr int32_t kSilenceLimit = 10;
void WatchConnection();

// Key rule: one action per press; a second key pressed while the first is held is ignored.
enum class KeyAction { kNone, kSendAcknowledge, kToggleFreeze };
constexpr int kKeySpace = 32;
constexpr int kKeyPause = 19;
constexpr uint8_t kAcknowledgeCode = 205;
constexpr uint8_t kSheetOpensCode = 47;
KeyAction HandleKeyDown(int virtualKey);
void HandleKeyUp();
void ResetKeyState();
