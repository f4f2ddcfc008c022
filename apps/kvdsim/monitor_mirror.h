// The monitor's arithmetic for the statistics entry of a cycle, applied to the values the unit
// sends: which entry {peak, work} the monitor stores at each cycle end when it receives every
// frame. It keeps the monitor's view of the parameters (defaults, then the reports) and its
// curve state (points, curve screens, compression), since Po, the Ta window and the peak are
// counted in curve points.
#pragma once

#include <cstdint>
#include <optional>

#include "model/model.h"

namespace kvdsim {

struct MirrorEntry {
    int cut;  // 0..15
    uint8_t peak;
    uint8_t work;
};

class MonitorMirror {
public:
    MonitorMirror();
    // One decoded value of a valid frame; returns the stored entry at a cycle end.
    std::optional<MirrorEntry> Feed(uint16_t value);

    int PointCount() const { return pointCount_; }
    int SamplesPerPoint() const { return samplesPerPoint_; }
    const CutParameters& Parameters(int cut) const { return cuts_[cut]; }

private:
    void CutStart(int cut);
    void PoWindow();
    void Sample(int v);
    std::optional<MirrorEntry> CycleEnd();
    void Report(uint16_t word);
    int CycleStartPoint() const;
    bool TaWindowOver() const;
    void Compress();

    CutParameters cuts_[kCutCount];
    CommonParameters common_{};
    CutParameters active_;
    int activeCut_ = 0;
    int lastAnnouncedCut_ = 117;
    int state_ = kStateIdle;
    bool cutAnnounced_ = false;  // a cut start since the last cycle end: only such a cycle is stored
    uint16_t po_ = 0;
    uint32_t workSum_ = 0;
    int peak_ = 0;
    int value_[kCurvePoints]{};
    int pointState_[kCurvePoints]{};
    int pointCount_ = 0;
    int slot_ = -1;
    int cycleStart_[kCycleSlots]{};
    int samplesPerPoint_ = 1;
    int sampleSum_ = 0;
    int sampleCount_ = 0;
    uint16_t taWindowEnd_ = 0;
};

}  // namespace kvdsim
