#include "stats/database_source.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>

#include "journal/journal_line.h"

namespace kvdstat {

namespace {

// The columns of a journal line, the time as UTC milliseconds and the offset: AppendLine's order.
#define KVD_JOURNAL_COLUMNS                                                                            \
    "SELECT machine, (extract(epoch FROM \"time\") * 1000)::bigint, utc_offset, cut, peak, work, po, " \
    "break, blunt, missing, err1, blunt_counter, missing_counter, break_limit, blunt_limit, "          \
    "missing_limit, blunt_mode "

constexpr const char* kQuery =
    KVD_JOURNAL_COLUMNS "FROM cycles WHERE $1 = '' OR machine = $1 ORDER BY machine, \"time\", outbox, seq";

// A machine's newest $2 days, a day being the local date of a cycle (`cycles_local`), as its
// journal's day files split them; oldest first.
constexpr const char* kNewestDays =
    "SELECT to_char(day, 'YYYY-MM-DD') FROM (SELECT DISTINCT local_time::date AS day FROM cycles_local "
    "WHERE machine = $1 ORDER BY day DESC LIMIT $2) d ORDER BY day";
// The machine's days from $2 on.
constexpr const char* kDaysQuery = KVD_JOURNAL_COLUMNS
    "FROM cycles_local WHERE machine = $1 AND local_time::date >= $2::date ORDER BY \"time\", outbox, seq";
#undef KVD_JOURNAL_COLUMNS

// `password` "" leaves it to libpq (PGPASSWORD, a passfile).
PGconn* Connect(const std::string& conninfo, const std::string& password) {
    // Defaults first: the connection string overrides them; the password given last.
    const char* keys[] = {"connect_timeout", "fallback_application_name", "dbname", "password", nullptr};
    const char* values[] = {"10", "kvdstat", conninfo.c_str(), password.empty() ? nullptr : password.c_str(),
                            nullptr};
    return PQconnectdbParams(keys, values, 1);
}

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

// A row of kQuery or kDaysQuery as the line its journal holds.
void AppendLine(const PGresult* r, int row, std::string& text) {
    JournalRecord record{};
    record.time = {std::atoll(PQgetvalue(r, row, 1)), std::atoi(PQgetvalue(r, row, 2))};
    int64_t numbers[kJournalNumberFields];
    for (int i = 0; i < kJournalNumberFields; ++i) numbers[i] = std::atoll(PQgetvalue(r, row, 3 + i));
    FillJournalRecord(numbers, record);
    record.bluntMode = std::strcmp(PQgetvalue(r, row, 16), "work") == 0 ? 1 : 0;
    char line[kJournalLineMax];
    text.append(line, FormatJournalLine(record, line));
}

// Sends `query` and hands each row to `onRow` as it arrives: a plant's years are not held twice.
// Returns the failure, "" when every row came.
template <class OnRow>
std::string ReadRows(PGconn* c, const char* query, int count, const char* const* params, OnRow onRow) {
    if (PQsendQueryParams(c, query, count, nullptr, params, nullptr, nullptr, 0) == 0 ||
        PQsetSingleRowMode(c) == 0)
        return OneLine(PQerrorMessage(c));
    std::string failure;
    for (PGresult* r = PQgetResult(c); r != nullptr; PQclear(r), r = PQgetResult(c))
        if (PQresultStatus(r) == PGRES_SINGLE_TUPLE)
            onRow(r);
        else if (PQresultStatus(r) != PGRES_TUPLES_OK)  // TUPLES_OK: the end of the rows
            failure = OneLine(PQresultErrorMessage(r));
    return failure;
}

}  // namespace

std::vector<Source> ReadDatabase(const std::string& conninfo, const std::string& machine,
                                 std::vector<Problem>& problems) {
    PGconn* c = Connect(conninfo, "");
    std::vector<Source> machines;
    const char* params[] = {machine.c_str()};
    if (PQstatus(c) != CONNECTION_OK) {
        problems.push_back({"--database", CannotBeRead(OneLine(PQerrorMessage(c)))});
        PQfinish(c);
        return machines;
    }
    Source m;
    std::string text;
    const std::string failure = ReadRows(c, kQuery, 1, params, [&](const PGresult* r) {
        if (m.name != PQgetvalue(r, 0, 0)) {
            Finish(m, text, machines, problems);
            m.name = PQgetvalue(r, 0, 0);
            m.journal = true;
            text = std::string(kJournalHeader) + "\n";
        }
        AppendLine(r, 0, text);
    });
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

Source ReadMachineDays(const std::string& conninfo, const std::string& password, const std::string& machine,
                       int days, std::vector<std::string>& dayFiles, std::vector<Problem>& problems) {
    Source m;
    m.name = machine;
    m.journal = true;
    PGconn* c = Connect(conninfo, password);
    const std::string count = std::to_string(days);
    const char* dayParams[] = {machine.c_str(), count.c_str()};
    PGresult* r = PQstatus(c) == CONNECTION_OK
                      ? PQexecParams(c, kNewestDays, 2, nullptr, dayParams, nullptr, nullptr, 0)
                      : nullptr;
    std::string failure = r == nullptr ? OneLine(PQerrorMessage(c)) : "";
    if (r != nullptr && PQresultStatus(r) != PGRES_TUPLES_OK) failure = OneLine(PQresultErrorMessage(r));
    for (int i = 0; failure.empty() && i < PQntuples(r); ++i)
        dayFiles.push_back(std::string(PQgetvalue(r, i, 0)) + ".csv");
    PQclear(r);
    const std::string first = dayFiles.empty() ? "" : dayFiles.front().substr(0, 10);
    const char* params[] = {machine.c_str(), first.c_str()};
    std::string text = std::string(kJournalHeader) + "\n";
    if (failure.empty() && !dayFiles.empty())
        failure = ReadRows(c, kDaysQuery, 2, params, [&](const PGresult* row) { AppendLine(row, 0, text); });
    PQfinish(c);
    if (!failure.empty()) {
        problems.push_back({"--database", CannotBeRead(failure)});
        dayFiles.clear();
    } else if (!dayFiles.empty())
        AddJournalText(text, machine, m, problems);
    return m;
}

std::vector<std::string> ReadMachineNames(const std::string& conninfo, const std::string& password,
                                          std::vector<Problem>& problems) {
    PGconn* c = Connect(conninfo, password);
    std::vector<std::string> names;
    const std::string failure =
        PQstatus(c) != CONNECTION_OK
            ? OneLine(PQerrorMessage(c))
            : ReadRows(c, "SELECT machine FROM machine_state ORDER BY machine", 0, nullptr,
                       [&](const PGresult* r) { names.push_back(PQgetvalue(r, 0, 0)); });
    PQfinish(c);
    if (!failure.empty()) {
        problems.push_back({"--database", CannotBeRead(failure)});
        names.clear();
    }
    return names;
}

}  // namespace kvdstat
