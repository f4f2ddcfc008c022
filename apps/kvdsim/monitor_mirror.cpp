#include "monitor_mirror.h"

#include "unit_parameters.h"

namespace kvdsim {

MonitorMirror::MonitorMirror() {
    for (auto& cut : cuts_) cut = DefaultCutParameters();
    WriteDefaultCommonParameters(common_);
    active_ = DefaultCutParameters();
}

std::optional<MirrorEntry> MonitorMirror::Feed(uint16_t value) {
    if (value <= 105) {
        Sample(value);
    } else if (value == 200) {
        return CycleEnd();
    } else if (value == 201) {
        PoWindow();
    } else if (value == 206) {
        workSum_ = 0;
    } else if (value >= 220 && value <= 235) {
        CutStart(value - 220);
    } else if (value >= 256) {
        Report(value);
    }
    return std::nullopt;
}

void MonitorMirror::CutStart(int cut) {
    activeCut_ = cut;
    active_ = cuts_[cut];
    if (cut != lastAnnouncedCut_) slot_ = active_.cyclesPerScreen;
    lastAnnouncedCut_ = cut;
    state_ = kStateCutAnnounced;
    cutAnnounced_ = true;
    peak_ = 0;
    ++slot_;
    if (slot_ >= active_.cyclesPerScreen) {  // a new curve screen
        slot_ = 0;
        pointCount_ = 0;
        taWindowEnd_ = static_cast<uint16_t>((active_.ta + active_.ts) * 10 + common_.poSamples);
        samplesPerPoint_ = 1;
    }
    sampleSum_ = 0;
    sampleCount_ = 0;
    cycleStart_[slot_] = pointCount_;
}

int MonitorMirror::CycleStartPoint() const { return slot_ < 0 ? pointCount_ : cycleStart_[slot_]; }

bool MonitorMirror::TaWindowOver() const {
    return active_.ta != 0 && pointCount_ > CycleStartPoint() + taWindowEnd_;
}

void MonitorMirror::PoWindow() {
    if (state_ != kStatePoMeasurement) {
        state_ = kStatePoMeasurement;
        return;
    }
    workSum_ = 0;
    peak_ = 0;
    uint16_t sum = 0;
    int count = 0;
    if (slot_ >= 0) {
        for (int i = cycleStart_[slot_]; i < pointCount_; ++i) {
            if (pointState_[i] != kStatePoMeasurement) continue;
            sum = static_cast<uint16_t>(sum + value_[i]);
            ++count;
        }
    }
    po_ = count > 0 ? static_cast<uint16_t>(sum / count) : 0;
    state_ = kStateRunning;
}

void MonitorMirror::Sample(int v) {
    if (state_ == kStateIdle) return;
    if (state_ == kStateRunning) {
        const bool counts = !TaWindowOver() || active_.taOnBlunt == 0;
        if (counts && v > po_) workSum_ += static_cast<uint32_t>(v - po_);
    }
    sampleSum_ += v;
    if (++sampleCount_ < samplesPerPoint_) return;
    sampleCount_ = 0;
    const int a = sampleSum_ / samplesPerPoint_;
    if (state_ == kStateRunning && !TaWindowOver() && a - po_ > peak_) peak_ = a - po_;
    value_[pointCount_] = a;
    pointState_[pointCount_] = state_;
    sampleSum_ = 0;
    if (++pointCount_ >= kCompressAt) Compress();
}

void MonitorMirror::Compress() {
    for (int s = 0; s <= slot_; ++s) cycleStart_[s] /= 2;
    taWindowEnd_ = static_cast<uint16_t>(taWindowEnd_ >> 1);
    for (int i = 1; i < kCompressAt / 2 + 1; ++i) {
        value_[i] = value_[2 * i];
        pointState_[i] = pointState_[2 * i];
    }
    pointCount_ = kCompressAt / 2 + 1;
    samplesPerPoint_ *= 2;
}

std::optional<MirrorEntry> MonitorMirror::CycleEnd() {
    // The monitor stores only a cycle whose cut start it saw; one that ended before its work
    // phase as {0, 0}.
    const int state = state_;
    const bool announced = cutAnnounced_;
    cutAnnounced_ = false;
    state_ = kStateIdle;
    if (state == kStateIdle || !announced) return std::nullopt;
    if (state != kStateRunning) return MirrorEntry{activeCut_, 0, 0};
    const uint8_t work = WorkPercent(workSum_, cuts_[activeCut_].workDivisor);
    return MirrorEntry{activeCut_, static_cast<uint8_t>(peak_ & 0xFF), work};
}

void MonitorMirror::Report(uint16_t word) {
    const CommandWordFields f = SplitCommandWord(word);
    if (f.parameter < 0) return;
    const BaseCode& info = kBaseCodes[f.parameter];
    if (info.common) {
        CommonWord(common_, info.word) = f.value;
        return;
    }
    CutWord(cuts_[f.cut], info.word) = f.value;
    if (f.cut == activeCut_) CutWord(active_, info.word) = f.value;
}

}  // namespace kvdsim
