// A real broker for the plant tests: Debian's mosquitto with the plant's own configuration
// (packaging/plant/mosquitto.conf) on a free port of 127.0.0.1, its database in the test's folder.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

extern char** environ;

class Broker {
public:
    explicit Broker(const std::filesystem::path& folder) : folder_(folder) {
        port_ = FreePort();
        // Started by root, mosquitto runs as its own user: it must be able to save its sessions.
        std::filesystem::permissions(folder_, std::filesystem::perms::all);
        std::ifstream shipped(ZAVIZE_SOURCE_DIR "/packaging/plant/mosquitto.conf");
        std::ofstream conf(folder_ / "mosquitto.conf");
        for (std::string line; std::getline(shipped, line);) {
            if (line.rfind("listener ", 0) == 0)
                line = "listener " + std::to_string(port_) + " 127.0.0.1";
            else if (line.rfind("persistence_location ", 0) == 0)
                line = "persistence_location " + folder_.string() + "/";
            conf << line << "\n";
        }
    }
    ~Broker() { Stop(); }
    uint16_t port() const { return port_; }

    // Starts it and waits until it takes connections.
    bool Start() {
        const std::string conf = (folder_ / "mosquitto.conf").string();
        const std::string log = (folder_ / "mosquitto.log").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        char* argv[] = {const_cast<char*>("mosquitto"), const_cast<char*>("-c"),
                        const_cast<char*>(conf.c_str()), nullptr};
        const int r = posix_spawnp(&pid_, "mosquitto", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (r != 0) return false;
        for (int i = 0; i < 100; ++i) {
            if (Accepts()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // Waits (up to 20 s) for a save of the database that began after this call: the second one
    // that ends after it (the first may have begun before). Saves come at the configured interval.
    bool WaitForASaveFromNow() const {
        namespace fs = std::filesystem;
        const fs::path db = folder_ / "mosquitto.db";
        const auto stamp = [&] {
            std::error_code ec;
            return fs::last_write_time(db, ec);
        };
        auto seen = stamp();
        for (int saves = 0, i = 0; i < 400; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            const auto now = stamp();
            if (now == seen) continue;
            seen = now;
            if (++saves == 2) return true;
        }
        return false;
    }
    // Ends it as an administrator would (it saves its sessions) and waits for it; with SIGKILL,
    // as a crash would, saving nothing.
    void Stop(int signal = SIGTERM) {
        if (pid_ <= 0) return;
        kill(pid_, signal);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    static uint16_t FreePort() {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
        close(fd);
        return ntohs(a.sin_port);
    }

private:
    bool Accepts() const {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port_);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        close(fd);
        return ok;
    }

    std::filesystem::path folder_;
    uint16_t port_ = 0;
    pid_t pid_ = -1;
};
