#include "shell/cycle_journal.h"

#include "journal/journal_file.h"
#include "model/settings.h"

JournalRecord JournalRecordOf(const FinishedCycle& c, const JournalTime& time) {
    JournalRecord r{};
    r.time = time;
    r.cut = c.cut;
    r.peak = c.entry.peak;
    r.work = c.entry.work;
    r.po = c.po;
    r.alarms = static_cast<uint8_t>(
        ((c.alarms & kAlarmBreak) ? kJournalBreak : 0) | ((c.alarms & kAlarmBlunt) ? kJournalBlunt : 0) |
        ((c.alarms & kAlarmMissing) ? kJournalMissing : 0) | ((c.alarms & kCycleError1) ? kJournalErr1 : 0));
    r.bluntCounter = c.bluntCounter;
    r.missingCounter = c.missingCounter;
    r.breakLimit = c.parameters.breakLimit;
    r.bluntLimit = c.parameters.bluntLimit;
    r.missingLimit = c.parameters.missingLimit;
    r.bluntMode = c.parameters.bluntMode;
    return r;
}

void JournalFinishedCycle(JournalWriter& journal, const char* statisticsFile, const FinishedCycle& cycle) {
    // The result is counted inside; the cycle end goes on whatever it was.
    (void)WriteJournalRecord(journal, SystemJournalFiles(), statisticsFile,
                             JournalRecordOf(cycle, JournalNow()));
}
