// No silent command: every item of the three menus of the built program reaches a handler of the
// command table that does something.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

#include "res/resource.h"
#include "shell/commands_win32.h"

namespace {

void CollectIds(HMENU menu, std::set<int>& ids) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            CollectIds(sub, ids);
            continue;
        }
        const UINT id = GetMenuItemID(menu, i);
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        if (!(info.fType & MFT_SEPARATOR) && id != 0 && id != static_cast<UINT>(-1))
            ids.insert(static_cast<int>(id));
    }
}

std::string Join(const std::set<int>& ids) {
    std::string out;
    for (int id : ids) out += (out.empty() ? "" : " ") + std::to_string(id);
    return out;
}

// Commands whose work another part of the program is still building (the printing and the screen
// dump). This list may only shrink; the test fails once one of them is handled, so that it is
// taken off, and it must end empty.
const std::set<int> kKnownPending = [] {
    std::set<int> ids;
    for (int id = IDM_PRINT_ACTIVE_CUT; id <= IDM_PRINT_PARAMETERS; ++id) ids.insert(id);
    ids.insert(IDM_SCREEN_DUMP);
    return ids;
}();

TEST(CommandRoutes, EveryMenuItemReachesAHandlerThatDoesSomething) {
    HMODULE program = LoadLibraryExA(ZAVIZE_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr) << ZAVIZE_EXE;
    std::set<int> ids;
    for (const int resource : {200, 400, 600}) {
        HMENU menu = LoadMenuA(program, MAKEINTRESOURCEA(resource));
        ASSERT_NE(menu, nullptr) << "menu " << resource;
        CollectIds(menu, ids);
        DestroyMenu(menu);
    }
    FreeLibrary(program);
    ASSERT_GT(ids.size(), 100u);  // 16 cuts, 16 ports, 2 x 16 exports, 17 resets and the rest

    std::set<int> unknown, inert;
    for (int id : ids) {
        const CommandRoute route = RouteOf(id);
        if (route == CommandRoute::kUnknown) unknown.insert(id);
        if (route == CommandRoute::kInert) inert.insert(id);
    }
    EXPECT_EQ(Join(unknown), "") << "menu ids the command table does not know";
    std::set<int> unexpected, landed;
    for (int id : inert)
        if (!kKnownPending.count(id)) unexpected.insert(id);
    for (int id : kKnownPending)
        if (!inert.count(id)) landed.insert(id);
    EXPECT_EQ(Join(unexpected), "") << "menu ids that do nothing";
    EXPECT_EQ(Join(landed), "") << "handled now: take them off the pending list";
    // The cycle-end command comes from the reader thread, not from a menu.
    EXPECT_EQ(RouteOf(IDM_CYCLE_END), CommandRoute::kHandled);
}

}  // namespace
