#include "link/cycle_messages.h"

#include <limits>
#include <mutex>

#include "model/model.h"
#include "link/link.h"
#include "model/change_bits.h"
#include "model/window_service.h"

// Fields that only this thread writes are read here plainly; every write that the UI thread may
// read goes through Store.

namespace {

constexpr int32_t kPointsAfterCompression = kCompressAt / 2 + 1;  // point 0 and 299 even ones

// cyclesPerScreen 0 acts as 1; more slots than CycleStart holds are never used.
int32_t SlotsPerScreen(uint16_t cyclesPerScreen) {
    if (cyclesPerScreen < 1) return 1;
    return cyclesPerScreen > kCycleSlots ? kCycleSlots : cyclesPerScreen;
}

// First point of the running cycle. Before the first cut start there is no slot, and the
// window tests then count from the current point.
int32_t CurrentCycleStart(const UnitModel& model) {
    const LiveCurve& c = model.curve;
    if (c.CycleSlot < 0 || c.CycleSlot >= kCycleSlots) return c.pointCount;
    return c.CycleStart[c.CycleSlot];
}

bool TaWindowOver(const UnitModel& model) {
    return model.activeCutParameters.ta != 0 &&
           model.curve.pointCount > CurrentCycleStart(model) + model.curve.taWindowEnd;
}

void AddWork(UnitModel& model, uint32_t amount) {
    // A sum that would wrap would turn the longest cycles into the smallest work values.
    const uint32_t sum = model.cycle.workSum;
    const uint32_t room = std::numeric_limits<uint32_t>::max() - sum;
    Store(model.cycle.workSum, amount > room ? std::numeric_limits<uint32_t>::max() : sum + amount);
}

void StorePoint(LiveCurve& c, int32_t at, const CurvePoint& p) {
    CurvePoint& to = c.points[at];
    Store(to.value, p.value);
    Store(to.state, p.state);
    Store(to.po, p.po);
    Store(to.slot, p.slot);
}

// The screen is full: halve it, keeping every second point, so the cycle goes on at half the
// horizontal resolution.
void CompressCurve(UnitModel& model) {
    LiveCurve& c = model.curve;
    Store(c.compressing, 1);
    for (int32_t s = 0; s <= c.CycleSlot && s < kCycleSlots; ++s) Store(c.CycleStart[s], c.CycleStart[s] / 2);
    Store(c.taWindowEnd, c.taWindowEnd >> 1);
    Store(c.twWindowEnd, c.twWindowEnd >> 1);
    for (int32_t i = 1; i < kPointsAfterCompression; ++i) StorePoint(c, i, c.points[2 * i]);
    Store(c.pointCount, kPointsAfterCompression);
    if (c.samplesPerPoint < kMaxSamplesPerPoint) Store(c.samplesPerPoint, c.samplesPerPoint * 2);
    MarkChanged(model.changes, kChangeCurveRestart);
    Store(c.compressing, 0);
}

}  // namespace

int32_t OnSample(Link& link, int32_t value) {
    UnitModel& model = *link.model;
    CycleStateRecord& cycle = model.cycle;
    LiveCurve& c = model.curve;
    Store(cycle.lastSample, value);
    if (cycle.CycleState == kStateIdle) return kNoPoint;
    MarkChanged(model.changes, kChangeCurvePoints);  // a point, the work sum or the peak moves

    const bool running = cycle.CycleState == kStateRunning;
    // pointCount does not move before the point is stored, so one test serves work and peak.
    const bool windowOver = running && TaWindowOver(model);
    if (running && value > cycle.po && (!windowOver || model.activeCutParameters.taOnBlunt == 0))
        AddWork(model, static_cast<uint32_t>(value - cycle.po));

    c.sampleSum += value;
    ++c.sampleCount;
    const int32_t perPoint = c.samplesPerPoint > 0 ? c.samplesPerPoint : 1;
    if (c.sampleCount < perPoint) return kNoPoint;

    c.sampleCount = 0;
    const int32_t a = perPoint == 1 ? c.sampleSum : c.sampleSum / perPoint;  // 1 most of the time
    if (running && !windowOver && a - cycle.po > cycle.peak) Store(cycle.peak, a - cycle.po);

    int32_t at = c.pointCount;
    if (at < 0 || at >= kCompressAt) at = 0;  // never outside the curve, whatever came before
    StorePoint(c, at, {a, cycle.CycleState, cycle.po, c.CycleSlot});
    c.sampleSum = 0;
    Store(c.pointCount, at + 1);
    if (at + 1 >= kCompressAt) CompressCurve(model);
    return a;
}

