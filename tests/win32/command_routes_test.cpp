// No silent command: every item of the three menus of the built program reaches a handler of the
// command table (which has no handler that does nothing).
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

TEST(CommandRoutes, EveryMenuItemReachesAHandler) {
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

    // Every command has its work now (the sheet, the printing and the screen dump landed last):
    // the table holds no handler that does nothing, and no menu id goes past it.
    std::set<int> unknown;
    for (int id : ids)
        if (!HandlesCommand(id)) unknown.insert(id);
    EXPECT_EQ(Join(unknown), "") << "menu ids the command table does not know";
    // The cycle-end command comes from the reader thread, not from a menu.
    EXPECT_TRUE(HandlesCommand(IDM_CYCLE_END));
}

}  // namespace
