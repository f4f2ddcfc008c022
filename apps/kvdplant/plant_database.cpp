#include "plant_database.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <iterator>
#include <memory>
#include <tuple>

#include "journal/journal_line.h"
#include "model/cut.h"

namespace kvdplant {

namespace {

// The schema's steps: step n takes a database from version n to n + 1. A step, once shipped, is
// never changed: a later schema is a further step.
constexpr const char* kSteps[] = {
    // 1: the cycles, the machines' states, the dashboards' views.
    R"sql(
CREATE TABLE cycles (
    machine text NOT NULL,
    outbox text NOT NULL,
    seq numeric(20, 0) NOT NULL,
    "time" timestamptz NOT NULL,
    utc_offset smallint NOT NULL,
    cut smallint NOT NULL CHECK (cut BETWEEN 1 AND 16),
    peak smallint NOT NULL,
    work smallint NOT NULL,
    po integer NOT NULL,
    break smallint NOT NULL CHECK (break IN (0, 1)),
    blunt smallint NOT NULL CHECK (blunt IN (0, 1)),
    missing smallint NOT NULL CHECK (missing IN (0, 1)),
    err1 smallint NOT NULL CHECK (err1 IN (0, 1)),
    blunt_counter integer NOT NULL,
    missing_counter integer NOT NULL,
    break_limit integer NOT NULL,
    blunt_limit integer NOT NULL,
    missing_limit integer NOT NULL,
    blunt_mode text NOT NULL CHECK (blunt_mode IN ('power', 'work')),
    stored_at timestamptz NOT NULL DEFAULT clock_timestamp(),
    CONSTRAINT cycles_line UNIQUE (machine, "time", utc_offset, cut, peak, work, po, break, blunt, missing,
                                   err1, blunt_counter, missing_counter, break_limit, blunt_limit,
                                   missing_limit, blunt_mode)
);
CREATE INDEX cycles_machine_cut_time ON cycles (machine, cut, "time");
CREATE TABLE machine_state (
    machine text PRIMARY KEY,
    online boolean NOT NULL DEFAULT false,
    unit boolean NOT NULL DEFAULT false,
    cut smallint CHECK (cut BETWEEN 1 AND 16),
    break boolean NOT NULL DEFAULT false,
    blunt boolean NOT NULL DEFAULT false,
    missing boolean NOT NULL DEFAULT false,
    state_at timestamptz,
    last_cycle timestamptz,
    last_seen timestamptz NOT NULL
);
CREATE VIEW cycles_local AS
    SELECT *, ("time" AT TIME ZONE 'UTC') + utc_offset * interval '1 minute' AS local_time FROM cycles;
CREATE VIEW cycles_per_hour AS
    SELECT machine, date_trunc('hour', local_time) AS hour, count(*) AS cycles,
           sum(break) AS break_alarms, sum(blunt) AS blunt_alarms, sum(missing) AS missing_alarms,
           count(*) FILTER (WHERE break + blunt + missing > 0) AS alarm_cycles
    FROM cycles_local GROUP BY 1, 2;
CREATE VIEW cycles_per_shift AS
    SELECT machine,
           CASE WHEN extract(hour FROM local_time) >= 22 THEN date_trunc('day', local_time) + interval '22 hours'
                WHEN extract(hour FROM local_time) >= 14 THEN date_trunc('day', local_time) + interval '14 hours'
                WHEN extract(hour FROM local_time) >= 6 THEN date_trunc('day', local_time) + interval '6 hours'
                ELSE date_trunc('day', local_time) - interval '2 hours' END AS shift_start,
           count(*) AS cycles,
           sum(break) AS break_alarms, sum(blunt) AS blunt_alarms, sum(missing) AS missing_alarms,
           count(*) FILTER (WHERE break + blunt + missing > 0) AS alarm_cycles
    FROM cycles_local GROUP BY 1, 2;
CREATE VIEW forecast_inputs AS
    SELECT s.machine, k.cut, c.age, c."time", c.peak, c.work, c.break_limit, c.blunt_limit, c.blunt_mode
    FROM machine_state s
    CROSS JOIN generate_series(1, 16) AS k(cut)
    CROSS JOIN LATERAL (
        SELECT row_number() OVER (ORDER BY x."time" DESC) AS age, x.*
        FROM (SELECT * FROM cycles WHERE machine = s.machine AND cycles.cut = k.cut
              ORDER BY "time" DESC LIMIT 200) x) c;
)sql",
    // 2: a machine's days found and read through an index (the board's history and start), not by
    // a pass over all its rows. The expression is cycles_local's local_time, so the view's queries
    // use it.
    R"sql(
CREATE INDEX cycles_machine_local_day
    ON cycles (machine, ((("time" AT TIME ZONE 'UTC') + utc_offset * interval '1 minute')::date));
)sql",
};
static_assert(std::size(kSteps) == kSchemaVersion);

