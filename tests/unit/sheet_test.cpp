#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "model/parameters.h"
#include "link/command_queue.h"
#include "model/model.h"
#include "res/resource.h"
#include "sheet/field_values.h"
#include "sheet/sheet_state.h"
#include "test_monitor.h"

// The open sheet's state, as OpenParameterSheet keeps it.
inline SheetState& TestSheet() {
    static SheetState sheet;
    return sheet;
}

namespace {

enum Page { kBreak, kBlunt, kMissing, kTimers, kMeasurement, kMisc };

// A queued word as cut, parameter index and value.
struct Word {
    int cut, index, value;
    bool operator==(const Word&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Word& w) {
    return os << "{cut " << w.cut << ", index " << w.index << ", value " << w.value << "}";
}

// Takes every word that waits in the queue.
std::vector<Word> TakeQueued() {
    std::vector<Word> words;
    while (TestLink().queue.readIndex != TestLink().queue.writeIndex) {
        const uint16_t w = TestLink().queue.words[TestLink().queue.readIndex];
        TestLink().queue.readIndex = (TestLink().queue.readIndex + 1) % kCommandQueueSize;
        const int index = FindBaseCode(w & 0x0FFF);
        words.push_back({w >> 12, index, (w & 0x0FFF) - kBaseCodes[index].base});
    }
    return words;
}

int FieldAt(int page, uint16_t control) {
    for (int k = 0; k < kSheetPages[page].fieldCount; ++k)
        if (kSheetPages[page].fields[k].control == control) return k;
    ADD_FAILURE() << "no control " << control << " on page " << page;
    return 0;
}

// What a page's controls show: the texts of its activation, then whatever the test types.
struct PageControls {
    int page;
    std::array<std::string, kMaxPageFields> texts;
    std::array<int, kMaxPageFields> selections{};

    explicit PageControls(int p) : page(p) {
        for (int k = 0; k < kSheetPages[p].fieldCount; ++k) {
            char text[kFieldTextSize];
            EntryText(TestSheet(), p, k, text);
            texts[k] = text;
            selections[k] = EntrySelection(TestSheet(), p, k);
        }
    }
    std::array<FieldInput, kMaxPageFields> Inputs() const {
        std::array<FieldInput, kMaxPageFields> in{};
        for (int k = 0; k < kMaxPageFields; ++k) in[k] = {texts[k].c_str(), selections[k]};
        return in;
    }
    void Apply() const { ApplyPage(TestSheet(), TestLink(), page, Inputs().data()); }
    bool Leave(int field) const { return LeaveField(TestSheet(), page, field, Inputs().data()); }
};

std::string Shown(int page, int field) {
    char text[kFieldTextSize];
    EntryText(TestSheet(), page, field, text);
    return text;
}

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetModel(TestModel(), TestStatistics());
        WriteParameterDefaults(TestModel());
        ResetCommandQueue(TestLink());
    }
};

TEST(ParseTenths, ReadsTheFirstFourCharactersWithOneDigitAfterTheSeparator) {
    const struct {
        const char* text;
        int32_t tenths;
    } cases[] = {
        {"", 0},     {".", 0},     {",", 0},     {".5", 5},     {".55", 5},      {"5.", 50},  {"2.5", 25},
        {"2,5", 25}, {"2.56", 25}, {"12.", 120}, {"12.5", 125}, {"12.34", 123},  {"25", 250}, {"3", 30},
        {"abc", 0},  {"Off", 0},   {"-5", -50},  {"-.5", -5},   {"6554", 65540},  // too large for 16 bits:
                                                                                  // kept whole, so the range
                                                                                  // check refuses it
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseTenths(c.text, static_cast<int>(std::strlen(c.text))), c.tenths)
            << '"' << c.text << '"';
}

TEST(ReadWholeNumber, NeverWrapsAndReadsAMinusSignAsOutsideEveryRange) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"7", 7},
        {"  42x", 42},
        {"abc", 0},
        {"Off", 0},
        {"", 0},
        {"+5", 0},
        {"65537", 65537},
        {"99999999999999999999", kOutsideEveryRange},
        {"-3", kOutsideEveryRange},
        {" -0", kOutsideEveryRange},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadWholeNumber(c.text), c.value) << '"' << c.text << '"';
}

