// Pictures of the module's dialogs: the window captured into a 24-bit DIB
// section and written as a PNG with stored (uncompressed) deflate blocks, so
// that the stand-in needs no image library.
#include "standin/standin.h"

#include <cstdio>
#include <cstring>

namespace standin {

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

uint32_t Adler32(const Bytes& data) {
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void PutBig32(Bytes& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

void PutChunk(Bytes& png, const char* type, const Bytes& data) {
    PutBig32(png, uint32_t(data.size()));
    size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBig32(png, Crc32(0, png.data() + start, png.size() - start));
}

// Rows of RGB, each after its filter byte (0: none), in a zlib stream of
// stored blocks of at most 65535 bytes.
Bytes ZlibStored(const Bytes& raw) {
    Bytes out = {0x78, 0x01};
    size_t done = 0;
    do {
        size_t size = raw.size() - done < 65535 ? raw.size() - done : 65535;
        bool last = done + size == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(uint8_t(size)), out.push_back(uint8_t(size >> 8));
        out.push_back(uint8_t(~size)), out.push_back(uint8_t(~size >> 8));
        out.insert(out.end(), raw.begin() + long(done), raw.begin() + long(done + size));
        done += size;
    } while (done < raw.size());
    PutBig32(out, Adler32(raw));
    return out;
}

} // namespace

bool SaveWindowPicture(HWND window, const std::string& path, WindowPicture& picture) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;
    picture.Width = width, picture.Height = height;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first, as PNG wants it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib) {
        DeleteDC(memory);
        return false;
    }
    HGDIOBJ old = SelectObject(memory, dib);
    // Painted now, frame and children, then copied as it shows.
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC source = GetWindowDC(window);
    bool drawn = source && BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    if (source) ReleaseDC(window, source);
    GdiFlush();

    Bytes raw;
    raw.reserve(size_t(height) * (1 + 3 * size_t(width)));
    const auto* pixels = static_cast<const uint8_t*>(bits);
    size_t stride = (3 * size_t(width) + 3) & ~size_t(3);
    uint32_t colours[8];
    picture.Colours = 0;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const uint8_t* bgr = pixels + size_t(y) * stride + 3 * size_t(x);
            raw.insert(raw.end(), {bgr[2], bgr[1], bgr[0]});
            uint32_t colour = bgr[0] | bgr[1] << 8 | bgr[2] << 16;
            bool known = false;
            for (int i = 0; i < picture.Colours; ++i) known |= colours[i] == colour;
            if (!known && picture.Colours < 8) colours[picture.Colours++] = colour;
        }
    }
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    if (!drawn) return false;

    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    PutBig32(header, uint32_t(width));
    PutBig32(header, uint32_t(height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8 bits, RGB, deflate, no filter, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", ZlibStored(raw));
    PutChunk(png, "IEND", {});
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written;
}

} // namespace standin
