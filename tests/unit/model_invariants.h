// Invariants of the model that no received stream may break; shared by the unit tests and the
// interpreter fuzz target. Returns the broken invariant, or nullptr. Curve points before
// firstPoint are taken as checked already (a completed point does not change until the curve is
// halved or started again).
#pragma once

#include "link/interpreter.h"
#include "model/model.h"
#include "test_monitor.h"

inline const char* BrokenModelInvariant(int firstPoint = 0) {
    const LiveCurve& c = TestModel().curve;
    if (c.pointCount < 0 || c.pointCount >= kCompressAt) return "pointCount within 0..598 between messages";
    if (c.CycleSlot < -1 || c.CycleSlot >= kCycleSlots) return "CycleSlot within -1..7";
    for (int s = 0; s <= c.CycleSlot; ++s)
        if (c.CycleStart[s] < 0 || c.CycleStart[s] > c.pointCount) return "CycleStart within the points";
    if (c.samplesPerPoint < 1) return "samplesPerPoint at least 1";
    if (c.sampleCount < 0 || c.sampleCount >= c.samplesPerPoint) return "sampleCount below samplesPerPoint";
    if (c.compressing != 0) return "compressing cleared after the compression";
    for (int i = firstPoint < 0 ? 0 : firstPoint; i < c.pointCount; ++i)
        if (c.points[i].value < 0 || c.points[i].value > 105) return "point values 0..105";
    const CycleStateRecord& s = TestModel().cycle;
    if (s.CycleState != 0 && s.CycleState != 200 && s.CycleState != 201 && s.CycleState != 207)
        return "CycleState one of 0, 200, 201, 207";
    if (s.peak < 0 || s.peak > 105) return "peak within 0..105";
    if (s.po > 105) return "po within 0..105";
    if (TestModel().ActiveCut < 0 || TestModel().ActiveCut >= kCutCount) return "ActiveCut within 0..15";
    for (int cut = 0; cut < kCutCount; ++cut) {
        if (TestStatistics().writeIndex[cut] >= kStatisticsEntries) return "writeIndex within the ring";
        if (TestStatistics().wrapMarker[cut] >= kStatisticsEntries) return "wrapMarker within the ring";
    }
    if (TestLink().receive.length < 0 || TestLink().receive.length > 7)
        return "ReceiveLine length within 0..7";
    if (TestLink().debugLog.lineIndex < 0 || TestLink().debugLog.lineIndex >= kDebugLines)
        return "debug line index within 0..49";
    return nullptr;
}
