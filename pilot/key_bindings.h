// The key binding file: which command a key or mouse button runs, with which
// modifiers. A pure, streaming loader: the caller reads the file in chunks of
// any size and feeds them in; the loader keeps one word at a time in a buffer
// of its own and writes the table the caller owns.
//
// The file is a sequence of words separated by white space. The section
// begins at its header word "[Keyboard]" (any case); a word holding "[" ends
// it. Inside, a word "Command=KEY,SHIFT,CONTROL,ALT,DOUBLE" (no spaces, items
// in any order, the last key item wins) is one binding.
//
// Editors save text in more than one way: a UTF-8 byte-order mark is skipped,
// a UTF-16 file with its mark (either byte order) is read as its characters
// (as UTF-8), and lines may end in CR, LF or CR LF.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pilot {

constexpr int32_t ModifierShift = 1;
constexpr int32_t ModifierControl = 2;
constexpr int32_t ModifierAlt = 4;

// Key codes beyond the virtual-key codes. 1003 has no name and is never made.
constexpr int32_t CodeMouseButtonLeft = 1000;
constexpr int32_t CodeMouseButtonRight = 1001;
constexpr int32_t CodeMouseButtonMiddle = 1002;
constexpr int32_t CodeMouseWheelUp = 1004;   // loads, but input never makes it
constexpr int32_t CodeMouseWheelDown = 1005; // likewise

// A command name resolved once at load, so that no text is compared per key.
// Indexed into CommandTable.
enum class CommandId : int32_t {
    None = 0,
    ButtonClickLeft,
    ToggleMouseLook,
    PilotForward,
    PilotBackward,
    PilotStepRight,
    PilotStepLeft,
    PilotHeadRight,
    PilotHeadLeft,
    PilotHeadUp,
    PilotHeadDown,
    PilotCrouch,
    PilotUp,
    PilotDown,
    TogglePilot,
    ToggleHeadLatency,
    ToggleGroundTurbulence,
    // The module's own, beyond the first table: keyboard zoom, the head put
    // back, the menu's switches, and nine saved views.
    PilotZoomIn,
    PilotZoomOut,
    PilotZoomReset,
    PilotResetView,
    ToggleFlyBy,
    ToggleInternalView,
    SaveView1,
    SaveView9 = SaveView1 + 8,
    RecallView1,
    RecallView9 = RecallView1 + 8,
};
constexpr int32_t CommandCount = int32_t(CommandId::RecallView9) + 1; // None included
constexpr int32_t SavedViewSlots = 9;

struct CommandInfo {
    const char* Name;
    // One run flips something on or off: bound with DOUBLE, the release flips
    // it back, so a keystroke changes nothing. (ToggleMouseLook is no such
    // toggle: with DOUBLE it looks while the button is held, as the default
    // file binds it.)
    int32_t Toggle;
};

// The command table, indexed by CommandId: names matched exactly, but for the
// head latency and ground turbulence toggles (see ResolveCommand).
constexpr CommandInfo CommandTable[CommandCount] = {
    {"", 0},
    {"ButtonClickLeft", 0},
    {"ToggleMouseLook", 0},
    {"PilotForward", 0},
    {"PilotBackward", 0},
    {"PilotStepRight", 0},
    {"PilotStepLeft", 0},
    {"PilotHeadRight", 0},
    {"PilotHeadLeft", 0},
    {"PilotHeadUp", 0},
    {"PilotHeadDown", 0},
    {"PilotCrouch", 0},
    {"PilotUp", 0},
    {"PilotDown", 0},
    {"TogglePilot", 1},
    {"ToggleHeadLatency", 1},
    {"ToggleGroundTurbulence", 1},
    {"PilotZoomIn", 0},
    {"PilotZoomOut", 0},
    {"PilotZoomReset", 0},
    {"PilotResetView", 0},
    {"ToggleFlyBy", 1},
    {"ToggleInternalView", 1},
    {"SaveView1", 0},
    {"SaveView2", 0},
    {"SaveView3", 0},
    {"SaveView4", 0},
    {"SaveView5", 0},
    {"SaveView6", 0},
    {"SaveView7", 0},
    {"SaveView8", 0},
    {"SaveView9", 0},
    {"RecallView1", 0},
    {"RecallView2", 0},
    {"RecallView3", 0},
    {"RecallView4", 0},
    {"RecallView5", 0},
    {"RecallView6", 0},
    {"RecallView7", 0},
    {"RecallView8", 0},
    {"RecallView9", 0},
};
static_assert(sizeof CommandTable / sizeof CommandTable[0] == CommandCount);

