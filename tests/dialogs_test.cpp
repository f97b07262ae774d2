#include "module/dialogs.h"

#include "module/resources/resource_ids.h"
#include "module/router.h"

#include "module_test.h"

#include <cstring>
#include <functional>
#include <map>
#include <string>

using namespace addon;

namespace {

const os::Hinstance kModuleInstance = reinterpret_cast<os::Hinstance>(uintptr_t(0x10000000));
const int kEditBoxes[] = {ID_FLYBY_DURATION,    ID_RELATIVE_ALTITUDE, ID_MIN_DISTANCE,
                          ID_HEAD_LATENCY_RATE, ID_GROUND_TURB_RATE,  ID_RUNNING_SPEED,
                          ID_MOUSE_LOOK_RATE};

class DialogTest : public StartedModuleTest {
protected:
    void SetUp() override {
        StartedModuleTest::SetUp();
        module.Host.Instance = kModuleInstance; // as DllMain stores it
    }
};

// ---- The configuration dialog --------------------------------------------------

class ConfigurationTest : public DialogTest {
protected:
    // Opens the dialog through its menu command; play is the user. The dialog's result.
    os::Long Configure(const std::function<void(os::Hwnd)>& play) {
        size_t shown = sim::Dialogs().size();
        sim::SetDialogDriver([&](os::Hwnd dialog, uintptr_t) { play(dialog); });
        EXPECT_TRUE(sim::Get(mainWindow, os::MsgCommand, CommandConfigure).Blanked());
        EXPECT_EQ(sim::Dialogs().size(), shown + 1);
        return sim::Dialogs().empty() ? -1 : sim::Dialogs().back().Result;
    }
    // Types text into one box and presses OK.
    void Enter(int box, const std::string& text) {
        EXPECT_EQ(Configure([&](os::Hwnd d) {
                      sim::TypeText(d, box, text);
                      sim::ClickButton(d, ID_OK);
                  }),
                  1);
    }
    std::string Shown(int box) {
        std::string text;
        Configure([&](os::Hwnd d) {
            text = sim::ItemText(d, box);
            sim::ClickButton(d, ID_CANCEL);
        });
        return text;
    }
    bool SettingsEqual(const ModuleSettings& a) {
        return std::memcmp(&a, &module.Settings, sizeof a) == 0;
    }
};

TEST_F(ConfigurationTest, OpensAsTheModulesDialogOwnedByTheMainWindowShowingTheSettings) {
    module.Settings.FlyByDuration = 25;
    module.Settings.FlyByRelAltitude = -300;
    module.Settings.FlyByMinDistance = 75;
    module.Settings.HeadLatencyRate = 1.5;
    module.Settings.GroundTurbRate = 0.25;
    module.Settings.RunningSpeed = 12.5;
    module.Settings.MouseLookRate = 0.4;
    std::string texts;
    Configure([&](os::Hwnd d) {
        for (int box : kEditBoxes) texts += sim::ItemText(d, box) + "|";
        EXPECT_EQ(
            ConfigurationDialogProc(d, os::MsgInitDialog, 0, reinterpret_cast<os::Long>(&module)),
            0)
            << "sets no focus";
        EXPECT_EQ(sim::ClickButton(d, ID_TRAVELLING), 1) << "notifications are accepted";
        EXPECT_EQ(sim::ClickButton(d, 0x03000000 | ID_MIN_DISTANCE), 1);
        EXPECT_FALSE(sim::DialogEnded(d));
        EXPECT_EQ(ConfigurationDialogProc(d, 0x0113 /* WM_TIMER */, 0, 0), 0);
        EXPECT_EQ(sim::ClickButton(d, ID_CANCEL), 1);
    });
    EXPECT_EQ(texts, "25|-300|75|1.50|0.25|12.50|0.40|");
    const sim::DialogShown& shown = sim::Dialogs().back();
    EXPECT_EQ(shown.TemplateId, 101u);
    EXPECT_EQ(shown.Owner, mainWindow);
    EXPECT_EQ(shown.Instance, kModuleInstance);
    EXPECT_EQ(shown.Result, 0);
}

TEST_F(ConfigurationTest, OkWithoutEditsAndCancelAfterEditsChangeNothing) {
    module.Settings =
        ModuleSettings{1, 33, -120, 250, 2, 1, 1, 1, 0, 1, 4.75, 0.5, 12.25, 0.25, 1, {}, 0};
    const ModuleSettings before = module.Settings;
    EXPECT_EQ(Configure([](os::Hwnd d) { sim::ClickButton(d, 0x10000 | ID_OK); }), 1);
    EXPECT_TRUE(SettingsEqual(before));
    EXPECT_EQ(Configure([](os::Hwnd d) {
                  for (int box = ID_FLYBY_DURATION; box <= ID_GROUND_TURB_ON; ++box) {
                      sim::TypeText(d, box, "3");
                      sim::SetChecked(d, box, !sim::IsChecked(d, box));
                  }
                  sim::ClickButton(d, ID_CANCEL);
              }),
              0);
    EXPECT_TRUE(SettingsEqual(before));
}

TEST_F(ConfigurationTest, OkStoresEachBoxWithinItsLimits) {
    struct Case {
        int Box;
        std::string Text;
        double Stored;
    };
    const Case cases[] = {
        {ID_FLYBY_DURATION, "-5", -5}, // no limits on the first two
        {ID_RELATIVE_ALTITUDE, " -300ft", -300},
        {ID_MIN_DISTANCE, "-20", 20},
        {ID_MIN_DISTANCE, "abc", 0},
        {ID_MIN_DISTANCE, "-2147483648", 2147483647}, // no magnitude overflow
        {ID_MIN_DISTANCE, "-99999999999", 2147483647},
        {ID_HEAD_LATENCY_RATE, "7", 5.0},
        {ID_HEAD_LATENCY_RATE, "-1", 0.0},
        {ID_HEAD_LATENCY_RATE, "2.5", 2.5},
        {ID_GROUND_TURB_RATE, "4", 4.0},
        {ID_GROUND_TURB_RATE, "9", 5.0},
        {ID_GROUND_TURB_RATE, "-0.5", 0.0},
        {ID_RUNNING_SPEED, "-3", 0.0},
        {ID_RUNNING_SPEED, "99.5", 99.5},
        {ID_RUNNING_SPEED, "1000", 100.0},
        {ID_MOUSE_LOOK_RATE, "0.4", 0.4},
        {ID_MOUSE_LOOK_RATE, "5", 1.0},
        {ID_MOUSE_LOOK_RATE, "0", 0.01},
        // Edit boxes are read as at most 31 characters.
        {ID_FLYBY_DURATION, std::string(30, '0') + "7", 7},
        {ID_FLYBY_DURATION, std::string(31, '0') + "7", 0},
        {ID_RUNNING_SPEED, std::string(29, '0') + "12", 12.0},
        {ID_RUNNING_SPEED, std::string(30, '0') + "12", 1.0},
    };
    const ModuleSettings& s = module.Settings;
    const std::map<int, std::function<double()>> stored = {
        {ID_FLYBY_DURATION, [&] { return s.FlyByDuration; }},
        {ID_RELATIVE_ALTITUDE, [&] { return s.FlyByRelAltitude; }},
        {ID_MIN_DISTANCE, [&] { return s.FlyByMinDistance; }},
        {ID_HEAD_LATENCY_RATE, [&] { return s.HeadLatencyRate; }},
        {ID_GROUND_TURB_RATE, [&] { return s.GroundTurbRate; }},
        {ID_RUNNING_SPEED, [&] { return s.RunningSpeed; }},
        {ID_MOUSE_LOOK_RATE, [&] { return s.MouseLookRate; }}};
    for (const Case& c : cases) {
        Enter(c.Box, c.Text);
        EXPECT_EQ(stored.at(c.Box)(), c.Stored) << c.Box << " \"" << c.Text << "\"";
    }
}

TEST_F(ConfigurationTest, DefaultsShowsEveryFieldAtItsDefaultAndOkStillDecides) {
    module.Settings =
        ModuleSettings{0, 33, -120, 250, 2, 1, 1, 1, 1, 1, 4.75, 0.5, 12.25, 0.5, 1, {}, 0};
    const ModuleSettings before = module.Settings;
    std::vector<std::string> texts;
    Configure([&](os::Hwnd d) {
        sim::ClickButton(d, ID_DEFAULTS);
        for (int box : kEditBoxes) texts.push_back(sim::ItemText(d, box));
        for (int button : {ID_ALWAYS_RIGHT, ID_TRAVELLING, ID_HEAD_LATENCY_ON, ID_GROUND_TURB_ON,
                           ID_MOUSE_LOOK_INVERT})
            texts.push_back(sim::IsChecked(d, button) ? "on" : "off");
        sim::ClickButton(d, ID_CANCEL);
    });
    const std::vector<std::string> defaults = {"10",   "0",  "50",  "0.00", "0.00", "5.00",
                                               "0.15", "on", "off", "off",  "off",  "off"};
    EXPECT_EQ(texts, defaults);
    EXPECT_TRUE(SettingsEqual(before)) << "Cancel after Defaults changes nothing";
    Configure([](os::Hwnd d) {
        sim::ClickButton(d, ID_DEFAULTS);
        sim::ClickButton(d, ID_OK);
    });
    EXPECT_EQ(module.Settings.InternalViewActive, 1) << "not a field of the dialog";
}

TEST_F(ConfigurationTest, RadioButtonsShowAndSetThePlacement) {
    const int buttons[] = {ID_ALWAYS_RIGHT, ID_ALWAYS_LEFT, ID_RANDOM_SIDE};
    auto checkedButtons = [&] {
        std::vector<int> checked;
        Configure([&](os::Hwnd d) {
            for (int b : buttons)
                if (sim::IsChecked(d, b)) checked.push_back(b);
            sim::ClickButton(d, ID_CANCEL);
        });
        return checked;
    };
    auto choose = [&](std::vector<int> checked) {
        Configure([&](os::Hwnd d) {
            for (int b : buttons) sim::SetChecked(d, b, false);
            for (int b : checked) sim::SetChecked(d, b, true);
            sim::ClickButton(d, ID_OK);
        });
    };
    for (int32_t side = 0; side < 3; ++side) {
        module.Settings.FlyByCameraPlacement = side;
        EXPECT_EQ(checkedButtons(), std::vector<int>{buttons[side]}) << side;
    }
    choose({ID_ALWAYS_LEFT});
    EXPECT_EQ(module.Settings.FlyByCameraPlacement, 1);
    choose({});
    EXPECT_EQ(module.Settings.FlyByCameraPlacement, 1) << "none checked keeps the value";

    module.Settings.FlyByCameraPlacement = 5; // as a stored value can bring it
    EXPECT_TRUE(checkedButtons().empty());
    Configure([](os::Hwnd d) { sim::ClickButton(d, ID_OK); });
    EXPECT_EQ(module.Settings.FlyByCameraPlacement, 5);
}

TEST_F(ConfigurationTest, CheckBoxesShowAndSetTheirFlags) {
    module.Settings.FlyByTravelling = 0;
    module.Settings.HeadLatencyOn = 0;
    module.Settings.GroundTurbOn = 7; // any non-zero stored value shows checked
    module.Settings.MouseLookInvert = 0;
    Configure([](os::Hwnd d) {
        EXPECT_FALSE(sim::IsChecked(d, ID_TRAVELLING));
        EXPECT_FALSE(sim::IsChecked(d, ID_HEAD_LATENCY_ON));
        EXPECT_TRUE(sim::IsChecked(d, ID_GROUND_TURB_ON));
        EXPECT_FALSE(sim::IsChecked(d, ID_MOUSE_LOOK_INVERT));
        for (int box : {ID_TRAVELLING, ID_HEAD_LATENCY_ON, ID_MOUSE_LOOK_INVERT})
            sim::SetChecked(d, box, true);
        sim::ClickButton(d, ID_OK);
    });
    EXPECT_EQ(module.Settings.FlyByTravelling, 1);
    EXPECT_EQ(module.Settings.HeadLatencyOn, 1);
    EXPECT_EQ(module.Settings.GroundTurbOn, 1);
    EXPECT_EQ(module.Settings.MouseLookInvert, 1);
}

// ---- The About box -------------------------------------------------------------

TEST_F(DialogTest, AboutBoxTellsTheBindingFileAndClosesWithCloseOrEscape) {
    ModuleSettings before = module.Settings;
    sim::SetDialogDriver([](os::Hwnd d, uintptr_t) {
        EXPECT_EQ(sim::ClickButton(d, 0x01000000 | ID_ABOUT_NOTE), 1);
        EXPECT_FALSE(sim::DialogEnded(d));
        EXPECT_EQ(sim::ClickButton(d, ID_CLOSE), 1);
    });
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgCommand, CommandAbout).Blanked());
    ASSERT_EQ(sim::Dialogs().size(), 1u);
    EXPECT_EQ(sim::Dialogs()[0].TemplateId, 102u);
    EXPECT_EQ(sim::Dialogs()[0].Owner, mainWindow);
    EXPECT_EQ(sim::Dialogs()[0].Instance, kModuleInstance);
    EXPECT_EQ(sim::Dialogs()[0].Result, 1);

    sim::SetDialogDriver([](os::Hwnd d, uintptr_t) { sim::ClickButton(d, ID_CANCEL); });
    sim::Get(mainWindow, os::MsgCommand, CommandAbout);
    ASSERT_EQ(sim::Dialogs().size(), 2u);
    EXPECT_EQ(sim::Dialogs()[1].Result, 0);
    EXPECT_EQ(std::memcmp(&before, &module.Settings, sizeof before), 0);
}