constexpr const char* kInsertCycle =
    "INSERT INTO cycles (machine, outbox, seq, \"time\", utc_offset, cut, peak, work, po, break, blunt, "
    "missing, err1, blunt_counter, missing_counter, break_limit, blunt_limit, missing_limit, blunt_mode) "
    "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17, $18, $19) "
    "ON CONFLICT DO NOTHING";
constexpr const char* kTouchMachine =
    "INSERT INTO machine_state (machine, last_cycle, last_seen) VALUES ($1, $2, $2) "
    "ON CONFLICT (machine) DO UPDATE SET "
    "last_cycle = greatest(machine_state.last_cycle, EXCLUDED.last_cycle), "
    "last_seen = greatest(machine_state.last_seen, EXCLUDED.last_seen)";
constexpr const char* kSetState =
    "INSERT INTO machine_state (machine, online, unit, cut, break, blunt, missing, state_at, last_seen) "
    "VALUES ($1, $2, $3, $4, $5, $6, $7, to_timestamp($8::bigint / 1000.0), to_timestamp($8::bigint / "
    "1000.0)) "
    "ON CONFLICT (machine) DO UPDATE SET online = EXCLUDED.online, unit = EXCLUDED.unit, cut = EXCLUDED.cut, "
    "break = EXCLUDED.break, blunt = EXCLUDED.blunt, missing = EXCLUDED.missing, state_at = "
    "EXCLUDED.state_at, "
    "last_seen = greatest(machine_state.last_seen, EXCLUDED.last_seen)";

struct ResultFree {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultFree>;

// libpq's message on one line: its line feeds, tabs and runs of spaces made one space.
std::string Trimmed(const char* text) {
    std::string s;
    for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
        const bool space = *p == '\n' || *p == '\t' || *p == ' ';
        if (!space)
            s += *p;
        else if (!s.empty() && s.back() != ' ')
            s += ' ';
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// Deadlock or serialization failure: the transaction is worth another try at once.
bool WorthRetrying(const PGresult* r) {
    const char* state = r != nullptr ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    return state != nullptr && (std::strcmp(state, "40P01") == 0 || std::strcmp(state, "40001") == 0);
}

}  // namespace

bool CheckConnectionString(const std::string& conninfo, std::string* problem) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
    if (options == nullptr) {
        *problem = "--database: " + Trimmed(error != nullptr ? error : "out of memory");
        PQfreemem(error);
        return false;
    }
    bool password = false;
    for (const PQconninfoOption* o = options; o->keyword != nullptr; ++o)
        password = password || (std::strcmp(o->keyword, "password") == 0 && o->val != nullptr);
    PQconninfoFree(options);
    if (password) {
        *problem =
            "--database holds a password, which every user of this computer can read on the command line: "
            "give it in --database-password-file, PGPASSWORD or a passfile";
        return false;
    }
    return true;
}

PlantDatabase::PlantDatabase(std::string conninfo, std::string password, std::string name)
    : conninfo_(std::move(conninfo)), password_(std::move(password)), name_(std::move(name)) {}

PlantDatabase::~PlantDatabase() { Close(); }

void PlantDatabase::Close() {
    if (conn_ != nullptr) PQfinish(conn_);
    conn_ = nullptr;
}

bool PlantDatabase::Exec(const char* sql, std::string* problem) {
    const Result r(PQexec(conn_, sql));
    if (PQresultStatus(r.get()) == PGRES_COMMAND_OK || PQresultStatus(r.get()) == PGRES_TUPLES_OK)
        return true;
    *problem = Trimmed(PQerrorMessage(conn_));
    return false;
}

bool PlantDatabase::Open(std::string* problem) {
    Close();
    // Defaults first: the connection string overrides them; the password from its file last.
    const char* keys[] = {"connect_timeout", "fallback_application_name", "dbname", "password", nullptr};
    const char* values[] = {"10", name_.c_str(), conninfo_.c_str(),
                            password_.empty() ? nullptr : password_.c_str(), nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK) {
        *problem = "no connection: " + Trimmed(conn_ != nullptr ? PQerrorMessage(conn_) : "out of memory");
        Close();
        return false;
    }
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);  // "already exists" and the like
    if (!Upgrade(problem)) {
        Close();
        return false;
    }
    for (const auto& [name, sql, n] :
         {std::tuple{"insert_cycle", kInsertCycle, 19}, std::tuple{"touch_machine", kTouchMachine, 2},
          std::tuple{"set_state", kSetState, 8}}) {
        const Result r(PQprepare(conn_, name, sql, n, nullptr));
        if (PQresultStatus(r.get()) != PGRES_COMMAND_OK) {
            *problem = std::string("the statement ") + name +
                       " cannot be prepared: " + Trimmed(PQerrorMessage(conn_));
            Close();
            return false;
        }
    }
    return true;
}

