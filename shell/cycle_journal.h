// The cycle journal at each cycle end: the finished cycle as one line in the day file beside the
// statistics file in use (the storage service's journalCycle).
#pragma once

#include "journal/journal_record.h"
#include "journal/journal_writer.h"
#include "link/storage_service.h"

JournalRecord JournalRecordOf(const FinishedCycle& cycle, const JournalTime& time);
// Reader thread, statistics lock held: the line goes to the day file beside the statistics file
// in use, statisticsFile. A failed write is counted by the journal, nothing more; a backlog goes
// out a batch per cycle end.
void JournalFinishedCycle(JournalWriter& journal, const char* statisticsFile, const FinishedCycle& cycle);
