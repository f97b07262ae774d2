#include "pilot/key_bindings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <type_traits>
#include <vector>

using namespace pilot;

namespace {

// The module's table lives in static storage and must be filled in at compile time.
static_assert(std::is_aggregate_v<KeyBindingTable> &&
              std::is_trivially_destructible_v<KeyBindingTable>);
[[maybe_unused]] constinit KeyBindingTable ConstantTable; // the check is that it compiles

struct Note {
    BindingNote Note;
    std::string Word;
    int32_t Line, Index, Other;
    std::string Item;
};

struct Recorder {
    std::vector<Note> Heard;
    BindingObserver Observer{&Record, this};
    static void Record(void* context, const BindingReport& r) {
        auto& self = *static_cast<Recorder*>(context);
        self.Heard.push_back({r.Note, r.Word, r.Line, r.Index, r.Other,
                              r.Item ? std::string(r.Item, size_t(r.ItemLength)) : ""});
    }
    std::vector<BindingNote> Notes() const {
        std::vector<BindingNote> notes;
        for (const auto& h : Heard) notes.push_back(h.Note);
        return notes;
    }
    const Note* Find(BindingNote note) const {
        for (const auto& h : Heard)
            if (h.Note == note) return &h;
        return nullptr;
    }
    int Count(BindingNote note) const {
        return int(std::count_if(Heard.begin(), Heard.end(),
                                 [note](const Note& h) { return h.Note == note; }));
    }
    std::vector<int32_t> Lines() const {
        std::vector<int32_t> lines;
        for (const auto& h : Heard) lines.push_back(h.Line);
        return lines;
    }
};

KeyBindingTable Load(const std::string& text, Recorder* recorder = nullptr) {
    KeyBindingTable table{};
    LoadKeyBindingText(text.data(), text.size(), "Keyboard", table,
                       recorder ? &recorder->Observer : nullptr);
    return table;
}

// The one binding a word makes in an otherwise empty section (Count checked by the caller).
KeyBinding Bind(const std::string& word) {
    return Load("[Keyboard]\n" + word + "\n").Entries[0];
}
int32_t CountOf(const std::string& text) {
    return Load(text).Count;
}

bool SameEntries(const KeyBindingTable& a, const KeyBindingTable& b) {
    return a.Count == b.Count &&
           std::memcmp(a.Entries, b.Entries, sizeof(KeyBinding) * size_t(a.Count)) == 0;
}

// ---- Sections ----------------------------------------------------------------

TEST(KeyBindingSection, HeaderOpensInAnyCaseAndOnlyWhenExact) {
    for (const char* header : {"[Keyboard]", "[keyboard]", "[KEYBOARD]", "[kEyBoArD]"})
        EXPECT_EQ(CountOf(std::string(header) + " PilotForward=W"), 1) << header;
    for (const char* header :
         {"Keyboard", "[Keyboard", "[Keyboard]]", "[Keyboar]", "[Keyboards]", "[]", "x[Keyboard]"})
        EXPECT_EQ(CountOf(std::string(header) + " PilotForward=W"), 0) << header;
    KeyBindingTable t{};
    const char text[] = "[Keyboard] A=1 [joystick] B=2";
    LoadKeyBindingText(text, sizeof text - 1, "Joystick", t);
    ASSERT_EQ(t.Count, 1) << "another section's name";
    EXPECT_STREQ(t.Entries[0].Command, "B");
}

TEST(KeyBindingSection, AnyBracketWordTheHeaderAgainOrABracketInACommentEndsIt) {
    KeyBindingTable t = Load("A=1 [Keyboard] B=2 [Other] C=3 x]y D=4 [KEYBOARD] E=5 a[b F=6 "
                             "[keyboard] G=7");
    ASSERT_EQ(t.Count, 3);
    EXPECT_STREQ(t.Entries[0].Command, "B");
    EXPECT_STREQ(t.Entries[1].Command, "E");
    EXPECT_STREQ(t.Entries[2].Command, "G");
    // "x]y" holds no "[": inside the section it would be prose, outside it is ignored.
    EXPECT_EQ(CountOf("[Keyboard] x]y B=2"), 1);
    Recorder r;
    t = Load("[Keyboard] [Keyboard] A=1 [Keyboard] B=2", &r);
    ASSERT_EQ(t.Count, 1);
    EXPECT_STREQ(t.Entries[0].Command, "B");
    EXPECT_NE(r.Find(BindingNote::SectionEndedByHeader), nullptr);
    Recorder comment;
    EXPECT_EQ(Load("[Keyboard] A=1 //see[notes] B=2", &comment).Count, 1);
    EXPECT_NE(comment.Find(BindingNote::SectionEndedByComment), nullptr);
    EXPECT_EQ(comment.Find(BindingNote::OutsideSection)->Word, "B=2");
}

// ---- Words -------------------------------------------------------------------

TEST(KeyBindingWords, WhiteSpaceOfAnyKindSeparatesSoSpacesAroundEqualsBindNothing) {
    Recorder r;
    EXPECT_EQ(Load("[Keyboard] PilotForward = W PilotForward= W PilotForward =W", &r).Count, 1)
        << "only \"=W\" (an empty command name) binds";
    EXPECT_EQ(r.Find(BindingNote::TooShort)->Word, "=");
    EXPECT_EQ(r.Find(BindingNote::NoKey)->Word, "PilotForward=");
    const KeyBinding empty = Bind("=W");
    EXPECT_TRUE(empty.Command[0] == '\0' && empty.Code == 'W');
    KeyBindingTable t = Load("\t[Keyboard]\r\nA=1\vB=2\fC=3\r\n\n   D=4");
    ASSERT_EQ(t.Count, 4);
    EXPECT_STREQ(t.Entries[3].Command, "D");
    EXPECT_EQ(t.Entries[3].Code, '4') << "the last word needs no line break";
    EXPECT_EQ(CountOf("[Keyboard]"), 0);
    EXPECT_EQ(CountOf(""), 0);
    // A zero byte ends a word as white space does.
    EXPECT_EQ(CountOf(std::string("[Keyboard]\0A=1\0B=2", 18)), 2);
}

TEST(KeyBindingWords, ACommentIsOneWord) {
    EXPECT_EQ(CountOf("[Keyboard] //PilotForward=W"), 0);
    EXPECT_EQ(CountOf("[Keyboard] // PilotForward=W"), 1) << "\"//\" alone comments out nothing";
    EXPECT_EQ(CountOf("[Keyboard] /PilotForward=W"), 1);
    EXPECT_EQ(CountOf("[Keyboard] ,//PilotForward=W"), 1) << "not at the word's start";
}

// ---- Keys and modifiers --------------------------------------------------------

TEST(KeyBindingKeys, EveryNameBindsItsCode) {
    struct Case {
        std::string Name;
        int32_t Code;
    };
    std::vector<Case> cases;
    for (int i = 0; i <= 9; ++i) cases.push_back({std::to_string(i), 0x30 + i});
    for (int i = 1; i <= 12; ++i) cases.push_back({"F" + std::to_string(i), 0x6F + i});
    for (int i = 0; i <= 9; ++i) cases.push_back({"NUMPAD_" + std::to_string(i), 0x60 + i});
    cases.insert(cases.end(), {{"TAB", 9},
                               {"SPACE", 32},
                               {"RETURN", 13},
                               {"PAGE_UP", 33},
                               {"PAGE_DOWN", 34},
                               {"END", 35},
                               {"HOME", 36},
                               {"LEFT", 37},
                               {"UP", 38},
                               {"RIGHT", 39},
                               {"DOWN", 40},
                               {"MOUSE_BUTTON_0", 1000},
                               {"MOUSE_BUTTON_1", 1001},
                               {"MOUSE_BUTTON_2", 1002},
                               {"MOUSE_WHEEL_UP", 1004},
                               {"MOUSE_WHEEL_DOWN", 1005}});
    ASSERT_EQ(cases.size(), 48u);
    for (const Case& c : cases) {
        EXPECT_EQ(Bind("A=" + c.Name).Code, c.Code) << c.Name;
        std::string lower = c.Name;
        for (char& ch : lower) ch = char(std::tolower(ch));
        EXPECT_EQ(Bind("A=" + lower).Code, c.Code) << lower;
        EXPECT_STREQ(NameKeyCode(c.Code).Text, c.Name.c_str());
    }
}

TEST(KeyBindingKeys, ModifiersInAnyOrderAndCaseAreBitsAndTheCommandKeepsItsCase) {
    KeyBinding a = Bind("PilotForward=W,SHIFT");
    KeyBinding b = Bind("PilotForward=shift,w");
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    EXPECT_EQ(a.Code, 'W');
    EXPECT_EQ(a.Modifiers, ModifierShift);
    EXPECT_EQ(Bind("A=SHIFT,SHIFT,alt,ALT,X").Modifiers, ModifierShift | ModifierAlt);
    EXPECT_EQ(Bind("A=CONTROL,X,DOUBLE").Modifiers, ModifierControl);
    EXPECT_EQ(Bind("A=X,DOUBLE").OnRelease, 1);
    EXPECT_EQ(Bind("A=X").OnRelease, 0);
    EXPECT_STREQ(Bind("pIlOtFoRwArD=w").Command, "pIlOtFoRwArD");
    EXPECT_EQ(Bind("pIlOtFoRwArD=w").Id, CommandId::None);
}

TEST(KeyBindingKeys, UnknownNamesBindTheirFirstCharacterAndEmptyOrOddItemsDropTheBinding) {
    EXPECT_EQ(Bind("A=ESCAPE").Code, 'E');
    EXPECT_EQ(Bind("A=escape").Code, 'E');
    EXPECT_EQ(Bind("A=F13").Code, 'F');
    EXPECT_EQ(Bind("A=NUMPAD_10").Code, 'N');
    EXPECT_EQ(Bind("A=UP,SHIFT,LEFT").Code, 0x25) << "the last key wins";
    EXPECT_EQ(Bind("A=B,C,D").Code, 'D');
    for (const char* word : {"A=W,", "A=W,SHIFT,", "A=", "A=,", "A=SHIFT,CONTROL,ALT", "A=DOUBLE",
                             "A=W\x01", "A=W\x80"})
        EXPECT_EQ(CountOf(std::string("[Keyboard] ") + word), 0) << word;
    EXPECT_EQ(CountOf("[Keyboard] A=,,W"), 1) << "empty items between commas are skipped";
    // High bytes and commas separate like control characters.
    KeyBinding b = Bind(",,\x01Pilot\xC3\xA9"
                        "Forward=\x90W\xFF,SHIFT");
    EXPECT_STREQ(b.Command, "Pilot");
    EXPECT_EQ(b.Code, 'W');
    EXPECT_EQ(b.Modifiers, ModifierShift);
}

// ---- The table -----------------------------------------------------------------

TEST(KeyBindingTable, HoldsTheFirst256AndAppendsToWhatItHolds) {
    std::string text = "[Keyboard]";
    for (int i = 0; i < 300; ++i) text += " C" + std::to_string(i) + "=W";
    Recorder r;
    KeyBindingTable t = Load(text, &r);
    ASSERT_EQ(t.Count, 256);
    EXPECT_STREQ(t.Entries[255].Command, "C255");
    EXPECT_EQ(r.Count(BindingNote::TableFull), 44);

    KeyBindingTable partly{};
    partly.Count = 254;
    LoadKeyBindingText(text.data(), text.size(), "Keyboard", partly);
    EXPECT_EQ(partly.Count, 256);
    EXPECT_STREQ(partly.Entries[254].Command, "C0");
}

TEST(KeyBindingTable, ACorruptCountWritesNothingOutsideAndReadsNothingOutside) {
    const char text[] = "[Keyboard] A=1";
    for (int32_t count : {-1, 256, 257, 1 << 30}) {
        KeyBindingTable t{};
        t.Count = count;
        LoadKeyBindingText(text, sizeof text - 1, "Keyboard", t);
        EXPECT_EQ(t.Count, count);
        EXPECT_EQ(BindingsInUse(t), count < 0 ? 0 : KeyBindingCapacity);
    }
}

// ---- What the written format does not cover ----------------------------------------

TEST(KeyBindingMends, ACommandNameTooLongForItsFieldOrASecondEqualsDropsTheBinding) {
    Recorder r;
    KeyBindingTable t = Load("[Keyboard] " + std::string(31, 'c') + "=W " + std::string(32, 'd') +
                                 "=W " + std::string(500, 'e') + "=W",
                             &r);
    ASSERT_EQ(t.Count, 1);
    EXPECT_EQ(std::strlen(t.Entries[0].Command), 31u);
    EXPECT_EQ(t.Entries[0].Code, 'W');
    EXPECT_EQ(r.Count(BindingNote::CommandTooLong), 2);
    KeyBinding zero{};
    EXPECT_EQ(std::memcmp(&t.Entries[1], &zero, sizeof zero), 0);
    Recorder equals; // a second equals drops the word too
    EXPECT_EQ(Load("[Keyboard] A=W=X A==W A=W,= B=Q", &equals).Count, 1);
    EXPECT_EQ(equals.Count(BindingNote::SecondEquals), 3);
}

TEST(KeyBindingMends, AWordTooLongForTheBufferIsDroppedWhole) {
    // 1023 characters fit: the key list is one long unknown name.
    const std::string fits = "A=" + std::string(1021, 'Q');
    ASSERT_EQ(fits.size(), 1023u);
    EXPECT_EQ(Bind(fits).Code, 'Q');
    Recorder r;
    KeyBindingTable t = Load("[Keyboard] " + fits + "X B=W " + std::string(5000, '=') + " C=W", &r);
    ASSERT_EQ(t.Count, 2) << "the words after an overlong one load";
    EXPECT_STREQ(t.Entries[0].Command, "B");
    EXPECT_STREQ(t.Entries[1].Command, "C");
    ASSERT_NE(r.Find(BindingNote::WordTooLong), nullptr);
    EXPECT_EQ(r.Find(BindingNote::WordTooLong)->Word.size(), 1023u);
    // A bracket past the buffer's end still ends the section.
    EXPECT_EQ(CountOf("[Keyboard] " + std::string(3000, 'x') + "[ B=W"), 0);
}

// ---- Streaming, encodings and line ends -----------------------------------------

// The loader's notes on a text fed in chunks of the given size.
struct Fed {
    KeyBindingTable Table{};
    Recorder Notes;
    BindingEncoding Encoding;
};
Fed Feed(const std::string& bytes, size_t chunk) {
    Fed fed;
    BindingLoader loader;
    BeginBindings(loader, "Keyboard", fed.Table, &fed.Notes.Observer);
    for (size_t i = 0; i < bytes.size(); i += chunk)
        FeedBindings(loader, bytes.data() + i, std::min(chunk, bytes.size() - i));
    FeedBindings(loader, nullptr, 0);
    EndBindings(loader);
    fed.Encoding = loader.Encoding;
    return fed;
}

void ExpectSameReading(const Fed& fed, const Fed& expected, const std::string& what) {
    EXPECT_TRUE(SameEntries(fed.Table, expected.Table)) << what;
    ASSERT_EQ(fed.Notes.Heard.size(), expected.Notes.Heard.size()) << what;
    for (size_t i = 0; i < fed.Notes.Heard.size(); ++i) {
        EXPECT_EQ(fed.Notes.Heard[i].Note, expected.Notes.Heard[i].Note) << what;
        EXPECT_EQ(fed.Notes.Heard[i].Word, expected.Notes.Heard[i].Word) << what;
        EXPECT_EQ(fed.Notes.Heard[i].Line, expected.Notes.Heard[i].Line) << what;
    }
}

const std::string Mixed = "before=1 [KeyBoard]\r\n PilotForward=w,shift,DOUBLE //x=y\n"
                          "A=ESCAPE = B=W, [x] C=1 [keyboard]\t" +
                          std::string(1500, 'L') + " D=MOUSE_WHEEL_UP E=1=2 ,,F=\x80G\xFF,ALT" +
                          std::string(1100, 'M') + "=1 G=Q";

TEST(KeyBindingStreaming, AnyChunkingGivesTheSameTableAndReports) {
    Fed whole;
    whole.Table = Load(Mixed, &whole.Notes);
    ASSERT_GT(whole.Table.Count, 3);
    for (size_t chunk : {size_t(1), size_t(2), size_t(7), size_t(1023), size_t(1024)})
        ExpectSameReading(Feed(Mixed, chunk), whole, "chunks of " + std::to_string(chunk));
}

std::string Utf16(const std::u16string& text, bool littleEndian) {
    std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t unit : text) {
        const char low = char(unit & 0xFF), high = char(unit >> 8);
        bytes += littleEndian ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

TEST(KeyBindingEncodings, AMarkIsSkippedAndUtf16ReadsAsTheSameTextInUtf8) {
    // A header on line 1, a word with an accent and one beyond 16 bits.
    const std::u16string wide = u"[Keyboard]\r\nPilotForward=W,DOUBLE caf\u00E9=1\r\n"
                                u"PilotUp=\U0001F600 TogglePilot=U";
    const std::string utf8 = "[Keyboard]\r\nPilotForward=W,DOUBLE caf\xC3\xA9=1\r\n"
                             "PilotUp=\xF0\x9F\x98\x80 TogglePilot=U";
    const Fed plain = Feed(utf8, utf8.size());
    ASSERT_EQ(plain.Table.Count, 3);
    EXPECT_EQ(plain.Encoding, BindingEncoding::Bytes);
    EXPECT_EQ(plain.Notes.Heard[0].Note, BindingNote::SectionOpened);
    const struct {
        std::string Bytes;
        BindingEncoding Encoding;
    } saved[] = {{"\xEF\xBB\xBF" + utf8, BindingEncoding::Utf8},
                 {Utf16(wide, true), BindingEncoding::Utf16Le},
                 {Utf16(wide, false), BindingEncoding::Utf16Be}};
    for (const auto& file : saved) {
        // Chunks of 1 and 2 bytes cut every mark; 3 cuts the UTF-16 units unevenly.
        for (size_t chunk : {size_t(1), size_t(2), size_t(3), size_t(5), file.Bytes.size()}) {
            const Fed fed = Feed(file.Bytes, chunk);
            const std::string what = "encoding " + std::to_string(int(file.Encoding)) +
                                     ", chunks of " + std::to_string(chunk);
            EXPECT_EQ(fed.Encoding, file.Encoding) << what;
            ExpectSameReading(fed, plain, what);
        }
    }
}

TEST(KeyBindingEncodings, BytesThatAreNoWholeMarkAreText) {
    // The start of a mark, cut short by other bytes or by the end.
    for (const std::string start : {"\xEF\xBB", "\xEF", "\xFF", "\xFE", "\xEF\xBB\xBE"}) {
        for (const std::string& rest : {std::string(""), std::string("x [Keyboard] A=W")}) {
            Recorder r;
            KeyBindingTable t = Load(start + rest, &r);
            ASSERT_FALSE(r.Heard.empty()) << rest;
            EXPECT_EQ(r.Heard[0].Word, rest.empty() ? start : start + "x");
            EXPECT_EQ(t.Count, rest.empty() ? 0 : 1);
        }
    }
    // A mark anywhere but at the start is text too.
    EXPECT_EQ(CountOf(" \xEF\xBB\xBF[Keyboard] A=W"), 0);
    EXPECT_EQ(Feed("\xFE\xFF", 1).Encoding, BindingEncoding::Utf16Be) << "a mark alone";
}

TEST(KeyBindingEncodings, BrokenUtf16EndsAsWellAsItCan) {
    // Half a unit at the end is dropped; half a surrogate pair reads as U+FFFD.
    Recorder r;
    Load(Utf16(u"[Keyboard] PilotUp=W B=\xD800 C=\xDC00 D=\xD800", true) + "x", &r);
    std::vector<std::string> words;
    for (const auto& h : r.Heard) words.push_back(h.Word);
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(words, (std::vector<std::string>{"[Keyboard]", "PilotUp=W", "B=" + replacement,
                                               "C=" + replacement, "D=" + replacement}));
}

TEST(KeyBindingLines, CrOrLfOrCrLfEndsOneLineInAnyChunking) {
    const std::string text = "a\rb\nc\r\nd\n\re\r\rf\n\ng";
    for (size_t chunk : {size_t(1), size_t(2), size_t(3), text.size()}) {
        EXPECT_EQ(Feed(text, chunk).Notes.Lines(), (std::vector<int32_t>{1, 2, 3, 4, 6, 8, 10}))
            << "chunks of " << chunk;
    }
}

// ---- Commands ---------------------------------------------------------------------

TEST(KeyBindingCommands, TableNamesMatchExactlyAndTheTwoTogglesByContaining) {
    for (int32_t id = 1; id < CommandCount; ++id) {
        const std::string name = CommandName(CommandId(id));
        EXPECT_EQ(ResolveCommand(name.c_str()), CommandId(id)) << name;
        std::string lower = name;
        lower[0] = char(std::tolower(lower[0]));
        const bool contains = id == int32_t(CommandId::ToggleHeadLatency) ||
                              id == int32_t(CommandId::ToggleGroundTurbulence);
        EXPECT_EQ(ResolveCommand(("x" + name + "y").c_str()),
                  contains ? CommandId(id) : CommandId::None)
            << name;
        EXPECT_EQ(ResolveCommand(lower.c_str()), CommandId::None) << lower;
    }
    EXPECT_EQ(ResolveCommand("ToggleGroundTurbulenceToggleHeadLatency"),
              CommandId::ToggleHeadLatency);
    EXPECT_EQ(ResolveCommand("ToggleHeadLatencyToggleGroundTurbulence"),
              CommandId::ToggleHeadLatency);
    EXPECT_EQ(ResolveCommand("ToggleHeadLatenc"), CommandId::None);
    EXPECT_EQ(ResolveCommand(""), CommandId::None);
    EXPECT_EQ(ResolveCommand(nullptr), CommandId::None);
    EXPECT_STREQ(CommandName(CommandId::None), "");
    EXPECT_STREQ(CommandName(CommandId(CommandCount)), "");
    EXPECT_STREQ(CommandName(CommandId::SaveView9), "SaveView9");
    EXPECT_STREQ(CommandName(CommandId::RecallView1), "RecallView1");
}

// ---- Observer ------------------------------------------------------------------------

TEST(KeyBindingObserver, EveryWordIsAccountedForWithItsLine) {
    Recorder r;
    Load("// x=1\n[Keyboard]\nprose //c=1 =\nA=W,\nA=\n\n  PilotForward=W\n", &r);
    using N = BindingNote;
    std::vector<N> expected = {N::OutsideSection, N::OutsideSection, N::SectionOpened,
                               N::NoEquals,       N::Comment,        N::TooShort,
                               N::NoKey,          N::NoKey,          N::Stored};
    EXPECT_EQ(r.Notes(), expected);
    EXPECT_EQ(r.Lines(), (std::vector<int32_t>{1, 1, 2, 3, 3, 3, 4, 5, 7}));
    EXPECT_EQ(r.Heard.back().Index, 0);
}

TEST(KeyBindingObserver, StoredEntriesThatLookWrongAreNamed) {
    Recorder r;
    KeyBindingTable t = Load("[Keyboard] PilotForward=ESCAPE Nope=W,SHIFT PilotUp=. "
                             "PilotDown=MOUSE_WHEEL_DOWN PilotCrouch=A,HOME TogglePilot=shift,w",
                             &r);
    ASSERT_EQ(t.Count, 6);
    using N = BindingNote;
    std::vector<N> expected = {N::SectionOpened,   N::Stored, N::KeyFellBack,      N::Stored,
                               N::UnknownCommand,  N::Stored, N::NotAKeyCharacter, N::Stored,
                               N::WheelNeverFires, N::Stored, N::KeyReplaced,      N::Stored,
                               N::Duplicate};
    EXPECT_EQ(r.Notes(), expected);
    EXPECT_EQ(r.Find(N::KeyFellBack)->Item, "ESCAPE");
    EXPECT_EQ(r.Find(N::KeyReplaced)->Item, "A");
    EXPECT_EQ(r.Find(N::Duplicate)->Index, 5);
    EXPECT_EQ(r.Find(N::Duplicate)->Other, 1);
    // A toggle with DOUBLE flips back at the release: every toggle, and
    // nothing else (mouse look with DOUBLE looks while held).
    Recorder twice;
    Load("[Keyboard] TogglePilot=U,DOUBLE ToggleHeadLatency=J,DOUBLE "
         "xToggleGroundTurbulence=K,DOUBLE ToggleMouseLook=L,DOUBLE PilotUp=P,DOUBLE "
         "TogglePilot=V SaveView1=1,DOUBLE ToggleInternalView=N,DOUBLE ToggleFlyBy=F,DOUBLE",
         &twice);
    std::vector<int32_t> toggledTwice;
    for (const auto& h : twice.Heard)
        if (h.Note == N::ToggledTwice) toggledTwice.push_back(h.Index);
    EXPECT_EQ(toggledTwice, (std::vector<int32_t>{0, 1, 2, 7, 8}));
    // Letters, digits and known names are not odd.
    Recorder clean;
    Load("[Keyboard] PilotForward=w PilotUp=7 PilotDown=F7,ALT", &clean);
    EXPECT_EQ(clean.Notes(), (std::vector<N>{N::SectionOpened, N::Stored, N::Stored, N::Stored}));
}

// ---- Printing ---------------------------------------------------------------------------

TEST(KeyBindingPrinting, PrintedBindingsLoadBackToTheSameEntriesAndUnbindableCodesHaveNoName) {
    KeyBindingTable printed{};
    std::string text = "[Keyboard]";
    for (int32_t code = -2; code < 1100; ++code) {
        for (int32_t modifiers = 0; modifiers < 8; ++modifiers) {
            KeyBinding entry{};
            std::snprintf(entry.Command, sizeof entry.Command, "%s",
                          code % 3 ? "PilotHeadUp" : "//odd");
            entry.Code = code;
            entry.Modifiers = modifiers;
            entry.OnRelease = code & 1;
            entry.Id = ResolveCommand(entry.Command);
            char word[BindingTextCapacity];
            if (FormatBinding(entry, word) == 0) {
                EXPECT_EQ(NameKeyCode(code).Text[0], '\0') << code;
                continue;
            }
            printed.Entries[printed.Count++] = entry;
            text += " ";
            text += word;
            if (printed.Count == KeyBindingCapacity || code == 1099) {
                ASSERT_TRUE(SameEntries(Load(text), printed)) << text.substr(0, 200);
                printed.Count = 0;
                text = "[Keyboard]";
            }
        }
    }
    // Codes no word can bind have no name.
    for (int32_t code : {0, -1, 1003, 1006, 0x80, 0xFF, 0x2C, 0x3D, 0x5B, 0x6A, 0x6F, 0x0A, 0x1F})
        EXPECT_STREQ(NameKeyCode(code).Text, "") << code;
    EXPECT_STREQ(NameKeyCode('Q').Text, "Q");
    EXPECT_STREQ(NameKeyCode(0x26).Text, "UP") << "the table's name before the character &";
    KeyBinding entry{};
    std::memset(entry.Command, 'x', sizeof entry.Command); // no terminator
    entry.Code = 'W';
    char word[BindingTextCapacity];
    EXPECT_EQ(FormatBinding(entry, word), 0u);
    std::snprintf(entry.Command, sizeof entry.Command, "A");
    entry.Modifiers = 8;
    EXPECT_EQ(FormatBinding(entry, word), 0u);
    entry.Modifiers = 7;
    entry.OnRelease = 1;
    EXPECT_EQ(FormatBinding(entry, word), std::strlen("A=W,SHIFT,CONTROL,ALT,DOUBLE"));
    EXPECT_STREQ(word, "A=W,SHIFT,CONTROL,ALT,DOUBLE");
}

// ---- The default file -----------------------------------------------------------------

TEST(KeyBindingDefaultFile, BindsEveryCommandOnceWithNothingOddAndNoKeyTheHostFliesWith) {
    std::ifstream file(ORBIVUE_SOURCE_DIR "/module/resources/OrbivuePro.cfg", std::ios::binary);
    ASSERT_TRUE(file.is_open());
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    Recorder r;
    KeyBindingTable t = Load(text, &r);
    for (const auto& h : r.Heard) {
        const bool quiet = h.Note == BindingNote::Stored || h.Note == BindingNote::SectionOpened ||
                           h.Note == BindingNote::NoEquals || h.Note == BindingNote::Comment ||
                           (h.Note == BindingNote::OutsideSection &&
                            (h.Word.find('=') == std::string::npos || h.Word.rfind("//", 0) == 0));
        EXPECT_TRUE(quiet) << h.Line << ": " << h.Word;
    }
    int bound[CommandCount] = {};
    for (int32_t i = 0; i < t.Count; ++i) ++bound[int32_t(t.Entries[i].Id)];
    EXPECT_EQ(bound[0], 0);
    // The first commands are bound; the module's own ones bound once or
    // offered in a comment word, ready to be taken on.
    std::string offeredText = "[Keyboard]";
    for (int32_t id = 1; id < CommandCount; ++id) {
        const std::string name = CommandName(CommandId(id));
        bool offered = false;
        for (const auto& h : r.Heard) {
            if (h.Note != BindingNote::Comment || h.Word.rfind("//" + name + "=", 0) != 0) continue;
            offered = true;
            offeredText += " " + h.Word.substr(2);
        }
        if (id <= int32_t(CommandId::ToggleGroundTurbulence) || !offered)
            EXPECT_EQ(bound[id], 1) << name;
        else
            EXPECT_EQ(bound[id], 0) << name << " is both bound and offered";
    }
    // Held movements last while the key is down. No default, and no binding
    // offered, takes a key the host flies with (the numeric pad sends the
    // arrow, Home, End, Page Up and Page Down keys with Num Lock off, its own
    // codes with it on; the function keys are throttle, flaps and brakes;
    // Return is the pad's Enter), a letter without Control (alone, the host's
    // letters are its radios, lights, engines, views and switches), Alt
    // without Control (the host's menus) or one of the defaults' keys.
    for (int32_t i = 0; i < t.Count; ++i) {
        const KeyBinding& entry = t.Entries[i];
        if (entry.Id >= CommandId::PilotForward && entry.Id <= CommandId::PilotDown) {
            EXPECT_EQ(entry.OnRelease, 1) << entry.Command;
        }
    }
    Recorder offeredNotes;
    KeyBindingTable all = t;
    LoadKeyBindingText(offeredText.data(), offeredText.size(), "Keyboard", all,
                       &offeredNotes.Observer);
    EXPECT_GT(all.Count, t.Count);
    EXPECT_EQ(offeredNotes.Find(BindingNote::Duplicate), nullptr)
        << offeredNotes.Find(BindingNote::Duplicate)->Word;
    for (int32_t i = 0; i < all.Count; ++i) {
        const KeyBinding& entry = all.Entries[i];
        const int32_t code = entry.Code;
        const bool flying = (code >= 0x21 && code <= 0x28) || (code >= 0x60 && code <= 0x69) ||
                            (code >= 0x70 && code <= 0x7B) || code == 0x0D;
        EXPECT_FALSE(flying) << entry.Command;
        if (code >= 'A' && code <= 'Z') {
            EXPECT_TRUE(entry.Modifiers & ModifierControl) << entry.Command;
        }
        if (entry.Modifiers & ModifierAlt) {
            EXPECT_TRUE(entry.Modifiers & ModifierControl) << entry.Command << ": the menus";
        }
    }
}

} // namespace
