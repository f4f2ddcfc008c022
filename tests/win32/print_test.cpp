// The print commands under Wine: every failing step of a job is reported and the document
// aborted, a missing printer is reported, and each page drawn on a memory device context of a
// printed page's size is checked by its pixels under the page mapping.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "dialog_watcher.h"
#include "files/config.h"
#include "model/model.h"
#include "text/message.h"
#include "text/text_ids.h"
#include "print/page_mapping.h"
#include "print/print_calls_win32.h"
#include "print/print_commands_win32.h"
#include "print/print_job_win32.h"
#include "view/drawing_resources_win32.h"
#include "view/layout.h"
#include "view/palette.h"
#include "tests/unit/test_monitor.h"

namespace {

// A4 at 150 dpi, portrait.
constexpr int kPageWidth = 1240, kPageHeight = 1754;

// A top-down 32-bit DIB section the size of a printed page, white as paper.
struct PageSurface {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    const uint32_t* bits = nullptr;
    PageSurface() {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, kPageWidth, -kPageHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* p = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<const uint32_t*>(p);
        previous = SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, kPageWidth, kPageHeight, WHITENESS);
    }
    ~PageSurface() {
        if (dc != nullptr) {
            SelectObject(dc, previous);
            DeleteDC(dc);
        }
        DeleteObject(bitmap);
    }
    Colour At(int x, int y) const {
        GdiFlush();
        const uint32_t p = bits[y * kPageWidth + x];
        return Rgb((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // Pixels of a colour in a device rectangle (right and bottom exclusive).
    int Count(Colour c, int left, int top, int right, int bottom) const {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) n += At(x, y) == c;
        return n;
    }
    int CountNot(Colour c, int left, int top, int right, int bottom) const {
        return (right - left) * (bottom - top) - Count(c, left, top, right, bottom);
    }
};

// The job's steps as the seam saw them; failStep names the one that fails.
std::vector<std::string> gSteps;
std::string gFailStep;
constexpr DWORD kSpoolerError = 1816;  // the code the failing step leaves as the system's error

int Step(const char* name) {
    gSteps.push_back(name);
    if (gFailStep == name) {
        SetLastError(kSpoolerError);
        return SP_ERROR;
    }
    return 1;
}

PrintCalls FakeCalls() {
    PrintCalls calls;
    calls.choosePrinter = [](void*, HWND) {
        // A memory device context stands for the printer: the command deletes it afterwards.
        return PrinterChoice{0, CreateCompatibleDC(nullptr)};
    };
    calls.startDoc = [](void*, HDC, const DOCINFOA* doc) {
        EXPECT_EQ(doc->cbSize, static_cast<int>(sizeof(DOCINFOA)));
        EXPECT_STREQ(doc->lpszDocName, "ZavIze KVD Tool Monitor");
        return Step("StartDoc");
    };
    calls.startPage = [](void*, HDC) { return Step("StartPage"); };
    calls.endPage = [](void*, HDC) { return Step("EndPage"); };
    calls.endDoc = [](void*, HDC) { return Step("EndDoc"); };
    calls.abortDoc = [](void*, HDC) { return Step("AbortDoc"); };
    calls.printableArea = [](void*, HDC) { return SIZE{kPageWidth, kPageHeight}; };
    return calls;
}

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetModel(TestModel(), TestStatistics());
        WriteParameterDefaults(TestModel());
        TestModel().activeCutParameters = DefaultCutParameters();
        PresetConfiguration(TestConfig());
        CreateDrawingResources(set, Layout{});
        gSteps.clear();
        gFailStep.clear();
        calls = FakeCalls();
    }
    void TearDown() override { DeleteDrawingResources(set); }
    // The window's drawing set and print calls, as the main window's state holds them.
    DrawingResources set{};
    PrintCalls calls;
    PrintInputs Inputs() const {
        return {calls, set, TestModel(), TestStatistics(), TestConfig().statisticsFileName};
    }
};

