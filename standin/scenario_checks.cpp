// Scenario checks of what the host saw: the viewpoint and its lookups, the
// stored settings, message boxes, the module's dialogs and menu, the pointer
// and whether input reached the host.
#include "standin/player.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace standin::play {

void Player::ExpectViewpoint(const Step& step) {
    double lat = Number(step, 2), lon = Number(step, 3);
    double alt = Word(step, 4) == "alt" ? Number(step, 5) : 0.0;
    double within = Word(step, 6) == "within" ? Number(step, 7) : 1.0;
    Viewpoint v = ReadViewpoint();
    double north = (v.LatitudeDegrees - lat) * 111130.0;
    double east = (v.LongitudeDegrees - lon) * 111130.0 * std::cos(lat * Pi / 180.0);
    double off = std::sqrt(north * north + east * east);
    bool ok = off <= within && std::fabs(double(v.AltitudeMetres) - alt) <= within + 1.0;
    Check(step, ok, "viewpoint %.6f %.6f alt %u is %.2f m from %.6f %.6f alt %.0f",
          v.LatitudeDegrees, v.LongitudeDegrees, unsigned(v.AltitudeMetres), off, lat, lon, alt);
}

void Player::ExpectLookups(const Step& step) {
    std::string expected, seen;
    for (size_t i = 2; i < step.Words.size(); ++i)
        if (step.Words[i] != "none") expected += (expected.empty() ? "" : " ") + step.Words[i];
    for (uint32_t token : LookupsThisFrame()) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%X", unsigned(token));
        seen += (seen.empty() ? "" : " ") + std::string(hex);
    }
    Check(step, seen == expected, "lookups of the last frame: [%s], expected [%s]", seen.c_str(),
          expected.c_str());
}

void Player::ExpectRegistry(const Step& step) {
    std::string name = Word(step, 2), text;
    bool present = ReadSetting(name, text);
    if (Word(step, 3) == "missing")
        Check(step, !present, "%s is %s", name.c_str(), present ? text.c_str() : "missing");
    else
        Check(step, present && text == Word(step, 3), "%s is \"%s\", expected \"%s\"", name.c_str(),
              present ? text.c_str() : "<missing>", Word(step, 3).c_str());
}

void Player::ExpectRegistryCount(const Step& step) {
    DWORD count = 0;
    if (HKEY key = OpenSettings(false)) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                         nullptr, nullptr, nullptr);
        RegCloseKey(key);
    }
    Check(step, int(count) == int(Number(step, 2)), "%lu values stored, expected %s", count,
          Word(step, 2).c_str());
}

void Player::ExpectMessageBox(const Step& step) {
    int times = 0;
    for (const std::string& text : MessageBoxesShown()) times += text == Word(step, 2);
    int expected = Word(step, 3) == "times" ? int(Number(step, 4)) : 1;
    Check(step, times == expected, "message box \"%s\" shown %d times, expected %d",
          Word(step, 2).c_str(), times, expected);
}

void Player::ExpectMessageBoxes(const Step& step) {
    int shown = int(MessageBoxesShown().size());
    Check(step, shown == int(Number(step, 2)), "%d message boxes shown, expected %s", shown,
          Word(step, 2).c_str());
}

void Player::ExpectDialogs(const Step& step) {
    int count = 0;
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", nullptr));)
        count += MainWindow && GetWindow(w, GW_OWNER) == MainWindow;
    Check(step, count == int(Number(step, 2)), "%d module dialogs, expected %s", count,
          Word(step, 2).c_str());
}

// "expect box ID TEXT" and "expect button ID checked|unchecked".
void Player::ExpectItem(const Step& step) {
    if (!Item(step, 2)) return; // reported there
    int id = int(Number(step, 2));
    const std::string expected = Word(step, 3);
    if (Word(step, 1) == "box") {
        char text[256] = {};
        GetDlgItemTextA(Dialog, id, text, sizeof text);
        Check(step, expected == text, "box %d shows \"%s\", expected \"%s\"", id, text,
              expected.c_str());
        return;
    }
    bool checked = IsDlgButtonChecked(Dialog, id) == BST_CHECKED;
    bool known = expected == "checked" || expected == "unchecked";
    Check(step, known && (expected == "checked") == checked, "button %d is %s, expected %s", id,
          checked ? "checked" : "unchecked", expected.c_str());
}

void Player::ExpectLabel(const Step& step) {
    bool found = Dialog && DialogHasLabel(Dialog, Word(step, 2).c_str());
    Check(step, found, "a label %s \"%s\"", found ? "shows" : "does not show",
          Word(step, 2).c_str());
}

