#include "module/menu.h"

#include "module/router.h"

#include "module_test.h"

#include <algorithm>

using namespace addon;

namespace {

class MenuTest : public StartedModuleTest {
protected:
    std::vector<sim::MenuItem> BarEntry(int position) {
        return sim::MenuItems(os::GetSubMenu(sim::MenuBar(mainWindow), position));
    }
    static bool TriedAppendingToNoMenu() {
        const auto& calls = sim::Calls();
        return std::find(calls.begin(), calls.end(), "AppendMenuA to no menu") != calls.end();
    }
};

void ExpectModulePopup(const sim::MenuItem& entry, bool flyBy, bool internal, bool external) {
    EXPECT_EQ(entry.Flags, os::MenuPopup);
    EXPECT_EQ(entry.Text, "Orbi&vuePro");
    auto items = sim::MenuItems(entry.Popup);
    ASSERT_EQ(items.size(), 6u);
    auto mark = [](bool on) { return os::MenuString | (on ? os::MenuChecked : 0u); };
    const sim::MenuItem expected[] = {
        {mark(flyBy), 0x7800, "Activate Fly-by", nullptr},
        {mark(internal), 0x7802, "Internal pilot view", nullptr},
        {mark(external), 0x7803, "External pilot view", nullptr},
        {mark(false), 0x7801, "Configure...", nullptr},
        {os::MenuSeparator, 0, "", nullptr},
        {mark(false), 0x7804, "About...", nullptr},
    };
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(items[i].Flags, expected[i].Flags) << "item " << i;
        EXPECT_EQ(items[i].Id, expected[i].Id) << "item " << i;
        EXPECT_EQ(items[i].Text, expected[i].Text) << "item " << i;
    }
}

// The host's fourth menu: its own entries, then a separator and the module's popup.
void ExpectAppended(const std::vector<sim::MenuItem>& menu, size_t hosts, bool flyBy, bool internal,
                    bool external) {
    ASSERT_EQ(menu.size(), hosts + 2);
    EXPECT_EQ(menu[hosts].Flags, os::MenuSeparator);
    ExpectModulePopup(menu[hosts + 1], flyBy, internal, external);
}

TEST_F(MenuTest, EntriesShowTheFirstKeyBoundToTheirCommand) {
    sim::AddMenuBar(mainWindow, 4);
    static constexpr char keys[] = "[Keyboard] ToggleFlyBy=F,CONTROL,SHIFT TogglePilot=NUMPAD_7 "
                                   "TogglePilot=U ToggleInternalView=X,ALT,DOUBLE";
    pilot::LoadKeyBindingText(keys, sizeof keys - 1, "Keyboard", module.Bindings);
    sim::Get(mainWindow, os::MsgInitMenu);
    auto items = sim::MenuItems(BarEntry(3)[1].Popup);
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].Text, "Activate Fly-by\tCtrl+Shift+F");
    EXPECT_EQ(items[1].Text, "Internal pilot view\tAlt+X");
    EXPECT_EQ(items[2].Text, "External pilot view\tNumpad 7") << "the first of two";
    EXPECT_EQ(items[3].Text, "Configure...");
}

TEST_F(MenuTest, OpeningTheMainMenuAppendsThePopupToTheFourthEntry) {
    sim::AddMenuBar(mainWindow, 5);
    module.Settings.ExternalViewActive = 1; // FlyByActive is 1 by default, the internal view 0
    EXPECT_FALSE(sim::Get(mainWindow, os::MsgInitMenu).Blanked());

    ExpectAppended(BarEntry(3), 0, true, false, true);
    for (int other : {0, 1, 2, 4}) EXPECT_TRUE(BarEntry(other).empty()) << "entry " << other;
}