void OnPoWindow(Link& link) {
    UnitModel& model = *link.model;
    CycleStateRecord& cycle = model.cycle;
    if (cycle.CycleState != kStatePoMeasurement) {
        Store(cycle.CycleState, kStatePoMeasurement);
        return;
    }
    Store(cycle.workSum, 0);
    Store(cycle.peak, 0);
    const LiveCurve& c = model.curve;
    int32_t sum = 0;
    int32_t count = 0;
    if (c.CycleSlot >= 0 && c.CycleSlot < kCycleSlots) {
        const int32_t first = c.CycleStart[c.CycleSlot] > 0 ? c.CycleStart[c.CycleSlot] : 0;
        for (int32_t i = first; i < c.pointCount && i < kCurvePoints; ++i) {
            if (c.points[i].state != kStatePoMeasurement) continue;
            sum += c.points[i].value;
            ++count;
        }
    }
    Store(cycle.poPoints, count);
    Store(cycle.po, count > 0 ? sum / count : 0);
    Store(cycle.CycleState, kStateRunning);
    MarkChanged(model.changes, kChangeCurveRestart);
}

void OnCutStart(Link& link, int cut) {
    UnitModel& model = *link.model;
    Store(model.ActiveCut, cut);
    CutParameters& mirror = model.activeCutParameters;
    for (int w = 0; w < kCutWordCount; ++w) Store(CutWord(mirror, w), CutWord(model.cutParameters[cut], w));

    LiveCurve& c = model.curve;
    const int32_t slots = SlotsPerScreen(mirror.cyclesPerScreen);
    int32_t slot = c.CycleSlot;
    if (cut != model.LastAnnouncedCut) {
        slot = slots;  // another cut: its cycles start on a fresh screen
        MarkChanged(model.changes, kChangeCutAnnounced);
        if (model.common.unitOptions == 0) {
            Store(model.alarms.BluntCounter[cut], 0);
            Store(model.alarms.MissingCounter[cut], 0);
        }
    }
    Store(model.LastAnnouncedCut, cut);
    Store(model.cycle.CycleState, kStateCutAnnounced);
    Store(model.cycle.peak, 0);
    model.cycle.cutAnnounced = 1;

    ++slot;
    if (slot >= slots) {
        slot = 0;
        const uint16_t poSamples = model.common.poSamples;
        Store(c.pointCount, 0);
        Store(c.twWindowEnd, (mirror.tw + mirror.ts) * 10 + poSamples);
        Store(c.taWindowEnd, (mirror.ta + mirror.ts) * 10 + poSamples);
        Store(c.samplesPerPoint, 1);
        MarkChanged(model.changes, kChangeCurveRestart);
    }
    c.sampleSum = 0;
    c.sampleCount = 0;
    // The start before the slot, so a reader never pairs a new slot with an old start.
    Store(c.CycleStart[slot], c.pointCount);
    Store(c.CycleSlot, slot);
    MarkChanged(model.changes, kChangeCurvePoints);
}

void OnCycleEnd(Link& link) {
    UnitModel& model = *link.model;
    CycleStateRecord& cycle = model.cycle;
    const int32_t state = cycle.CycleState;
    const bool announced = cycle.cutAnnounced != 0;
    cycle.cutAnnounced = 0;
    // No cycle to end (it would be a false {0, 0}), or one whose cut start this link never saw
    // (its values and its cut would be another cycle's; its alarms go with it).
    if (state == kStateIdle || !announced) {
        Store(link.ignoredCycleEnds, link.ignoredCycleEnds + 1);
        if (state == kStateIdle) return;
        Store(cycle.CycleState, kStateIdle);
        cycle.alarmsOfCycle = 0;
        return;
    }
    Store(cycle.CycleState, kStateIdle);
    const int cut = model.ActiveCut;
    // A cycle that ended before its work phase measured nothing: peak, work and Po are 0, not the
    // previous cycle's.
    const bool worked = state == kStateRunning;
    const StatisticsEntry entry{
        static_cast<uint8_t>(worked ? cycle.peak & 0xFF : 0),
        worked ? WorkPercent(cycle.workSum, model.cutParameters[cut].workDivisor) : uint8_t{0}};
    const AlarmState& a = model.alarms;
    const FinishedCycle finished{cut,
                                 entry,
                                 worked ? cycle.po : uint16_t{0},
                                 cycle.alarmsOfCycle,
                                 a.BluntCounter[cut],
                                 a.MissingCounter[cut],
                                 model.cutParameters[cut]};
    cycle.alarmsOfCycle = 0;
    // The entry goes in under the lock, and the handler gets the lock held: the file in use must
    // hold this entry before anything else happens (a load or reset on the UI thread waits).
    std::unique_lock<std::mutex> lock(*link.statisticsMutex);
    AppendStatisticsEntry(*link.statistics, cut, entry);
    link.cycleEnds.ended(link.cycleEnds.self, finished, lock);
}

void ForgetRunningCycle(Link& link) { link.model->cycle.cutAnnounced = 0; }
