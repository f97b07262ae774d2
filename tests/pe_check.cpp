// Reads the built OrbivuePro.dll as the host's loader would see it: its
// exports, the sections they live in, the words of the two records, and the
// libraries it imports.
#include "host/contract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
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
    uint32_t ExportRva = 0, ImportRva = 0;
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

class BuiltDll : public ::testing::Test {
protected:
    static void SetUpTestSuite() { image = Load(gPath); }
    static Image image;
    std::vector<std::pair<std::string, uint32_t>> Exports() const {
        std::vector<std::pair<std::string, uint32_t>> result;
        uint32_t d = image.ExportRva;
        uint32_t names = image.AtRva<uint32_t>(d + 24);
        uint32_t functionTable = image.AtRva<uint32_t>(d + 28);
        uint32_t nameTable = image.AtRva<uint32_t>(d + 32);
        uint32_t ordinalTable = image.AtRva<uint32_t>(d + 36);
        for (uint32_t i = 0; i < names && i < 1000; ++i) {
            std::string name = image.TextAt(image.AtRva<uint32_t>(nameTable + 4 * i));
            uint16_t ordinal = image.AtRva<uint16_t>(ordinalTable + 2 * i);
            result.emplace_back(name, image.AtRva<uint32_t>(functionTable + 4 * ordinal));
        }
        return result;
    }
    uint32_t ExportRva(const std::string& name) const {
        for (auto& [n, rva] : Exports())
            if (n == name) return rva;
        return 0;
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
    uint32_t importTable = ExportRva("ImportTable");
    ASSERT_NE(importTable, 0u);
    EXPECT_EQ(image.AtRva<uint32_t>(importTable + 0), host::PanelsTableId);
    EXPECT_EQ(image.AtRva<uint32_t>(importTable + 4), 0u);
    EXPECT_EQ(image.AtRva<uint32_t>(importTable + 8), 0u);
    EXPECT_EQ(image.AtRva<uint32_t>(importTable + 12), 0u);

    uint32_t linkage = ExportRva("Linkage");
    ASSERT_NE(linkage, 0u);
    EXPECT_EQ(image.AtRva<uint32_t>(linkage + 0), host::LinkageVersion);
    for (int word : {1, 2}) {
        uint32_t va = image.AtRva<uint32_t>(linkage + 4 * word);
        const Section* s = image.SectionOf(va - image.ImageBase);
        ASSERT_NE(s, nullptr) << "word " << word + 1 << " is no address in the image";
        EXPECT_NE(s->Characteristics & kExecute, 0u) << "word " << word + 1 << " is no procedure";
    }
    EXPECT_EQ(image.AtRva<uint32_t>(linkage + 12), 0u);
    EXPECT_EQ(image.AtRva<uint32_t>(linkage + 16), 0u);
    EXPECT_EQ(image.AtRva<uint32_t>(linkage + 20), host::LinkageFlags);
    EXPECT_EQ(image.AtRva<uint32_t>(linkage + 24), 0u);
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
