// A picture as a GIF still: a colour table of the picture's own colours and
// its indices, compressed with variable-length LZW codes.
#include "standin/render/gif.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <vector>

namespace render {

namespace {

constexpr int kColours = 256;
constexpr int kMinCodeSize = 8; // bits of an index
constexpr int kClear = 1 << kMinCodeSize, kEnd = kClear + 1;
constexpr int kMaxCodes = 4096; // codes are at most 12 bits

int Distance(uint32_t a, uint32_t b) {
    int dr = int(a >> 16 & 0xFF) - int(b >> 16 & 0xFF),
        dg = int(a >> 8 & 0xFF) - int(b >> 8 & 0xFF), db = int(a & 0xFF) - int(b & 0xFF);
    return dr * dr + dg * dg + db * db;
}

// Codes, least significant bit first, in sub-blocks of up to 255 bytes.
struct CodeWriter {
    std::vector<uint8_t>& Out;
    std::vector<uint8_t> Block;
    uint32_t Bits = 0;
    int Count = 0;
    void Put(int code, int size) {
        Bits |= uint32_t(code) << Count;
        Count += size;
        for (; Count >= 8; Count -= 8, Bits >>= 8) Byte(uint8_t(Bits & 0xFF));
    }
    void Byte(uint8_t b) {
        Block.push_back(b);
        if (Block.size() == 255) Flush();
    }
    void Flush() {
        if (Block.empty()) return;
        Out.push_back(uint8_t(Block.size()));
        Out.insert(Out.end(), Block.begin(), Block.end());
        Block.clear();
    }
    void Finish() {
        if (Count > 0) Byte(uint8_t(Bits & 0xFF));
        Flush();
        Out.push_back(0);
    }
};

void Compress(const std::vector<uint8_t>& indices, std::vector<uint8_t>& out) {
    CodeWriter w{out, {}};
    // The table of strings: a string's code and the next index -> its code.
    std::unordered_map<uint32_t, int> table;
    table.reserve(kMaxCodes * 2);
    int size = kMinCodeSize + 1, next = kEnd + 1;
    w.Put(kClear, size);
    int current = indices.empty() ? 0 : indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        uint32_t key = uint32_t(current) << 8 | indices[i];
        auto found = table.find(key);
        if (found != table.end()) {
            current = found->second;
            continue;
        }
        w.Put(current, size);
        if (next < kMaxCodes) {
            table.emplace(key, next++);
            // The reader adds its entries one code behind: it widens when this
            // table holds one more than the width can name.
            if (next > (1 << size) && size < 12) ++size;
        } else {
            w.Put(kClear, size);
            table.clear();
            size = kMinCodeSize + 1, next = kEnd + 1;
        }
        current = indices[i];
    }
    if (!indices.empty()) w.Put(current, size);
    w.Put(kEnd, size);
    w.Finish();
}

void Put16(std::vector<uint8_t>& out, int v) {
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t(v >> 8 & 0xFF));
}

} // namespace

bool WriteGif(const std::string& path, const uint32_t* pixels, int width, int height, int stride) {
    // The picture's colours, the most frequent first.
    std::unordered_map<uint32_t, int> seen;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ++seen[pixels[size_t(y) * size_t(stride) + size_t(x)] & 0xFFFFFF];
    std::vector<std::pair<int, uint32_t>> byCount;
    for (const auto& [colour, count] : seen) byCount.push_back({count, colour});
    std::sort(byCount.begin(), byCount.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    std::vector<uint32_t> palette;
    std::unordered_map<uint32_t, uint8_t> index;
    for (const auto& [count, colour] : byCount) {
        if (palette.size() == kColours) break;
        index[colour] = uint8_t(palette.size());
        palette.push_back(colour);
    }
    for (const auto& [count, colour] : byCount) {
        if (index.count(colour)) continue;
        size_t best = 0;
        for (size_t i = 1; i < palette.size(); ++i)
            if (Distance(colour, palette[i]) < Distance(colour, palette[best])) best = i;
        index[colour] = uint8_t(best);
    }
    std::vector<uint8_t> indices(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            indices[size_t(y) * size_t(width) + size_t(x)] =
                index[pixels[size_t(y) * size_t(stride) + size_t(x)] & 0xFFFFFF];

    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(out, width);
    Put16(out, height);
    out.push_back(0xF7); // a global colour table of 256 entries, 8 bits a primary
    out.push_back(0);    // background colour
    out.push_back(0);    // pixels are square
    for (int i = 0; i < kColours; ++i) {
        uint32_t c = i < int(palette.size()) ? palette[size_t(i)] : 0;
        out.push_back(uint8_t(c >> 16 & 0xFF));
        out.push_back(uint8_t(c >> 8 & 0xFF));
        out.push_back(uint8_t(c & 0xFF));
    }
    out.push_back(0x2C); // the image, the whole screen, no colour table of its own
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, width);
    Put16(out, height);
    out.push_back(0);
    out.push_back(kMinCodeSize);
    Compress(indices, out);
    out.push_back(0x3B);

    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && ok;
}

} // namespace render
