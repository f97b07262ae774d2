// Reads the built OrbivuePro.dll as the host's loader would see it: its
// exports, the sections they live in, the words of the two records, and the
// libraries it imports; and as Windows shows it to the pilot: its version
// resource and the About box, both with the project's version
// (ORBIVUE_VERSION_MAJOR, _MINOR and _PATCH, handed in by the build).
#include "host/contract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::string gPath;

struct Section {
    std::string Name;
    uint32_t VirtualAddress, VirtualSize, RawOffset, RawSize, Characteristics;
};

constexpr uint32_t kExecute = 0x20000000, kWrite = 0x80000000, kInitializedData = 0x40;

struct Image {
    std::vector<uint8_t> Bytes;
    uint16_t Machine = 0, Magic = 0;
    uint32_t ImageBase = 0;
    uint32_t ExportRva = 0, ImportRva = 0, ResourceRva = 0;
    std::vector<Section> Sections;

    template <class T> T At(size_t offset) const {
        T v{};
        if (offset + sizeof v <= Bytes.size()) std::memcpy(&v, &Bytes[offset], sizeof v);
        return v;
    }
    const Section* SectionOf(uint32_t rva) const {
        for (const Section& s : Sections)
            if (rva >= s.VirtualAddress &&
                rva < s.VirtualAddress + std::max(s.VirtualSize, s.RawSize))
                return &s;
        return nullptr;
    }
    size_t Offset(uint32_t rva) const {
        const Section* s = SectionOf(rva);
        return s ? rva - s->VirtualAddress + s->RawOffset : 0;
    }
    template <class T> T AtRva(uint32_t rva) const { return At<T>(Offset(rva)); }
    std::string TextAt(uint32_t rva) const {
        std::string text;
        for (size_t o = Offset(rva); o < Bytes.size() && Bytes[o]; ++o) text += char(Bytes[o]);
        return text;
    }
};

Image Load(const std::string& path) {
    Image image;
    std::ifstream file(path, std::ios::binary);
    image.Bytes.assign(std::istreambuf_iterator<char>(file), {});
    if (image.Bytes.size() < 0x40) return image;
    uint32_t pe = image.At<uint32_t>(0x3C);
    if (image.At<uint32_t>(pe) != 0x00004550) return image;
    size_t coff = pe + 4;
    image.Machine = image.At<uint16_t>(coff);
    uint16_t sections = image.At<uint16_t>(coff + 2);
    uint16_t optionalSize = image.At<uint16_t>(coff + 16);
    size_t optional = coff + 20;
    image.Magic = image.At<uint16_t>(optional);
    image.ImageBase = image.At<uint32_t>(optional + 28);
    image.ExportRva = image.At<uint32_t>(optional + 96);
    image.ImportRva = image.At<uint32_t>(optional + 104);
    image.ResourceRva = image.At<uint32_t>(optional + 112);
    size_t table = optional + optionalSize;
    for (uint16_t i = 0; i < sections; ++i) {
        size_t h = table + size_t(i) * 40;
        char name[9] = {};
        std::memcpy(name, &image.Bytes[h], 8);
        image.Sections.push_back({name, image.At<uint32_t>(h + 12), image.At<uint32_t>(h + 8),
                                  image.At<uint32_t>(h + 20), image.At<uint32_t>(h + 16),
                                  image.At<uint32_t>(h + 36)});
    }
    return image;
}

// ---- Resources ---------------------------------------------------------------

constexpr uint32_t kResourceDialog = 5, kResourceVersion = 16; // RT_DIALOG, RT_VERSION
constexpr uint32_t kAboutBox = 102;                            // DIALOG_ABOUT
constexpr uint32_t kSubdirectory = 0x80000000;
constexpr int kMostEntries = 1000; // a directory claiming more is corrupt

