#include "pilot/key_bindings.h"

#include <cstring>

namespace pilot {

namespace {

struct KeyName {
    const char* Name;
    int32_t Code;
};

// Searched in this order; letters have no names: they bind by their first character.
constexpr KeyName KeyNames[] = {
    {"1", 0x31},
    {"2", 0x32},
    {"3", 0x33},
    {"4", 0x34},
    {"5", 0x35},
    {"6", 0x36},
    {"7", 0x37},
    {"8", 0x38},
    {"9", 0x39},
    {"0", 0x30},
    {"F1", 0x70},
    {"F2", 0x71},
    {"F3", 0x72},
    {"F4", 0x73},
    {"F5", 0x74},
    {"F6", 0x75},
    {"F7", 0x76},
    {"F8", 0x77},
    {"F9", 0x78},
    {"F10", 0x79},
    {"F11", 0x7A},
    {"F12", 0x7B},
    {"NUMPAD_1", 0x61},
    {"NUMPAD_2", 0x62},
    {"NUMPAD_3", 0x63},
    {"NUMPAD_4", 0x64},
    {"NUMPAD_5", 0x65},
    {"NUMPAD_6", 0x66},
    {"NUMPAD_7", 0x67},
    {"NUMPAD_8", 0x68},
    {"NUMPAD_9", 0x69},
    {"NUMPAD_0", 0x60},
    {"TAB", 0x09},
    {"SPACE", 0x20},
    {"RETURN", 0x0D},
    {"UP", 0x26},
    {"DOWN", 0x28},
    {"RIGHT", 0x27},
    {"LEFT", 0x25},
    {"PAGE_UP", 0x21},
    {"PAGE_DOWN", 0x22},
    {"HOME", 0x24},
    {"END", 0x23},
    {"MOUSE_BUTTON_0", CodeMouseButtonLeft},
    {"MOUSE_BUTTON_1", CodeMouseButtonRight},
    {"MOUSE_BUTTON_2", CodeMouseButtonMiddle},
    {"MOUSE_WHEEL_UP", CodeMouseWheelUp},
    {"MOUSE_WHEEL_DOWN", CodeMouseWheelDown},
};
static_assert(sizeof KeyNames / sizeof KeyNames[0] == 48);

// The two setting toggles match any name that contains theirs; every other
// command its exact name.
bool MatchedByContaining(int32_t id) {
    return id == int32_t(CommandId::ToggleHeadLatency) ||
           id == int32_t(CommandId::ToggleGroundTurbulence);
}

// A zero byte separates words too: it would end the text of a C string word.
bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\0';
}

// Compared as a signed byte, so 0x80 and above count as not above the space.
bool NotAboveSpace(char c) {
    return static_cast<signed char>(c) <= ' ';
}

bool IsItemEnd(char c) {
    return c == ',' || c == '=' || NotAboveSpace(c);
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// The key list is upper-cased before it is compared; the command is not.
bool ItemIs(const char* item, size_t length, const char* name) {
    size_t i = 0;
    for (; i < length; ++i)
        if (name[i] == '\0' || Upper(item[i]) != name[i]) return false;
    return name[i] == '\0';
}

// -1 when the item is not in the key-name table.
int32_t TableCode(const char* item, size_t length) {
    for (const KeyName& key : KeyNames)
        if (ItemIs(item, length, key.Name)) return key.Code;
    return -1;
}

bool IsHeader(const char* word, size_t length, const char* section) {
    if (length < 2 || word[0] != '[' || word[length - 1] != ']') return false;
    size_t i = 0;
    for (; i < length - 2; ++i)
        if (section[i] == '\0' || Upper(word[i + 1]) != Upper(section[i])) return false;
    return section[i] == '\0';
}

void Tell(const BindingLoader& loader, BindingNote note, int32_t index = -1, int32_t other = -1,
          const char* item = nullptr, size_t itemLength = 0) {
    if (loader.Observer == nullptr || loader.Observer->Report == nullptr) return;
    BindingReport report{note,  loader.Word, loader.WordLine,    index,
                         other, item,        int32_t(itemLength)};
    loader.Observer->Report(loader.Observer->Context, report);
}

// What the checker wants to know about a stored entry; the module passes no
// observer and skips all of it.
void ReportOddities(const BindingLoader& loader, int32_t index, const char* key, size_t keyLength,
                    bool keyFromTable, const char* replaced, size_t replacedLength) {
    const KeyBindingTable& table = *loader.Table;
    const KeyBinding& entry = table.Entries[index];
    if (!keyFromTable && keyLength > 1)
        Tell(loader, BindingNote::KeyFellBack, index, -1, key, keyLength);
    char single = Upper(key[0]);
    if (keyLength == 1 && !(single >= 'A' && single <= 'Z') && !(single >= '0' && single <= '9'))
        Tell(loader, BindingNote::NotAKeyCharacter, index, -1, key, keyLength);
    if (replaced != nullptr)
        Tell(loader, BindingNote::KeyReplaced, index, -1, replaced, replacedLength);
    if (entry.Id == CommandId::None) Tell(loader, BindingNote::UnknownCommand, index);
    if (entry.Code == CodeMouseWheelUp || entry.Code == CodeMouseWheelDown)
        Tell(loader, BindingNote::WheelNeverFires, index);
    if (entry.OnRelease && CommandTable[int32_t(entry.Id)].Toggle)
        Tell(loader, BindingNote::ToggledTwice, index);
    for (int32_t i = 0; i < index; ++i) {
        const KeyBinding& earlier = table.Entries[i];
        if (earlier.Code == entry.Code && earlier.Modifiers == entry.Modifiers) {
            Tell(loader, BindingNote::Duplicate, index, i);
            break;
        }
    }
}

// One word of the section holding "=", at least 2 characters, no comment.
void ParseBinding(BindingLoader& loader) {
    const char* word = loader.Word;
    const size_t length = loader.Length;
    const size_t equals = size_t(std::strchr(word, '=') - word);

    // The key list's scan would stand still at a second "=": such a word
    // binds nothing rather than a guess at what was meant.
    if (std::strchr(word + equals + 1, '=') != nullptr) {
        Tell(loader, BindingNote::SecondEquals);
        return;
    }

    size_t i = 0;
    while (i < length && (word[i] == ',' || NotAboveSpace(word[i]))) ++i;
    const size_t commandStart = i;
    while (i < length && !IsItemEnd(word[i])) ++i;
    const size_t commandLength = i - commandStart;

    KeyBinding entry{};
    const char* key = nullptr; // the last key item: it wins
    size_t keyLength = 0;
    bool keyFromTable = false;
    const char* replaced = nullptr;
    size_t replacedLength = 0;
    size_t j = equals + 1;
    while (j < length) {
        while (j < length && (word[j] == ',' || NotAboveSpace(word[j]))) ++j;
        const size_t start = j;
        while (j < length && !IsItemEnd(word[j])) ++j;
        const char* item = word + start;
        const size_t itemLength = j - start;
        if (ItemIs(item, itemLength, "SHIFT")) {
            entry.Modifiers |= ModifierShift;
        } else if (ItemIs(item, itemLength, "CONTROL")) {
            entry.Modifiers |= ModifierControl;
        } else if (ItemIs(item, itemLength, "ALT")) {
            entry.Modifiers |= ModifierAlt;
        } else if (ItemIs(item, itemLength, "DOUBLE")) {
            entry.OnRelease = 1;
        } else {
            if (key != nullptr && keyLength > 0 && itemLength > 0) {
                replaced = key;
                replacedLength = keyLength;
            }
            const int32_t named = TableCode(item, itemLength);
            keyFromTable = named >= 0;
            entry.Code = keyFromTable ? named : itemLength > 0 ? int32_t(Upper(item[0])) : 0;
            key = item;
            keyLength = itemLength;
        }
    }

    if (entry.Code == 0) {
        Tell(loader, BindingNote::NoKey);
        return;
    }
    if (commandLength >= CommandNameCapacity) {
        Tell(loader, BindingNote::CommandTooLong);
        return;
    }
    KeyBindingTable& table = *loader.Table;
    if (table.Count < 0 || table.Count >= KeyBindingCapacity) {
        Tell(loader, BindingNote::TableFull);
        return;
    }
    std::memcpy(entry.Command, word + commandStart, commandLength);
    entry.Id = ResolveCommand(entry.Command);
    const int32_t index = table.Count;
    table.Entries[index] = entry;
    table.Count = index + 1;
    Tell(loader, BindingNote::Stored, index);
    if (loader.Observer != nullptr)
        ReportOddities(loader, index, key, keyLength, keyFromTable, replaced, replacedLength);
}

void EndWord(BindingLoader& loader) {
    loader.Word[loader.Length] = '\0';
    const char* word = loader.Word;
    const size_t length = loader.Length;
    const bool comment = length >= 2 && word[0] == '/' && word[1] == '/';
    const bool header = !loader.Overlong && IsHeader(word, length, loader.Section);
    if (!loader.InSection) {
        loader.InSection = header;
        loader.SectionsOpened += header;
        Tell(loader, header ? BindingNote::SectionOpened : BindingNote::OutsideSection);
    } else if (loader.HasBracket) {
        loader.InSection = 0;
        Tell(loader, comment  ? BindingNote::SectionEndedByComment
                     : header ? BindingNote::SectionEndedByHeader
                              : BindingNote::SectionEnded);
    } else if (loader.Overlong) {
        // Dropped whole: a word cut to fit could bind what nobody wrote.
        Tell(loader, BindingNote::WordTooLong);
    } else if (std::strchr(word, '=') == nullptr) {
        Tell(loader, BindingNote::NoEquals);
    } else if (length < 2) {
        Tell(loader, BindingNote::TooShort);
    } else if (comment) {
        Tell(loader, BindingNote::Comment);
    } else {
        ParseBinding(loader);
    }
    loader.Length = 0;
    loader.Overlong = 0;
    loader.HasBracket = 0;
}

// ---- Characters, lines and encodings ----------------------------------------

// One character of the text, whatever encoding it came in.
void PutCharacter(BindingLoader& loader, char c) {
    // CR, LF and CR LF each end one line.
    const bool lineEnd = c == '\r' || (c == '\n' && !loader.AfterCr);
    loader.AfterCr = c == '\r';
    if (IsWhiteSpace(c)) {
        if (loader.Length > 0) EndWord(loader);
        if (lineEnd && loader.Line < INT32_MAX) ++loader.Line;
        return;
    }
    if (loader.Length == 0) loader.WordLine = loader.Line;
    if (c == '[') loader.HasBracket = 1;
    if (loader.Length < BindingWordCapacity - 1)
        loader.Word[loader.Length++] = c;
    else
        loader.Overlong = 1;
}

constexpr uint32_t ReplacementCharacter = 0xFFFD; // stands for half a surrogate pair

// A character of a UTF-16 file, passed on as its UTF-8 bytes: a file saved
// as UTF-16 reads as the same text saved as UTF-8.
void PutCodePoint(BindingLoader& loader, uint32_t code) {
    if (code < 0x80) {
        PutCharacter(loader, char(code));
    } else if (code < 0x800) {
        PutCharacter(loader, char(0xC0 | (code >> 6)));
        PutCharacter(loader, char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        PutCharacter(loader, char(0xE0 | (code >> 12)));
        PutCharacter(loader, char(0x80 | ((code >> 6) & 0x3F)));
        PutCharacter(loader, char(0x80 | (code & 0x3F)));
    } else {
        PutCharacter(loader, char(0xF0 | (code >> 18)));
        PutCharacter(loader, char(0x80 | ((code >> 12) & 0x3F)));
        PutCharacter(loader, char(0x80 | ((code >> 6) & 0x3F)));
        PutCharacter(loader, char(0x80 | (code & 0x3F)));
    }
}

bool IsHighSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void PutUtf16Unit(BindingLoader& loader, uint32_t unit) {
    if (loader.HighSurrogate != 0) {
        const uint32_t high = loader.HighSurrogate;
        loader.HighSurrogate = 0;
        if (IsLowSurrogate(unit)) {
            PutCodePoint(loader, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
            return;
        }
        PutCodePoint(loader, ReplacementCharacter);
    }
    if (IsHighSurrogate(unit))
        loader.HighSurrogate = uint16_t(unit);
    else
        PutCodePoint(loader, IsLowSurrogate(unit) ? ReplacementCharacter : unit);
}

void PutUtf16Byte(BindingLoader& loader, uint8_t byte) {
    if (!loader.HasLowByte) {
        loader.LowByte = byte; // the first byte of the unit, whichever half it is
        loader.HasLowByte = 1;
        return;
    }
    loader.HasLowByte = 0;
    const uint32_t first = loader.LowByte;
    PutUtf16Unit(loader, loader.Encoding == BindingEncoding::Utf16Le ? first | (uint32_t(byte) << 8)
                                                                     : (first << 8) | byte);
}

struct ByteOrderMark {
    uint8_t Bytes[3];
    int32_t Length;
    BindingEncoding Encoding;
};
constexpr ByteOrderMark Marks[] = {
    {{0xEF, 0xBB, 0xBF}, 3, BindingEncoding::Utf8},
    {{0xFF, 0xFE, 0}, 2, BindingEncoding::Utf16Le},
    {{0xFE, 0xFF, 0}, 2, BindingEncoding::Utf16Be},
};

// Decides from the bytes held at the start, as soon as they are a whole mark
// or the start of none (or at the end of the input); bytes that are no mark
// are read as text.
void DecideEncoding(BindingLoader& loader, bool atEnd) {
    bool couldBeMark = false;
    for (const ByteOrderMark& mark : Marks) {
        if (std::memcmp(loader.Head, mark.Bytes, size_t(loader.HeadLength)) != 0) continue;
        if (loader.HeadLength == mark.Length) {
            loader.Encoding = mark.Encoding;
            loader.HeadLength = 0;
            return;
        }
        couldBeMark = true;
    }
    if (couldBeMark && !atEnd) return;
    loader.Encoding = BindingEncoding::Bytes;
    for (int32_t i = 0; i < loader.HeadLength; ++i) PutCharacter(loader, char(loader.Head[i]));
    loader.HeadLength = 0;
}

void Append(char* text, size_t& length, const char* part) {
    while (*part != '\0') text[length++] = *part++;
}

} // namespace

CommandId ResolveCommand(const char* name) {
    if (name == nullptr) return CommandId::None;
    for (int32_t id = 1; id < CommandCount; ++id)
        if (!MatchedByContaining(id) && std::strcmp(name, CommandTable[id].Name) == 0)
            return CommandId(id);
    if (std::strstr(name, "ToggleHeadLatency") != nullptr) return CommandId::ToggleHeadLatency;
    if (std::strstr(name, "ToggleGroundTurbulence") != nullptr)
        return CommandId::ToggleGroundTurbulence;
    return CommandId::None;
}

const char* CommandName(CommandId id) {
    int32_t index = int32_t(id);
    return index > 0 && index < CommandCount ? CommandTable[index].Name : "";
}

void BeginBindings(BindingLoader& loader, const char* section, KeyBindingTable& table,
                   BindingObserver* observer) {
    loader.Section = section != nullptr ? section : "";
    loader.Table = &table;
    loader.Observer = observer;
    loader.Encoding = BindingEncoding::Undecided;
    loader.HeadLength = 0;
    loader.HasLowByte = 0;
    loader.LowByte = 0;
    loader.HighSurrogate = 0;
    loader.AfterCr = 0;
    loader.InSection = 0;
    loader.SectionsOpened = 0;
    loader.Line = 1;
    loader.WordLine = 1;
    loader.Overlong = 0;
    loader.HasBracket = 0;
    loader.Length = 0;
    loader.Word[0] = '\0';
}

void FeedBindings(BindingLoader& loader, const char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const uint8_t byte = static_cast<uint8_t>(bytes[i]);
        switch (loader.Encoding) {
        case BindingEncoding::Undecided:
            loader.Head[loader.HeadLength++] = byte;
            DecideEncoding(loader, false);
            break;
        case BindingEncoding::Bytes:
        case BindingEncoding::Utf8:
            PutCharacter(loader, char(byte));
            break;
        case BindingEncoding::Utf16Le:
        case BindingEncoding::Utf16Be:
            PutUtf16Byte(loader, byte);
            break;
        }
    }
}

void EndBindings(BindingLoader& loader) {
    if (loader.Encoding == BindingEncoding::Undecided) DecideEncoding(loader, true);
    // Half a unit is dropped; half a pair stands for a character of its own.
    if (loader.HighSurrogate != 0) PutCodePoint(loader, ReplacementCharacter);
    loader.HighSurrogate = 0;
    loader.HasLowByte = 0;
    if (loader.Length > 0) EndWord(loader);
}

void LoadKeyBindingText(const char* text, size_t size, const char* section, KeyBindingTable& table,
                        BindingObserver* observer) {
    BindingLoader loader;
    BeginBindings(loader, section, table, observer);
    FeedBindings(loader, text, size);
    EndBindings(loader);
}

KeyNameText NameKeyCode(int32_t code) {
    KeyNameText name{};
    for (const KeyName& key : KeyNames) {
        if (key.Code == code) {
            std::memcpy(name.Text, key.Name, std::strlen(key.Name));
            return name;
        }
    }
    // One character binds its own code, unless the loader can never see it
    // as a key item: white space, separators, "[" (ends the section), and
    // lower-case letters (the key list is upper-cased).
    const bool loadable = code > ' ' && code <= 0x7F && code != ',' && code != '=' && code != '[' &&
                          !(code >= 'a' && code <= 'z');
    if (loadable) name.Text[0] = char(code);
    return name;
}

KeyDisplayText DisplayKey(const KeyBinding& binding) {
    KeyDisplayText out{};
    const KeyNameText name = NameKeyCode(binding.Code);
    if (name.Text[0] == '\0') return out;
    size_t length = 0;
    auto append = [&](const char* part) {
        for (; *part != '\0' && length + 1 < sizeof out.Text; ++part) out.Text[length++] = *part;
    };
    if (binding.Modifiers & ModifierControl) append("Ctrl+");
    if (binding.Modifiers & ModifierShift) append("Shift+");
    if (binding.Modifiers & ModifierAlt) append("Alt+");
    static constexpr const char* Buttons[] = {"Left mouse button", "Right mouse button",
                                              "Middle mouse button"};
    if (binding.Code >= CodeMouseButtonLeft && binding.Code <= CodeMouseButtonMiddle) {
        append(Buttons[binding.Code - CodeMouseButtonLeft]);
        return out;
    }
    // The file's name, its words capitalised: NUMPAD_8 is "Numpad 8".
    bool wordStart = true;
    for (const char* c = name.Text; *c != '\0'; ++c) {
        char one[2] = {*c == '_' ? ' ' : *c, '\0'};
        if (!wordStart && one[0] >= 'A' && one[0] <= 'Z') one[0] = char(one[0] - 'A' + 'a');
        wordStart = one[0] == ' ';
        append(one);
    }
    return out;
}

size_t FormatBinding(const KeyBinding& entry, char (&text)[BindingTextCapacity]) {
    text[0] = '\0';
    const KeyNameText key = NameKeyCode(entry.Code);
    if (key.Text[0] == '\0') return 0;
    if ((entry.Modifiers & ~(ModifierShift | ModifierControl | ModifierAlt)) != 0) return 0;
    if (entry.OnRelease != 0 && entry.OnRelease != 1) return 0;
    size_t commandLength = 0;
    while (commandLength < CommandNameCapacity && entry.Command[commandLength] != '\0')
        ++commandLength;
    if (commandLength == CommandNameCapacity) return 0;
    for (size_t i = 0; i < commandLength; ++i)
        if (IsItemEnd(entry.Command[i]) || entry.Command[i] == '[') return 0;

    size_t length = 0;
    // A command beginning with "//" would read as a comment word; a leading
    // "," is skipped by the command scan.
    if (commandLength >= 2 && entry.Command[0] == '/' && entry.Command[1] == '/')
        Append(text, length, ",");
    Append(text, length, entry.Command);
    Append(text, length, "=");
    Append(text, length, key.Text);
    if (entry.Modifiers & ModifierShift) Append(text, length, ",SHIFT");
    if (entry.Modifiers & ModifierControl) Append(text, length, ",CONTROL");
    if (entry.Modifiers & ModifierAlt) Append(text, length, ",ALT");
    if (entry.OnRelease) Append(text, length, ",DOUBLE");
    text[length] = '\0';
    return length;
}

} // namespace pilot
