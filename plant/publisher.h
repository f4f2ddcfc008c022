// The plant link's publisher: a thread of its own that sends every cycle of the journal to the
// broker (QoS 1, in order, up to a window of them before their receipts come) and keeps the
// retained state message current. The outbox moves on when kvdplant's receipt says the cycles are
// in the machine's journal there, not at the broker's PUBACK, so a broker that loses what it
// acknowledged (killed before its save) loses no cycle: what was not receipted goes again, with
// its own number, after the next connection. The reader and the UI thread never wait for it:
// they hand it a nudge or a new state, and read its status through atomics.
#pragma once

#include <cstdint>

#include "journal/journal_writer.h"
#include "plant/plant_messages.h"
#include "plant/plant_settings.h"
#include "plant/socket.h"

enum class PlantLinkState : int32_t { kOff, kConnecting, kConnected };

// What the debug window shows; every field is read with relaxed atomics.
struct PlantLinkStatus {
    PlantLinkState state;
    uint32_t waiting;           // cycles in the journal not yet receipted by the collector
    uint64_t published;         // cycles receipted since the start
    int32_t lastError;          // 0, a socket or session result
    const char* lastErrorText;  // static text of the last error ("connection refused", ...)
    uint32_t undecided;         // cycles not sent: a changed day file no longer tells them from sent ones
};

struct PlantPublisherSetup {
    PlantSettings settings;
    char journalFolder[kJournalPathMax];
    SocketService sockets;
    int32_t connectTimeoutMs;  // also the wait for CONNACK
    int32_t ackTimeoutMs;      // the wait for the state's PUBACK before the connection is given up
    uint16_t keepAliveSeconds;
};

// The usual timings on the system's sockets, or on TLS over them when the settings ask for it.
PlantPublisherSetup DefaultPublisherSetup(const PlantSettings& settings, const char* journalFolder);

struct PlantPublisher;

// Starts the thread; null when it cannot start.
PlantPublisher* StartPlantPublisher(const PlantPublisherSetup& setup);
// A line was appended to the journal: look now rather than at the next poll.
void NudgePlantPublisher(PlantPublisher* p);
// The monitor's state; published (retained) when it differs from the last one sent.
void SetPlantState(PlantPublisher* p, const PlantState& s);
PlantLinkStatus ReadPlantLinkStatus(const PlantPublisher* p);
// Asks the thread to stop (it says offline and disconnects when it can within a moment) and waits
// at most waitMs for it; a thread still busy then (a name lookup that hangs) is left to end by
// itself. Null does nothing.
void StopPlantPublisher(PlantPublisher* p, int32_t waitMs);

// The text of a status's last error for the debug window.
const char* PlantErrorText(int32_t result);
