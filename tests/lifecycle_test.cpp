#include "module/router.h"
#include "module/settings.h"

#include "module_test.h"

#include <algorithm>
#include <cstring>
#include <string>

using namespace addon;

namespace {

class LifecycleTest : public ModuleTest {
protected:
    os::Hwnd mainWindow = nullptr;
    void AddHostWindow() { mainWindow = sim::AddWindow("FS98MAIN"); }
    // A fresh machine and module for the next case of a table.
    void Restart() { ModuleTest::SetUp(); }
    // Position of the first call in the log that starts with prefix.
    long CallIndex(const std::string& prefix) {
        const auto& calls = sim::Calls();
        auto it = std::find_if(calls.begin(), calls.end(),
                               [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
        return it == calls.end() ? -1 : long(it - calls.begin());
    }
};

TEST_F(LifecycleTest, TheHostFolderFormsTheKeyBindingPath) {
    const std::string overlong(255, 'x'); // as long as the folder's buffer holds
    const struct {
        std::string Stored; // the host's "EXE Path", if any
        bool ReadOnly;
        std::string Folder;
    } cases[] = {
        {"", false, "C:\\Program Files\\Microsoft Games\\FS2002"},
        {"D:\\Games\\FS2002", false, "D:\\Games\\FS2002"},
        {"E:\\FS", true, "E:\\FS"}, // a key the module may only read
        {overlong, false, overlong},
    };
    for (const auto& c : cases) {
        Restart();
        if (!c.Stored.empty()) sim::RegPutText(host::HostKeyPath, host::HostFolderValue, c.Stored);
        if (c.ReadOnly) sim::RegMakeReadOnly(host::HostKeyPath);
        AddHostWindow();
        ModuleAttach(module);
        EXPECT_EQ(module.Host.HostFolder, c.Folder);
        EXPECT_EQ(module.Host.KeyBindingPath, c.Folder + "\\OrbivuePro.cfg");
        EXPECT_EQ(module.Settings.FlyByDuration, 10);
        EXPECT_TRUE(sim::MessageBoxes().empty());
    }
}

TEST_F(LifecycleTest, ABindingFileHeldOpenElsewhereLoadsWheneverItsSharingAllowsReading) {
    const std::string path = "D:\\FS\\OrbivuePro.cfg";
    const uint32_t readWrite = os::GenericRead | sim::GenericWrite;
    const uint32_t shareAll = os::FileShareRead | os::FileShareWrite | sim::FileShareDelete;
    const struct {
        uint32_t Access, Share;
        int32_t Bindings;
    } holders[] = {
        {readWrite, shareAll, 1},                // an editor or a sync tool
        {readWrite, os::FileShareRead, 1},       // a writer that lets others read
        {os::GenericRead, os::FileShareRead, 1}, // another reader
        {readWrite, 0, 0},                       // held for itself alone
    };
    for (const auto& holder : holders) {
        Restart();
        sim::RegPutText(host::HostKeyPath, host::HostFolderValue, "D:\\FS");
        sim::PutFile(path, "[Keyboard] PilotForward=W");
        sim::HoldFile(path, holder.Access, holder.Share);
        AddHostWindow();
        ModuleAttach(module);
        EXPECT_EQ(module.Bindings.Count, holder.Bindings)
            << "held with access " << holder.Access << ", sharing " << holder.Share;
        EXPECT_EQ(sim::OpenFiles(), 0);
        EXPECT_TRUE(sim::MessageBoxes().empty());
    }
}

TEST_F(LifecycleTest, FindsTheMainWindowOrReportsItOnceAndHooksTheUiThread) {
    ModuleAttach(module); // no main window: one box, and start-up goes on
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    const auto& box = sim::MessageBoxes()[0];
    EXPECT_EQ(box.Text, "FS window not found");
    EXPECT_EQ(box.Owner, nullptr);
    EXPECT_TRUE(box.DefaultCaption);
    EXPECT_EQ(box.Type, os::MbOk);
    EXPECT_EQ(module.Host.MainWindow, nullptr);
    EXPECT_EQ(sim::Hooks().size(), 2u);

    Restart();
    sim::AddWindow("OTHER");
    AddHostWindow();
    ModuleAttach(module);
    EXPECT_EQ(module.Host.MainWindow, mainWindow);
    EXPECT_EQ(module.Host.UiThreadId, sim::UiThreadId());
    ASSERT_EQ(sim::Hooks().size(), 2u);
    EXPECT_EQ(sim::Hooks()[0].Id, 4);
    EXPECT_EQ(sim::Hooks()[0].Proc, &CallWndProcHookProc);
    EXPECT_EQ(sim::Hooks()[1].Id, 3);
    EXPECT_EQ(sim::Hooks()[1].Proc, &GetMessageHookProc);
    for (const auto& hook : sim::Hooks()) {
        EXPECT_EQ(hook.ThreadId, sim::UiThreadId());
        EXPECT_EQ(hook.Module, sim::ExecutableHandle());
    }
}

TEST_F(LifecycleTest, HookFailuresAreReportedAfterBothAttemptsAndNeitherStopsTheOther) {
    AddHostWindow();
    sim::FailHookInstall(4);
    sim::FailHookInstall(3);
    ModuleAttach(module);
    std::vector<std::string> expected = {"SetWindowsHookExA 4", "SetWindowsHookExA 3",
                                         "MessageBoxA Orbivue: Unable to set hook",
                                         "MessageBoxA Orbivue: Unable to set hook"};
    EXPECT_EQ(sim::Calls(), expected);
    EXPECT_EQ(module.Host.CallWndHook, nullptr);
    EXPECT_EQ(module.Host.GetMessageHook, nullptr);

    ModuleDetach(module); // nothing to remove
    EXPECT_EQ(CallIndex("UnhookWindowsHookEx"), -1);

    Restart();
    AddHostWindow();
    sim::FailHookInstall(4);
    ModuleAttach(module);
    EXPECT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_NE(module.Host.GetMessageHook, nullptr);
    int before = module.Settings.FlyByActive;
    sim::Get(mainWindow, os::MsgCommand, CommandActivateFlyBy);
    EXPECT_EQ(module.Settings.FlyByActive, 1 - before);
}

TEST_F(LifecycleTest, DetachWritesSettingsThenRemovesBothHooks) {
    AddHostWindow();
    ModuleAttach(module);
    module.Settings.RunningSpeed = 7.25;
    ModuleDetach(module);
    EXPECT_EQ(sim::RegText(SettingsKeyPath, "RunningSpeed"), "7.250000");
    long lastWrite = CallIndex("RegSetValueExA MouseLookInvert"); // the last of them
    long unhookCall = CallIndex("UnhookWindowsHookEx 4");
    long unhookGet = CallIndex("UnhookWindowsHookEx 3");
    EXPECT_GE(lastWrite, 0);
    EXPECT_GT(unhookCall, lastWrite);
    EXPECT_GT(unhookGet, unhookCall);
    EXPECT_TRUE(sim::Hooks()[0].Removed && sim::Hooks()[1].Removed);
}

} // namespace
