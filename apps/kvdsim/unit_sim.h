// The simulated unit without its line: one call per sample period (Tick) produces the bytes the
// unit sends in that period; Receive takes the bytes the monitor sends. Deterministic: the same
// configuration, seed and received bytes at the same ticks give the same output bytes.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cycle_profile.h"
#include "monitor_mirror.h"
#include "output_queue.h"
#include "prng.h"
#include "scenario.h"
#include "unit_parameters.h"

namespace kvdsim {

struct SimConfig {
    UnitParameters parameters = DefaultUnitParameters();
    std::vector<int> cuts{0};  // cuts 0..15, played in this order, over and over
    int rate = 100;            // samples per simulated second
    double speed = 1.0;        // simulated seconds per wall-clock second
    long cycles = 0;           // 0: endless
    int idleMs = 500;          // simulated pause between cycles
    int machiningMs = 1500;    // simulated length of the machining phase
    uint64_t seed = 1;
    std::vector<Scenario> scenarios;
};

using LineSink = std::function<void(const std::string&)>;

class UnitSimulator {
public:
    explicit UnitSimulator(const SimConfig& config);

    // One sample period.
    void Tick();
    // Bytes from the monitor, in any chunking.
    void Receive(const uint8_t* bytes, std::size_t count);
    // Queue the reports of every parameter (after start, on code 47, when the line is opened).
    void ReportAll();

    OutputQueue& Output() { return output_; }
    // Every cycle of a bounded run has been played to its end.
    bool CyclesDone() const;
    long CyclesPlayed() const { return played_; }
    int64_t Ticks() const { return tick_; }
    bool Silent() const { return silentTicks_ > 0; }

    const UnitParameters& Parameters() const { return params_; }
    int32_t AlarmBits() const { return alarmBits_; }
    bool Error1() const { return error1_; }
    int BluntCounter(int cut) const { return bluntCounter_[cut]; }
    int MissingCounter(int cut) const { return missingCounter_[cut]; }

    // log: one line per received frame; events: one line per cycle played; notes: what the unit
    // does, for --verbose.
    void SetSinks(LineSink log, LineSink events, LineSink notes);

private:
    void StepCycle();
    void StartCycle();
    void ObserveSample(const Step& step);
    void BluntDetection();
    void EndOfCycleChecks();
    void RaiseAlarm(int32_t bit, uint8_t code, const char* what);
    void SendReports();
    void HandleLine();
    void HandleValue(uint16_t v);

    void EmitCode(uint8_t code);
    void EmitWord(uint16_t word);
    void EmitFrame(uint16_t value, bool word, bool corruptible);
    void EmitNoiseLine(int length);
    void Note(const std::string& text);

    SimConfig config_;
    UnitParameters params_;
    Prng prng_;       // power profiles
    Prng noisePrng_;  // line noise, so noise does not change the profiles
    uint32_t noisePpm_;
    OutputQueue output_;
    MonitorMirror mirror_;
    LineSink log_, events_, notes_;

    int64_t tick_ = 0;
    int64_t silentTicks_ = 0;
    int keepAliveTicks_;
    int idleSampleTicks_;
    int rollingTicks_;
    int64_t reportBudget_ = 0;
    int reportCost_;
    int reportRefill_;
    std::deque<uint16_t> replies_;   // reports of applied command words: sent first
    std::deque<uint16_t> bulk_;      // whole-set reports
    std::deque<uint8_t> heldCodes_;  // codes answered while the line was silent
    int keepAliveCut_ = 0;
    int rollIndex_ = 0;

    // Cycles.
    long played_ = 0;
    int64_t idleLeft_;
    std::optional<CycleScript> script_;
    std::size_t pos_ = 0;
    int cut_ = 0;
    int lastCut_ = -1;
    CycleFaults faults_;
    int samplesSinceStart_ = 0;
    int poCount_ = 0;
    int breakRun_ = 0;
    bool breakRaised_ = false;
    bool rose_ = false;
    bool bluntDetected_ = false;
    bool bluntSent_ = false;
    uint32_t workSum_ = 0;

    // Alarm state.
    int32_t alarmBits_ = 0;
    // Alarms sent since the last cycle end (break 1, blunt 2, missing 4, error 1 8), for the
    // events line.
    static constexpr int32_t kCycleError1 = 8;
    int32_t cycleAlarms_ = 0;
    bool error1_ = false;
    int bluntCounter_[kCutCount]{};
    int missingCounter_[kCutCount]{};

    // Received line, assembled as the monitor does: at most 7 bytes kept before the CR.
    uint8_t line_[8]{};
    int lineLength_ = 0;
};

}  // namespace kvdsim
