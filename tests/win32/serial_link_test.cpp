// The serial link against units on pseudo-terminals (started by run_link_tests.sh): COM1 is the
// simulated unit (streams frames, logs what it receives), COM2 a pty that takes nothing (writes
// stay pending), COM3 is not a serial device, COM4 a unit that answers every frame with a word
// frame (150) and a cycle end (200) and is silent otherwise, COM5 one that sends 38 samples before
// them in one go, COM16 is mapped to nothing.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "link/cycle_messages.h"
#include "link/frame_codec.h"
#include "link/interpreter.h"
#include "link/serial_link_win32.h"
#include "link/serial_state_win32.h"
#include "link/transmit_ring.h"
#include "tests/win32/received_lines.h"
#include "tests/win32/test_serial.h"
#include "tests/win32/snapshot_window.h"
#include "link/port_service.h"
#include "link/storage_service.h"
#include "link/user_service.h"
#include "model/model.h"
#include "model/window_service.h"
#include "tests/unit/test_monitor.h"

namespace {

constexpr int kStreamingPort = 1;
constexpr int kHoldingPort = 2;
constexpr int kNotSerialPort = 3;
constexpr int kAnsweringPort = 4;
constexpr int kBurstAnsweringPort = 5;
constexpr int kMissingPort = 16;

bool IsBreakLimitReport(uint16_t value) {
    const int code = value & 0x0FFF;
    return value >= 256 && code >= 256 && code < 357;
}

bool WaitForRingEmpty(int milliseconds) {
    for (int waited = 0; PendingTransmitBytes(TestLink().ring) != 0; waited += 5) {
        if (waited >= milliseconds) return false;
        Sleep(5);
    }
    return true;
}

// Handles the process holds. Wine answers GetProcessHandleCount with 0, so there the handle
// values are probed instead: Wine hands out the lowest free value (from 4 up, in steps of 4),
// so a long run of unused values ends the table.
DWORD HandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
    int unused = 0;
    for (uintptr_t value = 4; unused < 256; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            unused = 0;
        } else {
            ++unused;
        }
    }
    return count;
}

class SerialLink : public ::testing::Test {
protected:
    void SetUp() override {
        gOnChunk = nullptr;
        gOnLine = nullptr;
        StartCollecting();
    }
    void TearDown() override {
        CloseLink(TestSerial());
        TestSerial().factory = DefaultLinkFactory();
        gOnChunk = nullptr;
        gOnLine = nullptr;
        TestLink().portService.receiveBytes = PortService{}.receiveBytes;
    }
};

TEST_F(SerialLink, ExchangesFramesWithTheUnit) {
    // 1. Open COM1: the unit's stream arrives without being asked for.
    ASSERT_EQ(OpenLink(TestSerial(), kStreamingPort), 0);
    EXPECT_TRUE(LinkIsOpen(TestSerial()));
    const ReceivedSummary got = WaitForReceived(
        [](const ReceivedSummary& s) { return s.wordFrames >= 2 && s.codeFrames >= 4; }, 3000);

    // 2. A read takes what the driver holds, so a chunk may end anywhere in a frame; lines are
    //    whole again at their CR. Only the first line may be a fragment (opened mid-frame).
    EXPECT_GE(got.wordFrames, 2);
    EXPECT_GE(got.codeFrames, 4);
    EXPECT_GE(got.smallestChunk, 1);
    EXPECT_LE(got.largestChunk, static_cast<int>(kGatherSize));
    EXPECT_LE(got.invalidLines, 1);
    EXPECT_TRUE(std::any_of(got.values.begin(), got.values.end(), IsBreakLimitReport));

    // 3. Send as the UI thread does, one frame per timer tick; the unit logs them (checked by
    //    the script): code 47, word 8508, code 205.
    EXPECT_TRUE(SendCodeFrame(TestLink(), 47));
    Sleep(30);
    EXPECT_TRUE(SendWordFrame(TestLink(), 8508));
    Sleep(30);
    EXPECT_TRUE(SendCodeFrame(TestLink(), 205));
    EXPECT_TRUE(WaitForRingEmpty(1000));
    Sleep(100);  // the last write leaves the port

    // 4. Close: the reader has ended, nothing more arrives.
    CloseLink(TestSerial());
    EXPECT_FALSE(LinkIsOpen(TestSerial()));
    const int chunks = CollectedSoFar().chunks;
    Sleep(100);
    EXPECT_EQ(CollectedSoFar().chunks, chunks);
}

