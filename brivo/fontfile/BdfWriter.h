#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "glyph/CodeRange.h"
#include "glyph/Result.h"

namespace brivo {

class CGlyphSet;

// The glyph set as a BDF 2.1 font, the bitmap font format of X11 and of many embedded
// font tools: every glyph of the set in list order, each a full cell (BBX and DWIDTH the
// set's width and height, so ASCII stays half width), ENCODING its Unicode code point
// (CHARSET_REGISTRY "ISO10646", CHARSET_ENCODING "1"). A glyph without one (a code that
// KS X 1001 leaves unassigned, a Custom set's position, a second glyph of one character)
// is written unencoded, ENCODING -1. In a character subset that mixes ASCII with two-byte
// characters the ASCII glyphs advance half the cell (their box the left half, or the whole
// cell where ink reaches further) and SPACING is "P". The baseline is the set's (FONT_ASCENT
// rows from the top; FONT_DESCENT is negative for a baseline below the cell), or where the
// set does not know it height/8 pixels above the bottom, about where outline fonts put it. `family`
// names the font (FONT, FAMILY_NAME); characters an XLFD name cannot hold become '_'. The file is
// printable ASCII: other characters of the comments are written \uXXXX. Handed to `out` piece by
// piece. A `proportional` font has each glyph cropped to its ink (BBX the ink box as the
// bitmap now has it) and advancing by the font's advance (DWIDTH; the cell where the glyph
// does not know it), FONTBOUNDINGBOX the box around all ink, SPACING "P" (or "M" where every
// advance is the same).
void WriteBdfTo(const CGlyphSet& set, std::string_view family,
                const std::function<void(std::string_view)>& out, bool proportional = false);

// WriteBdfTo collected in a string.
std::string FormatBdf(const CGlyphSet& set, std::string_view family, bool proportional = false);

// Streams WriteBdfTo into `path` (see safefile::SafeFileWriter), the family named after the
// file.
Result WriteBdfFile(const CGlyphSet& set, const std::string& path, bool proportional = false);

// The same with the family named `family` (a file without a name of its own: a pipe).
Result WriteNamedBdfFile(const CGlyphSet& set, const std::string& path, const std::string& family,
                         bool proportional = false);

// The Unicode character a glyph code of `range` stands for: ASCII as it is, KS X 1001 codes
// through code page 949; none for an unassigned code, or for a Custom set that does not
// keep its codes (a character subset does; otherwise they are positions).
std::optional<char32_t> CodePointOf(uint16_t code, CodeRange range, bool keepsCodes = false);

}  // namespace brivo
