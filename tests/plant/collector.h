// kvdplant for the plant tests: the real collector in a process of its own, as the plant runs it
// (signed in as kvdplant, its password in a file beside its folder), its log beside its folder;
// and the bounded wait the scenarios share.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "broker.h"

extern char** environ;

// The lines of every day file of a journal folder, header rows left out, oldest day first.
inline std::vector<std::string> JournalLines(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> days;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        if (e.path().extension() == ".csv") days.push_back(e.path());
    std::sort(days.begin(), days.end());
    std::vector<std::string> lines;
    for (const std::filesystem::path& d : days) {
        std::ifstream in(d);
        for (std::string line; std::getline(in, line);)
            if (line.rfind("time,", 0) != 0) lines.push_back(line);
    }
    return lines;
}

// Waits up to `seconds` for `done`.
template <typename Done>
bool WaitFor(int seconds, Done done) {
    for (int i = 0; i < seconds * 20; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

class Collector {
public:
    // `extra`: further options (an id, the board's port or "--listen off", TLS). Without
    // `journals` the folder names only the log and the password file (a collector into a database
    // only). It signs in as its --id (one of the test broker's collectors), else as kvdplant;
    // `password`: the one in its password file (the test broker's for that user unless given).
    Collector(std::filesystem::path folder, uint16_t brokerPort, std::string extra = "", bool journals = true,
              std::string password = "")
        : folder_(std::move(folder)),
          log_(folder_.string() + ".log"),
          port_(brokerPort),
          extra_(std::move(extra)),
          journals_(journals) {
        if (const auto at = extra_.find("--id "); at != std::string::npos)
            user_ = extra_.substr(at + 5, extra_.find(' ', at + 5) - (at + 5));
        std::ofstream(folder_.string() + ".password")
            << (password.empty() ? TestPassword(user_) : password) << "\n";
    }
    ~Collector() { Stop(SIGTERM); }
    // With fdLimit, it runs with that many file descriptors at most.
    bool Start(int fdLimit = 0) {
        const std::string command =
            (fdLimit > 0 ? "ulimit -n " + std::to_string(fdLimit) + " && " : "") + "exec " KVDPLANT_PATH +
            (journals_ ? " --folder " + folder_.string() : "") + " --host 127.0.0.1 --port " +
            std::to_string(port_) + " --user " + user_ + " --password-file " + folder_.string() +
            ".password " + extra_ + " 2>>" + log_ + " >/dev/null";
        char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(command.c_str()),
                        nullptr};
        return posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, argv, environ) == 0;
    }
    void Stop(int signal) {
        if (pid_ <= 0) return;
        kill(pid_, signal);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
    // Subscribed: from now on the broker keeps every cycle for it.
    bool WaitConnected() const {
        return WaitFor(20, [&] { return Log().find("kvdplant: connected") != std::string::npos; });
    }
    std::string Log() const {
        std::ifstream in(log_);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path folder_;
    std::string log_;
    uint16_t port_;
    std::string user_ = "kvdplant";
    std::string extra_;
    bool journals_;
    pid_t pid_ = -1;
};
