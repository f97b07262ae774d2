#include "module/settings.h"

#include "module_test.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using addon::SettingsKeyPath;

namespace {

const char* const kStoredNames[] = {
    "FlyByActive",          "FlyByDuration",   "FlyByRelAltitude",   "FlyByMinDistance",
    "FlyByCameraPlacement", "FlyByTravelling", "InternalViewActive", "ViewTurbRate",
    "GroundTurbRate",       "RunningSpeed",    "ViewTurbOn",         "GroundTurbOn",
    "MouseLookRate",        "MouseLookInvert"};

class SettingsTest : public ModuleTest {
protected:
    void Store(const char* name, const std::string& text) {
        sim::RegPutText(SettingsKeyPath, name, text);
    }
    std::string Stored(const char* name) {
        return sim::RegText(SettingsKeyPath, name).value_or("<missing>");
    }
};

TEST_F(SettingsTest, NoKeyGivesDefaultsAndShutDownCreatesEveryValueInOrder) {
    addon::LoadSettings(module.Settings);
    EXPECT_FALSE(sim::RegHasKey(SettingsKeyPath));
    const addon::ModuleSettings& s = module.Settings;
    EXPECT_EQ(
        (std::vector<double>{s.HeadLatencyRate, s.GroundTurbRate, s.RunningSpeed, s.MouseLookRate}),
        (std::vector<double>{0.0, 0.0, 5.0, 0.15}));

    addon::SaveSettings(module.Settings);
    ASSERT_TRUE(sim::RegHasKey(SettingsKeyPath));
    EXPECT_EQ(sim::RegValueNames(SettingsKeyPath),
              std::vector<std::string>(std::begin(kStoredNames), std::end(kStoredNames)));
    EXPECT_EQ(sim::RegOpenHandles(), 0);
}

TEST_F(SettingsTest, StoredTextsConvertLikeTheStandardConversions) {
    Store("ViewTurbRate", "7.5");     // above the dialog's limit: only the dialog limits
    Store("FlyByDuration", " 12abc"); // leading blanks skipped, number ends at 'a'
    Store("FlyByMinDistance", "abc"); // no number at all
    Store("FlyByRelAltitude", "-300");
    Store("RunningSpeed", "\t2.25e1m");
    Store("FlyByActive", "7");          // a hand-edited flag: on, kept as 1
    Store("FlyByTravelling", "-3");     // likewise
    Store("FlyByCameraPlacement", "9"); // not a flag: kept as it stands
    Store("ExternalViewActive", "1");   // never read (nor stored)
    Store("InternalViewActive", "1");
    addon::LoadSettings(module.Settings);
    EXPECT_EQ(module.Settings.HeadLatencyRate, 7.5);
    EXPECT_EQ(module.Settings.FlyByDuration, 12);
    EXPECT_EQ(module.Settings.FlyByMinDistance, 0);
    EXPECT_EQ(module.Settings.FlyByRelAltitude, -300);
    EXPECT_EQ(module.Settings.RunningSpeed, 22.5);
    EXPECT_EQ(module.Settings.FlyByActive, 1);
    EXPECT_EQ(module.Settings.FlyByTravelling, 1);
    EXPECT_EQ(module.Settings.FlyByCameraPlacement, 9);
    EXPECT_EQ(module.Settings.ExternalViewActive, 0);
    EXPECT_EQ(module.Settings.InternalViewActive, 1);
    EXPECT_EQ(module.Settings.GroundTurbRate, 0.0) << "missing values keep their defaults";
}

TEST_F(SettingsTest, OverlongValueKeepsTheDefaultAndUnterminatedTextIsReadSafely) {
    Store("FlyByDuration", std::string(256, '3'));          // 257 bytes with its zero: too long
    Store("FlyByRelAltitude", std::string(254, ' ') + "9"); // 256 bytes with its zero: fits
    // Exactly as large as the buffer and without a terminating zero.
    std::string text = "12.5" + std::string(252, ' ');
    sim::RegPutBytes(SettingsKeyPath, "RunningSpeed", 1,
                     std::vector<uint8_t>(text.begin(), text.end()));
    sim::RegPutBytes(SettingsKeyPath, "FlyByMinDistance", 1, {}); // empty: no number
    addon::LoadSettings(module.Settings);
    EXPECT_EQ(module.Settings.FlyByDuration, 10);
    EXPECT_EQ(module.Settings.FlyByRelAltitude, 9);
    EXPECT_EQ(module.Settings.RunningSpeed, 12.5);
    EXPECT_EQ(module.Settings.FlyByMinDistance, 0);
}

TEST_F(SettingsTest, UnopenableKeyKeepsDefaultsAndAFailedWriteDoesNotStopTheOthers) {
    Store("FlyByDuration", "30");
    sim::RegDenyOpen(SettingsKeyPath);
    addon::LoadSettings(module.Settings);
    EXPECT_EQ(module.Settings.FlyByDuration, 10);
    addon::SaveSettings(module.Settings); // neither opened nor created: nothing is written
    EXPECT_EQ(Stored("FlyByDuration"), "30");

    sim::Reset();
    sim::RegFailWrite("FlyByDuration");
    addon::SaveSettings(addon::DefaultSettings());
    EXPECT_EQ(sim::RegValueCount(SettingsKeyPath), 13);
    EXPECT_EQ(Stored("GroundTurbOn"), "0");
    EXPECT_EQ(sim::RegOpenHandles(), 0);
}

TEST_F(SettingsTest, ReadOnlyKeyGivesItsValuesAndKeepsThemAtShutDown) {
    Store("FlyByDuration", "30");
    Store("RunningSpeed", "7.25");
    Store("FlyByActive", "0");
    sim::RegMakeReadOnly(SettingsKeyPath);
    addon::LoadSettings(module.Settings);
    EXPECT_EQ(module.Settings.FlyByDuration, 30);
    EXPECT_EQ(module.Settings.RunningSpeed, 7.25);
    EXPECT_EQ(module.Settings.FlyByActive, 0);

    module.Settings.FlyByDuration = 45; // changed while running: cannot be kept
    addon::SaveSettings(module.Settings);
    EXPECT_EQ(Stored("FlyByDuration"), "30");
    EXPECT_EQ(Stored("RunningSpeed"), "7.25");
    EXPECT_EQ(sim::RegValueCount(SettingsKeyPath), 3) << "nothing added";
    EXPECT_EQ(sim::RegOpenHandles(), 0);
}

TEST_F(SettingsTest, AValueThatCouldNotBeReadIsLeftAsStoredUnlessChanged) {
    // Every call of the load failing in turn, once: the shut-down after it
    // saves what a shut-down after a sound load saves, or leaves what was
    // stored, but puts no default over it.
    auto loadAndSave = [&](int failing) {
        for (const char* name : kStoredNames) Store(name, "3");
        addon::ModuleSettings s{};
        sim::FailCall(failing);
        addon::LoadSettings(s);
        sim::FailCall(0);
        addon::SaveSettings(s);
    };
    loadAndSave(0);
    std::vector<std::string> sound;
    for (const char* name : kStoredNames) sound.push_back(Stored(name));
    for (int n = 1; n <= 2 * int(std::size(kStoredNames)); ++n) {
        loadAndSave(n);
        for (size_t i = 0; i < std::size(kStoredNames); ++i) {
            const std::string stored = Stored(kStoredNames[i]);
            EXPECT_TRUE(stored == sound[i] || stored == "3")
                << kStoredNames[i] << " is " << stored << " after call " << n << " failed";
        }
    }
    // Changed after it could not be read: the pilot's value is saved. Too
    // long to read: the default is saved, as always.
    Store("FlyByRelAltitude", std::string(300, '7'));
    Store("GroundTurbRate", "3");
    addon::ModuleSettings s{};
    sim::FailCall(2, sim::Failure::Persistent); // every query fails
    addon::LoadSettings(s);
    sim::FailCall(0);
    EXPECT_EQ(s.FlyByDuration, 10);
    s.FlyByDuration = 40;
    addon::SaveSettings(s);
    EXPECT_EQ(Stored("FlyByDuration"), "40");
    EXPECT_EQ(Stored("GroundTurbRate"), "3");

    s = addon::ModuleSettings{};
    addon::LoadSettings(s);
    addon::SaveSettings(s);
    EXPECT_EQ(Stored("FlyByRelAltitude"), "0");
}

TEST_F(SettingsTest, HugeRealsAreSavedInAFormThatReadsBackTheSame) {
    Store("RunningSpeed", "2E250"); // "%f" would give 251 digits and more
    addon::LoadSettings(module.Settings);
    ASSERT_EQ(module.Settings.RunningSpeed, 2e250);
    // Around the read's limit: 255 characters and the zero still fit.
    module.Settings.HeadLatencyRate = 2e247;
    module.Settings.GroundTurbRate = -2e247; // one character more: the sign
    addon::SaveSettings(module.Settings);
    EXPECT_EQ(Stored("ViewTurbRate").size(), 255u);
    EXPECT_EQ(Stored("ViewTurbRate").find('e'), std::string::npos) << "still \"%f\"";
    EXPECT_LT(Stored("GroundTurbRate").size(), 32u);
    EXPECT_LT(Stored("RunningSpeed").size(), 32u);

    addon::ModuleSettings saved = module.Settings;
    for (double huge : {std::nextafter(1e248, 0.0), 1e248, 1.7976931348623157e308, -2.5e300}) {
        module.Settings.RunningSpeed = huge;
        saved.RunningSpeed = huge;
        addon::SaveSettings(module.Settings);
        module.Settings = addon::ModuleSettings{};
        addon::LoadSettings(module.Settings);
        EXPECT_EQ(module.Settings.RunningSpeed, huge) << Stored("RunningSpeed");
        EXPECT_EQ(module.Settings.HeadLatencyRate, saved.HeadLatencyRate);
        EXPECT_EQ(module.Settings.GroundTurbRate, saved.GroundTurbRate);
    }
    // Ordinary values keep their six decimals.
    module.Settings.RunningSpeed = 1e20;
    addon::SaveSettings(module.Settings);
    EXPECT_EQ(Stored("RunningSpeed"), "100000000000000000000.000000");
}

TEST_F(SettingsTest, NumbersStoredAsDwordsReadAsNumbersAndOtherTypesKeepTheDefaults) {
    auto dword = [](const char* name, uint32_t n) {
        sim::RegPutBytes(SettingsKeyPath, name, os::RegDword,
                         {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)});
    };
    auto bytes = [](const char* name, uint32_t type, const std::string& text) {
        sim::RegPutBytes(SettingsKeyPath, name, type,
                         std::vector<uint8_t>(text.begin(), text.end() + 1));
    };
    dword("FlyByActive", 1); // as text its byte 1 is no number: the fly-by went off
    dword("FlyByDuration", 30);
    dword("FlyByMinDistance", 0xFFFFFFFF); // the largest DWORD saturates
    dword("RunningSpeed", 7);
    bytes("FlyByRelAltitude", 2, "-40");   // REG_EXPAND_SZ: text
    bytes("FlyByCameraPlacement", 3, "2"); // REG_BINARY
    bytes("ViewTurbRate", 7, "3");         // REG_MULTI_SZ
    bytes("GroundTurbRate", 0, "4");       // REG_NONE
    bytes("ViewTurbOn", 5, "1");           // REG_DWORD_BIG_ENDIAN
    bytes("GroundTurbOn", 11, "1");        // REG_QWORD
    sim::RegPutBytes(SettingsKeyPath, "FlyByTravelling", os::RegDword, {1, 0, 0}); // too short
    addon::LoadSettings(module.Settings);
    EXPECT_EQ(module.Settings.FlyByActive, 1);
    EXPECT_EQ(module.Settings.FlyByDuration, 30);
    EXPECT_EQ(module.Settings.FlyByMinDistance, INT32_MAX);
    EXPECT_EQ(module.Settings.RunningSpeed, 7.0);
    EXPECT_EQ(module.Settings.FlyByRelAltitude, -40);
    EXPECT_EQ(module.Settings.FlyByCameraPlacement, 0);
    EXPECT_EQ(module.Settings.HeadLatencyRate, 0.0);
    EXPECT_EQ(module.Settings.GroundTurbRate, 0.0);
    EXPECT_EQ(module.Settings.HeadLatencyOn, 0);
    EXPECT_EQ(module.Settings.GroundTurbOn, 0);
    EXPECT_EQ(module.Settings.FlyByTravelling, 0);

