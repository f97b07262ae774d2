// orbivue-bindings [FILE]: loads the "Keyboard" section of a key binding file
// with the module's own loader, opened and read as the module reads it, and
// shows what the module will make of it. Without FILE it checks the file the
// module would load: OrbivuePro.cfg in the host's folder, found as the module
// finds it.
//
// Standard output is itself a binding file: the header word and one binding
// word per entry, in table order, with the file's line as a comment word.
// Standard error names the file and how its text is stored, lists every word
// that was dropped or looks wrong, with why, and sums up. Exit status: 0 when
// nothing is odd, 1 when something is, 2 when the file cannot be read.
//
// Started by a double-click, its console window would close at once: then it
// waits for a key.
#include "checker/console.h"
#include "module/binding_file.h"
#include "pilot/key_bindings.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* Section = addon::KeyBindingSection;

struct Checker {
    const char* Path = "";
    bool Verbose = false;
    const pilot::KeyBindingTable* Table = nullptr;
    int32_t EntryLines[pilot::KeyBindingCapacity] = {};
    std::vector<std::string> Notes;
    int32_t Odd = 0;
    int32_t CommentWords = 0; // a comment word and the words after it on its line
    int32_t CommentLine = 0;  // the line of the last comment word
    int32_t Ignored = 0;      // other words that bind nothing: prose, words outside the section
    bool SawHeader = false;
};

const char* EncodingName(pilot::BindingEncoding encoding) {
    switch (encoding) {
    case pilot::BindingEncoding::Utf8:
        return "UTF-8 with a byte-order mark";
    case pilot::BindingEncoding::Utf16Le:
        return "UTF-16 little-endian with a byte-order mark";
    case pilot::BindingEncoding::Utf16Be:
        return "UTF-16 big-endian with a byte-order mark";
    case pilot::BindingEncoding::Bytes:
    case pilot::BindingEncoding::Undecided:
        break;
    }
    return "no byte-order mark, read byte by byte (ASCII)";
}

// The word as it can be shown on one line: control and high bytes escaped,
// very long words shortened.
std::string Shown(const char* text, size_t length) {
    std::string shown = "\"";
    for (size_t i = 0; i < length; ++i) {
        if (i == 60 && length > 70) {
            shown += "...";
            break;
        }
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        } else {
            shown += char(c);
        }
    }
    return shown + "\"";
}

std::string Shown(const char* text) {
    return Shown(text, std::strlen(text));
}

std::string KeyShown(int32_t code) {
    pilot::KeyNameText name = pilot::NameKeyCode(code);
    if (name.Text[0] != '\0') return name.Text;
    return "code " + std::to_string(code);
}

// Command names compare with case: point at the name that was probably meant.
std::string CaseHint(const char* command) {
    for (int32_t id = 1; id < pilot::CommandCount; ++id) {
        const char* name = pilot::CommandName(pilot::CommandId(id));
        size_t i = 0;
        while (name[i] != '\0' && std::tolower(static_cast<unsigned char>(name[i])) ==
                                      std::tolower(static_cast<unsigned char>(command[i])))
            ++i;
        if (name[i] == '\0' && command[i] == '\0')
            return std::string(" (names keep their case: ") + name + ")";
    }
    return "";
}

void Note(Checker& checker, const pilot::BindingReport& report, bool odd, const std::string& why) {
    std::string line = std::string(checker.Path) + ":" + std::to_string(report.Line) + ": " +
                       (odd ? "odd" : "note") + ": " + Shown(report.Word) + ": " + why;
    checker.Notes.push_back(line);
    if (odd) ++checker.Odd;
}

// A word that binds nothing: part of a comment (a word beginning with "//" and
// the rest of its line, as a reader sees it), or another word ignored.
void CountProse(Checker& checker, const pilot::BindingReport& report, bool comment) {
    if (comment) checker.CommentLine = report.Line;
    if (comment || report.Line == checker.CommentLine)
        ++checker.CommentWords;
    else
        ++checker.Ignored;
}

