// The message interpreter: the single consumer of the unit's stream. The serial reader thread
// hands it every chunk it reads; it gathers the bytes into lines, checks and decodes them and
// applies each message to the model (model/model.h), recording what changed in the change bits and
// reaching the platform through the link's services (the AnswerEvent, the autosave and journal)
// and the window service (the end-of-cycle request).
#pragma once

#include <cstdint>

#include "link/frame_codec.h"

struct Link;

// The line being received. It survives between calls, so a frame may arrive in several chunks
// (and a partial line of a closed port is completed by the first bytes of the next one).
struct ReceiveLine {
    uint8_t bytes[kMaxLineLength + 1];  // room for the terminating zero
    int32_t length;                     // 0..7
};

// The received frames as the DEBUG window lists them, written only while debugFlag is set.
// Threads: the reader thread writes lines and lineIndex, the DEBUG window (UI thread) sets
// debugFlag and reads; use Load/Store on lineIndex and debugFlag and ReadDebugLine for a line.
// A line is complete before lineIndex moves past it.
constexpr int kDebugLines = 50;
constexpr int kDebugLineSize = 50;
struct DebugLog {
    char lines[kDebugLines][kDebugLineSize];
    int32_t lineIndex;  // 0..49: the line written next
    int32_t debugFlag;  // non-zero while the DEBUG window is open
};

// Feed received bytes in the order they came, in chunks of any size (the reader hands over what
// one read took, 1..64 bytes, often several frames; below 1 nothing happens). Every frame
// is dispatched at its CR whatever the chunking. Returns the length of the ReceiveLine afterwards.
int32_t InterpretBytes(Link& link, const uint8_t* bytes, int32_t count);

// Copy one DebugLog line for display (any thread); out is always zero-terminated.
void ReadDebugLine(const DebugLog& log, int line, char out[kDebugLineSize]);

// Empty ReceiveLine and DebugLog, no cycle end ignored yet (start of the program, tests).
void ResetInterpreter(Link& link);
