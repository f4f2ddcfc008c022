// The three menus as the built program holds them: every item's command id, text bytes (code
// page 1252), greyed state, separators and popups, against the menus as written down here.
#include <gtest/gtest.h>

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

// One line per item, indented two spaces per level: popup "text" / item ID "text" [grayed] /
// separator; any other state or type bit is printed in hex so that it cannot go unseen.
class MenuLines {
public:
    std::vector<std::string> lines;

    void Popup(const std::string& text) {
        Add("popup \"" + text + "\"");
        ++depth_;
    }
    void End() { --depth_; }
    void Item(int id, const std::string& text, bool grayed = false) {
        Add("item " + std::to_string(id) + " \"" + text + "\"" + (grayed ? " grayed" : ""));
    }
    void Separator() { Add("separator"); }
    // Sixteen numbered items: "&1".."&9", "1&0", "11".."16" after the prefix.
    void Numbered(int firstId, const std::string& prefix) {
        for (int n = 1; n <= 16; ++n) {
            const std::string number = n < 10 ? "&" + std::to_string(n) : n == 10 ? "1&0" : std::to_string(n);
            Item(firstId + n - 1, prefix + number);
        }
    }
    // A popup of plain items; an id of 0 stands for a separator.
    struct Entry {
        int id;
        std::string text;
        bool grayed = false;
    };
    void Flat(const std::string& popup, std::initializer_list<Entry> entries) {
        Popup(popup);
        for (const Entry& e : entries) {
            if (e.id == 0)
                Separator();
            else
                Item(e.id, e.text, e.grayed);
        }
        End();
    }
    void Add(const std::string& line) { lines.push_back(std::string(2 * depth_, ' ') + line); }

private:
    int depth_ = 0;
};

struct MenuTexts {
    const char *file, *load, *loadSet, *loadStatistics, *save, *saveSet, *saveStatistics, *exportMenu,
        *exportPower, *exportWork, *reset, *all, *exit, *parameters, *communication, *autoConnect, *window,
        *showPower, *showWork, *showParameters, *showForecast, *refresh, *print, *printCut, *printPower,
        *printWork, *printParameters, *screenDump, *language, *english, *german, *danish, *help, *legend,
        *about, *cut, *plantLink;
};

const MenuTexts kEnglish = {
    "&File",
    "&Load",
    "&Load parameterset",
    "Load st&atistics",
    "&Save",
    "&Save parameterset",
    "Save s&tatistics",
    "&Export",
    "&Power statistics",
    "&Work statistics",
    "&Reset statistics",
    "&All",
    "E&xit",
    "&Parameters",
    "&Communication",
    "Auto connect",
    "&Window",
    "Show &Power statistics",
    "Show &Work statistics",
    "Show P&arameters",
    "Show &Forecast",
    "&Refresh",
    "Prin&t",
    "Active &Cut",
    "&Power statistics",
    "&Work statistics",
    "P&arameters",
    "&Screen dump",
    "Language",
    "&English",
    "&German",
    "&Danish",
    "&Help",
    "&Legend",
    "&About ...",
    "Cut# ",
    "&Plant link...",
};

const MenuTexts kGerman = {
    "&Datei",
    "&Laden",
    "&Laden Parametersatz",
    "Laden St&atistik",
    "&Sichern",
    "&Sichern Parametersatz",
    "Sichern S&tatistik",
    "&Export",
    "&Leistungstatistik",
    "&Arbeitstatistik",
    "Statistik &l\xf6schen",
    "&Alle",
    "&Beenden",
    "&Parameter",
    "&Kommunikation",
    "Autoanschluss",
    "&Fenster",
    "&Leistungstatistik zeigen",
    "&Arbeitstatistik zeigen",
    "&Parameter zeigen",
    "Pr&ognose zeigen",
    "Ak&tualisieren",
    "Dr&ucken",
    "&Aktueller Schnitt",
    "&Leistungstatistik",
    "&Arbeitstatistik",
    "&Parameter",
    "&Bildschirm speichern",
    "Sprache",
    "&Englisch",
    "&Deutsch",
    "D\xe4ni&sch",
    "&Hilfe",
    "&Legende",
    "&\xdc"
    "ber ...",
    "Schnitt# ",
    "&Anlagenanbindung...",
};

const MenuTexts kDanish = {
    "&Fil",
    "&Hent",
    "Hent &parameters\xe6t",
    "Hent &statistik",
    "&Gem",
    "Gem &parameters\xe6t",
    "Gem &Statistik",
    "&Eksport",
    "&Effekt-statistik",
    "&Arbejds-statistik",
    "&Nulstil statistik",
    "&Alle",
    "&Afslut",
    "&Parametre",
    "&Kommunikation",
    "&Autokonnekt",
    "&Vindue",
    "Vis &Effekt-statistik",
    "Vis &Arbejds-statistik",
    "Vis &Parametre",
    "Vis Pr&ognose",
    "&Gentegn",
    "&Udskriv",
    "&Aktive Snit",
    "&Effekt-statistik",
    "A&rbejds-statistik",
    "&Parametre",
    "&Sk\xe6rmdump",
    "Sprog",
    "&Engelsk",
    "&Tysk",
    "&Dansk",
    "&Hj\xe6lp",
    "&Legende",
    "&Omkring ...",
    "Snit nr. ",
    "&Fabriksforbindelse...",
};