// The bytes of a resource: the directory's three levels (type, name,
// language), the first language taken. Empty when there is none.
std::vector<uint8_t> ResourceBytes(const Image& image, uint32_t type, uint32_t name) {
    uint32_t root = image.ResourceRva;
    if (root == 0) return {};
    uint32_t directory = root;
    const uint32_t wanted[] = {type, name, 0};
    for (int level = 0; level < 3; ++level) {
        int entries = image.AtRva<uint16_t>(directory + 12) + image.AtRva<uint16_t>(directory + 14);
        uint32_t target = 0;
        bool found = false;
        for (int i = 0; i < entries && i < kMostEntries && !found; ++i) {
            uint32_t entry = directory + 16 + 8 * uint32_t(i);
            found = level == 2 || image.AtRva<uint32_t>(entry) == wanted[level];
            target = image.AtRva<uint32_t>(entry + 4);
        }
        if (!found || ((target & kSubdirectory) != 0) != (level < 2)) return {};
        directory = root + (target & ~kSubdirectory);
    }
    uint32_t rva = image.AtRva<uint32_t>(directory), size = image.AtRva<uint32_t>(directory + 4);
    size_t offset = image.Offset(rva);
    if (offset == 0 || offset + size > image.Bytes.size()) return {};
    return {image.Bytes.begin() + long(offset), image.Bytes.begin() + long(offset + size)};
}

uint16_t Word16(const std::vector<uint8_t>& data, size_t at) {
    return at + 2 <= data.size() ? uint16_t(data[at] | data[at + 1] << 8) : 0;
}

// UTF-16 text up to its zero or to end; characters above 0x7F as '?'.
std::string Utf16Text(const std::vector<uint8_t>& data, size_t at, size_t end) {
    std::string text;
    for (; at + 2 <= end && Word16(data, at) != 0; at += 2)
        text += Word16(data, at) < 0x80 ? char(Word16(data, at)) : '?';
    return text;
}

size_t Align4(size_t at) {
    return (at + 3) & ~size_t(3);
}

// One block of a version resource: its length, its value's length (in
// characters for text, type 1; else in bytes), its type, its key, then its
// value and its children, each on a 4-byte boundary.
struct VersionBlock {
    std::string Key;
    size_t Value = 0, ValueEnd = 0, Children = 0, End = 0;
    bool Text = false;
};

bool ReadBlock(const std::vector<uint8_t>& data, size_t at, size_t limit, VersionBlock& block) {
    uint16_t length = Word16(data, at), valueLength = Word16(data, at + 2);
    if (length < 6 || at + length > limit || limit > data.size()) return false;
    block.End = at + length;
    block.Text = Word16(data, at + 4) == 1;
    block.Key = Utf16Text(data, at + 6, block.End);
    block.Value = Align4(at + 6 + 2 * (block.Key.size() + 1));
    block.ValueEnd = std::min(block.End, block.Value + valueLength * (block.Text ? 2u : 1u));
    block.Children = Align4(block.ValueEnd);
    return block.Value <= block.End;
}

// The children of a block, in order; a corrupt one ends the list.
std::vector<VersionBlock> Children(const std::vector<uint8_t>& data, const VersionBlock& parent) {
    std::vector<VersionBlock> children;
    VersionBlock child;
    for (size_t at = parent.Children; at < parent.End && ReadBlock(data, at, parent.End, child);
         at = Align4(child.End))
        children.push_back(child);
    return children;
}

struct VersionInfo {
    bool Found = false;
    std::string Key;
    uint32_t Signature = 0, FileMs = 0, FileLs = 0, ProductMs = 0, ProductLs = 0, FileType = 0;
    std::map<std::string, std::string> Strings; // every string table's, merged
};