    addon::SaveSettings(module.Settings);
    EXPECT_EQ(Stored("FlyByActive"), "1") << "not overwritten with \"0\"";
    EXPECT_EQ(Stored("FlyByDuration"), "30");
}

TEST_F(SettingsTest, MouseLookSettingsAreHeldToTheirRangesAtLoad) {
    for (auto [text, rate] : {std::pair{"0.3", 0.3}, {"-2", 0.01}, {"50", 1.0}, {"abc", 0.01}}) {
        Store("MouseLookRate", text);
        Store("MouseLookInvert", "7");
        addon::LoadSettings(module.Settings);
        EXPECT_EQ(module.Settings.MouseLookRate, rate) << text;
        EXPECT_EQ(module.Settings.MouseLookInvert, 1);
    }
}

TEST_F(SettingsTest, SavedViewsRoundTripAndOddTextLeavesASlotEmpty) {
    Store("SavedView1", "0.5 1.25 -2 370 -100 9"); // held: 10 degrees, -90, zoom 8
    Store("SavedView2", "0.5 1.25 -2 30 10");      // one number short
    Store("SavedView3", "0.5 1.25 -2 30 10 1 7");  // one too many
    Store("SavedView4", "0.5 1.25 x 30 10 1");
    Store("SavedView5", "0.5 1.25 inf 30 10 1");
    Store("SavedView6", "1e9 0 0 -30 0 0.1"); // held to what the eye can show
    addon::LoadSettings(module.Settings);
    const addon::SavedView* v = module.Settings.SavedViews;
    EXPECT_EQ(v[0].Used, 1);
    EXPECT_EQ(v[0].X, 0.5);
    EXPECT_EQ(v[0].Z, -2.0);
    EXPECT_DOUBLE_EQ(v[0].Heading, 10.0);
    EXPECT_EQ(v[0].Pitch, -90.0);
    EXPECT_EQ(v[0].Zoom, 8.0);
    for (int slot : {1, 2, 3, 4, 6, 7, 8}) EXPECT_EQ(v[slot].Used, 0) << "slot " << slot + 1;
    EXPECT_EQ(v[5].X, 256.0);
    EXPECT_EQ(v[5].Heading, 330.0);
    EXPECT_EQ(v[5].Zoom, 0.25);

    addon::ModuleSettings saved = module.Settings;
    saved.SavedViews[8] = {1, -1.5, 0.75, 3.125, 359.5, 12.25, 2.5};
    EXPECT_EQ(addon::SaveViewSlot(saved, 9), 1);
    EXPECT_EQ(addon::SaveViewSlot(saved, 8), 0) << "an empty slot writes nothing";
    EXPECT_EQ(Stored("SavedView8"), "<missing>");
    addon::LoadSettings(module.Settings);
    const addon::SavedView& back = module.Settings.SavedViews[8];
    EXPECT_EQ(std::memcmp(&back, &saved.SavedViews[8], sizeof back), 0);
    addon::SaveSettings(module.Settings);
    EXPECT_EQ(Stored("SavedView2"), "0.5 1.25 -2 30 10") << "an unread slot is left as stored";
}

