// A picture as a GIF still, the frames of the demo's animations (gifsicle
// puts them together): quicker to write than PNG, and GIF is what the
// animation is made of anyway.
#pragma once

#include <cstdint>
#include <string>

namespace render {

// Pixels 0x00RRGGBB, row after row, stride pixels apart. The colours are
// kept exactly when there are at most 256 of them; beyond that the 256 most
// frequent are kept and every other colour becomes the nearest of those.
bool WriteGif(const std::string& path, const uint32_t* pixels, int width, int height, int stride);

} // namespace render
