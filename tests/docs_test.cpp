// What a pilot reads against what the module does: the manual's and the
// README's tables of keys, defaults, ranges and rates, the dialog's labels
// and the version come from the code's own constants and tables here, so a
// change to one that the text does not follow fails.
#include "module/settings.h"
#include "pilot/cockpit.h"
#include "pilot/key_bindings.h"
#include "pilot/mouse.h"
#include "walk/outside.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Source(const std::string& path) {
    std::ifstream in(std::string(ORBIVUE_SOURCE_DIR) + "/" + path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Prose with its line breaks and runs of blanks as single spaces.
std::string Flowing(const std::string& text) {
    std::string out;
    for (char c : text) {
        bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
        if (blank && !out.empty() && out.back() == ' ') continue;
        out += blank ? ' ' : c;
    }
    return out;
}

// As the text writes a number; "%.2f" as the dialog shows a real.
std::string Number(double x, const char* format = "%g") {
    char text[32];
    std::snprintf(text, sizeof text, format, x);
    return text;
}
std::string Shown(double x) {
    return Number(x, "%.2f");
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The cells of the Markdown table row whose first cell starts with first.
std::vector<std::string> Row(const std::string& markdown, const std::string& first) {
    std::istringstream lines(markdown);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("| " + first, 0) != 0) continue;
        std::vector<std::string> cells;
        for (size_t at = 1, bar; (bar = line.find(" |", at)) != std::string::npos; at = bar + 2)
            cells.push_back(line.substr(at + 1, bar - at - 1));
        return cells;
    }
    return {};
}

TEST(PilotDocuments, TheDialogsFieldsDefaultsAndRangesAreTheCodes) {
    const std::string manual = Source("docs/manual.md");
    const std::string dialog = Source("module/resources/OrbivuePro.rc");
    const addon::ModuleSettings d = addon::DefaultSettings();
    const std::string latency = "Head latency rate (0 - " + Number(addon::MaxHeadLatencyRate) + ")";
    const std::string ground =
        "Ground turbulence rate (0 - " + Number(addon::MaxGroundTurbRate) + ")";
    for (const std::string& label : {latency, ground})
        EXPECT_NE(dialog.find('"' + label + '"'), std::string::npos) << "the dialog's " << label;
    struct Field {
        std::string Label, Default, Range;
    };
    const Field fields[] = {
        {"Fly-by duration (seconds)", Number(d.FlyByDuration), ""},
        {"Camera relative altitude (feet)", Number(d.FlyByRelAltitude), ""},
        {"Minimum distance (metres)", Number(d.FlyByMinDistance), "0 and up"},
        {latency, Shown(d.HeadLatencyRate) + ", off", "0 to " + Number(addon::MaxHeadLatencyRate)},
        {ground, Shown(d.GroundTurbRate) + ", off", "0 to " + Number(addon::MaxGroundTurbRate)},
        {"Mouse look (degrees per pixel)", Shown(d.MouseLookRate) + ", off",
         Number(addon::LeastMouseLookRate) + " to " + Number(addon::MostMouseLookRate)},
        {"Running speed (m/s)", Shown(d.RunningSpeed), "0 to " + Number(addon::MaxRunningSpeed)},
    };
    for (const Field& f : fields) {
        EXPECT_NE(dialog.find(f.Label.substr(0, f.Label.find(" ("))), std::string::npos)
            << "the dialog has no field " << f.Label;
        std::vector<std::string> row = Row(manual, f.Label);
        ASSERT_GE(row.size(), 3u) << "the manual's dialog table has no row " << f.Label;
        EXPECT_EQ(row[1], f.Default) << f.Label;
        if (!f.Range.empty()) {
            EXPECT_EQ(row[2], f.Range) << f.Label;
        }
    }
}

TEST(PilotDocuments, TheRatesAndLimitsInTheManualAreTheCodes) {
    const std::string manual = Flowing(Source("docs/manual.md"));
    // Whole phrases, so that a number kept elsewhere in the text does not pass.
    const std::string facts[] = {
        Number(pilot::HeadTurnRate) + " degrees a second",
        Number(walk::WalkSpeed) + " metres a second",
        Number(walk::TurnRate) + " degrees a second",
        "at most " + Number(walk::HeadPitchLimit) + " degrees",
        Number(walk::FallSpeed) + " metres a second",
        Number(walk::CrouchEyeHeight) + " m above the feet",
        "never below " + Number(walk::LeastEyeHeight) + " m",
        Number(walk::DefaultRunSpeed) + " m/s when it is 0",
        Number(pilot::MouseLookDegreesPerPixel) + " degrees a pixel",
        "between " + Number(pilot::LeastZoom) + " and " + Number(pilot::MostZoom),
    };
    for (const std::string& fact : facts)
        EXPECT_NE(manual.find(fact), std::string::npos)
            << "the manual does not say \"" << fact << "\"";
    // The ones the manual says in words.
    EXPECT_EQ(pilot::ZoomPerNotch, 0.1);
    EXPECT_NE(manual.find("a tenth a notch"), std::string::npos);
    EXPECT_EQ(pilot::GlideSeconds, 0.5);
    EXPECT_NE(manual.find("in half a second"), std::string::npos);
    EXPECT_NEAR(std::pow(pilot::ZoomKeyFactorPerSecond, 2.0), pilot::MostZoom, 1e-12);
    EXPECT_NE(manual.find("from 1 to 8 in two seconds"), std::string::npos);
    EXPECT_NE(manual.find("version " ORBIVUE_VERSION), std::string::npos)
        << "the manual tells another version than " ORBIVUE_VERSION;
}

TEST(PilotDocuments, TheKeyTablesShowTheDefaultFilesKeys) {
    const std::string cfg = Source("module/resources/OrbivuePro.cfg");
    pilot::KeyBindingTable table;
    pilot::LoadKeyBindingText(cfg.data(), cfg.size(), "Keyboard", table);
    ASSERT_GT(table.Count, 10) << cfg.size() << " bytes: " << cfg.substr(0, 80);
    for (const char* document : {"docs/manual.md", "README.md"}) {
        const std::string text = Source(document);
        for (int32_t i = 0; i < table.Count; ++i) {
            const pilot::KeyBinding& b = table.Entries[i];
            const std::string command = std::string("`") + b.Command + "`";
            const std::string key = Lower(pilot::DisplayKey(b).Text);
            // The table row that names the command shows the key.
            std::istringstream lines(text);
            bool shown = false, named = false;
            for (std::string line; std::getline(lines, line);) {
                if (line.rfind("| ", 0) != 0 || line.find(command) == std::string::npos) continue;
                named = true;
                shown |= Lower(line).find(key) != std::string::npos;
            }
            EXPECT_TRUE(named) << document << " has no table row for " << b.Command;
            EXPECT_TRUE(shown) << document << ": " << b.Command << " is bound to " << key;
        }
    }
}

} // namespace
