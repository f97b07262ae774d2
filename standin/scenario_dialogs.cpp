// Scenario verbs for the pilot at the module's dialogs: waiting for one to
// open or close, typing, ticking and clicking, and its picture.
#include "standin/player.h"

#include <cstdio>

namespace standin::play {

HWND Player::Item(const Step& step, size_t word) {
    int id = int(Number(step, word));
    HWND item = Dialog ? GetDlgItem(Dialog, id) : nullptr;
    if (!item) Check(step, false, Dialog ? "the dialog has no item %d" : "no dialog is open", id);
    return item;
}

void Player::AtDialog(const Step& step) {
    const std::string verb = Word(step, 0);
    if (verb == "dialog" && Word(step, 2) == "opens") {
        std::string title = Word(step, 1);
        Dialog = WaitForDialog(title.c_str(), kDialogWait);
        HWND owner = Dialog ? GetWindow(Dialog, GW_OWNER) : nullptr;
        bool modal = MainWindow && !IsWindowEnabled(MainWindow);
        Check(step, Dialog && owner == MainWindow && modal, "dialog \"%s\" %s%s%s", title.c_str(),
              Dialog ? "is open" : "did not open",
              owner == MainWindow ? "" : ", not owned by the main window",
              modal ? "" : ", the main window is not disabled");
    } else if (verb == "dialog" && Word(step, 1) == "closes") {
        bool gone = Dialog && WaitUntilGone(Dialog, kDialogWait);
        bool enabled = MainWindow && IsWindowEnabled(MainWindow);
        Check(step, gone && enabled, "the dialog %s%s", gone ? "closed" : "is still open",
              enabled ? "" : ", the main window is not enabled");
        if (gone) Dialog = nullptr;
    } else if (verb == "type" && Word(step, 2) == "into") {
        std::printf("[%6.2f s] the pilot types \"%s\" into box %s\n", Time, Word(step, 1).c_str(),
                    Word(step, 3).c_str());
        if (Item(step, 3)) SetDlgItemTextA(Dialog, int(Number(step, 3)), Word(step, 1).c_str());
    } else if (verb == "tick" || verb == "untick" || verb == "click") {
        std::printf("[%6.2f s] the pilot %ss button %s\n", Time, verb.c_str(),
                    Word(step, 1).c_str());
        HWND button = Item(step, 1);
        if (button && verb == "click") // as the mouse would: down and up, on the dialog's thread
            SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, kDialogWait, nullptr);
        else if (button)
            CheckDlgButton(Dialog, int(Number(step, 1)),
                           verb == "tick" ? BST_CHECKED : BST_UNCHECKED);
    } else if (verb == "screenshot") {
        std::string name = Word(step, 1) + ".png";
        WindowPicture picture;
        bool saved = Dialog && SaveWindowPicture(
                                   Dialog, CurrentOptions().OutputFolder + "\\" + name, picture);
        // A blank or black picture has one or two colours; a drawn dialog has many.
        Check(step, saved && picture.Colours >= 4, "picture %s: %s, %dx%d, %d%s colours",
              name.c_str(), saved ? "saved" : "not saved", picture.Width, picture.Height,
              picture.Colours, picture.Colours >= 8 ? " or more" : "");
    } else {
        Check(step, false, "unknown dialog step");
    }
}

// A dialog left open holds the module's code on the UI thread's stack: unloading
// under it would crash the host, so it is cancelled first (and counted as a fault).
void Player::CloseLeftoverDialogs() {
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", nullptr));) {
        bool ours = w == Dialog || (MainWindow && GetWindow(w, GW_OWNER) == MainWindow);
        if (!ours) continue; // message boxes are the watcher's
        char title[128] = {};
        GetWindowTextA(w, title, sizeof title);
        ++Failed;
        std::printf("  FAIL  dialog \"%s\" left open; cancelled\n", title);
        PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
        if (!WaitUntilGone(w, kDialogWait)) break;
        w = nullptr; // start over: the list changed
    }
    Dialog = nullptr;
}

} // namespace standin::play
