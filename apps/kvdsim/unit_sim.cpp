#include "unit_sim.h"

#include <algorithm>
#include <cmath>

#include "link/frame_codec.h"

namespace kvdsim {

namespace {

// The line carries 1920 bytes a second; the unit keeps to about 1500 of them: samples first,
// then parameter reports with what is left (a margin stays for the event codes).
constexpr int kLineBudgetBytes = 1500;
constexpr int kCodeMarginBytes = 100;
constexpr int kMinReportBytes = 120;
constexpr uint8_t kCodeCycleEnd = 200, kCodePoWindow = 201, kCodeBreak = 202, kCodeMissing = 203,
                  kCodeBlunt = 204, kCodeAlarmReset = 205, kCodeError1 = 206, kCodeBluntDetected = 207,
                  kCodeMissingDetected = 208, kCodeBluntCleared = 209, kCodeMissingCleared = 210,
                  kCodeRelaysDisabled = 211, kCodeCutStart = 220, kCodeReportAll = 47;

int64_t TicksOfMs(int64_t ms, int rate) { return ms * rate / 1000; }

}  // namespace

UnitSimulator::UnitSimulator(const SimConfig& config)
    : config_(config),
      params_(config.parameters),
      prng_(config.seed),
      noisePrng_(config.seed ^ 0x6E6F697365ull),
      noisePpm_(NoisePpm(config.scenarios)),
      // Break Limit reports every half second of simulated time, and at least twice a
      // wall-clock second when the simulation runs slower than real time.
      keepAliveTicks_(std::max(1, static_cast<int>(config.rate * std::min(1.0, config.speed) / 2))),
      idleSampleTicks_(std::max(1, config.rate / 10)),
      rollingTicks_(std::max(1, config.rate / 5)),
      reportCost_(kWordFrameSize * config.rate),
      reportRefill_(
          std::max(kMinReportBytes, kLineBudgetBytes - kCodeFrameSize * config.rate - kCodeMarginBytes)),
      idleLeft_(TicksOfMs(config.idleMs, config.rate)) {
    if (config_.cuts.empty()) config_.cuts.push_back(0);
    ReportAll();
    // The end of a cycle whose cut start the monitor missed: Po window, work, cycle end.
    if (JoinsHalfway(config_.scenarios))
        heldCodes_.assign({20, 22, kCodePoWindow, 30, 31, 32, kCodePoWindow, 60, 70, 65, kCodeCycleEnd});
}

void UnitSimulator::ReportAll() {
    const std::vector<uint16_t> all = AllParameterReports(params_);
    bulk_.assign(all.begin(), all.end());
}

void UnitSimulator::SetSinks(LineSink log, LineSink events, LineSink notes) {
    log_ = std::move(log);
    events_ = std::move(events);
    notes_ = std::move(notes);
}

void UnitSimulator::Note(const std::string& text) {
    if (notes_) notes_(text);
}

bool UnitSimulator::CyclesDone() const { return config_.cycles > 0 && played_ >= config_.cycles && !script_; }

// ---- one sample period ------------------------------------------------------------------------

void UnitSimulator::Tick() {
    ++tick_;
    if (silentTicks_ > 0) {
        if (--silentTicks_ == 0) Note("line talks again");
        return;
    }
    while (!heldCodes_.empty()) {
        EmitCode(heldCodes_.front());
        heldCodes_.pop_front();
    }
    if (tick_ % keepAliveTicks_ == 0) {
        EmitWord(ReportWord(params_, keepAliveCut_, 0));
        keepAliveCut_ = (keepAliveCut_ + 1) % kCutCount;
    }
    StepCycle();
    if (silentTicks_ == 0) SendReports();
}

void UnitSimulator::SendReports() {
    reportBudget_ = std::min<int64_t>(reportBudget_ + reportRefill_, 2 * reportCost_);
    if (replies_.empty() && bulk_.empty() && tick_ % rollingTicks_ == 0) {
        // Unprompted, the unit goes on reporting its whole set, slowly, so a monitor that
        // started late learns every value.
        bulk_.push_back(ReportAt(params_, rollIndex_));
        rollIndex_ = (rollIndex_ + 1) % kAllReportCount;
    }
    while (reportBudget_ >= reportCost_ && (!replies_.empty() || !bulk_.empty())) {
        std::deque<uint16_t>& queue = replies_.empty() ? bulk_ : replies_;
        EmitWord(queue.front());
        queue.pop_front();
        reportBudget_ -= reportCost_;
    }
}

void UnitSimulator::StepCycle() {
    if (!script_) {
        if (idleLeft_ > 0) --idleLeft_;
        if (idleLeft_ > 0 || (config_.cycles > 0 && played_ >= config_.cycles)) {
            // Between cycles the machine idles: a few low samples keep the line alive.
            if (tick_ % idleSampleTicks_ == 0) EmitCode(static_cast<uint8_t>(prng_.Range(0, 5)));
            return;
        }
        StartCycle();
    }
    while (pos_ < script_->steps.size()) {
        const Step step = script_->steps[pos_++];
        switch (step.kind) {
            case StepKind::CutStart:
                EmitCode(static_cast<uint8_t>(kCodeCutStart + cut_));
                if (faults_.relaysDisabledNow) EmitCode(kCodeRelaysDisabled);
                break;
            case StepKind::PoWindow:
                EmitCode(kCodePoWindow);
                break;
            case StepKind::Sample:
                EmitCode(step.value);
                ObserveSample(step);
                return;
            case StepKind::Error1:
                error1_ = true;
                cycleAlarms_ |= kCycleError1;
                EmitCode(kCodeError1);
                Note("error 1");
                break;
            case StepKind::Silence:
                silentTicks_ = std::max<int64_t>(
                    1, std::llround(faults_.silenceMs * config_.rate * config_.speed / 1000.0));
                Note("line silent for " + std::to_string(faults_.silenceMs) + " ms");
                return;
            case StepKind::CycleEnd:
                EndOfCycleChecks();
                EmitCode(kCodeCycleEnd);
                script_.reset();
                idleLeft_ = TicksOfMs(config_.idleMs, config_.rate);
                return;
        }
    }
}

void UnitSimulator::StartCycle() {
    ++played_;
    cut_ = config_.cuts[static_cast<std::size_t>((played_ - 1) % static_cast<long>(config_.cuts.size()))];
    faults_ = FaultsOfCycle(config_.scenarios, played_);
    // Like the monitor, the unit starts the counters of a newly selected cut afresh unless its
    // options say otherwise.
    if (cut_ != lastCut_ && params_.common.unitOptions == 0) {
        bluntCounter_[cut_] = 0;
        missingCounter_[cut_] = 0;
    }
    lastCut_ = cut_;
    const int machining = static_cast<int>(TicksOfMs(config_.machiningMs, config_.rate));
    const CycleInput in{cut_, params_.cuts[cut_], params_.common.poSamples, config_.rate, machining, faults_};
    script_ = BuildCycleScript(in, prng_);
    pos_ = 0;
    samplesSinceStart_ = 0;
    poCount_ = std::max(kMinPoSamples, static_cast<int>(params_.common.poSamples));
    breakRun_ = 0;
    breakRaised_ = false;
    rose_ = false;
    bluntDetected_ = false;
    bluntSent_ = false;
    workSum_ = 0;
}

// ---- the unit's own limits ----------------------------------------------------------------------

void UnitSimulator::ObserveSample(const Step& step) {
    ++samplesSinceStart_;
    if (step.phase != Phase::Running) return;
    const CutParameters& p = params_.cuts[cut_];
    const int s = step.value;
    const int po = script_->unitPo;

    // Power above the break limit is the break detector's business, not a blunt tool's.
    const bool breakLevel = !IsOff(Parameter::kBreakLimit, p.breakLimit) && s > po + p.breakLimit;
    if (breakLevel) {
        if (++breakRun_ >= std::max(1, SamplesInTenths(p.breakDelay, config_.rate)) && !breakRaised_) {
            breakRaised_ = true;
            RaiseAlarm(kAlarmBreak, kCodeBreak, "break");
        }
    } else {
        breakRun_ = 0;
    }
    // A Missing limit that is Off counts every cycle as one that rose.
    if (s > po + p.missingLimit || IsOff(Parameter::kMissingLimit, p.missingLimit)) rose_ = true;

    const bool inTa = p.ta == 0 || p.taOnBlunt == 0 ||
                      samplesSinceStart_ <= SamplesInTenths(p.ta + p.ts, config_.rate) + poCount_;
    if (inTa && s > po) workSum_ += static_cast<uint32_t>(s - po);

    if (!bluntDetected_ && !breakRaised_ && !IsOff(Parameter::kBluntLimit, p.bluntLimit)) {
        const bool over = p.bluntMode == kBluntModePower
                              ? s - po > p.bluntLimit && !breakLevel
                              : WorkPercent(workSum_, p.workDivisor) > p.bluntLimit;
        if (over) {
            bluntDetected_ = true;
            if (p.bluntAlarmMode == 1) BluntDetection();
        }
    }
}

void UnitSimulator::BluntDetection() {
    bluntSent_ = true;
    EmitCode(kCodeBluntDetected);
    const int needed = std::max<int>(1, params_.cuts[cut_].bluntCount);
    if (++bluntCounter_[cut_] >= needed) RaiseAlarm(kAlarmBlunt, kCodeBlunt, "blunt");
}

void UnitSimulator::EndOfCycleChecks() {
    if (bluntDetected_ && !bluntSent_) {
        BluntDetection();
    } else if (!bluntDetected_ && bluntCounter_[cut_] > 0) {
        bluntCounter_[cut_] = 0;
        EmitCode(kCodeBluntCleared);
    }
    if (!rose_) {
        EmitCode(kCodeMissingDetected);
        const int needed = std::max<int>(1, params_.cuts[cut_].missingCount);
        if (++missingCounter_[cut_] >= needed) RaiseAlarm(kAlarmMissing, kCodeMissing, "missing tool");
    } else if (missingCounter_[cut_] > 0) {
        missingCounter_[cut_] = 0;
        EmitCode(kCodeMissingCleared);
    }
}

void UnitSimulator::RaiseAlarm(int32_t bit, uint8_t code, const char* what) {
    alarmBits_ |= bit;
    cycleAlarms_ |= bit;
    EmitCode(code);
    Note(std::string(what) + " alarm in cycle " + std::to_string(played_));
    if (faults_.relaysDisabled) EmitCode(kCodeRelaysDisabled);
}

// ---- sending ------------------------------------------------------------------------------------

void UnitSimulator::EmitCode(uint8_t code) {
    // Samples may be hit by line noise; the event codes stay intact so every cycle is recorded.
    EmitFrame(code, false, code <= kMaxSample);
}

void UnitSimulator::EmitWord(uint16_t word) { EmitFrame(word, true, true); }

void UnitSimulator::EmitFrame(uint16_t value, bool word, bool corruptible) {
    uint8_t frame[kWordFrameSize];
    const int n = word ? BuildWordFrame(value, frame) : BuildCodeFrame(static_cast<uint8_t>(value), frame);
    bool valid = true;
    bool split = false;
    if (noisePpm_ > 0 && noisePrng_.ChancePpm(noisePpm_)) {
        switch (noisePrng_.Range(0, 3)) {
            case 0:
                if (corruptible) {
                    // The checksum byte no longer matches; never 0 or CR, which would change the line.
                    const uint8_t good = frame[n - 2];
                    uint8_t bad = static_cast<uint8_t>(good + noisePrng_.Range(1, 200));
                    while (bad == good || bad == 0x00 || bad == 0x0D) bad = static_cast<uint8_t>(bad + 1);
                    frame[n - 2] = bad;
                    valid = false;
                } else {
                    EmitNoiseLine(noisePrng_.Range(1, kMaxLineLength));
                }
                break;
            case 1:
                split = true;
                break;
            case 2:
                EmitNoiseLine(noisePrng_.Range(1, kMaxLineLength));
                break;
            default:
                EmitNoiseLine(noisePrng_.Range(kMaxLineLength + 1, 16));
                break;
        }
    }
    if (split) {
        output_.Append(frame, static_cast<std::size_t>(n / 2));
        output_.MarkGap();
        output_.Append(frame + n / 2, static_cast<std::size_t>(n - n / 2));
    } else {
        output_.Append(frame, static_cast<std::size_t>(n));
    }
    if (!valid) return;
    if (const auto entry = mirror_.Feed(value)) {
        if (events_) {
            // The alarms as the monitor's journal counts them: those sent since the last cycle end.
            std::string alarms;
            static constexpr const char* kNames[] = {"break", "blunt", "missing", "err1"};
            for (int k = 0; k < 4; ++k)
                if (cycleAlarms_ & (1 << k)) alarms += (alarms.empty() ? "" : ",") + std::string(kNames[k]);
            events_("cycle " + std::to_string(played_) + " cut " + std::to_string(entry->cut + 1) + " peak " +
                    std::to_string(entry->peak) + " work " + std::to_string(entry->work) + " alarms " +
                    (alarms.empty() ? "-" : alarms));
        }
        cycleAlarms_ = 0;
    }
}

// A line of random bytes that the monitor drops: the checksum of the bytes it keeps (at most 7)
// never matches, and it holds no 0 and no CR.
void UnitSimulator::EmitNoiseLine(int length) {
    std::vector<uint8_t> line(static_cast<std::size_t>(length) + 1);
    for (int i = 0; i < length; ++i) {
        uint8_t b = static_cast<uint8_t>(noisePrng_.Range(1, 255));
        if (b == 0x0D) b = 0x0E;
        line[static_cast<std::size_t>(i)] = b;
    }
    const int kept = std::min(length, kMaxLineLength);
    uint8_t sum = 0;
    for (int i = 0; i + 1 < kept; ++i) sum = static_cast<uint8_t>(sum + line[static_cast<std::size_t>(i)]);
    uint8_t& last = line[static_cast<std::size_t>(kept - 1)];
    while (last == sum || last == 0x00 || last == 0x0D) last = static_cast<uint8_t>(last + 1);
    line[static_cast<std::size_t>(length)] = 0x0D;
    output_.Append(line.data(), line.size());
}

// ---- receiving ----------------------------------------------------------------------------------

void UnitSimulator::Receive(const uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] != 0x0D) {
            line_[lineLength_] = bytes[i];
            lineLength_ = std::min(lineLength_ + 1, kMaxLineLength);
            continue;
        }
        line_[lineLength_] = 0;
        HandleLine();
        lineLength_ = 0;
    }
}