// One row per edge case: open the sheet of a cut on the defaults, type a text into one field,
// Apply, and look at what was queued and what the page shows when it comes to the front again.
TEST_F(SheetTest, FieldRulesOnApply) {
    struct Case {
        int page;
        uint16_t control;
        const char* typed;
        int sent;           // value queued, -1: nothing
        const char* shown;  // display after the Apply
    };
    const Case cases[] = {
        {kBreak, IDC_BREAK_LIMIT, "3", 0, "Off"},  // 1..4 become 0
        {kBreak, IDC_BREAK_LIMIT, "5", 5, "5"},
        {kBlunt, IDC_BLUNT_LIMIT, "3", 3, "Off"},  // sent as typed, shown as Off
        {kMissing, IDC_MISSING_LIMIT, "3", 3, "3"},
        {kMissing, IDC_MISSING_LIMIT, "2", 2, "Off"},
        {kTimers, IDC_TA, "25.0", -1, "Off"},  // 250 refused; the default 0 stays
        {kTimers, IDC_TA, "24.9", 249, "24.9"},
        {kTimers, IDC_TS, "25.0", 250, "25.0"},
        {kTimers, IDC_TS, "0", 0, "Off"},
        // 0 refused field by field...
        {kBlunt, IDC_BLUNT_COUNT, "0", -1, "1"},
        {kBlunt, IDC_BLUNT_DELAY, "0", -1, "10.0"},
        {kMeasurement, IDC_AVERAGE, "0", -1, "4"},
        {kMisc, IDC_CYCLES, "0", -1, "1"},
        {kMisc, IDC_UNIT_ID, "0", -1, "0"},
        {kMeasurement, IDC_WORK_DIVISOR, "0", -1, "10"},
        {kMisc, IDC_DEBOUNCE, "0", -1, "2"},
        // ...and accepted
        {kMissing, IDC_MISSING_COUNT, "0", 0, "0"},
        {kBreak, IDC_BREAK_DELAY, "0", 0, "0.0"},
        {kMeasurement, IDC_PO_SAMPLES, "0", 0, "Off"},
        {kMeasurement, IDC_WORK_DIVISOR, "16", 15, "16"},
        {kMeasurement, IDC_WORK_DIVISOR, "17", -1, "10"},
        {kMisc, IDC_DEBOUNCE, "1", 0, "1"},
        {kBreak, IDC_BREAK_DELAY, "abc", 0, "0.0"},    // no digits: 0, in range
        {kBlunt, IDC_BLUNT_DELAY, "abc", -1, "10.0"},  // 0 is outside 1..250
        {kBreak, IDC_BREAK_DELAY, "2,5", 25, "2.5"},
        {kBlunt, IDC_BLUNT_COUNT, "65537", -1, "1"},  // not wrapped into 1..8
        {kBlunt, IDC_BLUNT_COUNT, "65544", -1, "1"},  // would wrap to 8 in 16 bits
        {kMisc, IDC_UNIT_ID, "-3", -1, "0"},
        {kBlunt, IDC_BLUNT_DELAY, "6554", -1, "10.0"},  // 65540 tenths would wrap to 4
        {kMeasurement, IDC_P1MIN, "90", 90, "90"},      // P1Max 100 on the page: 90 is 10 below
        {kMeasurement, IDC_P1MAX, "9", -1, "100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "page " << c.page << " control " << c.control << " \"" << c.typed << '"');
        ResetCommandQueue(TestLink());
        OpenSheetCopy(TestSheet(), TestModel(), 15);
        CreatePage(TestSheet(), c.page, 15);
        PageControls page(c.page);
        const int field = FieldAt(c.page, c.control);
        page.texts[field] = c.typed;
        page.Apply();
        const std::vector<Word> sent = TakeQueued();
        if (c.sent < 0) {
            EXPECT_TRUE(sent.empty());
        } else {
            EXPECT_EQ(sent,
                      std::vector<Word>({{15, kSheetPages[c.page].fields[field].parameterIndex, c.sent}}));
        }
        EXPECT_EQ(Shown(c.page, field), c.shown);
    }
}

