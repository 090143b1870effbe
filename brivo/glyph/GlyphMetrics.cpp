#include "glyph/GlyphMetrics.h"

#include <algorithm>

#include "glyph/GlyphBitmap.h"

namespace brivo {

InkBox FindInkBox(const uint8_t* bits, int width, int height, int originX, int baseline) {
    if (bits == nullptr) return {};
    const int bytesPerRow = BytesPerRow(width);
    int left = width, right = -1, top = height, bottom = -1;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = bits + static_cast<std::ptrdiff_t>(y) * bytesPerRow;
        for (int x = 0; x < width; ++x) {
            if ((row[x / 8] & (0x80 >> (x % 8))) == 0) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return {};
    return InkBox{left - originX, baseline - bottom - 1, right - left + 1, bottom - top + 1};
}

std::vector<uint8_t> CropBitmap(const uint8_t* bits, int width, int height, int left, int top,
                                int boxWidth, int boxHeight) {
    const int perRow = BytesPerRow(boxWidth);
    std::vector<uint8_t> cropped(static_cast<std::size_t>(std::max(0, boxHeight)) * perRow);
    if (bits == nullptr) return cropped;
    const CGlyphBitmapView bitmap(bits, width, height);
    for (int y = 0; y < boxHeight; ++y)
        for (int x = 0; x < boxWidth; ++x)
            if (bitmap.Pixel(left + x, top + y))
                cropped[static_cast<std::size_t>(y) * perRow + x / 8] |= 0x80 >> (x % 8);
    return cropped;
}

}  // namespace brivo
