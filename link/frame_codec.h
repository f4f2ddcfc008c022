// Frames exchanged with the unit: each payload byte travels as two nibble bytes (low nibble 1),
// followed by an 8-bit checksum and CR. No byte of a frame is 0 and only the last is 0x0D.
#pragma once

#include <cstdint>

struct Link;

constexpr int kCodeFrameSize = 4;
constexpr int kWordFrameSize = 6;
constexpr int kMaxLineLength = 7;       // bytes of a received line kept before its CR
constexpr int kFormattedLineSize = 32;  // longest rendering is 27 characters

uint8_t HighNibbleByte(uint8_t b);
uint8_t LowNibbleByte(uint8_t b);

// Build a frame into out; returns its size.
int BuildCodeFrame(uint8_t code, uint8_t out[kCodeFrameSize]);
int BuildWordFrame(uint16_t word, uint8_t out[kWordFrameSize]);

// Build the frame and hand it whole to the TransmitRing. False when the ring had no room for the
// whole frame: nothing was put (the frame is dropped, never sent in pieces).
[[nodiscard]] bool SendCodeFrame(Link& link, uint8_t code);
[[nodiscard]] bool SendWordFrame(Link& link, uint16_t word);

// line: zero-terminated received bytes (without the CR).
[[nodiscard]] bool LineIsValid(const uint8_t* line);
uint16_t DecodeLine(const uint8_t* line);
// Bytes as unsigned decimals joined by "-"; empty line gives "".
void FormatLine(const uint8_t* line, char out[kFormattedLineSize]);