// Creates or upgrades the schema in one transaction, under a lock that other collectors starting
// at the same moment wait for.
bool PlantDatabase::Upgrade(std::string* problem) {
    if (!Exec("BEGIN", problem)) return false;
    const auto fail = [&](const std::string& why) {
        *problem = why;
        std::string ignored;
        Exec("ROLLBACK", &ignored);
        return false;
    };
    std::string why;
    if (!Exec("SELECT pg_advisory_xact_lock(7236101)", &why) ||
        !Exec("CREATE TABLE IF NOT EXISTS kvdplant_schema (version integer NOT NULL)", &why))
        return fail("the schema cannot be read: " + why);
    const Result r(PQexec(conn_, "SELECT max(version) FROM kvdplant_schema"));
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK)
        return fail("the schema cannot be read: " + Trimmed(PQerrorMessage(conn_)));
    const int version = PQgetisnull(r.get(), 0, 0) ? 0 : std::atoi(PQgetvalue(r.get(), 0, 0));
    if (version > kSchemaVersion)
        return fail("the database's schema is version " + std::to_string(version) +
                    ", newer than this kvdplant's " + std::to_string(kSchemaVersion));
    for (int step = version; step < kSchemaVersion; ++step)
        if (!Exec(kSteps[step], &why))
            return fail("the schema cannot be made version " + std::to_string(step + 1) + ": " + why);
    const std::string mark = "DELETE FROM kvdplant_schema; INSERT INTO kvdplant_schema VALUES (" +
                             std::to_string(std::max(version, kSchemaVersion)) + ")";
    if (!Exec(mark.c_str(), &why) || !Exec("COMMIT", &why))
        return fail("the schema cannot be written: " + why);
    return true;
}

void PlantDatabase::AddCycle(const std::string& machine, const CycleMessage& cycle) {
    char text[kJournalLineMax];
    std::size_t n = FormatJournalLine(cycle.record, text);
    while (n > 0 && text[n - 1] == '\n') --n;
    cycles_.push_back({machine, cycle.outbox, std::to_string(cycle.seq), std::string(text, n),
                       cycle.record.time.unixMs, cycle.record.time.offsetMinutes});
}

void PlantDatabase::AddState(const MachineView& v, int64_t nowUnixMs) {
    states_[v.name] = {v.online,      v.unitConnected, CutNumber(v.activeCut), v.breakLamp, v.bluntLamp,
                       v.missingLamp, nowUnixMs};
}

bool PlantDatabase::Commit(std::string* problem) {
    if (Pending() == 0) return true;
    if ((conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK) && !Open(problem)) return false;
    // One order for every collector: cycles by machine, time and line; machines by name.
    std::sort(cycles_.begin(), cycles_.end(), [](const Row& a, const Row& b) {
        return std::tie(a.machine, a.unixMs, a.line) < std::tie(b.machine, b.unixMs, b.line);
    });
    for (int attempt = 0;; ++attempt) {
        bool retry = false;
        uint64_t inserted = 0;
        if (WriteMoment(problem, &retry, &inserted)) {
            inserted_ += inserted;
            present_ += cycles_.size() - inserted;
            cycles_.clear();
            states_.clear();
            return true;
        }
        // Closing ends the transaction (nothing of it is kept) and whatever the pipeline held.
        Close();
        if (!retry || attempt >= 5 || !Open(problem)) return false;
    }
}

// The statements of one moment in libpq's pipeline: which of them insert a cycle, and the texts
// their parameters point into, kept (at stable addresses) until the pipeline is sent.
struct MomentPipeline {
    pg_conn* conn;
    std::vector<bool> inserts = {};
    std::deque<std::string> texts = {};
    bool sent = true;

    const char* Keep(std::string text) { return texts.emplace_back(std::move(text)).c_str(); }
    // A statement prepared by name, or plain SQL after a '!'.
    void Send(const char* statement, const std::vector<const char*>& params) {
        const int n = static_cast<int>(params.size());
        sent =
            sent && (statement[0] == '!'
                         ? PQsendQueryParams(conn, statement + 1, 0, nullptr, nullptr, nullptr, nullptr, 0)
                         : PQsendQueryPrepared(conn, statement, n, params.data(), nullptr, nullptr, 0)) != 0;
        inserts.push_back(std::strcmp(statement, "insert_cycle") == 0);
    }
};

