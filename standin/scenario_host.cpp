// Scenario verbs for the host, the aircraft and the flight: the stored
// settings, loading the module, placing and flying the aircraft, the host's
// menu commands and the soak.
#include "standin/player.h"

#include "module/settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace standin::play {

HKEY OpenSettings(bool create) {
    HKEY key = nullptr;
    if (create)
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, addon::SettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr);
    else
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, addon::SettingsKeyPath, 0, KEY_READ, &key);
    return key;
}

namespace {

// The settings key's access list: only reading for everyone, or none at all
// (everyone may do everything). Its owner may always change the list.
bool SetSettingsKeyReadOnly(bool readOnly) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, addon::SettingsKeyPath, 0, nullptr, 0,
                        WRITE_DAC | KEY_READ, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    alignas(DWORD) BYTE list[256];
    auto* acl = reinterpret_cast<ACL*>(list);
    bool ok = true;
    if (readOnly) {
        ok = AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                      &everyone) &&
             InitializeAcl(acl, sizeof list, ACL_REVISION) &&
             AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone) &&
             SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    } else {
        ok = SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    }
    ok = ok && RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    if (everyone) FreeSid(everyone);
    RegCloseKey(key);
    return ok;
}

} // namespace

void ForgetSettings() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, addon::SettingsKeyPath, 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        RegCloseKey(key);
        SetSettingsKeyReadOnly(false);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, addon::SettingsKeyPath);
}

bool ReadSetting(const std::string& name, std::string& text) {
    HKEY key = OpenSettings(false);
    if (!key) return false;
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    LONG status =
        RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    text = data;
    return status == ERROR_SUCCESS;
}

namespace {

// The values an "aircraft" step sets, by their words in the scenario.
struct AircraftValue {
    const char* Word;
    double Aircraft::*Field;
};
constexpr AircraftValue kAircraftValues[] = {
    {"alt", &Aircraft::Altitude},      {"heading", &Aircraft::Heading},
    {"speed", &Aircraft::Speed},       {"pitch", &Aircraft::Pitch},
    {"bank", &Aircraft::Bank},         {"turn", &Aircraft::TurnRate},
    {"climb", &Aircraft::ClimbRate},   {"ground", &Aircraft::GroundAltitude},
    {"on-ground", &Aircraft::OnGround}};

const AircraftValue* FindAircraftValue(const std::string& word) {
    for (const AircraftValue& v : kAircraftValues)
        if (word == v.Word) return &v;
    return nullptr;
}

} // namespace

void Player::StoreSetting(const Step& step) {
    HKEY key = OpenSettings(true);
    std::string text = Word(step, 2);
    DWORD number = DWORD(std::strtoul(Word(step, 3).c_str(), nullptr, 0));
    if (text == "dword")
        RegSetValueExA(key, Word(step, 1).c_str(), 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&number), sizeof number);
    else
        RegSetValueExA(key, Word(step, 1).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
    RegCloseKey(key);
}

// The other "host" words set the host up before it starts (ReadScenario).
void Player::HostStep(const Step& step) {
    if (Word(step, 1) != "settings-key" || Word(step, 2) != "read-only") {
        Check(step, false, "unknown step 'host'");
        Stop = true;
        return;
    }
    bool done = SetSettingsKeyReadOnly(true);
    HKEY key = nullptr;
    bool refused = RegOpenKeyExA(HKEY_LOCAL_MACHINE, addon::SettingsKeyPath, 0, KEY_SET_VALUE,
                                 &key) == ERROR_ACCESS_DENIED;
    if (key) RegCloseKey(key);
    Check(step, done && refused, "the settings key is %s",
          refused ? "read-only" : "still writable");
}

void Player::SetFps(const Step& step) {
    Fps = int(Number(step, 1));
    if (Fps < 1 || Fps > 1000) Fps = 20;
}

void Player::Load(const Step& step) {
    std::printf("[%6.2f s] the host loads the module\n", Time);
    if (!AskUiThread(Request::Load)) {
        Check(step, false, "load: %s", LoadError.c_str());
        Stop = true;
    }
}

void Player::Unload(const Step&) {
    std::printf("[%6.2f s] the host unloads the module\n", Time);
    CloseLeftoverDialogs();
    AskUiThread(Request::Unload);
}

void Player::SetAircraft(const Step& step) {
    for (size_t i = 1; i < step.Words.size(); ++i) {
        const std::string& key = step.Words[i];
        if (key == "at") {
            Flight.Latitude = Number(step, i + 1);
            Flight.Longitude = Number(step, i + 2);
            i += 2;
            continue;
        }
        double value = Number(step, ++i);
        const AircraftValue* field = FindAircraftValue(key);
        if (!field) {
            Check(step, false, "unknown aircraft value '%s'", key.c_str());
            continue;
        }
        Flight.*field->Field = value;
        if (field->Field == &Aircraft::ClimbRate && value == 0.0) Flight.Pitch = 0.0; // levels off
    }
}

void Player::Run(const Step& step) {
    int frames = int(std::lround(Number(step, 1) * Fps));
    for (int i = 0; i < frames; ++i) Frame();
}

void Player::Command(const Step& step) {
    HWND target = Word(step, 2) == "to" && Word(step, 3) == "view" ? ViewWindow : MainWindow;
    WPARAM id = WPARAM(std::strtoul(Word(step, 1).c_str(), nullptr, 0));
    std::printf("[%6.2f s] menu command 0x%04X to the %s window\n", Time, unsigned(id),
                target == ViewWindow ? "view" : "main");
    PostAndWait(target, WM_COMMAND, id, 0);
}

void Player::InitMenu(const Step&) {
    if (MainWindow) SendMessageA(MainWindow, WM_INITMENU, WPARAM(GetMenu(MainWindow)), 0);
    if (HMENU popup = ReadModuleMenu().Last) Popups.push_back(popup);
}

void Player::Soak(const Step& step) {
    long long frames = std::atoll(Word(step, 1).c_str());
    uint32_t seed = Word(step, 2) == "seed" ? uint32_t(Number(step, 3)) : 1;
    SoakReport r = RunSoak(frames, seed);
    long long anomalies = 0;
    for (const auto& [kind, count] : r.Anomalies) anomalies += count;
    std::printf("soak: %lld frames (seed %u), %.0f s simulated in %.1f s; %lld legs, %lld "
                "commands, %lld dialogs, %lld clock jumps, %lld pilot inputs; %lld "
                "anomalies\n",
                r.Frames, unsigned(seed), r.SimulatedSeconds, r.WallSeconds, r.Legs, r.Commands,
                r.Dialogs, r.ClockJumps, r.Inputs, anomalies);
    for (const auto& [kind, count] : r.Anomalies) std::printf("  %lld x %s\n", count, kind.c_str());
    Check(step, anomalies == 0 && r.Frames == frames, "%lld frames, %lld anomalies", r.Frames,
          anomalies);
}

} // namespace standin::play
