// orbivue-bindings FILE: loads the "Keyboard" section of a key binding file
// with the module's own loader and shows what the module will make of it.
//
// Standard output is itself a binding file: the header word and one binding
// word per entry, in table order, with the file's line as a comment word.
// Standard error lists every word that was dropped or looks wrong, with why.
// Exit status: 0 when nothing is odd, 1 when something is, 2 when the file
// cannot be read.
#include "pilot/key_bindings.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char Section[] = "Keyboard";

struct Checker {
    const char* Path = "";
    bool Verbose = false;
    const pilot::KeyBindingTable* Table = nullptr;
    int32_t EntryLines[pilot::KeyBindingCapacity] = {};
    std::vector<std::string> Notes;
    int32_t Odd = 0;
    int32_t Ignored = 0; // prose and words outside the section
    bool SawHeader = false;
};

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
            ++checker.Ignored;
        break;
    case BindingNote::NoEquals:
        if (checker.Verbose)
            Note(checker, report, false, "no \"=\": not a binding");
        else
            ++checker.Ignored;
        break;
    case BindingNote::TooShort:
        Note(checker, report, true,
             "\"=\" alone binds nothing: a binding is one word, no spaces around \"=\"");
        break;
    case BindingNote::Comment:
        if (hasEquals)
            Note(checker, report, false, "commented out");
        else
            ++checker.Ignored;
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

int Usage() {
    std::fprintf(stderr,
                 "usage: orbivue-bindings [-v] FILE\n"
                 "  shows the bindings of the [Keyboard] section as the module loads them;\n"
                 "  -v also lists the words that are not bindings\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    Checker checker;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0)
            checker.Verbose = true;
        else if (path == nullptr)
            path = argv[i];
        else
            return Usage();
    }
    if (path == nullptr) return Usage();
    checker.Path = path;

    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "%s: cannot be opened\n", path);
        return 2;
    }
    static pilot::KeyBindingTable table;
    static pilot::BindingLoader loader;
    checker.Table = &table;
    pilot::BindingObserver observer{&OnReport, &checker};
    pilot::BeginBindings(loader, Section, table, &observer);
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        pilot::FeedBindings(loader, chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        std::fprintf(stderr, "%s: cannot be read\n", path);
        return 2;
    }
    pilot::EndBindings(loader);

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
    std::fprintf(stderr, "%s: %d bindings, %d odd, %d other words ignored\n", path, table.Count,
                 checker.Odd, checker.Ignored);
    return checker.Odd == 0 ? 0 : 1;
}
