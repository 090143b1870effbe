#include "glyph/TextLine.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "glyph/CharacterSubset.h"
#include "glyph/GlyphBitmap.h"
#include "glyph/GlyphSet.h"

namespace brivo {

TextLine LayOutText(const CGlyphSet& set, const std::vector<char32_t>& text, bool proportional) {
    std::vector<const CGlyph*> byCode(0x10000, nullptr);
    bool wide = false;
    for (int n = set.Count() - 1; n >= 0; --n)
        if (const CGlyph* glyph = set.GlyphAt(n)) {
            byCode[glyph->code] = glyph;
            wide = wide || glyph->code >= 0x80;
        }
    TextLine line;
    for (const char32_t character : text) {
        const std::optional<uint16_t> code = CodeOfCharacter(character);
        const CGlyph* glyph = code ? byCode[*code] : nullptr;
        if (glyph != nullptr) {
            line.glyphs.push_back(
                {glyph, proportional ? set.FontAdvance(glyph) : set.CellAdvance(glyph)});
            continue;
        }
        line.glyphs.push_back({nullptr, character < 0x80 && wide ? set.width / 2 : set.width});
        if (std::find(line.missing.begin(), line.missing.end(), character) == line.missing.end())
            line.missing.push_back(character);
    }
    return line;
}

bool HasFontAdvances(const CGlyphSet& set) {
    return std::any_of(set.glyphs.begin(), set.glyphs.end(),
                       [](const GlyphPtr& glyph) { return glyph && glyph->metrics.advance > 0; });
}

int64_t TextLinePixels(const CGlyphSet& set, const std::vector<TextGlyph>& line, int scale) {
    // Ink may stand out of the advances by up to a cell on either side.
    int64_t width = 2 * int64_t{set.width} + 2 * kTextMargin;
    for (const TextGlyph& placed : line) width += std::max<int32_t>(placed.advance, 0);
    return width * scale * (int64_t{set.height} + 2 * kTextMargin) * scale;
}

uint8_t PixelShade(const CGlyphSet& set, const CGlyph& glyph, int column, int row) {
    if (glyph.coverage != nullptr) {
        const int most = (1 << set.bpp) - 1;
        const int value = glyph.coverage[static_cast<std::size_t>(row) * set.width + column];
        return static_cast<uint8_t>(kPaper - (kPaper - kInk) * value / most);
    }
    return CGlyphBitmapView(glyph.bits.get(), set.width, set.height).Pixel(column, row) ? kInk
                                                                                        : kPaper;
}

void PaintPixel(GrayImage& image, int x, int y, int scale, uint8_t shade) {
    if (shade == kPaper) return;
    for (int dy = 0; dy < scale; ++dy)
        for (int dx = 0; dx < scale; ++dx) {
            uint8_t& pixel = image.At(x + dx, y + dy);
            pixel = std::min(pixel, shade);
        }
}

GrayImage DrawTextLine(const CGlyphSet& set, const std::vector<TextGlyph>& line, int scale,
                       bool cells) {
    const int originX = set.lineMetrics ? set.lineMetrics->originX : 0;
    // The columns of each cell that are drawn: its ink, cut to the advance in fixed cells.
    auto drawnColumns = [&](const TextGlyph& placed) {
        const InkBox ink = set.CurrentInk(placed.glyph);
        const int first = originX + ink.x, end = first + ink.width;
        return std::pair{first, ink.Empty() ? first : cells ? std::min(end, placed.advance) : end};
    };
    // Where each pen stands, and the columns the ink and the advances take.
    std::vector<int> pens;
    int pen = 0, left = 0, right = 0;
    for (const TextGlyph& placed : line) {
        pens.push_back(pen);
        if (const auto [first, end] = drawnColumns(placed); end > first) {
            left = std::min(left, pen - originX + first);
            right = std::max(right, pen - originX + end);
        }
        pen += placed.advance;
        right = std::max(right, pen);
    }
    GrayImage image;
    image.width = (right - left + 2 * kTextMargin) * scale;
    image.height = (set.height + 2 * kTextMargin) * scale;
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, kPaper);
    for (std::size_t n = 0; n < line.size(); ++n) {
        const CGlyph* glyph = line[n].glyph;
        if (glyph == nullptr || glyph->bits == nullptr) continue;
        const auto [first, end] = drawnColumns(line[n]);
        const int cellLeft = pens[n] - originX - left + kTextMargin;
        for (int row = 0; row < set.height; ++row)
            for (int column = first; column < end; ++column)
                PaintPixel(image, (cellLeft + column) * scale, (kTextMargin + row) * scale, scale,
                           PixelShade(set, *glyph, column, row));
    }
    return image;
}

}  // namespace brivo
