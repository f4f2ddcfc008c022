// A real broker for the plant tests: Debian's mosquitto with the plant's own configuration
// (packaging/plant/mosquitto.conf and acl) on free ports of 127.0.0.1, its database, password
// file and ACL in the test's folder. Every client signs in: each user of kBrokerUsers and of the
// test's own list, with TestPassword(user). The shipped ACL holds (a machine's user writes only
// its own topics, kvdplant only reads them); the test's watchers alone may read and write all of
// kvd/#. With TLS, a test CA (packaging/plant/make-test-ca.sh) signs the broker's certificate
// for 127.0.0.1, and a TLS listener runs beside the plain one.
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
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

// The password of every user of a test broker.
inline std::string TestPassword(const std::string& user) { return "pw-" + user + "-7"; }

// The machines of the plant suites (each may write only its own topics), kvdplant, and the
// test's watchers and feeders that stand for many machines at once (every kvd/# topic).
inline const std::vector<std::string> kBrokerMachines = {"mill-1",  "mill-2", "mill-3", "lathe-2",
                                                         "lathe-3", "mill-a", "mill-b"};
inline const std::vector<std::string> kBrokerWatchers = {"watcher", "late", "monitors", "hostile"};
// Collectors beside kvdplant, with kvdplant's rights (a test that runs two at once needs two users:
// the user name is the client id).
inline const std::vector<std::string> kBrokerCollectors = {"kvdplant-a", "kvdplant-b", "kvdplant-fault"};

class Broker {
public:
    explicit Broker(const std::filesystem::path& folder, bool tls = false) : folder_(folder), tls_(tls) {
        namespace fs = std::filesystem;
        port_ = FreePort();
        tlsPort_ = tls ? FreePort() : 0;
        // Started by root, mosquitto runs as its own user: it must be able to save its sessions
        // and read its files.
        fs::permissions(folder_, fs::perms::all);
        {
            std::ofstream passwd(folder_ / "passwd");
            passwd << "kvdplant:" << TestPassword("kvdplant") << "\n";
            for (const auto* list : {&kBrokerMachines, &kBrokerWatchers, &kBrokerCollectors})
                for (const std::string& u : *list) passwd << u << ":" << TestPassword(u) << "\n";
            std::ifstream shipped(ZAVIZE_SOURCE_DIR "/packaging/plant/acl");
            std::ofstream acl(folder_ / "acl");
            std::string text, rights;  // rights: the topic lines of kvdplant's block
            bool inKvdplant = false;
            for (std::string line; std::getline(shipped, line);) {
                text += line + "\n";
                if (line.rfind("user ", 0) == 0) inKvdplant = line == "user kvdplant";
                if (line.empty()) inKvdplant = false;
                if (inKvdplant && line.rfind("topic ", 0) == 0) rights += line + "\n";
            }
            acl << text << "\n";
            for (const std::string& u : kBrokerWatchers) acl << "user " << u << "\ntopic readwrite kvd/#\n";
            for (const std::string& u : kBrokerCollectors) acl << "user " << u << "\n" << rights;
        }
        // The password file hashed in place, as the plant's script makes its entries.
        const std::string hash = "mosquitto_passwd -U " + (folder_ / "passwd").string();
        ok_ = std::system(hash.c_str()) == 0;
        if (tls) {
            const std::string ca = ZAVIZE_SOURCE_DIR "/packaging/plant/make-test-ca.sh " +
                                   (folder_ / "ca").string() + " 127.0.0.1 localhost >/dev/null";
            ok_ = ok_ && std::system(ca.c_str()) == 0;
            fs::permissions(folder_ / "ca" / "broker.key", fs::perms::owner_read | fs::perms::others_read);
        }
        std::ifstream shipped(ZAVIZE_SOURCE_DIR "/packaging/plant/mosquitto.conf");
        std::ofstream conf(folder_ / "mosquitto.conf");
        const std::string plain = "listener " + std::to_string(port_) + " 127.0.0.1";
        for (std::string line; std::getline(shipped, line);) {
            const auto is = [&](const char* key) { return line.rfind(key, 0) == 0; };
            const std::string etc = "/etc/mosquitto/kvd/";
            if (const auto at = line.find(etc); at != std::string::npos)
                line.replace(at, etc.size(),
                             (folder_ / (is("certfile") || is("keyfile") ? "ca/" : "")).string());
            if (is("listener 8883"))
                line = tls ? "listener " + std::to_string(tlsPort_) + " 127.0.0.1" : plain;
            else if (!tls && (is("certfile") || is("keyfile") || is("tls_version")))
                line = "";
            else if (tls && is("#listener 1883"))
                line = plain;
            else if (tls && is("#use_username_as_clientid"))
                line = line.substr(1);
            else if (is("persistence_location "))
                line = "persistence_location " + folder_.string() + "/";
            conf << line << "\n";
            if (std::getenv("BROKER_VERBOSE") && is("max_packet_size")) conf << "log_type all\n";
        }
    }
    ~Broker() { Stop(); }
    uint16_t port() const { return port_; }
    uint16_t tlsPort() const { return tlsPort_; }
    std::string Log() const {
        std::ifstream in(folder_ / "mosquitto.log");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // The test CA's certificate (with TLS).
    std::string caFile() const { return (folder_ / "ca" / "ca.crt").string(); }

    // Starts it and waits until it takes connections.
    bool Start() {
        if (!ok_) return false;
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
            if (Accepts(port_) && (!tls_ || Accepts(tlsPort_))) return true;
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
    static bool Accepts(uint16_t port) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        close(fd);
        return ok;
    }

    std::filesystem::path folder_;
    bool tls_;
    bool ok_ = true;
    uint16_t port_ = 0;
    uint16_t tlsPort_ = 0;
    pid_t pid_ = -1;
};