// What the port runs at, read back from the port itself: 19200 baud 8N1, no flow control of any
// kind, and of the time-outs only the read interval (a read waits for its first byte as long as
// it takes, then ends when the line goes quiet).
TEST_F(SerialLink, PortRunsAt19200EightNoneOneWithoutFlowControlWithAReadInterval) {
    ASSERT_EQ(OpenLink(TestSerial(), kStreamingPort), 0);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(TestSerial().port.Get(), &dcb)) << "error " << GetLastError();
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_TRUE(dcb.fBinary);
    EXPECT_FALSE(dcb.fParity);
    EXPECT_FALSE(dcb.fOutxCtsFlow);
    EXPECT_FALSE(dcb.fOutxDsrFlow);
    EXPECT_FALSE(dcb.fOutX);
    EXPECT_FALSE(dcb.fInX);
    EXPECT_NE(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));
    EXPECT_NE(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_HANDSHAKE));

    COMMTIMEOUTS timeouts;
    std::memset(&timeouts, 0xFF, sizeof timeouts);
    ASSERT_TRUE(GetCommTimeouts(TestSerial().port.Get(), &timeouts)) << "error " << GetLastError();
    EXPECT_EQ(timeouts.ReadIntervalTimeout, kReadIntervalMs);
    EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 0u);
}

// A frame followed by a silence is taken at once, not when the unit speaks again: COM4's unit
// answers a frame with a word frame (6 bytes) and a cycle end, then says nothing more. Reads of a
// fixed 4 bytes left the cycle end's last 2 bytes waiting for the next frame, so the last cycle of
// a stream was stored only once the unit spoke again (and lost if the port closed first). COM5's
// unit sends 38 samples before them in one go: the first read takes all it asks for, so the
// reader goes on taking what the driver's queue holds, and must wait for the first byte again
// once the queue is empty rather than hold the end of the burst back.
std::atomic<int32_t> gLargestChunk{0};

TEST_F(SerialLink, FramesBeforeASilenceReachTheInterpreterWithoutFurtherBytes) {
    struct Case {
        int port, lines;
    };
    for (const Case c : {Case{kAnsweringPort, 2}, Case{kBurstAnsweringPort, 40}}) {
        SCOPED_TRACE(c.port);
        ResetInterpreter(TestLink());
        TestLink().debugLog.debugFlag = 1;  // no reader runs yet
        gLargestChunk = 0;
        TestLink().portService.receiveBytes = [](void*, const uint8_t* bytes, int32_t count) {
            gLargestChunk = std::max<int32_t>(gLargestChunk, count);
            InterpretBytes(TestLink(), bytes, count);
        };
        ASSERT_EQ(OpenLink(TestSerial(), c.port), 0);
        // The unit answers this frame (the script checks its log). The wait only bounds a reader
        // that holds the bytes back; nothing is timed.
        EXPECT_TRUE(SendCodeFrame(TestLink(), 47));
        const ULONGLONG end = GetTickCount64() + 3000;
        while (Load(TestLink().debugLog.lineIndex) < c.lines && GetTickCount64() < end) Sleep(10);
        char line[kDebugLineSize];
        ReadDebugLine(TestLink().debugLog, c.lines - 2, line);
        EXPECT_STREQ(line, "1-1-145-97-244, 150, OK    ");
        ReadDebugLine(TestLink().debugLog, c.lines - 1, line);
        EXPECT_STREQ(line, "193-129-66, 200, OK    ");
        // The cycle end went to the cycle logic (no cycle ran on this link, so it is counted there).
        EXPECT_EQ(Load(TestLink().ignoredCycleEnds), 1u);
        CloseLink(TestSerial());
        EXPECT_EQ(Load(TestLink().debugLog.lineIndex), c.lines);  // nothing else came
        // The burst was taken from the queue, more than a waiting read's 64 bytes at a time.
        if (c.port == kBurstAnsweringPort) {
            EXPECT_GT(gLargestChunk.load(), static_cast<int32_t>(kReadSize));
        }
        ResetInterpreter(TestLink());
    }
}