TEST_F(PrintTest, EveryFailingStepIsReportedAndTheDocumentAborted) {
    struct Command {
        PrintCommand command;
        TextId message;
    };
    const Command commands[] = {{PrintCommand::kActiveCut, kTextPrintActiveCutFailed},
                                {PrintCommand::kPowerStatistics, kTextPrintStatisticsFailed},
                                {PrintCommand::kWorkStatistics, kTextPrintStatisticsFailed},
                                {PrintCommand::kParameters, kTextPrintParametersFailed}};
    struct Failure {
        const char* step;
        std::vector<std::string> steps;  // what the job did before it gave up
    };
    const Failure failures[] = {
        {"StartDoc", {"StartDoc"}},
        {"StartPage", {"StartDoc", "StartPage", "AbortDoc"}},
        {"EndPage", {"StartDoc", "StartPage", "EndPage", "AbortDoc"}},
        {"EndDoc", {"StartDoc", "StartPage", "EndPage", "EndDoc"}},
    };
    for (const Command& c : commands) {
        for (const Failure& f : failures) {
            SCOPED_TRACE(testing::Message() << "command " << static_cast<int>(c.command) << ", " << f.step);
            gSteps.clear();
            gFailStep = f.step;
            const SeenDialog box = WatchDialog([&] { RunPrintCommand(nullptr, c.command, Inputs()); }, IDOK);
            ASSERT_TRUE(box.found);
            EXPECT_EQ(box.caption, "Error!");
            const ComposedMessage expected = ComposeMessage(c.message, kCaptionError, kSpoolerError);
            EXPECT_EQ(box.StaticTexts(), std::vector<std::string>{expected.text});
            EXPECT_EQ(gSteps, f.steps);
        }
    }
}

// Runs show() and answers every dialog it opens with OK until it returns; the dialogs in order.
std::vector<SeenDialog> WatchAllDialogs(const std::function<void()>& show) {
    using namespace dialog_watcher_detail;
    std::vector<SeenDialog> seen;
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done && std::chrono::steady_clock::now() < deadline) {
            HWND dialog = nullptr;
            EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&dialog));
            if (dialog == nullptr) {
                Sleep(10);
                continue;
            }
            seen.push_back(Inspect(dialog));
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
            for (int i = 0; i < 300 && IsWindow(dialog); ++i) Sleep(10);
            if (IsWindow(dialog)) PostMessageA(dialog, WM_CLOSE, 0, 0);
            for (int i = 0; i < 300 && IsWindow(dialog); ++i) Sleep(10);
        }
    });
    show();
    done = true;
    watcher.join();
    return seen;
}

// Wine sees no printer when no print server answers (the test runs with CUPS_SERVER pointing
// nowhere): every command says so, the statistics commands with the dialog's number.
TEST_F(PrintTest, WithoutAnyPrinterEveryCommandSaysUnableToOpenPrinter) {
    calls = PrintCalls{};
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    ASSERT_EQ(needed, 0u) << "this prefix has a printer";
    for (PrintCommand command : {PrintCommand::kActiveCut, PrintCommand::kPowerStatistics,
                                 PrintCommand::kWorkStatistics, PrintCommand::kParameters}) {
        SCOPED_TRACE(static_cast<int>(command));
        const std::vector<SeenDialog> boxes =
            WatchAllDialogs([&] { RunPrintCommand(nullptr, command, Inputs()); });
        // The system may say first that there is no printer; the program's own message comes last.
        ASSERT_FALSE(boxes.empty());
        const SeenDialog& box = boxes.back();
        ASSERT_EQ(box.StaticTexts().size(), 1u);
        const std::string text = box.StaticTexts()[0];
        const bool statistics =
            command == PrintCommand::kPowerStatistics || command == PrintCommand::kWorkStatistics;
        if (statistics)
            EXPECT_EQ(text.rfind("Unable to open printer: ", 0), 0u) << text;
        else
            EXPECT_EQ(text, "Unable to open printer");
    }
}

class PrintedPageTest : public PrintTest {
protected:
    PageSurface page;
    int X(PageKind kind, int x) const {
        return DeviceX(MapPage(kind, set.layout.index, kPageWidth, kPageHeight), x);
    }
    int Y(PageKind kind, int y) const {
        return DeviceY(MapPage(kind, set.layout.index, kPageWidth, kPageHeight), y);
    }
};