std::vector<std::string> ExpectedMenu(const MenuTexts& t, bool danish) {
    MenuLines m;
    m.Popup(t.file);
    m.Flat(t.load, {{32794, t.loadSet}, {32800, t.loadStatistics}});
    m.Flat(t.save, {{32795, t.saveSet}, {32799, t.saveStatistics}});
    m.Popup(t.exportMenu);
    m.Popup(t.exportPower);
    m.Numbered(32825, t.cut);
    m.End();
    m.Popup(t.exportWork);
    m.Numbered(32841, t.cut);
    m.End();
    m.End();
    m.Separator();
    m.Popup(t.reset);
    m.Numbered(32802, t.cut);
    m.Separator();
    m.Item(32818, t.all);
    m.End();
    m.Separator();
    m.Item(105, t.exit);
    m.End();

    m.Popup(t.parameters);
    MenuLines cuts;
    cuts.Numbered(32778, t.cut);
    if (danish) cuts.lines[9] = "item 32787 \"Snit nr.1&0\"";  // the one item without the space
    for (const std::string& line : cuts.lines) m.Add(line);
    m.End();

    m.Popup(t.communication);
    m.Numbered(32862, "COM ");
    m.Separator();
    m.Item(32878, t.autoConnect);
    m.Separator();
    m.Item(32881, t.plantLink);
    m.End();

    m.Flat(t.window, {{32796, t.showPower},
                      {32797, t.showWork},
                      {32798, t.showParameters},
                      {32880, t.showForecast},
                      {0, ""},
                      {32857, t.refresh},
                      {32777, "&Debug", true}});
    m.Flat(t.print, {{32819, t.printCut},
                     {32820, t.printPower},
                     {32821, t.printWork},
                     {32822, t.printParameters},
                     {0, ""},
                     {32879, t.screenDump}});
    m.Flat(t.language, {{34000, t.english}, {34200, t.german}, {34400, t.danish}});
    m.Flat(t.help, {{32858, t.legend}, {0, ""}, {104, t.about}});
    return m.lines;
}

void Walk(HMENU menu, MenuLines& out) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        ASSERT_TRUE(GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) << i;
        std::string extra;
        const UINT otherState = info.fState & ~static_cast<UINT>(MFS_GRAYED);
        const UINT otherType = info.fType & ~static_cast<UINT>(MFT_SEPARATOR);
        if (otherState != 0) extra += " state=" + std::to_string(otherState);
        if (otherType != 0) extra += " type=" + std::to_string(otherType);
        if (info.fType & MFT_SEPARATOR) {
            out.Add("separator" + extra);
        } else if (info.hSubMenu != nullptr) {
            out.Popup(text + std::string(extra));
            Walk(info.hSubMenu, out);
            out.End();
        } else {
            out.Item(static_cast<int>(info.wID), text + extra, (info.fState & MFS_GRAYED) != 0);
        }
    }
}

class MenuResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The menu texts reach the program through the ANSI functions in the system's code page.
        ASSERT_EQ(GetACP(), 1252u) << "the texts are code page 1252; run with a Western locale";
        program_ = LoadLibraryExA(ZAVIZE_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(program_, nullptr) << ZAVIZE_EXE << " error " << GetLastError();
    }
    void TearDown() override {
        if (program_ != nullptr) FreeLibrary(program_);
    }

    std::vector<std::string> Load(int resource) {
        HMENU menu = LoadMenuA(program_, MAKEINTRESOURCEA(resource));
        EXPECT_NE(menu, nullptr) << "menu " << resource;
        MenuLines out;
        if (menu != nullptr) {
            Walk(menu, out);
            DestroyMenu(menu);
        }
        return out.lines;
    }

    static void ExpectSame(const std::vector<std::string>& actual, const std::vector<std::string>& expected) {
        for (size_t i = 0; i < actual.size() && i < expected.size(); ++i)
            EXPECT_EQ(actual[i], expected[i]) << "line " << i;
        EXPECT_EQ(actual.size(), expected.size());
    }

    HMODULE program_ = nullptr;
};

TEST_F(MenuResourcesTest, EnglishMenu200) { ExpectSame(Load(200), ExpectedMenu(kEnglish, false)); }
TEST_F(MenuResourcesTest, GermanMenu400) { ExpectSame(Load(400), ExpectedMenu(kGerman, false)); }
TEST_F(MenuResourcesTest, DanishMenu600) { ExpectSame(Load(600), ExpectedMenu(kDanish, true)); }

// The menu bar as the operator sees it after switching to German.
TEST_F(MenuResourcesTest, GermanMenuBar) {
    HMENU menu = LoadMenuA(program_, MAKEINTRESOURCEA(400));
    ASSERT_NE(menu, nullptr);
    std::vector<std::string> bar;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        bar.push_back(text);
    }
    DestroyMenu(menu);
    EXPECT_EQ(bar, (std::vector<std::string>{"&Datei", "&Parameter", "&Kommunikation", "&Fenster", "Dr&ucken",
                                             "Sprache", "&Hilfe"}));
}

// Letters outside ASCII arrive as single code page 1252 bytes, not as two-byte sequences.
TEST_F(MenuResourcesTest, NonAsciiLettersArriveAsCodePage1252Bytes) {
    struct Case {
        int menu;
        UINT command;
        const char* text;
    };
    const Case cases[] = {
        {400, 34400, "D\xe4ni&sch"},
        {400, 104,
         "&\xdc"
         "ber ..."},
        {600, 32794, "Hent &parameters\xe6t"},
        {600, 32879, "&Sk\xe6rmdump"},
    };
    for (const Case& c : cases) {
        HMENU menu = LoadMenuA(program_, MAKEINTRESOURCEA(c.menu));
        ASSERT_NE(menu, nullptr);
        char text[64] = "";
        const int length = GetMenuStringA(menu, c.command, text, sizeof text, MF_BYCOMMAND);
        DestroyMenu(menu);
        EXPECT_EQ(length, static_cast<int>(std::string(c.text).size())) << c.command;
        EXPECT_STREQ(text, c.text) << c.command;
    }
}

}  // namespace