void Player::ExpectPointer(const Step& step) {
    HCURSOR expected = Word(step, 2) == "hand"    ? LoadCursor(nullptr, IDC_HAND)
                       : Word(step, 2) == "arrow" ? LoadCursor(nullptr, IDC_ARROW)
                                                  : nullptr;
    HCURSOR set = CursorSet;
    Check(step, set == expected, "the pointer is %s, expected %s",
          set == nullptr                          ? "as it was"
          : set == LoadCursor(nullptr, IDC_HAND)  ? "the hand"
          : set == LoadCursor(nullptr, IDC_ARROW) ? "the arrow"
                                                  : "another shape",
          Word(step, 2).c_str());
}

// "expect key ..." and "expect input ...": the last key or mouse message.
void Player::ExpectInput(const Step& step) {
    bool reached = Word(step, 2) == "reached";
    Check(step, InputReached == reached, "the last key message %s the host",
          InputReached ? "reached" : "did not reach");
}

void Player::ExpectHostMenu(const Step& step) {
    LONG calls = HostMenuCalls - MenuCallsChecked;
    MenuCallsChecked = HostMenuCalls;
    Check(step, (calls > 0) == (Word(step, 2) == "opened"),
          "the keyboard called for the host's menu %ld times", calls);
}

namespace {

std::string Describe(const MenuEntry& e) {
    if (!e.Exists) return "missing";
    if (e.Separator) return "a separator";
    char text[128];
    std::snprintf(text, sizeof text, "\"%s\" 0x%04X %s%s%s", e.Text.c_str(), e.Id,
                  e.Checked ? "checked" : "unchecked", e.Greyed ? " greyed" : "",
                  e.Popup ? " popup" : "");
    return text;
}

} // namespace

void Player::ExpectMenu(const Step& step) {
    ModuleMenu menu = ReadModuleMenu();
    const std::string what = Word(step, 2);
    if (what == "copies") {
        int copies = int(Number(step, 3));
        bool placed = copies == 0 || (menu.EachAfterSeparator && menu.AtEnd);
        Check(step, menu.Copies == copies && placed && menu.Separators == copies,
              "the host's fourth menu holds %d \"Orbi&vuePro\" popups and %d separators%s%s, "
              "expected %d of each",
              menu.Copies, menu.Separators,
              menu.EachAfterSeparator ? "" : ", not each after a separator",
              menu.Copies && !menu.AtEnd ? ", the last not at its end" : "", copies);
        return;
    }
    if (what == "earlier-popups" && Word(step, 3) == "destroyed") {
        int alive = 0, earlier = 0;
        for (HMENU popup : Popups)
            if (popup != menu.Last) ++earlier, alive += IsMenu(popup) != FALSE;
        Check(step, alive == 0, "%d of %d earlier popups are still menus", alive, earlier);
        return;
    }
    if (!menu.Last) {
        Check(step, false, "no \"Orbi&vuePro\" popup in the host's fourth menu");
        return;
    }
    if (what == "entries") {
        int count = GetMenuItemCount(menu.Last);
        Check(step, count == int(Number(step, 3)), "the popup has %d entries, expected %s", count,
              Word(step, 3).c_str());
        return;
    }
    // An entry by its place (counted from 1) or by its text.
    size_t word = 2;
    int position =
        what.find_first_not_of("0123456789") == std::string::npos ? std::atoi(what.c_str()) : 0;
    if (position) ++word;
    // A menu shows a shortcut after a tab, written \t in a scenario.
    std::string text = Word(step, word++);
    for (size_t at; (at = text.find("\\t")) != std::string::npos;) text.replace(at, 2, "\t");
    MenuEntry entry;
    if (position) {
        entry = ReadMenuEntry(menu.Last, position - 1);
    } else {
        do entry = ReadMenuEntry(menu.Last, position++);
        while (entry.Exists && (entry.Separator || entry.Text != text));
    }
    std::string expected = text == "separator" ? "a separator" : "\"" + text + "\"";
    bool ok = entry.Exists && (text == "separator" ? entry.Separator : entry.Text == text);
    if (text != "separator") {
        bool idGiven = Word(step, word).rfind("0x", 0) == 0;
        UINT id = idGiven ? UINT(std::strtoul(Word(step, word++).c_str(), nullptr, 0)) : entry.Id;
        const std::string state = Word(step, word);
        ok = ok && !entry.Separator && !entry.Popup && !entry.Greyed && entry.Id == id &&
             (state == "checked" || state == "unchecked") && entry.Checked == (state == "checked");
        if (idGiven) expected += " " + Word(step, word - 1);
        expected += " " + state;
    }
    Check(step, ok, "menu entry %d is %s, expected %s", position, Describe(entry).c_str(),
          expected.c_str());
}

} // namespace standin::play
