// The unit through a real pseudo-terminal: the monitor's side opens the slave by the link.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "frame_reader.h"
#include "line_port.h"
#include "runner.h"
#include "tests/unit/temp_dir.h"

namespace kvdsim {
namespace {

using namespace test;

class PtyTest : public ::testing::Test {
protected:
    TempWorkDir dir_;
    std::string link_ = (dir_.path() / "com1").string();
};

void WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

TEST_F(PtyTest, FramesTravelBothWaysAndTheLinkGoesAtTheEnd) {
    LinePort port;
    std::string error;
    ASSERT_TRUE(port.OpenPty(link_, error)) << error;
    EXPECT_EQ(std::filesystem::read_symlink(link_).string(), port.SlaveName());
    EXPECT_FALSE(port.PeerPresent());

    SimConfig config;
    config.cycles = 1;
    config.speed = 50;
    UnitSimulator sim(config);
    std::vector<std::string> log;
    sim.SetSinks([&log](const std::string& s) { log.push_back(s); }, nullptr, nullptr);
    RunSettings run;
    run.speed = config.speed;
    run.exitAfter = true;
    run.waitPeer = true;
    std::atomic<bool> stop{false}, finished{false};
    RunEnd end = RunEnd::Stopped;
    std::thread unit([&] {
        end = RunUnit(run, sim, port, stop, nullptr);
        finished = true;
    });

    // The monitor's side: open by the link, acknowledge, send the worked example, read.
    const int fd = open(link_.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    WriteAll(fd, CodeFrame(205));
    WriteAll(fd, WordFrame(8508));
    FrameReader reader;
    Received got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!finished && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        uint8_t buf[512];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) reader.Feed({buf, buf + n}, got);
    }
    stop = true;
    unit.join();
    // What the unit wrote just before it finished may still wait in the line.
    for (pollfd p{fd, POLLIN, 0}; poll(&p, 1, 200) > 0;) {
        uint8_t buf[512];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        reader.Feed({buf, buf + n}, got);
    }
    close(fd);

    EXPECT_TRUE(finished);
    EXPECT_EQ(end, RunEnd::CyclesDone);
    EXPECT_EQ(got.invalidLines, 0);
    EXPECT_TRUE(std::count(got.values.begin(), got.values.end(), 200) == 1);
    EXPECT_TRUE(std::count(got.values.begin(), got.values.end(), 205) == 1);
    EXPECT_TRUE(std::count(got.values.begin(), got.values.end(), 8508) >= 1);
    EXPECT_EQ(log,
              (std::vector<std::string>{"code 205", "word 8508 cut 2 param breakLimit value 60 applied"}));
    port.Close();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link_)));
}

// A reader that goes away leaves its unread bytes behind; the next one must not get them.
TEST_F(PtyTest, NextReaderStartsClean) {
    LinePort port;
    std::string error;
    ASSERT_TRUE(port.OpenPty(link_, error)) << error;
    int fd = open(link_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(port.PeerPresent());
    const std::vector<uint8_t> frame = CodeFrame(200);
    EXPECT_EQ(port.Write(frame.data(), frame.size()), 4);
    for (int i = 0; i < 100 && port.UnreadByPeer() != 4; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(port.UnreadByPeer(), 4);
    close(fd);
    EXPECT_FALSE(port.PeerPresent());
    port.DiscardUnread();
    fd = open(link_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    uint8_t buf[16];
    EXPECT_EQ(read(fd, buf, sizeof buf), -1);  // nothing waiting
    close(fd);
}

TEST_F(PtyTest, AnythingButASymlinkAtTheLinkPathIsLeftAlone) {
    { std::ofstream(link_) << "keep me"; }
    LinePort port;
    std::string error;
    EXPECT_FALSE(port.OpenPty(link_, error));
    EXPECT_NE(error.find("not a symlink"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_regular_file(link_));
    // A stale symlink of a killed run is replaced.
    std::filesystem::remove(link_);
    std::filesystem::create_symlink("/dev/pts/999999", link_);
    EXPECT_TRUE(port.OpenPty(link_, error)) << error;
    EXPECT_EQ(std::filesystem::read_symlink(link_).string(), port.SlaveName());
}

// A serial device that goes away (here: the other end of a pty closes) ends the run, never a
// spin on a dead descriptor.
TEST_F(PtyTest, AVanishedSerialDeviceEndsTheRun) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    LinePort port;
    std::string error;
    ASSERT_TRUE(port.OpenTty(ptsname(master), error)) << error;
    EXPECT_TRUE(port.PeerPresent());

    UnitSimulator sim(SimConfig{});
    std::atomic<bool> stop{false}, finished{false};
    RunEnd end = RunEnd::Stopped;
    std::thread unit([&] {
        end = RunUnit(RunSettings{}, sim, port, stop, nullptr);
        finished = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    close(master);
    for (int i = 0; i < 500 && !finished; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stop = true;  // only if it did not notice
    unit.join();
    EXPECT_EQ(end, RunEnd::LineLost);
}

}  // namespace
}  // namespace kvdsim
