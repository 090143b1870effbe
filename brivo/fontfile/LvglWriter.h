#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "glyph/Result.h"

namespace brivo {

class CGlyphSet;

// One glyph of an LVGL font: its character, its ink box and how far the pen moves after it.
struct LvglGlyph {
    char32_t character = 0;
    int advance = 0;  // pixels
    int width = 0;    // of the ink box
    int height = 0;
    int left = 0;    // ink box's left edge right of the pen
    int bottom = 0;  // ink box's bottom edge above the baseline
    // width x height values of 0 to 2^bpp - 1 (full ink), rows top first.
    std::vector<uint8_t> coverage;
};

// A font as LVGL's format-text fonts hold it.
struct LvglFont {
    int bpp = 1;  // 1, 2, 4 or 8
    int lineHeight = 0;
    int baseLine = 0;           // rows from the bottom of the line up to the baseline
    int underlinePosition = 0;  // of the underline's top, above the baseline (below: negative)
    int underlineThickness = 1;
    std::vector<LvglGlyph> glyphs;  // any order; one glyph for a character
};

// The one place that knows the glyph set: the font its glyphs make, each cropped to its ink,
// the cell (half of it for the ASCII of a character subset, as in the BDF form) or with
// `proportional` the font's own advance, the set's baseline (or height/8 above the bottom where it
// is not known). Glyphs without a Unicode character, and a second glyph of one character, are left
// out.
LvglFont LvglFontOfSet(const CGlyphSet& set, bool proportional = false);

// The font as a C source file for LVGL v9 (lv_font_fmt_txt): one const lv_font_t `name`
// drawn by lv_font_get_glyph_dsc_fmt_txt and lv_font_get_bitmap_fmt_txt, the glyphs in
// Unicode order (glyph 0 reserved), bits running on from row to row, each glyph from a byte
// of its own; `compress`: each glyph in LVGL's run-length code over rows XORed with the row
// above, where LVGL v9 decompresses it (2 and 4 bits a pixel; see LvglCompresses). The
// characters are mapped by the smallest set of cmaps. Fails (with the reason) for a font
// LVGL's structures cannot hold.
Result FormatLvglFont(const LvglFont& font, const std::string& name, bool compress,
                      std::string& text);

// Whether LVGL v9 decompresses glyphs of `bpp` bits a pixel (2 and 4; not 1 or 8, which
// lv_font_conv also writes plain).
constexpr bool LvglCompresses(int bpp) { return bpp == 2 || bpp == 4; }

// FormatLvglFont written to `path` (see safefile::SafeFileWriter).
Result WriteLvglFont(const LvglFont& font, const std::string& name, bool compress,
                     const std::string& path);

}  // namespace brivo