constexpr size_t CommandNameCapacity = 32; // at most 31 characters and the zero

struct KeyBinding {
    char Command[CommandNameCapacity]; // name as written in the file, zero-terminated
    int32_t Code;      // virtual-key code, or 1000..1002 mouse buttons, 1004/1005 wheel; never 0
    int32_t Modifiers; // ModifierShift | ModifierControl | ModifierAlt, matched exactly
    int32_t OnRelease; // DOUBLE: the command runs on press and again on release
    int32_t Pressed;   // run-time: between a handled press and its release; 0 when loaded
    CommandId Id;      // Command resolved at load
};
static_assert(offsetof(KeyBinding, Code) == 32 && offsetof(KeyBinding, Pressed) == 44 &&
              offsetof(KeyBinding, Id) == 48 && sizeof(KeyBinding) == 52);

constexpr int32_t KeyBindingCapacity = 256;

// No constructor: a module-wide table is filled in at compile time.
struct KeyBindingTable {
    int32_t Count = 0;
    KeyBinding Entries[KeyBindingCapacity] = {};
};

// The entries that hold bindings: Count held to the table, so that a count
// gone wrong never reads past it.
inline int32_t BindingsInUse(const KeyBindingTable& table) {
    return table.Count < 0                    ? 0
           : table.Count > KeyBindingCapacity ? KeyBindingCapacity
                                              : table.Count;
}

// The command a name runs: the command table's names compared exactly, then
// the two extra commands, which match any name containing them (head latency
// first). CommandId::None when neither.
CommandId ResolveCommand(const char* name);

// The command table's name of id ("" for None).
const char* CommandName(CommandId id);

// ---- Telling the caller what became of each word ---------------------------

enum class BindingNote : int32_t {
    Stored,                // the word became entry Index
    SectionOpened,         // the section's header word
    SectionEnded,          // a word holding "[" ended the section
    SectionEndedByComment, // ... and it was a comment word
    SectionEndedByHeader,  // ... and it was the section's own header again
    OutsideSection,        // a word outside the section
    NoEquals,              // no "=": not a binding (prose)
    TooShort,              // "=" alone
    Comment,               // begins with "//"
    NoKey,                 // dropped: no key item, or a list ending in ","
    SecondEquals,          // dropped: a second "=" in the word
    CommandTooLong,        // dropped: a command name of 32 characters or more
    WordTooLong,           // dropped: a word of 1024 characters or more
    TableFull,             // dropped: the table already holds its capacity
    // Stored, but probably not what was meant (reported after Stored):
    KeyFellBack,      // a key name not known, bound by its first character (ESCAPE binds E)
    NotAKeyCharacter, // one character that is no letter or digit: its code is another key's
    KeyReplaced,      // a later key item replaced an earlier one (Item is the earlier)
    UnknownCommand,   // no command has this name (Id None)
    WheelNeverFires,  // the wheel codes are never matched by input
    ToggledTwice,     // a toggle with DOUBLE: the release flips it back
    Duplicate,        // the same key and modifiers as entry Other
};

