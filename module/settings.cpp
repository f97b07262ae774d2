#include "module/settings.h"

#include "module/text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>

namespace addon {

namespace {

// The stored settings, in the order in which they are read and written.
struct StoredSetting {
    const char* Name;
    int32_t ModuleSettings::*Whole;
    double ModuleSettings::*Real;
    bool Flag; // on or off
};
constexpr StoredSetting kStored[] = {
    {"FlyByActive", &ModuleSettings::FlyByActive, nullptr, true},
    {"FlyByDuration", &ModuleSettings::FlyByDuration, nullptr, false},
    {"FlyByRelAltitude", &ModuleSettings::FlyByRelAltitude, nullptr, false},
    {"FlyByMinDistance", &ModuleSettings::FlyByMinDistance, nullptr, false},
    {"FlyByCameraPlacement", &ModuleSettings::FlyByCameraPlacement, nullptr, false},
    {"FlyByTravelling", &ModuleSettings::FlyByTravelling, nullptr, true},
    {"InternalViewActive", &ModuleSettings::InternalViewActive, nullptr, true},
    {"ViewTurbRate", nullptr, &ModuleSettings::HeadLatencyRate, false},
    {"GroundTurbRate", nullptr, &ModuleSettings::GroundTurbRate, false},
    {"RunningSpeed", nullptr, &ModuleSettings::RunningSpeed, false},
    {"ViewTurbOn", &ModuleSettings::HeadLatencyOn, nullptr, true},
    {"GroundTurbOn", &ModuleSettings::GroundTurbOn, nullptr, true},
    {"MouseLookRate", nullptr, &ModuleSettings::MouseLookRate, false},
    {"MouseLookInvert", &ModuleSettings::MouseLookInvert, nullptr, true},
};

static_assert(std::size(kStored) <= 32, "ModuleSettings::Unread has a bit for each");

constexpr uint32_t kQueryBufferSize = 256;

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// "%f" as ever, unless its text (and zero) would not fit the read: from 1e248
// on it is longer, and the value would come back as its default. Those are
// saved in a form that reads back exactly, and is short.
void FormatReal(char* text, size_t capacity, double value) {
    int length = std::snprintf(text, capacity, "%f", value);
    if (length < 0 || uint32_t(length) + 1 > kQueryBufferSize)
        std::snprintf(text, capacity, "%.17g", value);
}

RegistryValue SettingValue(const char* name) {
    RegistryValue value{};
    value.Root = os::HkeyLocalMachine();
    CopyText(value.KeyPath, sizeof value.KeyPath, SettingsKeyPath);
    CopyText(value.ValueName, sizeof value.ValueName, name);
    return value;
}

constexpr char kSavedViewName[] = "SavedView%d";
constexpr int kSavedViewNumbers = 6;
constexpr double kMostEyeOffset = 256.0; // view units: the host's 16-bit words / 256
constexpr double kMostPitch = 90.0;

double Within(double value, double least, double most) {
    return value < least ? least : value > most ? most : value;
}

// The six numbers of a saved view, each a number and nothing else.
bool ParseSavedView(const char* text, SavedView& view) {
    double* numbers[kSavedViewNumbers] = {&view.X,       &view.Y,     &view.Z,
                                          &view.Heading, &view.Pitch, &view.Zoom};
    const char* p = text;
    for (double* number : numbers) {
        while (*p == ' ') ++p;
        char token[64];
        size_t length = 0;
        while (p[length] != '\0' && p[length] != ' ') ++length;
        if (length == 0 || length >= sizeof token) return false;
        std::memcpy(token, p, length);
        token[length] = 0;
        char* end = nullptr;
        *number = std::strtod(token, &end);
        if (end != token + length) return false;
        p += length;
    }
    while (*p == ' ') ++p;
    return *p == '\0';
}

void LoadSavedViews(ModuleSettings& settings) {
    for (int32_t slot = 1; slot <= SavedViewCount; ++slot) {
        char name[32];
        std::snprintf(name, sizeof name, kSavedViewName, int(slot));
        RegistryValue value = SettingValue(name);
        SavedView view{};
        if (ReadRegistryValue(value) && ParseSavedView(value.Data, view)) {
            view.Used = 1;
            view = UsableSavedView(view);
        }
        settings.SavedViews[slot - 1] = view;
    }
}

} // namespace

int ReadRegistryValue(RegistryValue& value) {
    os::Hkey key = nullptr;
    // Only the right to read: a key the user may read but not change still gives its values.
    long opened = os::RegOpenKeyExA(value.Root, value.KeyPath, 0, os::KeyRead, &key);
    value.Unreadable = opened != os::ErrorSuccess && opened != os::ErrorFileNotFound;
    if (opened != os::ErrorSuccess) return 0;
    // One byte beyond what the query may fill, so that stored text without its
    // terminating zero still ends inside the buffer.
    uint8_t buffer[kQueryBufferSize + 1] = {};
    uint32_t size = kQueryBufferSize;
    uint32_t type = 0;
    long status = os::RegQueryValueExA(key, value.ValueName, &type, buffer, &size);
    os::RegCloseKey(key);
    value.Unreadable = status != os::ErrorSuccess && status != os::ErrorFileNotFound &&
                       status != os::ErrorMoreData;
    if (status != os::ErrorSuccess) return 0;
    // A number stored as such (a hand-made REG_DWORD) is read as its number, not
    // as the text of its bytes; other kinds of data are no setting at all.
    if (type == os::RegDword) {
        if (size != sizeof(uint32_t)) return 0;
        uint32_t number;
        std::memcpy(&number, buffer, sizeof number);
        std::snprintf(value.Data, sizeof value.Data, "%lu", static_cast<unsigned long>(number));
        return 1;
    }
    if (type != os::RegSz && type != os::RegExpandSz) return 0;
    buffer[size < kQueryBufferSize ? size : kQueryBufferSize] = 0;
    CopyText(value.Data, sizeof value.Data, reinterpret_cast<const char*>(buffer));
    return 1;
}

int WriteRegistryValue(const RegistryValue& value) {
    os::Hkey key = nullptr;
    if (os::RegOpenKeyExA(value.Root, value.KeyPath, 0, os::KeyWrite, &key) != os::ErrorSuccess &&
        os::RegCreateKeyExA(value.Root, value.KeyPath, os::RegOptionNonVolatile, os::KeyWrite,
                            &key) != os::ErrorSuccess)
        return 0;
    const void* end = std::memchr(value.Data, 0, sizeof value.Data);
    size_t length =
        end ? size_t(static_cast<const char*>(end) - value.Data) : sizeof value.Data - 1;
    long status =
        os::RegSetValueExA(key, value.ValueName, os::RegSz,
                           reinterpret_cast<const uint8_t*>(value.Data), uint32_t(length + 1));
    os::RegCloseKey(key);
    return status == os::ErrorSuccess ? 1 : 0;
}

ModuleSettings DefaultSettings() {
    ModuleSettings d{};
    d.FlyByActive = 1;
    d.FlyByDuration = 10;
    d.FlyByRelAltitude = 0;
    d.FlyByMinDistance = 50;
    d.FlyByCameraPlacement = 0;
    d.FlyByTravelling = 0;
    d.HeadLatencyRate = 0.0;
    d.GroundTurbRate = 0.0;
    d.RunningSpeed = 5.0;
    d.MouseLookRate = DefaultMouseLookRate;
    d.MouseLookInvert = 0;
    return d;
}

double UsableMouseLookRate(double rate) {
    if (std::isnan(rate)) return DefaultMouseLookRate;
    return Within(rate, LeastMouseLookRate, MostMouseLookRate);
}

SavedView UsableSavedView(SavedView v) {
    for (double x : {v.X, v.Y, v.Z, v.Heading, v.Pitch, v.Zoom})
        if (!std::isfinite(x)) return SavedView{};
    v.X = Within(v.X, -kMostEyeOffset, kMostEyeOffset);
    v.Y = Within(v.Y, -kMostEyeOffset, kMostEyeOffset);
    v.Z = Within(v.Z, -kMostEyeOffset, kMostEyeOffset);
    v.Heading = std::fmod(v.Heading, 360.0);
    if (v.Heading < 0.0) v.Heading += 360.0;
    v.Pitch = Within(v.Pitch, -kMostPitch, kMostPitch);
    v.Zoom = Within(v.Zoom, 0.25, 8.0);
    return v;
}

void LoadSettings(ModuleSettings& settings) {
    // The switches of the views are not stored defaults: they stay as loaded (off).
    const ModuleSettings loaded = settings;
    settings = DefaultSettings();
    settings.InternalViewActive = loaded.InternalViewActive;
    settings.ExternalViewActive = loaded.ExternalViewActive;
    settings.HeadLatencyOn = loaded.HeadLatencyOn;
    settings.GroundTurbOn = loaded.GroundTurbOn;
    settings.Unread = 0;
    for (uint32_t i = 0; i < std::size(kStored); ++i) {
        const StoredSetting& s = kStored[i];
        RegistryValue value = SettingValue(s.Name);
        if (!ReadRegistryValue(value)) {
            if (value.Unreadable) settings.Unread |= 1u << i;
            continue;
        }
        if (s.Flag)
            settings.*s.Whole = TextToInt(value.Data) != 0 ? 1 : 0;
        else if (s.Whole)
            settings.*s.Whole = TextToInt(value.Data);
        else
            settings.*s.Real = TextToDouble(value.Data);
    }
    settings.MouseLookRate = UsableMouseLookRate(settings.MouseLookRate);
    LoadSavedViews(settings);
}

void SaveSettings(const ModuleSettings& settings) {
    const ModuleSettings defaults = DefaultSettings();
    for (uint32_t i = 0; i < std::size(kStored); ++i) {
        const StoredSetting& s = kStored[i];
        const bool unchanged =
            s.Whole ? settings.*s.Whole == defaults.*s.Whole : settings.*s.Real == defaults.*s.Real;
        if ((settings.Unread >> i & 1) && unchanged) continue; // what is stored stays
        RegistryValue value = SettingValue(s.Name);
        if (s.Whole)
            std::snprintf(value.Data, sizeof value.Data, "%d", int(settings.*s.Whole));
        else
            FormatReal(value.Data, sizeof value.Data, settings.*s.Real);
        WriteRegistryValue(value);
    }
    for (int32_t slot = 1; slot <= SavedViewCount; ++slot) SaveViewSlot(settings, slot);
}

int SaveViewSlot(const ModuleSettings& settings, int32_t slot) {
    if (slot < 1 || slot > SavedViewCount) return 0;
    const SavedView& v = settings.SavedViews[slot - 1];
    if (!v.Used) return 0; // never saved: nothing stored, nothing removed
    char name[32];
    std::snprintf(name, sizeof name, kSavedViewName, int(slot));
    RegistryValue value = SettingValue(name);
    std::snprintf(value.Data, sizeof value.Data, "%f %f %f %f %f %f", v.X, v.Y, v.Z, v.Heading,
                  v.Pitch, v.Zoom);
    return WriteRegistryValue(value);
}

int32_t TextToInt(const char* text) {
    while (IsSpace(*text)) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    // Saturate instead of overflowing: the runtime's own atoi leaves that undefined.
    int64_t magnitude = 0;
    for (; IsDigit(*text); ++text)
        if (magnitude <= INT32_MAX) magnitude = magnitude * 10 + (*text - '0');
    int64_t result = negative ? -magnitude : magnitude;
    if (result > INT32_MAX) return INT32_MAX;
    if (result < INT32_MIN) return INT32_MIN;
    return int32_t(result);
}

double TextToDouble(const char* text) {
    // Only the plain decimal form: the two runtimes disagree on hexadecimal,
    // "inf" and "nan", and neither belongs in a setting.
    while (IsSpace(*text)) ++text;
    const char* p = text;
    if (*p == '-' || *p == '+') ++p;
    int digits = 0;
    for (; IsDigit(*p); ++p) ++digits;
    if (*p == '.')
        for (++p; IsDigit(*p); ++p) ++digits;
    if (digits == 0) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '-' || *q == '+') ++q;
        if (IsDigit(*q)) {
            while (IsDigit(*q)) ++q;
            p = q;
        }
    }
    char number[320];
    size_t length = size_t(p - text) < sizeof number - 1 ? size_t(p - text) : sizeof number - 1;
    std::memcpy(number, text, length);
    number[length] = 0;
    double result = std::strtod(number, nullptr);
    return std::isfinite(result) ? result : 0.0;
}

double WithinRange(double value, double most) {
    if (!(value > 0.0)) return 0.0; // negative, zero or not a number
    return value > most ? most : value;
}

} // namespace addon