void OnReport(void* context, const pilot::BindingReport& report) {
    using pilot::BindingNote;
    Checker& checker = *static_cast<Checker*>(context);
    const bool hasEquals = std::strchr(report.Word, '=') != nullptr;
    const bool comment = report.Word[0] == '/' && report.Word[1] == '/';
    const pilot::KeyBinding* entry =
        report.Index >= 0 ? &checker.Table->Entries[report.Index] : nullptr;
    switch (report.Note) {
    case BindingNote::Stored:
        checker.EntryLines[report.Index] = report.Line;
        if (report.Line == checker.CommentLine)
            Note(checker, report, true,
                 "follows a comment word on its line, but a comment is one word: this binding is "
                 "loaded");
        break;
    case BindingNote::SectionOpened:
        checker.SawHeader = true;
        break;
    case BindingNote::SectionEnded:
        Note(checker, report, false, "holds \"[\": the section ends here");
        break;
    case BindingNote::SectionEndedByComment:
        Note(checker, report, true,
             "a comment word holding \"[\" ends the section: the bindings after it are not "
             "loaded");
        break;
    case BindingNote::SectionEndedByHeader:
        Note(checker, report, true,
             "the section's own header inside the section ends it: the bindings after it are "
             "not loaded until the next one");
        break;
    case BindingNote::OutsideSection:
        if (hasEquals && !comment)
            Note(checker, report, true, "a binding outside the section is never loaded");
        else
            CountProse(checker, report, comment);
        break;
    case BindingNote::NoEquals:
        CountProse(checker, report, comment);
        if (checker.Verbose && report.Line != checker.CommentLine)
            Note(checker, report, false, "no \"=\": not a binding");
        break;
    case BindingNote::TooShort:
        Note(checker, report, true,
             "\"=\" alone binds nothing: a binding is one word, no spaces around \"=\"");
        break;
    case BindingNote::Comment:
        if (hasEquals) Note(checker, report, false, "commented out");
        CountProse(checker, report, true);
        break;
    case BindingNote::NoKey:
        Note(checker, report, true,
             "dropped: no key at the end of the list (only modifiers, an empty list, or a "
             "\",\" or control character last)");
        break;
    case BindingNote::SecondEquals:
        Note(checker, report, true, "dropped: a second \"=\" in one binding");
        break;
    case BindingNote::CommandTooLong:
        Note(checker, report, true, "dropped: the command name is longer than 31 characters");
        break;
    case BindingNote::WordTooLong:
        Note(checker, report, true, "dropped: the word is longer than 1023 characters");
        break;
    case BindingNote::TableFull:
        Note(checker, report, true, "dropped: the table already holds 256 bindings");
        break;
    case BindingNote::KeyFellBack:
        Note(checker, report, true,
             "key name " + Shown(report.Item, size_t(report.ItemLength)) +
                 " is not known: it binds " + KeyShown(entry->Code) + ", its first character");
        break;
    case BindingNote::NotAKeyCharacter:
        Note(checker, report, true,
             "key " + Shown(report.Item, size_t(report.ItemLength)) + " binds virtual-key code " +
                 std::to_string(entry->Code) + ", which is another key's");
        break;
    case BindingNote::KeyReplaced:
        Note(checker, report, true,
             "several keys: " + Shown(report.Item, size_t(report.ItemLength)) +
                 " is replaced by the last one, " + KeyShown(entry->Code));
        break;
    case BindingNote::UnknownCommand:
        Note(checker, report, true,
             "no command is named " + Shown(entry->Command) + CaseHint(entry->Command));
        break;
    case BindingNote::WheelNeverFires:
        Note(checker, report, true, "the mouse wheel goes to the zoom: this binding never runs");
        break;
    case BindingNote::ToggledTwice:
        Note(checker, report, true,
             "DOUBLE runs this toggle when the key goes down and again when it comes up: one "
             "keystroke switches it and back");
        break;
    case BindingNote::Duplicate: {
        const pilot::KeyBinding& other = checker.Table->Entries[report.Other];
        Note(checker, report, true,
             "the same key and modifiers as line " +
                 std::to_string(checker.EntryLines[report.Other]) + " (" + Shown(other.Command) +
                 "): one key press runs both");
        break;
    }
    }
}