TEST_F(SerialLink, CloseReleasesEverythingAndTwiceDoesNothing) {
    const DWORD before = HandleCount();
    ASSERT_EQ(OpenLink(TestSerial(), kStreamingPort), 0);
    EXPECT_GT(HandleCount(), before);
    // A second open while one is open is refused and leaves the first one working.
    EXPECT_EQ(OpenLink(TestSerial(), kStreamingPort), ERROR_BUSY);
    EXPECT_TRUE(LinkIsOpen(TestSerial()));

    CloseLink(TestSerial());
    EXPECT_FALSE(LinkIsOpen(TestSerial()));
    EXPECT_EQ(HandleCount(), before);
    CloseLink(TestSerial());
    EXPECT_FALSE(LinkIsOpen(TestSerial()));
    EXPECT_EQ(HandleCount(), before);

    // The port is free again.
    ASSERT_EQ(OpenLink(TestSerial(), kStreamingPort), 0);
    EXPECT_TRUE(WaitForReceived([](const ReceivedSummary& s) { return s.validLines > 0; }, 3000).validLines >
                0);
}

// (A port in use by another program cannot be staged here: Wine does not refuse a second open
// of a COM port.)
TEST_F(SerialLink, FailedOpenLeavesNothingOpen) {
    struct Case {
        int port;
        const char* what;
    };
    const Case cases[] = {
        {kMissingPort, "mapped to nothing"},
        {kNotSerialPort, "not a serial device: the port settings fail after CreateFileA"},
        {0, "below 1"},
        {17, "above 16"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DWORD before = HandleCount();
        SetLastError(0);
        const int32_t error = OpenLink(TestSerial(), c.port);
        EXPECT_NE(error, 0);
        EXPECT_EQ(static_cast<DWORD>(error), GetLastError());
        EXPECT_FALSE(LinkIsOpen(TestSerial()));
        EXPECT_EQ(HandleCount(), before);
    }
}

// Creations of an open in order: reader-stop, writer-stop, transmit, reader thread, writer
// thread, AnswerEvent. The n-th one fails in turn.
int gCreationsLeft = 0;
HANDLE FailingEvent(BOOL manualReset) {
    if (gCreationsLeft-- == 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return DefaultLinkFactory().createEvent(manualReset);
}
HANDLE FailingThread(LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD* threadId) {
    if (gCreationsLeft-- == 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return DefaultLinkFactory().createThread(start, parameter, threadId);
}

TEST_F(SerialLink, OpenFailingAfterThePortReleasesWhatItCreated) {
    for (int failing = 0; failing < 6; ++failing) {
        SCOPED_TRACE(failing);
        TestSerial().factory = {FailingEvent, FailingThread};
        gCreationsLeft = failing;
        const DWORD before = HandleCount();
        EXPECT_EQ(OpenLink(TestSerial(), kStreamingPort), ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_FALSE(LinkIsOpen(TestSerial()));
        EXPECT_EQ(HandleCount(), before);
    }
    // The port itself was released too: it opens again.
    TestSerial().factory = DefaultLinkFactory();
    EXPECT_EQ(OpenLink(TestSerial(), kStreamingPort), 0);
}

TEST_F(SerialLink, FramesPutWhileClosedAreDroppedAtOpen) {
    // 1. No port is open: the frame stays in the ring (no writer drains it).
    ASSERT_FALSE(LinkIsOpen(TestSerial()));
    EXPECT_TRUE(SendCodeFrame(TestLink(), 99));
    EXPECT_EQ(PendingTransmitBytes(TestLink().ring), kCodeFrameSize);
    // 2. Opening drops it: the unit never sees code 99 (the script checks its log).
    ASSERT_EQ(OpenLink(TestSerial(), kStreamingPort), 0);
    EXPECT_EQ(PendingTransmitBytes(TestLink().ring), 0);
    // 3. A frame put now goes out: the log holds code 48.
    EXPECT_TRUE(SendCodeFrame(TestLink(), 48));
    EXPECT_TRUE(WaitForRingEmpty(1000));
    Sleep(100);
}

TEST_F(SerialLink, CloseEndsAPendingWrite) {
    // COM2's pty has its output stopped, so the write stays pending (the script checks that
    // nothing reached the other end).
    ASSERT_EQ(OpenLink(TestSerial(), kHoldingPort), 0);
    EXPECT_TRUE(SendCodeFrame(TestLink(), 47));
    // The writer has the frame in a write the port never completes; its bytes stay in the ring
    // until the port took them, so a close gives them back instead of losing them.
    Sleep(200);
    EXPECT_EQ(PendingTransmitBytes(TestLink().ring), kCodeFrameSize);
    const ULONGLONG start = GetTickCount64();
    CloseLink(TestSerial());
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_FALSE(LinkIsOpen(TestSerial()));
}

HWND gSnapshotWindow = nullptr;
HANDLE gRequestMade = nullptr;

void RequestSnapshotAfterChunk() {
    SetEvent(gRequestMade);
    RequestEndOfCycle(TestSerial(), gSnapshotWindow, kSnapshotCommand);
}

TEST_F(SerialLink, CloseWhileTheReaderWaitsForTheSnapshotReturns) {
    gSnapshotWindow = CreateSnapshotWindow();
    ASSERT_NE(gSnapshotWindow, nullptr);
    OwnedHandle requestMade(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    gRequestMade = requestMade.Get();
    gSnapshotsTaken = 0;
    gOnChunk = RequestSnapshotAfterChunk;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        ResetEvent(gRequestMade);
        ASSERT_EQ(OpenLink(TestSerial(), kStreamingPort), 0);
        // The reader asks for a snapshot of the UI thread, which does not serve messages now:
        // the reader blocks in SendMessageA, as at a cycle end...
        ASSERT_EQ(WaitForSingleObject(gRequestMade, 3000), WAIT_OBJECT_0);
        Sleep(round % 2 == 0 ? 0 : 5);
        // ...exactly when the UI thread closes the link and waits for the reader.
        CloseLink(TestSerial());
        EXPECT_FALSE(LinkIsOpen(TestSerial()));
    }
    // The close served requests of a blocked reader (not only skipped late ones).
    EXPECT_GT(gSnapshotsTaken.load(), 0);
    gOnChunk = nullptr;
    DestroyWindow(gSnapshotWindow);
}

void SnapshotOrAnswer(uint16_t value) {
    if (IsBreakLimitReport(value)) {
        SetAnswerEvent(TestSerial());
    } else {
        RequestEndOfCycle(TestSerial(), gSnapshotWindow, kSnapshotCommand);
    }
}

TEST_F(SerialLink, ScanWaitForTheAnswerServesSnapshotRequests) {
    EXPECT_FALSE(WaitForAnswer(TestSerial(), 0));  // no link, no AnswerEvent
    gSnapshotWindow = CreateSnapshotWindow();
    ASSERT_NE(gSnapshotWindow, nullptr);
    gSnapshotsTaken = 0;
    gOnLine = SnapshotOrAnswer;
    ASSERT_EQ(OpenLink(TestSerial(), kStreamingPort), 0);
    // By now the reader waits in a snapshot request; the Break Limit reports behind it arrive
    // only if the wait for the answer serves that request.
    Sleep(200);
    ResetAnswerEvent(TestSerial());
    EXPECT_TRUE(WaitForAnswer(TestSerial(), 2500));
    EXPECT_GT(gSnapshotsTaken.load(), 0);
    CloseLink(TestSerial());
    gOnLine = nullptr;
    DestroyWindow(gSnapshotWindow);
}

TEST_F(SerialLink, WaitForAnswerTimesOutWhenNoReportComes) {
    ASSERT_EQ(OpenLink(TestSerial(), kHoldingPort), 0);  // sends nothing
    ResetAnswerEvent(TestSerial());
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(WaitForAnswer(TestSerial(), 300));
    EXPECT_GE(GetTickCount64() - start, 250u);
}

}  // namespace