TEST(TextToNumber, WholeNumbers) {
    EXPECT_EQ(addon::TextToInt("42"), 42);
    EXPECT_EQ(addon::TextToInt(" \t\n-17x"), -17);
    EXPECT_EQ(addon::TextToInt("+8"), 8);
    EXPECT_EQ(addon::TextToInt("- 5"), 0);
    EXPECT_EQ(addon::TextToInt(""), 0);
    EXPECT_EQ(addon::TextToInt("3.9"), 3);
    EXPECT_EQ(addon::TextToInt("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(addon::TextToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(addon::TextToInt("-99999999999"), INT32_MIN);
}

TEST(TextToNumber, RealNumbersInPlainDecimalFormOnly) {
    EXPECT_EQ(addon::TextToDouble("7.5"), 7.5);
    EXPECT_EQ(addon::TextToDouble("  .5"), 0.5);
    EXPECT_EQ(addon::TextToDouble("-.5e1x"), -5.0);
    EXPECT_EQ(addon::TextToDouble("1e"), 1.0);
    EXPECT_EQ(addon::TextToDouble("2e+"), 2.0);
    EXPECT_EQ(addon::TextToDouble("5."), 5.0);
    EXPECT_EQ(addon::TextToDouble("."), 0.0);
    EXPECT_EQ(addon::TextToDouble("abc"), 0.0);
    EXPECT_EQ(addon::TextToDouble("inf"), 0.0);
    EXPECT_EQ(addon::TextToDouble("nan"), 0.0);
    EXPECT_EQ(addon::TextToDouble("0x10"), 0.0);
    EXPECT_EQ(addon::TextToDouble("1e999"), 0.0) << "no infinite setting";
    EXPECT_EQ(addon::TextToDouble("-1.7976931348623157e+308"), -1.7976931348623157e308);
    EXPECT_EQ(addon::TextToDouble("1.9999999999999998e+250"), 2e250);
}

} // namespace