constexpr char UsageText[] =
    "usage: orbivue-bindings [-v] [FILE]\n"
    "  shows the bindings of the [Keyboard] section of FILE as the module loads them;\n"
    "  without FILE, of the file the module loads: OrbivuePro.cfg in the host's folder\n"
    "  -v also lists the words that are not bindings\n";

int Usage(std::FILE* to, int status) {
    std::fputs(UsageText, to);
    return status;
}

// Everything but the wait for a key at the end.
int Check(int argc, char** argv) {
    Checker checker;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0)
            return Usage(stdout, 0);
        if (std::strcmp(argv[i], "-v") == 0)
            checker.Verbose = true;
        else if (argv[i][0] == '-' || path != nullptr)
            return Usage(stderr, 2);
        else
            path = argv[i];
    }
    static char modulePath[300];
    if (path == nullptr) {
        static char folder[256];
        const int fromRegistry = addon::FindHostFolder(folder, sizeof folder);
        addon::FormKeyBindingPath(modulePath, sizeof modulePath, folder);
        path = modulePath;
        std::fprintf(stderr, "%s: the file the module loads (the host's folder %s)\n", path,
                     fromRegistry ? "as the registry's \"EXE Path\" gives it"
                                  : "by default: the registry names none");
    }
    checker.Path = path;

    static pilot::KeyBindingTable table;
    static pilot::BindingLoader loader;
    checker.Table = &table;
    pilot::BindingObserver observer{&OnReport, &checker};
    pilot::BeginBindings(loader, Section, table, &observer);
    switch (addon::ReadKeyBindingFile(path, loader)) {
    case addon::BindingFileRead::NotOpened:
        std::fprintf(stderr, "%s: cannot be opened\n", path);
        return 2;
    case addon::BindingFileRead::ReadError:
        std::fprintf(stderr, "%s: cannot be read\n", path);
        return 2;
    case addon::BindingFileRead::Read:
        break;
    }

    std::printf("// Key bindings as the module loads them: %d entries.\n[%s]\n", table.Count,
                Section);
    for (int32_t i = 0; i < table.Count; ++i) {
        char text[pilot::BindingTextCapacity];
        if (pilot::FormatBinding(table.Entries[i], text) == 0) {
            std::printf("//unprintable //line:%d\n", checker.EntryLines[i]);
            ++checker.Odd;
            continue;
        }
        std::printf("%-40s //line:%d\n", text, checker.EntryLines[i]);
    }
    std::fflush(stdout);

    if (!checker.SawHeader) {
        std::fprintf(stderr, "%s: odd: no [%s] header: nothing is bound\n", path, Section);
        ++checker.Odd;
    }
    for (const std::string& line : checker.Notes) std::fprintf(stderr, "%s\n", line.c_str());
    std::string unbound;
    for (int32_t id = 1; id < pilot::CommandCount; ++id) {
        bool bound = false;
        for (int32_t i = 0; i < table.Count; ++i)
            if (int32_t(table.Entries[i].Id) == id) bound = true;
        if (!bound) unbound += std::string(" ") + pilot::CommandName(pilot::CommandId(id));
    }
    if (!unbound.empty()) std::fprintf(stderr, "%s: note: not bound:%s\n", path, unbound.c_str());
    std::string other;
    if (checker.Ignored > 0)
        other = ", " + std::to_string(checker.Ignored) +
                " other words that bind nothing (-v lists those in the section)";
    std::fprintf(stderr, "%s: %s; %d bindings, %d odd, %d words in comments%s\n", path,
                 EncodingName(loader.Encoding), table.Count, checker.Odd, checker.CommentWords,
                 other.c_str());
    return checker.Odd == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const int status = Check(argc, argv);
    if (StartedInItsOwnConsole()) WaitForAKey();
    return status;
}
