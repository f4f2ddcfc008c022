// The cycle messages of the unit's stream and what they do to the running cycle, the live curve
// and the statistics: samples, the Po window, cut start and cycle end. Reader thread only.
#pragma once

#include <cstdint>

struct Link;

// Never doubled beyond this, so a point's sample sum (at most 105 per sample) stays within 32
// bits however long a cycle runs without a new curve screen.
constexpr int32_t kMaxSamplesPerPoint = 1 << 24;
constexpr int32_t kNoPoint = -1;

// A power sample 0..105. Returns the value of the point it completed, or kNoPoint.
int32_t OnSample(Link& link, int32_t value);
// 201: first of the pair starts the Po measurement, the second computes Po.
void OnPoWindow(Link& link);
// 220..235.
void OnCutStart(Link& link, int cut);
// 200: the statistics entry, under the statistics lock, and the finished cycle handed to the link's
// cycle-end service with the lock held (its owner saves, journals, requests the snapshot and marks
// the repaints). Only a
// cycle whose cut start came on this link is stored: a cycle end while idle (the unit repeated
// it) or after a cycle the monitor joined halfway (it came up or the link opened while the
// machine was cutting) is counted and nothing else. A cycle that ends before its work phase
// (states 207, 201) stores peak 0 and work 0.
void OnCycleEnd(Link& link);
// The link opens: the cycle running now, if any, began unseen. Called before the reader starts.
void ForgetRunningCycle(Link& link);