TEST_F(MenuTest, EveryOpeningReplacesThePopupWithAFreshOneWithTheCurrentCheckMarks) {
    sim::AddMenuBar(mainWindow, 4);
    os::Hmenu hostMenu = os::GetSubMenu(sim::MenuBar(mainWindow), 3);
    os::AppendMenuA(hostMenu, os::MenuString, 0x100, "Host entry");
    sim::Send(mainWindow, os::MsgInitMenu);
    EXPECT_FALSE(sim::LastSentRecordBlanked()) << "left to the host";
    os::Hmenu first = BarEntry(3)[2].Popup;
    int menus = sim::MenusAlive();
    sim::Get(mainWindow, os::MsgCommand, CommandActivateFlyBy);
    sim::Get(mainWindow, os::MsgCommand, CommandInternalView);
    for (int i = 0; i < 5; ++i) sim::Get(mainWindow, os::MsgInitMenu);

    auto entry = BarEntry(3);
    ASSERT_NO_FATAL_FAILURE(ExpectAppended(entry, 1, false, true, false));
    EXPECT_EQ(entry[0].Text, "Host entry");
    EXPECT_FALSE(sim::MenuExists(first)) << "the old popup is destroyed";
    EXPECT_EQ(sim::MenusAlive(), menus) << "no menu handle is leaked";
    EXPECT_EQ(module.Ui.MenuPopup, entry[2].Popup);
}

TEST_F(MenuTest, APopupTheHostMovedIsStillFoundAndTheHostsEntriesStay) {
    sim::AddMenuBar(mainWindow, 4);
    os::Hmenu hostMenu = os::GetSubMenu(sim::MenuBar(mainWindow), 3);
    sim::Get(mainWindow, os::MsgInitMenu);
    os::AppendMenuA(hostMenu, os::MenuString, 0x101, "Added by the host later");
    sim::Get(mainWindow, os::MsgInitMenu);
    auto entry = BarEntry(3);
    ASSERT_NO_FATAL_FAILURE(ExpectAppended(entry, 1, true, false, false));
    EXPECT_EQ(entry[0].Text, "Added by the host later");
}

TEST_F(MenuTest, AHostThatRebuildsItsMenuSeesThePopupAppendedAsBefore) {
    os::Hmenu bar = sim::AddMenuBar(mainWindow, 4);
    sim::Get(mainWindow, os::MsgInitMenu);
    os::DestroyMenu(bar); // the host's new menu, the old one gone with the popup in it
    sim::AddMenuBar(mainWindow, 4);
    size_t calls = sim::Calls().size();
    sim::Get(mainWindow, os::MsgInitMenu);
    ExpectAppended(BarEntry(3), 0, true, false, false);
    for (size_t i = calls; i < sim::Calls().size(); ++i)
        EXPECT_TRUE(sim::Calls()[i] != "RemoveMenu" && sim::Calls()[i] != "DestroyMenu")
            << sim::Calls()[i];
}

TEST_F(MenuTest, AHostPopupThatGotTheOldHandleIsLeftAlone) {
    sim::AddMenuBar(mainWindow, 4);
    os::Hmenu hostMenu = os::GetSubMenu(sim::MenuBar(mainWindow), 3);
    os::Hmenu hostPopup = os::CreatePopupMenu();
    os::AppendMenuA(hostPopup, os::MenuString, 0x100, "Host command");
    os::AppendMenuA(hostMenu, os::MenuSeparator, 0, nullptr);
    os::AppendMenuA(hostMenu, os::MenuPopup, reinterpret_cast<uintptr_t>(hostPopup), "Host's");
    module.Ui.MenuPopup = hostPopup; // as if the host's popup had the old popup's handle
    sim::Get(mainWindow, os::MsgInitMenu);
    auto entry = BarEntry(3);
    ASSERT_NO_FATAL_FAILURE(ExpectAppended(entry, 2, true, false, false));
    EXPECT_EQ(entry[1].Popup, hostPopup);
    EXPECT_TRUE(sim::MenuExists(hostPopup));
}

TEST_F(MenuTest, NothingIsAppendedWhereTheHostHasNoPlaceForIt) {
    // A main window without a menu bar.
    sim::Get(mainWindow, os::MsgInitMenu);
    EXPECT_FALSE(TriedAppendingToNoMenu());

    // A menu bar of three entries.
    sim::AddMenuBar(mainWindow, 3);
    sim::Get(mainWindow, os::MsgInitMenu);
    for (int entry : {0, 1, 2}) EXPECT_TRUE(BarEntry(entry).empty()) << "entry " << entry;
    EXPECT_EQ(sim::MenuItems(sim::MenuBar(mainWindow)).size(), 3u);

    // No main window found at start-up.
    sim::AddMenuBar(mainWindow, 4);
    AddModuleMenu(module.Settings, module.Bindings, module.Ui.MenuPopup, nullptr);
    EXPECT_TRUE(BarEntry(3).empty());
    EXPECT_FALSE(TriedAppendingToNoMenu());
}

} // namespace
