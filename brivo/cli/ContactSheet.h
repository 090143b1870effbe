#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "extract/GlyphRasterizer.h"
#include "glyph/Result.h"

namespace brivo {

class CGlyphSet;

// An 8-bit grey image, rows top first, 0 = black.
struct GrayImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    uint8_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Writes glyph labels (code page 949 text, as GetLabel gives it) with the default face in
// hinted monochrome.
class CLabelPainter {
public:
    static constexpr int kHeight = 12;

    CLabelPainter();
    CLabelPainter(const CLabelPainter&) = delete;
    CLabelPainter& operator=(const CLabelPainter&) = delete;

    bool Ready() const { return ready; }
    static int TextWidth(std::string_view label);
    void Draw(GrayImage& image, int x, int y, std::string_view label);

private:
    CGlyphRasterizer wide, narrow;  // two-byte characters, single bytes
    bool ready = false;
};

// Pixels the sheet would have, to refuse a sheet too big to hold before drawing it.
int64_t ContactSheetPixels(const CGlyphSet& set, int scale);

// Every glyph magnified `scale` times in a frame with its label under it, 16 to a row,
// in list order. Without a painter (or one that is not ready) the labels are left out.
GrayImage DrawContactSheet(const CGlyphSet& set, int scale, CLabelPainter* labels);

// One character of a line of text: its glyph (none: the set lacks it, left blank) and how far
// the pen moves on after it.
struct TextGlyph {
    const CGlyph* glyph = nullptr;
    int32_t advance = 0;
};

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

// Saves the image as a greyscale PNG (written beside the target, then renamed).
Result WritePng(const GrayImage& image, const std::string& path);

}  // namespace brivo
