// Which COM port the link uses, whether the unit answers, and the keys that send codes.
// Runs on the UI thread (the reader thread only clears SilenceTicks and sets the AnswerEvent).
#pragma once

#include <cstdint>

struct Link;

// The platform is reached through the link's port, user and storage services.

// The chosen port and whether it failed to open, as held in memory. The configuration's
// PortNumber is derived from it: ports 1..10 keep the stored rule (+10 while not open); ports
// 11..16 are stored as 21..26, which reads back as ports 11..16 (the not-open marker is removed
// at every start anyway), so they survive a restart without being mistaken for ports 1..6.
struct PortState {
    int port;     // 1..16
    bool failed;  // the last attempt to open it failed: no link is open
    bool lost;    // it opened, then went away: closed, and opened again about once a second
};

uint16_t EncodePortNumber(int port, bool failed);
int DecodePortNumber(uint16_t stored);

// Start-up: write the parameter defaults of all cuts, then take the port from the configuration,
// check its item and open it (TextId 114 on failure).
void OpenPortAtStart(Link& link);
// Communication / COM n.
void ChoosePort(Link& link, int port);
// Communication / Auto connect: try COM 1..16 for a unit that sends a Break Limit report.
void ScanPorts(Link& link);

// One step of every timer tick: the unit counts as lost after 10 silent ticks.
constexpr int32_t kSilenceLimit = 10;
void WatchConnection(Link& link);

// One step of every timer tick: a port that went away while open is closed, then opened again
// every kReopenTicks ticks until it opens (no message: the Comm lamp shows the loss meanwhile).
// A port choice or a scan takes over from it.
constexpr int kReopenTicks = 33;  // about a second of 30 ms ticks
void WatchPort(Link& link);

// Key rule: one action per press; a second key pressed while the first is held is ignored.
enum class KeyAction { kNone, kSendAcknowledge, kToggleFreeze };
constexpr int kKeySpace = 32;
constexpr int kKeyPause = 19;
constexpr uint8_t kAcknowledgeCode = 205;
constexpr uint8_t kSheetOpensCode = 47;
KeyAction HandleKeyDown(Link& link, int virtualKey);
void HandleKeyUp(Link& link);
void ResetKeyState(Link& link);
