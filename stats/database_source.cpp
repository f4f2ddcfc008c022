#include "stats/database_source.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>

#include "journal/journal_line.h"

namespace kvdstat {

namespace {

// The columns of a journal line, the time as UTC milliseconds and the offset.
constexpr const char* kQuery =
    "SELECT machine, (extract(epoch FROM \"time\") * 1000)::bigint, utc_offset, cut, peak, work, po, break, "
    "blunt, missing, err1, blunt_counter, missing_counter, break_limit, blunt_limit, missing_limit, "
    "blunt_mode "
    "FROM cycles WHERE $1 = '' OR machine = $1 ORDER BY machine, \"time\", outbox, seq";

std::string OneLine(const char* text) {
    std::string s;
    for (const char* p = text; p != nullptr && *p != '\0'; ++p)
        if (*p != '\n' && *p != '\t')
            s += *p;
        else if (!s.empty() && s.back() != ' ')
            s += ' ';
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// A machine's lines as its journal holds them, read through the journal's reader.
void Finish(Source& m, std::string& text, std::vector<Source>& machines, std::vector<Problem>& problems) {
    if (m.name.empty()) return;
    AddJournalText(text, m.name, m, problems);
    machines.push_back(std::move(m));
    m = Source{};
    text.clear();
}

}  // namespace

std::vector<Source> ReadDatabase(const std::string& conninfo, const std::string& machine,
                                 std::vector<Problem>& problems) {
    const char* keys[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
    const char* values[] = {"10", "kvdstat", conninfo.c_str(), nullptr};
    PGconn* c = PQconnectdbParams(keys, values, 1);
    std::vector<Source> machines;
    const char* params[] = {machine.c_str()};
    // Row by row: a plant's years are not held twice.
    if (PQstatus(c) != CONNECTION_OK ||
        PQsendQueryParams(c, kQuery, 1, nullptr, params, nullptr, nullptr, 0) == 0 ||
        PQsetSingleRowMode(c) == 0) {
        problems.push_back({"--database", CannotBeRead(OneLine(PQerrorMessage(c)))});
        PQfinish(c);
        return machines;
    }
    Source m;
    std::string text, failure;
    for (PGresult* r = PQgetResult(c); r != nullptr; PQclear(r), r = PQgetResult(c)) {
        if (PQresultStatus(r) == PGRES_TUPLES_OK) continue;  // the end of the rows
        if (PQresultStatus(r) != PGRES_SINGLE_TUPLE) {
            failure = OneLine(PQresultErrorMessage(r));
            continue;
        }
        if (m.name != PQgetvalue(r, 0, 0)) {
            Finish(m, text, machines, problems);
            m.name = PQgetvalue(r, 0, 0);
            m.journal = true;
            text = std::string(kJournalHeader) + "\n";
        }
        JournalRecord record{};
        record.time = {std::atoll(PQgetvalue(r, 0, 1)), std::atoi(PQgetvalue(r, 0, 2))};
        int64_t numbers[kJournalNumberFields];
        for (int i = 0; i < kJournalNumberFields; ++i) numbers[i] = std::atoll(PQgetvalue(r, 0, 3 + i));
        FillJournalRecord(numbers, record);
        record.bluntMode = std::strcmp(PQgetvalue(r, 0, 16), "work") == 0 ? 1 : 0;
        char line[kJournalLineMax];
        text.append(line, FormatJournalLine(record, line));
    }
    Finish(m, text, machines, problems);
    PQfinish(c);
    if (!failure.empty()) {
        problems.push_back({"--database", CannotBeRead(failure)});
        return {};
    }
    if (machines.empty())
        problems.push_back(
            {"--database", machine.empty() ? "holds no cycles" : "holds no cycles of " + machine});
    return MachinesAndPlant(std::move(machines));
}

}  // namespace kvdstat
