// kvdplant's database store: every cycle and each machine's latest state in PostgreSQL (through
// libpq), for the plant's dashboards and quality tools; docs/plant.md has the schema, which
// kvdplant creates and upgrades itself.
//
// The rows of one moment (the messages read from the broker together) are written in one
// transaction, and their acknowledgements leave only after it committed: a database that is down
// or refuses keeps the moment waiting, unacknowledged, and the broker keeps what follows.
//
// A cycle is its very line (the machine, the time with its offset, every value), as in the
// journal: a resend, or the same cycle from a second collector, changes nothing
// (INSERT ... ON CONFLICT DO NOTHING). The rows are written in one order (cycles by machine and
// time, then the machines by name), so two collectors never wait for each other in a circle.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "plant_store.h"

struct pg_conn;

namespace kvdplant {

struct MomentPipeline;  // the statements of one moment on their way (plant_database.cpp)

// The schema this kvdplant writes (the table kvdplant_schema holds the database's).
constexpr int kSchemaVersion = 2;

// false and *problem when the connection string cannot be read or holds a password (a command
// line is readable by every user of the server).
bool CheckConnectionString(const std::string& conninfo, std::string* problem);

class PlantDatabase {
public:
    // `password` "" leaves it to libpq (PGPASSWORD, the passfile); `name` tells the server which
    // collector this is (its application name).
    PlantDatabase(std::string conninfo, std::string password, std::string name);
    ~PlantDatabase();
    PlantDatabase(const PlantDatabase&) = delete;
    PlantDatabase& operator=(const PlantDatabase&) = delete;

    // Connects (again), creates or upgrades the schema and prepares the statements.
    bool Open(std::string* problem);

    // The moment's rows: a cycle as the store read it; a machine's state as its view holds it.
    void AddCycle(const std::string& machine, const CycleMessage& cycle);
    void AddState(const MachineView& view, int64_t nowUnixMs);
    std::size_t Pending() const { return cycles_.size() + states_.size(); }

    // Writes the pending rows in one transaction: true when committed (they are no longer
    // pending); false and *problem, and they stay pending, when the database did not take them.
    bool Commit(std::string* problem);

    uint64_t inserted() const { return inserted_; }  // new cycle rows committed
    uint64_t present() const { return present_; }    // cycles that were in the table already

private:
    struct Row {
        std::string machine, outbox, seq, line;  // the journal line without its line feed
        int64_t unixMs;
        int32_t offsetMinutes;
    };
    struct State {
        bool online, unit;
        int cut;  // 1..16, 0 for none
        bool breakLamp, bluntLamp, missingLamp;
        int64_t takenUnixMs;
    };
    bool Exec(const char* sql, std::string* problem);
    bool Upgrade(std::string* problem);
    bool WriteMoment(std::string* problem, bool* retry, uint64_t* inserted);
    bool SendCycleRows(MomentPipeline& m, std::string* problem);
    void SendMachineStates(MomentPipeline& m);
    void Close();

    std::string conninfo_, password_, name_;
    pg_conn* conn_ = nullptr;
    std::vector<Row> cycles_;
    std::map<std::string, State> states_;  // the last state of each machine in the moment
    uint64_t inserted_ = 0, present_ = 0;
};

}  // namespace kvdplant
