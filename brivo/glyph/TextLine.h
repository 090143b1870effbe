#pragma once

#include <cstdint>
#include <vector>

namespace brivo {

class CGlyph;
class CGlyphSet;

// An 8-bit grey image, rows top first, 0 = black.
struct GrayImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    uint8_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    uint8_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The grey of the paper and of the ink in the pictures drawn of glyphs.
inline constexpr uint8_t kPaper = 255, kInk = 0;

// The grey of the glyph's pixel: ink, paper, or between for grey coverage.
uint8_t PixelShade(const CGlyphSet& set, const CGlyph& glyph, int column, int row);

// Paints a glyph's pixel of grey `shade`, `scale` times magnified, with its top-left at (x, y)
// over anything lighter.
void PaintPixel(GrayImage& image, int x, int y, int scale, uint8_t shade);

// One character of a line of text: its glyph (none: the set lacks it, left blank) and how far
// the pen moves on after it.
struct TextGlyph {
    const CGlyph* glyph = nullptr;
    int32_t advance = 0;
};

// A line of text laid out with a set's glyphs, and the characters the set lacks (each once,
// in the order the text has them).
struct TextLine {
    std::vector<TextGlyph> glyphs;
    std::vector<char32_t> missing;
};

// The text's characters as the set's glyphs and their advances: the font's own with
// `proportional`, else the cell's. A character the set lacks is left blank, a cell wide (half
// a cell for ASCII among two-byte characters), and listed in `missing`.
TextLine LayOutText(const CGlyphSet& set, const std::vector<char32_t>& text, bool proportional);

// Whether any glyph of the set knows the font's advance (a proportional line differs from
// one of fixed cells).
bool HasFontAdvances(const CGlyphSet& set);

// The blank margin round a drawn line, in the glyphs' pixels.
inline constexpr int kTextMargin = 2;

// Pixels DrawTextLine would draw (at most), to refuse a line too long to hold.
int64_t TextLinePixels(const CGlyphSet& set, const std::vector<TextGlyph>& line, int scale);

// The glyphs one after the other on one baseline, as a display draws a line of text: each
// cell with its pen origin (the set's originX column, on the baseline row) at the pen, ink
// only, then the pen moves on by the glyph's advance. In fixed `cells` a glyph shows only its
// cell's first `advance` columns (an ASCII character in half a cell), as a display of fixed
// cells draws it. The picture holds the cells' rows and, from left to right, the drawn ink and
// the whole advance, with kTextMargin round it, all magnified `scale` times.
GrayImage DrawTextLine(const CGlyphSet& set, const std::vector<TextGlyph>& line, int scale,
                       bool cells);

}  // namespace brivo
