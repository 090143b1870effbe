#include "glyph/GlyphBitmap.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace brivo {

void ThresholdRow(const uint8_t* pixels, int count, int threshold, uint8_t* out) {
    for (int x0 = 0; x0 < count; x0 += 8) {
        const int n = std::min(8, count - x0);
        unsigned byte = 0;
        for (int b = 0; b < n; ++b) byte |= static_cast<unsigned>(pixels[b] < threshold) << (7 - b);
        pixels += n;
        *out++ = static_cast<uint8_t>(byte);
    }
}

void ThresholdPixels(const uint8_t* pixels, int width, int height, int threshold, uint8_t* out) {
    for (int r = 0; r < height; ++r)
        ThresholdRow(pixels + static_cast<std::size_t>(r) * width, width, threshold,
                     out + static_cast<std::size_t>(r) * BytesPerRow(width));
}

void CGlyphBitmap::SetPixel(int x, int y, bool ink) {
    if (!Contains(x, y)) return;
    uint8_t& byte = bits[ByteOffset(x, y)];
    byte = ink ? (byte | PixelMask(x)) : (byte & ~PixelMask(x));
}

void CGlyphBitmap::Clear() { std::fill_n(bits, ByteCount(), 0); }

template <typename Source>
void CGlyphBitmap::Remap(Source source) {
    const std::vector<uint8_t> copy(bits, bits + ByteCount());
    const CGlyphBitmapView before(copy.data(), width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto [fromX, fromY] = source(x, y);
            SetPixel(x, y, before.Pixel(fromX, fromY));
        }
}

void CGlyphBitmap::Shift(ShiftDirection direction) {
    // Where each pixel takes its new value from, per direction.
    static constexpr int kFrom[][2] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}};
    if (direction < SHIFT_UP || direction > SHIFT_RIGHT) return;
    const int dx = kFrom[direction][0], dy = kFrom[direction][1];
    Remap([dx, dy](int x, int y) { return std::pair{x + dx, y + dy}; });
}

void CGlyphBitmap::Mirror(MirrorAxis axis) {
    const int right = width - 1, bottom = height - 1;
    if (axis == MIRROR_HORIZONTAL)
        Remap([right](int x, int y) { return std::pair{right - x, y}; });
    else
        Remap([bottom](int x, int y) { return std::pair{x, bottom - y}; });
}

}  // namespace brivo