// ---- One dialog at a time ------------------------------------------------------------

TEST_F(DialogTest, ACommandForADialogWhileOneIsOpenBringsThatOneToTheFront) {
    std::vector<os::Hwnd> opened;
    int depth = 0;
    sim::SetDialogDriver([&](os::Hwnd d, uintptr_t) {
        opened.push_back(d);
        if (++depth > 1) { // one inside the other: the user stores 40 in it
            sim::TypeText(d, ID_FLYBY_DURATION, "40");
            sim::ClickButton(d, ID_OK);
            sim::ClickButton(d, ID_CLOSE);
            --depth;
            return;
        }
        sim::TypeText(d, ID_FLYBY_DURATION, "25");
        for (uint16_t id : {CommandAbout, CommandConfigure, CommandAbout}) {
            sim::SetForegroundWindow(nullptr);
            EXPECT_TRUE(sim::Get(mainWindow, os::MsgCommand, id).Blanked()) << id;
            EXPECT_EQ(sim::ForegroundWindow(), d) << id;
        }
        EXPECT_EQ(module.Settings.FlyByDuration, 10);
        sim::ClickButton(d, ID_OK);
        --depth;
    });
    sim::Get(mainWindow, os::MsgCommand, CommandConfigure);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(sim::Dialogs().size(), 1u);
    EXPECT_EQ(module.Settings.FlyByDuration, 25);
    EXPECT_EQ(module.Ui.DialogOpen, 0);
    EXPECT_EQ(module.Ui.Dialog, nullptr);
}

} // namespace