VersionInfo ReadVersion(const std::vector<uint8_t>& data) {
    VersionInfo info;
    VersionBlock root;
    if (!ReadBlock(data, 0, data.size(), root)) return info;
    info.Found = true;
    info.Key = root.Key;
    if (root.ValueEnd - root.Value >= 52) { // VS_FIXEDFILEINFO
        auto word = [&](size_t i) {
            size_t at = root.Value + 4 * i;
            return uint32_t(Word16(data, at) | Word16(data, at + 2) << 16);
        };
        info.Signature = word(0);
        info.FileMs = word(2);
        info.FileLs = word(3);
        info.ProductMs = word(4);
        info.ProductLs = word(5);
        info.FileType = word(9);
    }
    for (const VersionBlock& group : Children(data, root))
        if (group.Key == "StringFileInfo")
            for (const VersionBlock& table : Children(data, group))
                for (const VersionBlock& entry : Children(data, table))
                    info.Strings[entry.Key] = Utf16Text(data, entry.Value, entry.ValueEnd);
    return info;
}

bool HoldsUtf16(const std::vector<uint8_t>& data, const std::string& text) {
    std::vector<uint8_t> wide;
    for (char c : text) wide.insert(wide.end(), {uint8_t(c), 0});
    return std::search(data.begin(), data.end(), wide.begin(), wide.end()) != data.end();
}

const std::string kVersionText = std::to_string(ORBIVUE_VERSION_MAJOR) + "." +
                                 std::to_string(ORBIVUE_VERSION_MINOR) + "." +
                                 std::to_string(ORBIVUE_VERSION_PATCH);

class BuiltDll : public ::testing::Test {
protected:
    static void SetUpTestSuite() { image = Load(gPath); }
    static Image image;
    // The exported names and their addresses.
    std::map<std::string, uint32_t> Exports() const {
        std::map<std::string, uint32_t> result;
        uint32_t d = image.ExportRva;
        uint32_t names = image.AtRva<uint32_t>(d + 24);
        uint32_t functionTable = image.AtRva<uint32_t>(d + 28);
        uint32_t nameTable = image.AtRva<uint32_t>(d + 32);
        uint32_t ordinalTable = image.AtRva<uint32_t>(d + 36);
        for (uint32_t i = 0; i < names && i < 1000; ++i) {
            std::string name = image.TextAt(image.AtRva<uint32_t>(nameTable + 4 * i));
            uint16_t ordinal = image.AtRva<uint16_t>(ordinalTable + 2 * i);
            result[name] = image.AtRva<uint32_t>(functionTable + 4 * ordinal);
        }
        return result;
    }
};
Image BuiltDll::image;

TEST_F(BuiltDll, IsAPe32ImageForI386) {
    ASSERT_FALSE(image.Sections.empty()) << "cannot read " << gPath;
    EXPECT_EQ(image.Machine, 0x014C);
    EXPECT_EQ(image.Magic, 0x010B);
}

TEST_F(BuiltDll, ExportsExactlyTheTwoRecordsAsWritableData) {
    auto exports = Exports();
    std::set<std::string> names;
    for (auto& e : exports) names.insert(e.first);
    EXPECT_EQ(names, (std::set<std::string>{"ImportTable", "Linkage"}));
    EXPECT_EQ(image.AtRva<uint32_t>(image.ExportRva + 20), 2u) << "two functions in the table";
    for (auto& [name, rva] : exports) {
        const Section* s = image.SectionOf(rva);
        ASSERT_NE(s, nullptr) << name;
        EXPECT_EQ(s->Characteristics & kExecute, 0u) << name << " lies in code (" << s->Name << ")";
        EXPECT_NE(s->Characteristics & kInitializedData, 0u) << name << " in " << s->Name;
        EXPECT_NE(s->Characteristics & kWrite, 0u) << name << " must be writable for the host";
    }
}

