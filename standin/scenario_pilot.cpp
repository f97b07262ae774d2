// Scenario verbs for the pilot view: the binding file, the view the host
// shows, the pilot's keys and modifiers, the keyboard's focus and the mouse.
#include "standin/player.h"

#include <cmath>
#include <cstdio>

namespace standin::play {

namespace {

int Modifier(const std::string& word) {
    if (word == "shift") return VK_SHIFT;
    if (word == "control") return VK_CONTROL;
    if (word == "alt") return VK_MENU;
    return 0;
}

// A key message's second parameter: repeat count 1, Alt held (the context
// code), the key down before (repeats and releases), going up.
LPARAM KeyData(bool alt, bool up, bool repeat) {
    return LPARAM(1 | (alt ? 1u << 29 : 0u) | (up || repeat ? 1u << 30 : 0u) |
                  (up ? 1u << 31 : 0u));
}

} // namespace

void Player::Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LONG before = InputReachedHost;
    PostAndWait(window, message, wParam, lParam);
    InputReached = InputReachedHost != before;
}

void Player::SendKey(const Step& step, UINT message, int code, bool repeat) {
    HWND target = MainWindow ? MainWindow : ViewWindow;
    for (size_t i = 3; i < step.Words.size(); ++i) {
        if (int vk = Modifier(step.Words[i])) KeyStates[vk] = SHORT(0x8000);
        if (step.Words[i] == "view") target = ViewWindow;
    }
    // Windows sends keys held with Alt, and F10, as system keys.
    bool alt = KeyStates[VK_MENU] < 0;
    bool up = message == WM_KEYUP;
    UINT sent = alt || code == VK_F10 ? (up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : message;
    Post(target, sent, WPARAM(code), KeyData(alt, up, repeat));
    if (message == WM_KEYDOWN) HeldKeys.push_back(code);
    if (message == WM_KEYUP)
        for (size_t i = HeldKeys.size(); i-- > 0;)
            if (HeldKeys[i] == code) HeldKeys.erase(HeldKeys.begin() + long(i));
    for (int vk : {VK_SHIFT, VK_CONTROL, VK_MENU}) KeyStates[vk] = HeldModifier(vk);
}

void Player::Bindings(const Step& step) {
    std::string error;
    if (Word(step, 1) == "held-open") {
        std::printf("[%6.2f s] another program holds the binding file open\n", Time);
        const bool held = HoldBindingFile(error);
        Check(step, held, "the binding file is held open%s%s", held ? "" : ": ", error.c_str());
        return;
    }
    // Beside the DLL as the build leaves it, else one folder up as a pilot
    // installs it: the DLL in the host's Modules folder, the file in the host's.
    std::string dll = CurrentOptions().DllPath;
    std::string folder = dll.substr(0, dll.find_last_of("\\/") + 1);
    std::string up =
        folder.empty() ? "" : folder.substr(0, folder.find_last_of("\\/", folder.size() - 2) + 1);
    auto read = [](const std::string& path) {
        std::string text;
        if (FILE* file = std::fopen(path.c_str(), "rb")) {
            char buffer[4096];
            for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
                text.append(buffer, n);
            std::fclose(file);
        }
        return text;
    };
    std::string text = read(folder + "OrbivuePro.cfg");
    if (text.empty() && !up.empty()) text = read(up + "OrbivuePro.cfg");
    // Later binding words go after it: another section's header ends the
    // file's own (a header inside the section only ends it), and the binding
    // section's header opens it again.
    const bool found = !text.empty();
    BindingBase = text + "\n[Scenario]\n";
    if (!BindingWords.empty()) text = BindingBase + "[Keyboard]\n" + BindingWords;
    Check(step, found && PlaceBindingFile(text, error), "the default binding file %s",
          !found ? ("is neither beside the DLL nor one folder up: " + folder).c_str()
                 : error.c_str());
}

void Player::Binding(const Step& step) {
    std::string error;
    BindingWords += Word(step, 1) + "\n";
    Check(step, PlaceBindingFile(BindingBase + "[Keyboard]\n" + BindingWords, error),
          "binding file %s", error.empty() ? "written" : error.c_str());
}

void Player::ShowHostView(const Step& step) {
    std::printf("[%6.2f s] the host shows the %s view\n", Time, Word(step, 1).c_str());
    if (!ShowView(Word(step, 1))) Check(step, false, "unknown view '%s'", Word(step, 1).c_str());
}

void Player::Mark(const Step&) {
    for (int i = 0; i < HostViewCount; ++i) Marked[i] = HostViewRecord(i);
}

void Player::Focus(const Step& step) {
    bool lost = Word(step, 1) == "lost";
    std::printf("[%6.2f s] %s\n", Time,
                lost ? "another program takes the keyboard" : "the host has the keyboard again");
    // What Windows sends the host's top window, in its order.
    HWND top = MainWindow ? MainWindow : ViewWindow;
    DWORD_PTR ignored = 0;
    if (lost) {
        SendMessageTimeoutA(top, WM_ACTIVATE, WA_INACTIVE, 0, SMTO_NORMAL, kDialogWait, &ignored);
        SendMessageTimeoutA(top, WM_ACTIVATEAPP, FALSE, 0, SMTO_NORMAL, kDialogWait, &ignored);
    } else {
        SendMessageTimeoutA(top, WM_ACTIVATEAPP, TRUE, 0, SMTO_NORMAL, kDialogWait, &ignored);
        SendMessageTimeoutA(top, WM_ACTIVATE, WA_ACTIVE, 0, SMTO_NORMAL, kDialogWait, &ignored);
    }
}

void Player::HoldModifier(const Step& step) {
    int vk = Modifier(Word(step, 1));
    bool down = Word(step, 2) == "down";
    std::printf("[%6.2f s] the pilot %s %s\n", Time, down ? "holds" : "lets go of",
                Word(step, 1).c_str());
    for (size_t i = Modifiers.size(); i-- > 0;)
        if (Modifiers[i] == vk) Modifiers.erase(Modifiers.begin() + long(i));
    if (down) Modifiers.push_back(vk);
    KeyStates[vk] = HeldModifier(vk);
    // Alt is a system key: Windows sends its own down and up.
    if (vk == VK_MENU)
        Post(MainWindow ? MainWindow : ViewWindow, down ? WM_SYSKEYDOWN : WM_SYSKEYUP, VK_MENU,
             KeyData(true, !down, false));
}

void Player::Pointer(const Step& step) {
    if (Word(step, 1) == "burst") {
        int n = int(Number(step, 2));
        std::printf("[%6.2f s] %d pointer messages where the pointer is\n", Time, n);
        for (int i = 0; i < n; ++i)
            Post(ViewWindow, WM_MOUSEMOVE, 0, MAKELPARAM(Cursor.x, Cursor.y));
        return;
    }
    int x = int(Number(step, 2)), y = int(Number(step, 3));
    std::printf("[%6.2f s] the pointer moves to %d %d\n", Time, x, y);
    Cursor.x = x;
    Cursor.y = y;
    CursorSet = nullptr;
    Post(ViewWindow, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

void Player::Button(const Step& step) {
    const std::string which = Word(step, 2);
    bool down = Word(step, 1) == "down";
    UINT message = which == "left"    ? (down ? WM_LBUTTONDOWN : WM_LBUTTONUP)
                   : which == "right" ? (down ? WM_RBUTTONDOWN : WM_RBUTTONUP)
                                      : (down ? WM_MBUTTONDOWN : WM_MBUTTONUP);
    std::printf("[%6.2f s] the %s button goes %s\n", Time, which.c_str(), down ? "down" : "up");
    Post(ViewWindow, message, 0, MAKELPARAM(Cursor.x, Cursor.y));
}

void Player::Wheel(const Step& step) {
    if (Word(step, 1) == "burst") {
        int n = int(Number(step, 2));
        std::printf("[%6.2f s] %d wheel messages, one notch up and down in turn\n", Time, n);
        for (int i = 0; i < n; ++i)
            Post(ViewWindow, WM_MOUSEWHEEL,
                 MAKEWPARAM(0, SHORT(i % 2 ? -WHEEL_DELTA : WHEEL_DELTA)),
                 MAKELPARAM(Cursor.x, Cursor.y));
        return;
    }
    int notches = int(Number(step, 1));
    std::printf("[%6.2f s] the wheel turns %d notches\n", Time, notches);
    Post(ViewWindow, WM_MOUSEWHEEL, MAKEWPARAM(0, SHORT(notches * WHEEL_DELTA)),
         MAKELPARAM(Cursor.x, Cursor.y));
}

// "key down|up|press|repeat NAME ..." and "hold NAME for SECONDS ...".
void Player::Key(const Step& step) {
    const std::string verb = Word(step, 0);
    std::string name = Word(step, verb == "key" ? 2 : 1);
    int code = KeyCodeOf(name);
    if (code == 0) {
        Check(step, false, "unknown key '%s'", name.c_str());
        return;
    }
    std::string how = verb == "key" ? Word(step, 1) : "hold";
    std::printf("[%6.2f s] the pilot %s %s\n", Time,
                how == "down" ? "presses"
                : how == "up" ? "releases"
                              : how.c_str(),
                name.c_str());
    if (how == "down" || how == "press" || how == "repeat" || how == "hold")
        SendKey(step, WM_KEYDOWN, code, how == "repeat");
    if (how == "hold")
        for (int i = 0, n = int(std::lround(Number(step, 3) * Fps)); i < n; ++i) Frame();
    if (how == "up" || how == "press" || how == "hold") SendKey(step, WM_KEYUP, code);
}

} // namespace standin::play
