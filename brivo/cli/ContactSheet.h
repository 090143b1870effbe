#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "extract/GlyphRasterizer.h"
#include "glyph/Result.h"
#include "glyph/TextLine.h"

namespace brivo {

class CGlyphSet;

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

// Saves the image as a greyscale PNG (written beside the target, then renamed).
Result WritePng(const GrayImage& image, const std::string& path);

}  // namespace brivo
