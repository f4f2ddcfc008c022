#include "runner.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace kvdsim {

namespace {

using Clock = std::chrono::steady_clock;
using Nanos = std::chrono::nanoseconds;

// The unit waits (its clock stands) while more than this is unsent: a reader that stalls must
// not make it pile up output, and nothing it sent is dropped while someone is on the line.
constexpr std::size_t kBacklogLimit = 4096;
// Catching up after a stall is limited to this much wall-clock time; older ticks are not run.
constexpr int64_t kMaxLagNs = 500'000'000;
constexpr int64_t kSplitPauseNs = 3'000'000;
constexpr int kMaxWaitMs = 20;

class Pacer {
public:
    Pacer(int rate, double speed) : ticksPerNs_(rate * speed / 1e9), last_(Clock::now()) {}

    // The sample periods due now; the clock stands while held.
    int64_t Due(Clock::time_point now, bool hold) {
        const int64_t elapsed = std::chrono::duration_cast<Nanos>(now - last_).count();
        last_ = now;
        if (!hold) runNs_ += elapsed;
        const int64_t due = static_cast<int64_t>(static_cast<double>(runNs_) * ticksPerNs_);
        const int64_t maxLag = std::max<int64_t>(1, static_cast<int64_t>(kMaxLagNs * ticksPerNs_));
        if (due - done_ > maxLag) {
            // Behind by more than we catch up on: the clock stood meanwhile.
            runNs_ = static_cast<int64_t>(static_cast<double>(done_ + maxLag) / ticksPerNs_);
            return maxLag;
        }
        return std::max<int64_t>(0, due - done_);
    }
    void Ran(int64_t ticks) { done_ += ticks; }
    // Wall-clock time until the next period is due.
    int64_t NsToNext() const {
        const double next = static_cast<double>(done_ + 1) / ticksPerNs_;
        return std::max<int64_t>(0, static_cast<int64_t>(next) - runNs_);
    }

private:
    double ticksPerNs_;
    Clock::time_point last_;
    int64_t runNs_ = 0;  // time the clock has run
    int64_t done_ = 0;   // periods run
};

}  // namespace

RunEnd RunUnit(const RunSettings& settings, UnitSimulator& sim, LinePort& port, const std::atomic<bool>& stop,
               const LineSink& notes) {
    const auto note = [&](const std::string& s) {
        if (notes) notes(s);
    };
    Pacer pacer(settings.rate, settings.speed);
    bool peerSeen = false, peerWas = false;
    bool gapWaiting = false;
    Clock::time_point gapEnd{}, flushDeadline{};
    bool flushing = false;
    OutputQueue& out = sim.Output();

    while (!stop.load()) {
        const Clock::time_point now = Clock::now();
        const bool peer = port.PeerPresent();
        if (peer != peerWas) {
            note(peer ? "line opened" : "line closed");
            if (peer) {
                // A program opened the line: tell it every value at once rather than over the
                // minute the slow unprompted reports take (a pty shows us the opening).
                sim.ReportAll();
            } else {
                // Bytes the last reader left unread would reach the next one stale.
                port.DiscardUnread();
            }
            peerWas = peer;
        }
        peerSeen |= peer;

        const bool hold = (settings.waitPeer && !peerSeen) || out.Pending() > kBacklogLimit;
        const int64_t due = pacer.Due(now, hold);
        if (!hold) {
            for (int64_t i = 0; i < due; ++i) sim.Tick();
            pacer.Ran(due);
        }

        if (!peer) {
            out.Clear();  // the unit talks into an unplugged line
            gapWaiting = false;
        } else {
            for (;;) {
                if (out.AtGap()) {
                    if (!gapWaiting) {
                        gapWaiting = true;
                        gapEnd = now + Nanos(kSplitPauseNs);
                    }
                    if (now < gapEnd) break;
                    gapWaiting = false;
                    out.PassGap();
                }
                const std::size_t n = out.Writable();
                if (n == 0) break;
                const long written = port.Write(out.Data(), n);
                if (written < 0 && !port.IsPty()) return RunEnd::LineLost;
                if (written <= 0) break;
                out.Consume(static_cast<std::size_t>(written));
            }
        }

        if (settings.exitAfter && sim.CyclesDone() && out.Pending() == 0) {
            if (!flushing) {
                flushing = true;
                flushDeadline = now + std::chrono::milliseconds(settings.flushTimeoutMs);
            }
            if (!peer || port.UnreadByPeer() <= 0 || now >= flushDeadline) return RunEnd::CyclesDone;
        }

        // Sleep until the next period, a byte from the monitor, room on the line or the end of
        // a split pause, but never long, so a stop request is seen at once.
        int64_t waitNs = hold ? kMaxWaitMs * 1'000'000LL : pacer.NsToNext();
        if (gapWaiting) waitNs = std::min<int64_t>(waitNs, (gapEnd - now).count());
        const int waitMs =
            static_cast<int>(std::clamp<int64_t>((waitNs + 999'999) / 1'000'000, 1, kMaxWaitMs));
        pollfd p{port.Fd(), 0, 0};
        if (peer) p.events = static_cast<short>(POLLIN | (out.Writable() > 0 && !gapWaiting ? POLLOUT : 0));
        const int ready = poll(peer ? &p : nullptr, peer ? 1 : 0, waitMs);
        if (ready > 0 && (p.revents & POLLIN)) {
            uint8_t buf[256];
            const long n = port.Read(buf, sizeof buf);
            if (n > 0) sim.Receive(buf, static_cast<std::size_t>(n));
            if (n < 0 && !port.IsPty()) return RunEnd::LineLost;
        }
        // A pty's hang-up only means no one listens; a serial device that fails is gone.
        if (ready > 0 && !port.IsPty() && (p.revents & (POLLERR | POLLHUP | POLLNVAL)))
            return RunEnd::LineLost;
    }
    return RunEnd::Stopped;
}

}  // namespace kvdsim
