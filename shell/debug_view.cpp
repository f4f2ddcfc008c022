#include "shell/debug_view.h"

#include <cstdio>

#include "link/interpreter.h"
#include "model/model.h"

void StartDebugLogReader(DebugLogReader& reader, const DebugLog& log, int visibleLines) {
    reader.readIndex = Load(log.lineIndex);
    reader.visibleLines = visibleLines > 0 ? visibleLines : 1;
    reader.running = true;
}

void ShowNewDebugLines(DebugLogReader& reader, const DebugLog& log,
                       const std::function<void(int, const char*)>& draw) {
    if (!reader.running) return;
    char line[kDebugLineSize];
    while (reader.readIndex != Load(log.lineIndex)) {
        // The window holds v rows: the new line and up to v - 1 lines before it (the log is not
        // followed back across its wrap, as the window has always done).
        const int room = reader.visibleLines - 1;
        const int k = reader.readIndex < room ? reader.readIndex : room;
        const int first = reader.readIndex - k;
        // Oldest first, each one row higher than the next, so the window scrolls upward.
        for (int i = 0; i < k; ++i) {
            ReadDebugLine(log, first + i, line);
            draw(k - i, line);
        }
        ReadDebugLine(log, reader.readIndex, line);
        draw(0, line);
        reader.readIndex = (reader.readIndex + 1) % kDebugLines;
    }
}

void JournalStatusText(const PassedOver& p, char* out, std::size_t size) {
    std::snprintf(out, size,
                  "Journal: %lu lines waiting, %lu lost, %lu writes failed; %lu cycle ends ignored",
                  static_cast<unsigned long>(p.linesWaiting), static_cast<unsigned long>(p.linesLost),
                  static_cast<unsigned long>(p.failedWrites), static_cast<unsigned long>(p.ignoredCycleEnds));
}

void PlantLinkStatusText(const PlantLinkStatus& link, char* out, std::size_t size) {
    if (link.state == PlantLinkState::kOff) {
        std::snprintf(out, size, "Plant link: off");
        return;
    }
    const bool connected = link.state == PlantLinkState::kConnected;
    const int n =
        std::snprintf(out, size, "Plant link: %s, %lu cycles waiting", connected ? "connected" : "connecting",
                      static_cast<unsigned long>(link.waiting));
    int m = n;
    if (link.undecided > 0 && m > 0 && static_cast<std::size_t>(m) < size)
        m += std::snprintf(out + m, size - static_cast<std::size_t>(m), ", %lu not sent (journal changed)",
                           static_cast<unsigned long>(link.undecided));
    if (!connected && link.lastError != 0 && m > 0 && static_cast<std::size_t>(m) < size)
        std::snprintf(out + m, size - static_cast<std::size_t>(m), " (%s)", link.lastErrorText);
}