TEST_F(BuiltDll, RecordsHoldTheHostsWords) {
    uint32_t importTable = Exports()["ImportTable"];
    ASSERT_NE(importTable, 0u);
    EXPECT_EQ(image.AtRva<uint32_t>(importTable + 0), host::PanelsTableId);
    for (uint32_t at : {4u, 8u, 12u})
        EXPECT_EQ(image.AtRva<uint32_t>(importTable + at), 0u) << "ImportTable + " << at;

    uint32_t linkage = Exports()["Linkage"];
    ASSERT_NE(linkage, 0u);
    EXPECT_EQ(image.AtRva<uint32_t>(linkage + 0), host::LinkageVersion);
    for (int word : {1, 2}) {
        uint32_t va = image.AtRva<uint32_t>(linkage + 4 * word);
        const Section* s = image.SectionOf(va - image.ImageBase);
        ASSERT_NE(s, nullptr) << "word " << word + 1 << " is no address in the image";
        EXPECT_NE(s->Characteristics & kExecute, 0u) << "word " << word + 1 << " is no procedure";
    }
    EXPECT_EQ(image.AtRva<uint32_t>(linkage + 20), host::LinkageFlags);
    for (uint32_t at : {12u, 16u, 24u})
        EXPECT_EQ(image.AtRva<uint32_t>(linkage + at), 0u) << "Linkage + " << at;
}

TEST_F(BuiltDll, ImportsOnlyWindowsOwnLibraries) {
    const std::set<std::string> allowed = {"kernel32.dll", "user32.dll", "advapi32.dll",
                                           "winmm.dll", "msvcrt.dll"};
    int count = 0;
    for (uint32_t d = image.ImportRva; image.AtRva<uint32_t>(d + 12) != 0 && count < 100; d += 20) {
        std::string name = image.TextAt(image.AtRva<uint32_t>(d + 12));
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        EXPECT_TRUE(allowed.count(name)) << "imports " << name;
        ++count;
    }
    EXPECT_GT(count, 0);
}

// ---- What Windows shows: the version resource and the About box ------------

TEST_F(BuiltDll, VersionResourceHoldsTheProjectVersionAndNamesTheProduct) {
    VersionInfo v = ReadVersion(ResourceBytes(image, kResourceVersion, 1));
    ASSERT_TRUE(v.Found) << "no version resource";
    EXPECT_EQ(v.Key, "VS_VERSION_INFO");
    EXPECT_EQ(v.Signature, 0xFEEF04BDu) << "no VS_FIXEDFILEINFO";
    uint32_t ms = uint32_t(ORBIVUE_VERSION_MAJOR) << 16 | ORBIVUE_VERSION_MINOR;
    uint32_t ls = uint32_t(ORBIVUE_VERSION_PATCH) << 16;
    EXPECT_EQ(v.FileMs, ms);
    EXPECT_EQ(v.FileLs, ls);
    EXPECT_EQ(v.ProductMs, ms);
    EXPECT_EQ(v.ProductLs, ls);
    EXPECT_EQ(v.FileType, 2u) << "VFT_DLL";
    EXPECT_EQ(v.Strings["ProductName"], "OrbivuePro");
    EXPECT_EQ(v.Strings["OriginalFilename"], "OrbivuePro.dll");
    EXPECT_EQ(v.Strings["FileVersion"], kVersionText);
    EXPECT_EQ(v.Strings["ProductVersion"], kVersionText);
    EXPECT_NE(v.Strings["FileDescription"], "");
    EXPECT_NE(v.Strings["LegalCopyright"].find("the OrbivuePro authors"), std::string::npos);
}

TEST_F(BuiltDll, AboutBoxShowsTheProjectVersion) {
    std::vector<uint8_t> about = ResourceBytes(image, kResourceDialog, kAboutBox);
    ASSERT_FALSE(about.empty()) << "no About box";
    // Whole: "1.3.0" must not pass as the start of "1.3.01".
    EXPECT_TRUE(HoldsUtf16(about, "\nVersion " + kVersionText + "\n"));
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: pe_check OrbivuePro.dll\n");
        return 2;
    }
    gPath = argv[1];
    return RUN_ALL_TESTS();
}
