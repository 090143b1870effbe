#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "glyph/CodeRange.h"
#include "glyph/Result.h"

namespace brivo {

class CGlyph;
class CGlyphSet;

// What the header lines of a C source file this program wrote say ("Font Width",
// "Font Height", "Font Type").
struct TextFileHeader {
    int32_t width = 0, height = 0;
    CodeRange range = RANGE_NONE;
    bool exceptUnused = false;
};

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
// bytesPerGlyph bytes, code = position, up to kMaxCustomGlyphs. The caller owns the
// returned glyphs.
std::vector<CGlyph*> ParseTextFont(std::string_view text, int32_t width, int32_t height,
                                   CodeRange rangeId, bool exceptUnused);

// The header of a C source file, read up to where its array begins; `header` is empty when
// any of the three lines is missing (files by other tools).
Result ReadTextFileHeader(const std::string& path, std::optional<TextFileHeader>& header);

// "the file says 8 x 16, ASCII; asked for 16 x 16" when a load disagrees with the header,
// else "".
std::string HeaderMismatch(const TextFileHeader& header, int32_t width, int32_t height,
                           CodeRange rangeId, bool exceptUnused);

// Replaces the glyphs of the set with those of a C source file (ParseTextFont), read line by
// line and only as far as the range needs. The set's range, exceptUnused and
// fontDescription are kept. Refused, leaving the set unchanged: bad size or range, a file
// that is not readable or no regular file, a file without at least one glyph of data, and,
// with `checkHeader`, a file whose header disagrees with the size or range (HeaderMismatch).
// A Custom load that stopped at kMaxCustomGlyphs says so in `warning` (else ""). The array
// form needs no telling: `doubleArray` is accepted for symmetry with the writer only.
// The caller stops a running extraction first: the worker appends to the same set.
Result ReadTextFile(CGlyphSet& set, const std::string& path, int32_t width, int32_t height,
                    CodeRange rangeId, bool doubleArray, bool exceptUnused, bool checkHeader = true,
                    std::string* warning = nullptr);

}  // namespace brivo
