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

}  // namespace brivo