namespace {

// Every statement's result, each followed by a null, then the sync's: false with the problem
// (and whether it is worth another try) at the first that failed.
bool ReadMomentResults(MomentPipeline& m, std::string* problem, bool* retry, uint64_t* inserted) {
    bool ok = true;
    for (std::size_t i = 0; i < m.inserts.size(); ++i) {
        const Result r(PQgetResult(m.conn));
        if (r == nullptr) {  // the connection is gone
            *problem = Trimmed(PQerrorMessage(m.conn));
            return false;
        }
        const ExecStatusType status = PQresultStatus(r.get());
        if (status == PGRES_COMMAND_OK) {
            if (m.inserts[i]) *inserted += std::strcmp(PQcmdTuples(r.get()), "1") == 0;
        } else if (status != PGRES_PIPELINE_ABORTED && ok) {
            *retry = WorthRetrying(r.get());
            *problem = Trimmed(PQresultErrorMessage(r.get()));
            ok = false;
        }
        while (PGresult* rest = PQgetResult(m.conn)) PQclear(rest);
    }
    if (!ok) return false;
    const Result sync(PQgetResult(m.conn));
    if (PQresultStatus(sync.get()) == PGRES_PIPELINE_SYNC) return true;
    *problem = Trimmed(PQerrorMessage(m.conn));
    return false;
}

}  // namespace

// One insert per cycle: the journal line's 15 fields are the columns from "time" to blunt_mode,
// utc_offset beside. False with the problem on a line that has not its 15 fields.
bool PlantDatabase::SendCycleRows(MomentPipeline& m, std::string* problem) {
    std::vector<const char*> params(19);
    for (const Row& c : cycles_) {
        std::vector<const char*> fields;
        for (std::size_t at = 0;;) {
            const std::size_t comma = c.line.find(',', at);
            fields.push_back(m.Keep(c.line.substr(at, comma - at)));
            if (comma == std::string::npos) break;
            at = comma + 1;
        }
        if (fields.size() != 15) {
            *problem = "a cycle's line has not its 15 fields: " + c.line;
            return false;
        }
        params[0] = c.machine.c_str();
        params[1] = c.outbox.c_str();
        params[2] = c.seq.c_str();
        params[3] = fields[0];
        params[4] = m.Keep(std::to_string(c.offsetMinutes));
        for (std::size_t i = 1; i < fields.size(); ++i) params[4 + i] = fields[i];
        m.Send("insert_cycle", params);
    }
    return true;
}

// Each machine of the moment: its latest cycle, then its latest state.
void PlantDatabase::SendMachineStates(MomentPipeline& m) {
    std::map<std::string, const Row*> latest;
    for (const Row& c : cycles_) {
        const Row*& l = latest[c.machine];
        if (l == nullptr || c.unixMs > l->unixMs) l = &c;
    }
    for (const auto& [machine, s] : states_) latest.try_emplace(machine, nullptr);
    const auto flag = [](bool b) { return b ? "true" : "false"; };
    for (const auto& [machine, row] : latest) {
        if (row != nullptr)
            m.Send("touch_machine", {machine.c_str(), m.Keep(row->line.substr(0, row->line.find(',')))});
        const auto s = states_.find(machine);
        if (s == states_.end()) continue;
        const State& st = s->second;
        m.Send("set_state",
               {machine.c_str(), flag(st.online), flag(st.unit),
                st.cut > 0 ? m.Keep(std::to_string(st.cut)) : nullptr, flag(st.breakLamp), flag(st.bluntLamp),
                flag(st.missingLamp), m.Keep(std::to_string(st.takenUnixMs))});
    }
}

// The moment's statements go in one pipeline (one round trip, not one per row), between BEGIN and
// COMMIT; then their results are read in order.
bool PlantDatabase::WriteMoment(std::string* problem, bool* retry, uint64_t* inserted) {
    if (PQenterPipelineMode(conn_) == 0) {
        *problem = Trimmed(PQerrorMessage(conn_));
        return false;
    }
    MomentPipeline m{conn_};
    m.Send("!BEGIN", {});
    m.sent = SendCycleRows(m, problem) && m.sent;
    if (m.sent) SendMachineStates(m);
    m.Send("!COMMIT", {});
    m.sent = m.sent && PQpipelineSync(conn_) != 0;
    if (!m.sent) {
        if (problem->empty()) *problem = Trimmed(PQerrorMessage(conn_));
        return false;
    }
    if (!ReadMomentResults(m, problem, retry, inserted)) return false;
    PQexitPipelineMode(conn_);  // after a failure the connection is closed (Commit)
    return true;
}

}  // namespace kvdplant
