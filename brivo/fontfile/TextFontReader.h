#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "glyph/BitLayout.h"
#include "glyph/CodeRange.h"
#include "glyph/Glyph.h"
#include "glyph/Result.h"

namespace brivo {

class CGlyphSet;

// What the header lines of a C source file this program wrote say ("Font Width",
// "Font Height", "Font Type", and "Bit Layout" where the layout is not the default).
// What the array declaration says where it gives sizes ("NAME[2350][32]", "NAME[2350*32]"),
// and the "Data Length" and "Data Conut" lines: 0 where a file does not say.
struct TextFileHeader {
    int32_t width = 0, height = 0;
    CodeRange range = RANGE_NONE;
    bool exceptUnused = false;
    BitLayout layout;
    int64_t dataLength = 0, dataCount = 0;
    int64_t declaredGlyphs = 0, declaredBytes = 0;
};

// "" when the header's size, "Data Length" and "Data Conut" agree with the array declaration,
// else what disagrees ("the header says 8 x 16, 16 bytes a glyph; the array is declared
// [2350][32]").
std::string HeaderContradiction(const TextFileHeader& header);

// Pours the hexadecimal byte values of a C source `data_table` array, in order, into the
// glyphs of `rangeId`. How the text is read:
// - per line, "//" and what follows go, then the first "/* ... */" pair, then everything
//   up to the last "]" when a "[" stands before it (array declarations);
// - the array starts at the first line holding "{0x", or at the line declaring
//   `data_table` with "= {" if that comes first (the flat form has no "{0x"); lines
//   before it are ignored;
// - "{", "}" and "," separate tokens; text after a line's last separator is dropped;
// - a token is a byte when it holds "0x" and no comment marker; it is converted like
//   strtol in base 16 with a 32-bit long, and its low 8 bits are kept.
// ASCII to ALL give every glyph of the range (bytes the text does not supply are zero,
// bytes beyond the last glyph are not read); Custom gives one glyph per complete group of
// bytesPerGlyph bytes, code = position, up to kMaxCustomGlyphs. The bytes are packed in
// `layout`, or where none is given, as the header's "Bit Layout" line says (the default
// layout without one). The caller owns the returned glyphs.
std::vector<GlyphPtr> ParseTextFont(std::string_view text, int32_t width, int32_t height,
                                    CodeRange rangeId, bool exceptUnused,
                                    std::optional<BitLayout> layout = std::nullopt);

// The header of a C source file, read up to where its array begins; `header` is empty when
// any of the three lines with the size and range is missing (files by other tools).
Result ReadTextFileHeader(const std::string& path, std::optional<TextFileHeader>& header);

// "the file says 8 x 16, ASCII; asked for 16 x 16" when a load disagrees with the header,
// else "". A layout is compared only when one is asked for.
std::string HeaderMismatch(const TextFileHeader& header, int32_t width, int32_t height,
                           CodeRange rangeId, bool exceptUnused,
                           std::optional<BitLayout> layout = std::nullopt);

// Replaces the glyphs of the set with those of a C source file (ParseTextFont), read line by
// line and only as far as the range needs. The set's range, exceptUnused and
// fontDescription are kept. Refused, leaving the set unchanged: bad size or range, a file
// that is not readable or no regular file, a file without at least one glyph of data, and,
// with `checkHeader`, a file whose header disagrees with the size or range (HeaderMismatch).
// The layout is `layout`, or where none is given, the header's (see ParseTextFont).
// With `checkHeader`, a header that contradicts the array declaration is refused too
// (HeaderContradiction). What a load reports although it succeeds goes to `warning` (else
// ""): a Custom load that stopped at kMaxCustomGlyphs, an array that ends (or has no closing
// brace) before the range or its declaration is complete, a code table whose values do not
// ascend (CodeTableNote). The array
// form needs no telling: `doubleArray` is accepted for symmetry with the writer only.
// The caller stops a running extraction first: the worker appends to the same set.
Result ReadTextFile(CGlyphSet& set, const std::string& path, int32_t width, int32_t height,
                    CodeRange rangeId, bool doubleArray, bool exceptUnused, bool checkHeader = true,
                    std::string* warning = nullptr, std::optional<BitLayout> layout = std::nullopt);

}  // namespace brivo