struct BindingReport {
    BindingNote Note;
    const char* Word; // the word as read, zero-terminated (at most 1023 characters kept)
    int32_t Line;     // line of the word's first character, from 1 (CR, LF, CR LF end a line)
    int32_t Index;    // the entry concerned, or -1
    int32_t Other;    // Duplicate: the earlier entry; otherwise -1
    const char* Item; // the key item concerned (not zero-terminated), or null
    int32_t ItemLength;
};

// Optional: called for every word and every note on a stored entry.
struct BindingObserver {
    void (*Report)(void* context, const BindingReport& report);
    void* Context;
};

// ---- The loader -------------------------------------------------------------

constexpr size_t BindingWordCapacity = 1024; // 1023 characters and the zero

// What the loader makes of words the format has no answer for:
// - a command name of 32 characters or more would not fit its field: the
//   binding is dropped;
// - a word of 1024 characters or more is dropped whole rather than cut (a
//   cut word could bind what nobody wrote); a "[" anywhere in it still ends
//   the section;
// - a second "=" in a binding word: the word is dropped;
// - a zero byte separates words like white space.

// How the file's first bytes say its text is stored.
enum class BindingEncoding : int32_t {
    Undecided, // fewer bytes than a byte-order mark so far
    Bytes,     // no mark: each byte a character (ASCII, or any 8-bit code page)
    Utf8,      // UTF-8 with its mark, which is skipped
    Utf16Le,   // UTF-16 with its mark, low byte first
    Utf16Be,   // UTF-16 with its mark, high byte first
};

// Caller-owned state of one load. Section, table and observer must outlive it.
struct BindingLoader {
    const char* Section;
    KeyBindingTable* Table;
    BindingObserver* Observer;
    BindingEncoding Encoding;
    uint8_t Head[3]; // the first bytes, while they may still be a mark
    int32_t HeadLength;
    int32_t HasLowByte; // UTF-16: the first byte of a unit is held in LowByte
    uint8_t LowByte;
    uint16_t HighSurrogate; // UTF-16: the first half of a pair, or 0
    int32_t AfterCr;        // the last character was CR: an LF now ends no other line
    int32_t InSection;
    int32_t SectionsOpened; // how often the section's header opened it
    int32_t Line;
    int32_t WordLine;
    int32_t Overlong;   // the current word ran past the buffer
    int32_t HasBracket; // the current word holds "[" (also past the buffer)
    size_t Length;      // characters of the current word kept in Word
    char Word[BindingWordCapacity];
};

// Starts a load of section's bindings, appended to table from its Count on.
void BeginBindings(BindingLoader& loader, const char* section, KeyBindingTable& table,
                   BindingObserver* observer);
// Any chunking of the input gives the same table (a mark cut by a chunk too).
void FeedBindings(BindingLoader& loader, const char* bytes, size_t count);
// The end of the input also ends its last word (and decides the encoding of
// an input shorter than a mark).
void EndBindings(BindingLoader& loader);

void LoadKeyBindingText(const char* text, size_t size, const char* section, KeyBindingTable& table,
                        BindingObserver* observer = nullptr);

// ---- Printing bindings that load back to the same entries --------------------

struct KeyNameText {
    char Text[20];
};

// The key-name table's name of code, else the code's single character; an
// empty text when no key item loads as code.
KeyNameText NameKeyCode(int32_t code);

// A binding's key as people read it: "Ctrl+Shift+W", "Numpad 8", "Page Up",
// "Right mouse button"; empty when no key item loads as its code. The menu
// shows it, and the manual's key tables are checked against it.
struct KeyDisplayText {
    char Text[48];
};
KeyDisplayText DisplayKey(const KeyBinding& binding);

constexpr size_t BindingTextCapacity = 80;

// Writes entry as one binding word ("PilotForward=W,SHIFT,DOUBLE") and
// returns its length; 0 (and an empty text) when it cannot be written so.
size_t FormatBinding(const KeyBinding& entry, char (&text)[BindingTextCapacity]);

} // namespace pilot