// The P1 pair is checked against the other field's value on the page: P1Max at least 10 above
// P1Min, P1Min at most P1Max - 10, on leaving a field and on Apply.
TEST_F(SheetTest, P1MaxAndP1MinKeepTenApartOnThePage) {
    OpenSheetCopy(TestSheet(), TestModel(), 2);
    CreatePage(TestSheet(), kMeasurement, 2);
    PageControls page(kMeasurement);
    const int max = FieldAt(kMeasurement, IDC_P1MAX), min = FieldAt(kMeasurement, IDC_P1MIN);

    // Leaving P1Max at 50 with P1Min 0: accepted. P1Min 45 against the 50 on the page: refused.
    page.texts[max] = "50";
    EXPECT_TRUE(page.Leave(max));
    page.texts[min] = "45";
    EXPECT_FALSE(page.Leave(min));

    // Apply with both raised together out of step (P1Max 55, P1Min 50): neither leaves.
    page.texts[max] = "55";
    page.texts[min] = "50";
    page.Apply();
    EXPECT_TRUE(TakeQueued().empty());

    // A P1Max the range refuses does not count: P1Min is checked against the value last sent (100).
    page.texts[max] = "abc";
    page.Apply();
    EXPECT_EQ(TakeQueued(), std::vector<Word>({{2, 16, 50}}));
}

// The life of one sheet: Apply sends only what differs, in the page's order, and only once;
// Cancel sends back, in its own order, what the unit has confirmed meanwhile.
TEST_F(SheetTest, ApplyAndCancelScenario) {
    const int cut = 4;
    OpenSheetCopy(TestSheet(), TestModel(), cut);
    CreatePage(TestSheet(), kBreak, cut);  // the sheet opens on the first page
    CreatePage(TestSheet(), kBlunt, cut);
    PageControls blunt(kBlunt);

    // Step 1: change every field of the Blunt page; Apply sends them in the page's order of sending.
    blunt.texts[FieldAt(kBlunt, IDC_BLUNT_LIMIT)] = "20";
    blunt.texts[FieldAt(kBlunt, IDC_BLUNT_DELAY)] = "5.5";
    blunt.texts[FieldAt(kBlunt, IDC_BLUNT_COUNT)] = "3";
    blunt.selections[FieldAt(kBlunt, IDC_BLUNT_MODE)] = 1;
    blunt.selections[FieldAt(kBlunt, IDC_BLUNT_ALARM_MODE)] = 1;
    PageControls(kBreak).Apply();  // unchanged page: nothing
    blunt.Apply();
    EXPECT_EQ(TakeQueued(),
              std::vector<Word>({{cut, 2, 20}, {cut, 5, 55}, {cut, 7, 3}, {cut, 6, 1}, {cut, 4, 1}}));

    // Step 2: a second Apply without changes sends nothing.
    blunt.Apply();
    EXPECT_TRUE(TakeQueued().empty());

    // Step 3: the unit confirms all but Blunt Count; meanwhile the Missing page is never visited,
    // though the unit's Missing Limit changes by other means.
    CutParameters& live = TestModel().cutParameters[cut];
    live.bluntLimit = 20;
    live.bluntDelay = 55;
    live.bluntMode = 1;
    live.bluntAlarmMode = 1;
    live.missingLimit = 77;
    // and Break Limit, whose page never applied anything, changes by other means too.
    live.breakLimit = 66;

    // Step 4: Cancel, page by page in page order: Break Limit goes back to its first value;
    // the confirmed Blunt values go back in the Cancel order; Blunt Count (not confirmed) and the
    // unvisited Missing page send nothing.
    for (int p = 0; p < kPageCount; ++p) CancelPage(TestSheet(), TestLink(), TestModel(), p);
    EXPECT_EQ(TakeQueued(),
              std::vector<Word>({{cut, 0, 50}, {cut, 2, 30}, {cut, 5, 100}, {cut, 4, 0}, {cut, 6, 0}}));
}

// A word the full queue refuses is not recorded as sent: the next Apply tries it again.
TEST_F(SheetTest, AWordTheQueueRefusedIsSentByTheNextApply) {
    for (int i = 0; i < kCommandQueueSize - 1; ++i) ASSERT_TRUE(QueueParameter(TestLink(), 0, 0, 1));
    OpenSheetCopy(TestSheet(), TestModel(), 7);
    CreatePage(TestSheet(), kMisc, 7);
    PageControls misc(kMisc);
    misc.texts[FieldAt(kMisc, IDC_UNIT_ID)] = "200";  // common word: sent with the sheet's cut
    misc.Apply();
    EXPECT_EQ(TestSheet().SheetCopy[kCutWordCount + 2], 0);  // the copy still holds the unit's 0

    TakeQueued();  // the timer sends what waited
    misc.Apply();
    EXPECT_EQ(TakeQueued(), std::vector<Word>({{7, 20, 200}}));
    misc.Apply();
    EXPECT_TRUE(TakeQueued().empty());
}

}  // namespace
