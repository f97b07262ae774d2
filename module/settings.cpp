#include "module/settings.h"

#include "module/text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace addon {

ModuleSettings Settings;

namespace {

// The stored settings, in the order in which they are read and written.
struct StoredSetting {
    const char* Name;
    int32_t ModuleSettings::*Whole;
    double ModuleSettings::*Real;
};
constexpr StoredSetting kStored[] = {
    {"FlyByActive", &ModuleSettings::FlyByActive, nullptr},
    {"FlyByDuration", &ModuleSettings::FlyByDuration, nullptr},
    {"FlyByRelAltitude", &ModuleSettings::FlyByRelAltitude, nullptr},
    {"FlyByMinDistance", &ModuleSettings::FlyByMinDistance, nullptr},
    {"FlyByCameraPlacement", &ModuleSettings::FlyByCameraPlacement, nullptr},
    {"FlyByTravelling", &ModuleSettings::FlyByTravelling, nullptr},
    {"InternalViewActive", &ModuleSettings::InternalViewActive, nullptr},
    {"ViewTurbRate", nullptr, &ModuleSettings::ViewTurbRate},
    {"GroundTurbRate", nullptr, &ModuleSettings::GroundTurbRate},
    {"RunningSpeed", nullptr, &ModuleSettings::RunningSpeed},
    {"ViewTurbOn", &ModuleSettings::ViewTurbOn, nullptr},
    {"GroundTurbOn", &ModuleSettings::GroundTurbOn, nullptr},
};

constexpr uint32_t kQueryBufferSize = 256;

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

RegistryValue SettingValue(const char* name) {
    RegistryValue value{};
    value.Root = os::HkeyLocalMachine();
    CopyText(value.KeyPath, sizeof value.KeyPath, SettingsKeyPath);
    CopyText(value.ValueName, sizeof value.ValueName, name);
    return value;
}

} // namespace

int ReadRegistryValue(RegistryValue& value) {
    os::Hkey key = nullptr;
    if (os::RegOpenKeyExA(value.Root, value.KeyPath, 0, os::KeyAllAccess, &key) != os::ErrorSuccess)
        return 0;
    // One byte beyond what the query may fill, so that stored text without its
    // terminating zero still ends inside the buffer.
    uint8_t buffer[kQueryBufferSize + 1] = {};
    uint32_t size = kQueryBufferSize;
    uint32_t type = 0;
    long status = os::RegQueryValueExA(key, value.ValueName, &type, buffer, &size);
    os::RegCloseKey(key);
    if (status != os::ErrorSuccess) return 0;
    buffer[size < kQueryBufferSize ? size : kQueryBufferSize] = 0;
    CopyText(value.Data, sizeof value.Data, reinterpret_cast<const char*>(buffer));
    return 1;
}

int WriteRegistryValue(const RegistryValue& value) {
    os::Hkey key = nullptr;
    if (os::RegOpenKeyExA(value.Root, value.KeyPath, 0, os::KeyAllAccess, &key) !=
            os::ErrorSuccess &&
        os::RegCreateKeyExA(value.Root, value.KeyPath, os::RegOptionNonVolatile, os::KeyAllAccess,
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

void LoadSettings() {
    Settings.FlyByActive = 1;
    Settings.FlyByDuration = 10;
    Settings.FlyByRelAltitude = 0;
    Settings.FlyByMinDistance = 50;
    Settings.FlyByCameraPlacement = 0;
    Settings.FlyByTravelling = 0;
    Settings.ViewTurbRate = 0.0;
    Settings.GroundTurbRate = 0.0;
    Settings.RunningSpeed = 5.0;
    for (const StoredSetting& s : kStored) {
        RegistryValue value = SettingValue(s.Name);
        if (!ReadRegistryValue(value)) continue;
        if (s.Whole)
            Settings.*s.Whole = TextToInt(value.Data);
        else
            Settings.*s.Real = TextToDouble(value.Data);
    }
}

void SaveSettings() {
    for (const StoredSetting& s : kStored) {
        RegistryValue value = SettingValue(s.Name);
        if (s.Whole)
            std::snprintf(value.Data, sizeof value.Data, "%d", int(Settings.*s.Whole));
        else
            std::snprintf(value.Data, sizeof value.Data, "%f", Settings.*s.Real);
        WriteRegistryValue(value);
    }
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

} // namespace addon