TEST_F(PrintedPageTest, StatisticsBarsAndBaselineWhereTheMappingPutsThem) {
    for (int layout : {0, 1}) {
        SCOPED_TRACE(layout);
        CreateDrawingResources(set, Layout{layout});
        PatBlt(page.dc, 0, 0, kPageWidth, kPageHeight, WHITENESS);
        ResetModel(TestModel(), TestStatistics());
        WriteParameterDefaults(TestModel());
        TestModel().activeCutParameters = DefaultCutParameters();
        for (int i = 0; i < 10; ++i) AppendStatisticsEntry(TestStatistics(), 0, StatisticsEntry{50, 20});
        ASSERT_EQ(PrintStatistics(page.dc, kPowerStatistics, Inputs()), 0);

        const PageKind k = PageKind::kStatistics;
        const int base = LayoutValue(kStatsBaseline, layout), left = LayoutValue(kCurveLeft, layout);
        const int top = base - (layout == 0 ? 50 : 100);  // the height of 50 %
        // Bars of 8 layout pixels from the baseline up to 50 %: yellow, blue, yellow, ...
        const int mid = Y(k, (base + top) / 2);
        EXPECT_EQ(page.At(X(k, left + 4), mid), kPaletteColours[kPaletteYellow]);
        EXPECT_EQ(page.At(X(k, left + 12), mid), kPaletteColours[kPaletteBlue]);
        EXPECT_EQ(page.At(X(k, left + 200), mid), Rgb(255, 255, 255));
        // The baseline axis lies on the page, with white paper below it.
        const int row = Y(k, base);
        ASSERT_LT(row + 2, kPageHeight);
        EXPECT_GT(page.Count(Rgb(0, 0, 0), X(k, left + 100), row - 2, X(k, left + 101), row + 3), 0);
        EXPECT_EQ(page.CountNot(Rgb(255, 255, 255), X(k, left + 100), Y(k, base + 8), X(k, left + 101),
                                kPageHeight),
                  0);
        // Printer target: white text backgrounds, nothing of the window's grey.
        EXPECT_EQ(page.Count(kWindowBackground, 0, 0, kPageWidth, kPageHeight), 0);
    }
}

TEST_F(PrintedPageTest, ActiveCutWithoutLampsOnWhite) {
    TestModel().cycle.po = 0;
    ASSERT_EQ(PrintActiveCut(page.dc, Inputs()), 0);
    const PageKind k = PageKind::kActiveCut;
    const int axis = LayoutValue(kCurveLeft, 1) - 1;
    EXPECT_GT(page.Count(Rgb(0, 0, 0), X(k, axis) - 1, Y(k, 150), X(k, axis) + 2, Y(k, 150) + 1), 0);
    // The Break line (red) at Po + 50 %, 100 layout pixels above the baseline.
    const int breakRow = Y(k, LayoutValue(kCurveBaseline, 1) - 100);
    EXPECT_GT(page.Count(kPaletteColours[kPaletteRed], X(k, 300), breakRow - 2, X(k, 301), breakRow + 3), 0);
    // No lamps (the green of a lamp that is off) and no grey text background.
    EXPECT_EQ(page.Count(kPaletteColours[kPaletteGreen], 0, 0, kPageWidth, kPageHeight), 0);
    EXPECT_EQ(page.Count(kWindowBackground, 0, 0, kPageWidth, kPageHeight), 0);
}

TEST_F(PrintedPageTest, ParameterTableKeepsItsColumnsOnThePortraitPage) {
    TestModel().cutParameters[15].missingCount = 65535;
    ASSERT_EQ(PrintParameters(page.dc, Inputs()), 0);
    const PageKind k = PageKind::kParameters;
    const Colour black = Rgb(0, 0, 0);
    struct Band {
        int top, bottom;
    };
    auto band = [&](int y) { return Band{Y(k, y - 15), Y(k, y)}; };
    // Groups of black columns in a text row, apart by more than a character (6 layout pixels).
    auto groups = [&](Band b) {
        int count = 0, lastBlack = -1000;
        for (int x = 0; x < kPageWidth; ++x) {
            if (page.Count(black, x, b.top, x + 1, b.bottom) == 0) continue;
            if (x - lastBlack > X(k, 6) - X(k, 0)) ++count;
            lastBlack = x;
        }
        return count;
    };
    // The header, the title, the heads and values of all columns, inside the page: nothing right
    // of the right margin, and the last column's head and widest value near it.
    EXPECT_GT(page.Count(black, X(k, 20), band(30).top, X(k, 200), band(30).bottom), 0);
    EXPECT_EQ(page.Count(black, X(k, 780) + 2, 0, kPageWidth, kPageHeight), 0);
    const int lastColumnFrom = X(k, 20 + 93 * 6 - 5 * 8);
    EXPECT_GT(page.Count(black, lastColumnFrom, band(210).top, X(k, 780), band(210).bottom), 0);
    EXPECT_GT(page.Count(black, lastColumnFrom, band(375).top, X(k, 780), band(375).bottom), 0);
    // The 13-character label "Cycles/Screen" stays clear of cut 1's value: 1 + 16 groups.
    EXPECT_EQ(groups(band(495)), 17);
}

}  // namespace
