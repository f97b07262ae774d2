#include "module/dispatch.h"

#include "camera/frame_tick.h"
#include "module/lifecycle.h"
#include "module/menu.h"
#include "module/settings.h"
#include "pilot/pilot_input.h"
#include "pilot/pilot_state.h"

namespace addon {

namespace {

void Toggle(int32_t& flag) {
    flag = 1 - flag;
}

// 1 when id is one of the module's commands (carried out), else 0.
int RunMenuCommand(os::Hwnd window, uint16_t id) {
    switch (id) {
    case CommandActivateFlyBy:
        Toggle(Settings.FlyByActive);
        return 1;
    case CommandConfigure:
        OpenConfigurationDialog(window);
        return 1;
    case CommandInternalView:
        Toggle(Settings.InternalViewActive);
        return 1;
    case CommandExternalView:
        Toggle(Settings.ExternalViewActive);
        return 1;
    case CommandAbout:
        OpenAboutBox(window);
        return 1;
    default:
        return 0;
    }
}

} // namespace

bool IsPilotInputMessage(uint32_t message) {
    switch (message) {
    case os::MsgKeyDown:
    case os::MsgKeyUp:
    case os::MsgMouseMove:
    case os::MsgLButtonDown:
    case os::MsgLButtonUp:
    case os::MsgRButtonDown:
    case os::MsgRButtonUp:
    case os::MsgMButtonDown:
    case os::MsgMButtonUp:
    case os::MsgMouseWheel:
        return true;
    default:
        return false;
    }
}

int DispatchHostMessage(os::Hwnd window, uint32_t message, os::Word first, os::Long second) {
    if (message == HostFrameMessage) camera::FrameTick(); // never consumed
    if (Settings.InternalViewActive != 0 && IsPilotInputMessage(message))
        return pilot::PilotInput(pilot::ViewState, window, message, first, second);
    if (window == nullptr || window != HostMainWindow) return 0;
    if (message == os::MsgInitMenu) {
        AddModuleMenu();
        return 0;
    }
    if (message == os::MsgCommand) return RunMenuCommand(window, uint16_t(first & 0xFFFF));
    return 0;
}

os::Long OV_CALLBACK CallWndProcHookProc(int code, os::Word flag, os::Long record) {
    if (code == os::HookActionCode) {
        auto* sent = reinterpret_cast<os::SentMessage*>(record);
        if (DispatchHostMessage(sent->Window, sent->Message, sent->WParam, sent->LParam)) {
            sent->Window = nullptr;
            sent->Message = 0;
            return 0;
        }
    }
    return os::CallNextHookEx(CallWndHook, code, flag, record);
}

os::Long OV_CALLBACK GetMessageHookProc(int code, os::Word flag, os::Long record) {
    // A message only looked at (not removed) is dispatched later, when it is removed.
    if (code == os::HookActionCode && flag == os::PeekRemove) {
        auto* queued = reinterpret_cast<os::QueuedMessage*>(record);
        if (DispatchHostMessage(queued->Window, queued->Message, queued->WParam, queued->LParam)) {
            queued->Window = nullptr;
            queued->Message = 0;
            return 0;
        }
    }
    return os::CallNextHookEx(GetMessageHook, code, flag, record);
}

} // namespace addon
