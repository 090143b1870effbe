#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "glyph/Result.h"

namespace brivo {

class CGlyphSet;

// One glyph as a GFX font holds it: its ink box placed against the pen, which stands on the
// baseline at the glyph's left edge.
struct GfxGlyph {
    uint16_t code = 0;       // EUC-KR: a byte below 0x80 for ASCII, lead << 8 | trail
    char32_t character = 0;  // Unicode; 0 where the code stands for none
    int advance = 0;         // pixels the pen moves on
    int xOffset = 0;         // ink's left edge right of the pen
    int yOffset = 0;         // ink's top row below the baseline (negative above it)
    int width = 0, height = 0;
    // The ink box's width x height pixels as one bit stream: rows top first, each running on
    // from the one above without padding, the leftmost pixel in the top bit of a byte.
    std::vector<uint8_t> bits;
};

struct GfxFontInput {
    std::vector<GfxGlyph> glyphs;
    int yAdvance = 0;  // line height
};

// The glyphs of `set` as GFX glyphs: each cell cropped to its ink, the cell width its advance
// (half of it for ASCII in a set that mixes it with two-byte characters), placed against the
// set's baseline; with `proportional` the font's own advance. Fails for glyphs that carry no
// character codes.
Result GfxInputOf(const CGlyphSet& set, GfxFontInput& input, bool proportional = false);

// Adafruit GFX: GFX addresses a character by one byte and a font's bitmap by 16-bit offsets,
// so the printable ASCII glyphs make one GFXfont `name` (first..last dense), and the glyphs
// of each EUC-KR lead byte XX one GFXfont `name_XX` (first 0xA1, last 0xFE, addressed by the
// trail byte); codes the set lacks are empty glyphs that do not advance. With two-byte glyphs
// the file also defines `name_font(lead)`, the font of a lead byte (ASCII for a byte below
// 0x80), and `name_draw(text, write, display)`, which walks EUC-KR text and hands each
// character's font and byte to `write`. Fails, naming the font, where a bitmap would pass
// 65 535 bytes or a glyph's size, advance or offsets do not fit GFX's bytes.
Result FormatGfx(const GfxFontInput& font, const std::string& name, std::string& text);

// TFT_eSPI's variant: one GFXfont `name` with 32-bit bitmap offsets, addressed by Unicode
// (first..last of the characters, the glyph table dense between them).
Result FormatGfxUnicode(const GfxFontInput& font, const std::string& name, std::string& text);

// GfxInputOf and FormatGfx / FormatGfxUnicode, saved to `path` only when the whole font fits.
Result WriteGfxFile(const CGlyphSet& set, const std::string& path, const std::string& name,
                    bool unicode, bool proportional = false);

}  // namespace brivo
