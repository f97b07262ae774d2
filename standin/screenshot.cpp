// Pictures of the module's dialogs: the window captured into a 24-bit DIB
// section and written as a PNG by stb_image_write.
#include "standin/standin.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO // the file is written here, with the path as given
#include <stb_image_write.h>

#include <cstdio>
#include <cstring>

namespace standin {

namespace {

using Bytes = std::vector<uint8_t>;

void Append(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
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
    raw.reserve(size_t(height) * 3 * size_t(width));
    const auto* pixels = static_cast<const uint8_t*>(bits);
    size_t stride = (3 * size_t(width) + 3) & ~size_t(3);
    uint32_t colours[8];
    picture.Colours = 0;
    for (int y = 0; y < height; ++y) {
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

    Bytes png;
    if (!stbi_write_png_to_func(&Append, &png, width, height, 3, raw.data(), 3 * width))
        return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written;
}

} // namespace standin
