// A real PostgreSQL 15 for the plant tests, from Debian's binaries: a cluster of its own in the
// test's folder, on its own port of 127.0.0.1 (no socket file), with a password for its user.
// The server refuses to run as root: a test run by root runs it as the packages' `postgres`
// system user. It does not flush to the disk (fsync off): the tests stop the server, or kill its
// clients, never its computer, and the machines that run them are busy with builds.
#pragma once

#include <libpq-fe.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "broker.h"

class Database {
public:
    explicit Database(const std::filesystem::path& folder)
        : folder_(folder), data_(folder / "data"), port_(Broker::FreePort()) {
        namespace fs = std::filesystem;
        fs::create_directories(folder_);
        fs::permissions(folder_, fs::perms::all);
        std::ofstream(folder_ / "password") << password() << "\n";
        fs::permissions(folder_ / "password",
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    }
    ~Database() { Stop(); }

    // Makes the cluster on the first start; true once it takes connections.
    bool Start() {
        const std::string bin = "/usr/lib/postgresql/15/bin/";
        if (!std::filesystem::exists(data_) &&
            Run(bin + "initdb -D " + data_.string() + " -U kvd --pwfile=" + (folder_ / "password").string() +
                " --auth=scram-sha-256 -E UTF8 --no-sync >>" + log() + " 2>&1") != 0)
            return false;
        started_ = Run(bin + "pg_ctl -D " + data_.string() + " -w -t 30 -l " + log() + " -o \"-p " +
                       std::to_string(port_) +
                       " -c listen_addresses=127.0.0.1 -c unix_socket_directories='' -c fsync=off -c "
                       "full_page_writes=off\" start >/dev/null 2>&1") == 0;
        return started_;
    }
    // Stops it at once (its clients are told), as an administrator's fast shutdown.
    void Stop() {
        PQfinish(c_);
        c_ = nullptr;
        if (!started_) return;
        Run("/usr/lib/postgresql/15/bin/pg_ctl -D " + data_.string() + " -w -m fast stop >/dev/null 2>&1");
        started_ = false;
    }

    // The connection string, without the password (kvdplant reads it from passwordFile()).
    std::string conninfo() const {
        return "host=127.0.0.1 port=" + std::to_string(port_) + " dbname=postgres user=kvd";
    }
    std::string passwordFile() const { return (folder_ / "password").string(); }
    static std::string password() { return "hall-7-secret"; }

    // The rows of a query, each its fields joined by ',' ("" for NULL); an error as one row
    // "ERROR: ...".
    std::vector<std::string> Rows(const std::string& sql) {
        const std::string info = conninfo() + " password=" + password();
        if (c_ == nullptr || PQstatus(c_) != CONNECTION_OK) {  // one connection while it lasts
            PQfinish(c_);
            c_ = PQconnectdb(info.c_str());
        }
        PGconn* c = c_;
        std::vector<std::string> rows;
        PGresult* r = PQstatus(c) == CONNECTION_OK ? PQexec(c, sql.c_str()) : nullptr;
        if (PQresultStatus(r) != PGRES_TUPLES_OK) {
            rows.push_back(std::string("ERROR: ") + PQerrorMessage(c));
        } else {
            for (int i = 0; i < PQntuples(r); ++i) {
                std::string row;
                for (int f = 0; f < PQnfields(r); ++f)
                    row += (f > 0 ? "," : "") + std::string(PQgetvalue(r, i, f));
                rows.push_back(row);
            }
        }
        PQclear(r);
        return rows;
    }

private:
    std::string log() const { return (folder_ / "postgres.log").string(); }
    // As the `postgres` user when root; its files are that user's.
    int Run(const std::string& command) const {
        if (geteuid() != 0) return std::system(command.c_str());
        return std::system(("chown -R postgres:postgres " + folder_.string() +
                            " && runuser -u postgres -- sh -c '" + Escaped(command) + "'")
                               .c_str());
    }
    static std::string Escaped(const std::string& s) {
        std::string out;
        for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return out;
    }

    std::filesystem::path folder_, data_;
    uint16_t port_;
    bool started_ = false;
    PGconn* c_ = nullptr;
};
