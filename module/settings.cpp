#include "module/settings.h"

#include "module/text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    {"ViewTurbRate", nullptr, &ModuleSettings::ViewTurbRate, false},
    {"GroundTurbRate", nullptr, &ModuleSettings::GroundTurbRate, false},
    {"RunningSpeed", nullptr, &ModuleSettings::RunningSpeed, false},
    {"ViewTurbOn", &ModuleSettings::ViewTurbOn, nullptr, true},
    {"GroundTurbOn", &ModuleSettings::GroundTurbOn, nullptr, true},
};

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

} // namespace

int ReadRegistryValue(RegistryValue& value) {
    os::Hkey key = nullptr;
    // Only the right to read: a key the user may read but not change still gives its values.
    if (os::RegOpenKeyExA(value.Root, value.KeyPath, 0, os::KeyRead, &key) != os::ErrorSuccess)
        return 0;
    // One byte beyond what the query may fill, so that stored text without its
    // terminating zero still ends inside the buffer.
    uint8_t buffer[kQueryBufferSize + 1] = {};
    uint32_t size = kQueryBufferSize;
    uint32_t type = 0;
    long status = os::RegQueryValueExA(key, value.ValueName, &type, buffer, &size);
    os::RegCloseKey(key);
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

void LoadSettings(ModuleSettings& settings) {
    settings.FlyByActive = 1;
    settings.FlyByDuration = 10;
    settings.FlyByRelAltitude = 0;
    settings.FlyByMinDistance = 50;
    settings.FlyByCameraPlacement = 0;
    settings.FlyByTravelling = 0;
    settings.ViewTurbRate = 0.0;
    settings.GroundTurbRate = 0.0;
    settings.RunningSpeed = 5.0;
    for (const StoredSetting& s : kStored) {
        RegistryValue value = SettingValue(s.Name);
        if (!ReadRegistryValue(value)) continue;
        if (s.Flag)
            settings.*s.Whole = TextToInt(value.Data) != 0 ? 1 : 0;
        else if (s.Whole)
            settings.*s.Whole = TextToInt(value.Data);
        else
            settings.*s.Real = TextToDouble(value.Data);
    }
}

void SaveSettings(const ModuleSettings& settings) {
    for (const StoredSetting& s : kStored) {
        RegistryValue value = SettingValue(s.Name);
        if (s.Whole)
            std::snprintf(value.Data, sizeof value.Data, "%d", int(settings.*s.Whole));
        else
            FormatReal(value.Data, sizeof value.Data, settings.*s.Real);
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

double WithinRange(double value, double most) {
    if (!(value > 0.0)) return 0.0; // negative, zero or not a number
    return value > most ? most : value;
}

} // namespace addon