void UnitSimulator::HandleLine() {
    if (LineIsValid(line_)) {
        HandleValue(DecodeLine(line_));
        return;
    }
    char rendering[kFormattedLineSize];
    FormatLine(line_, rendering);
    if (log_) log_(rendering[0] ? std::string("invalid ") + rendering : "invalid (empty line)");
}

void UnitSimulator::HandleValue(uint16_t v) {
    if (v < kFirstParameterCode) {
        if (log_) log_("code " + std::to_string(v));
        if (v == kCodeAlarmReset) {
            // The monitor acknowledges: the unit clears its alarms and answers with the reset.
            alarmBits_ = 0;
            error1_ = false;
            if (lastCut_ >= 0) {
                bluntCounter_[lastCut_] = 0;
                missingCounter_[lastCut_] = 0;
            }
            heldCodes_.push_back(kCodeAlarmReset);
            Note("alarms acknowledged");
        } else if (v == kCodeReportAll) {
            ReportAll();
            Note("reporting all parameters");
        }
        return;
    }
    const CommandWordFields f = SplitCommandWord(v);
    const std::string head = "word " + std::to_string(v) + " cut " + std::to_string(f.cut);
    if (f.parameter < 0) {
        if (log_) log_(head + " code " + std::to_string(f.code) + " ignored");
        return;
    }
    SetParameterValue(params_, f.cut, f.parameter, f.value);
    replies_.push_back(MakeCommandWord(f.cut, f.parameter, f.value));
    const std::string text =
        head + " param " + ParameterName(f.parameter) + " value " + std::to_string(f.value) + " applied";
    if (log_) log_(text);
    Note(text);
}

}  // namespace kvdsim
