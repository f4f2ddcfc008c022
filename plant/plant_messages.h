// What the plant link publishes: the topics and the JSON payloads, written by hand (the program
// carries no JSON library). Machine names and topic prefixes are validated by the settings to
// characters that need no escaping, in a topic or in JSON.
#pragma once

#include <cstddef>
#include <cstdint>

#include "journal/journal_record.h"

// Room for the longest cycle message and the longest topic.
constexpr std::size_t kCycleMessageMax = 512;
constexpr std::size_t kStateMessageMax = 192;
constexpr std::size_t kPlantTopicMax = 160;

// "<prefix>/<machine>/<leaf>" ("cycle" or "state") into out; returns its length, 0 when it does
// not fit.
std::size_t FormatPlantTopic(const char* prefix, const char* machine, const char* leaf, char* out,
                             std::size_t size);

// The journal line's fields (named as in its header, the alarms as 0/1, the time as written
// there) with "machine", the identity of the outbox that numbered it ("outbox", left out when
// "") and its number there ("seq"). Returns its length, 0 when it does not fit.
std::size_t FormatCycleMessage(const JournalRecord& r, const char* machine, const char* outbox,
                               uint64_t sequence, char* out, std::size_t size);

// What the retained state message tells about the monitor.
struct PlantState {
    bool unitConnected;
    int activeCut;  // 0..15, -1 while no cut has started
    bool breakLamp, bluntLamp, missingLamp;
};
bool operator==(const PlantState& a, const PlantState& b);

// {"machine":..,"online":true,"unit":..,"cut":1..16 or null,"break":..,"blunt":..,"missing":..}
std::size_t FormatStateMessage(const PlantState& s, const char* machine, char* out, std::size_t size);
// {"machine":..,"online":false}: the will, and what a monitor says when it closes.
std::size_t FormatOfflineMessage(const char* machine, char* out, std::size_t size);
