#pragma once

#include <cstdint>
#include <vector>

namespace brivo {

// The smallest box that holds a glyph's ink, placed as BDF places it: `x` from the pen origin
// to the box's left column, `y` from the baseline up to the box's bottom row. A blank glyph
// has an empty box (all zero).
struct InkBox {
    int32_t x = 0, y = 0;
    int32_t width = 0, height = 0;

    bool Empty() const { return width <= 0 || height <= 0; }
    // The box's top row in a cell whose baseline lies `baseline` rows below its top, and its
    // left column in a cell whose pen origin is column `originX`.
    int32_t TopRow(int32_t baseline) const { return baseline - y - height; }
    int32_t LeftColumn(int32_t originX) const { return originX + x; }
    friend bool operator==(const InkBox&, const InkBox&) = default;
};

// What a glyph keeps of the font besides its bitmap: its advance (0 where it is not known: a
// glyph drawn by hand or read from a file without metrics, which advances by its cell) and
// its ink box.
struct GlyphMetrics {
    int32_t advance = 0;
    InkBox ink;
    friend bool operator==(const GlyphMetrics&, const GlyphMetrics&) = default;
};

// What a glyph set keeps of the font's lines, in pixels: the font's ascent above and descent
// below the baseline, the distance from one baseline to the next, and where in the cell the
// pen starts (column `originX`, on the baseline that CGlyphSet::baseline gives).
struct LineMetrics {
    int32_t ascent = 0, descent = 0, lineHeight = 0;
    int32_t originX = 0;
    friend bool operator==(const LineMetrics&, const LineMetrics&) = default;
};

// The pixels of the box `boxWidth` x `boxHeight` whose top-left is pixel (left, top) of a
// width x height bitmap (none: blank), in the glyph layout: rows top first, ceil(boxWidth/8)
// bytes each, the leftmost pixel in the top bit. Pixels outside the bitmap are blank.
std::vector<uint8_t> CropBitmap(const uint8_t* bits, int width, int height, int left, int top,
                                int boxWidth, int boxHeight);

// The ink box of a width x height bitmap (the glyph layout) whose pen origin is column
// `originX` on the baseline `baseline` rows below the top.
InkBox FindInkBox(const uint8_t* bits, int width, int height, int originX, int baseline);

}  // namespace brivo
