// The collector's receipt: once a cycle's line is in its machine's journal at kvdplant (stored
// now, or found there as a resend), kvdplant publishes {"outbox":"<id>","seq":N} on
// "<prefix>/<machine>/receipt" (QoS 1, not retained). It names the outbox and the number of the
// latest cycle of that outbox whose line is there; since one outbox's cycles reach kvdplant in
// the order they were sent, the monitor takes it for that cycle and every one sent before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

constexpr std::size_t kReceiptMessageMax = 64;

// The receipt of `outbox` (1..16 lowercase hexadecimal digits) up to `sequence`: its length, 0
// when it does not fit.
std::size_t FormatReceiptMessage(const char* outbox, uint64_t sequence, char* out, std::size_t size);

// Reads a receipt as FormatReceiptMessage writes it (members after "seq" are left to later
// versions and passed over): false for anything else. outbox gets its id and the end.
[[nodiscard]] bool ParseReceiptMessage(std::string_view text, char (&outbox)[17], uint64_t* sequence);
