#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "glyph/CodeRange.h"
#include "glyph/Result.h"

class CGlyph;
class CGlyphSet;

// Pours the hexadecimal byte values of a C source `data_table` array, in order, into the
// glyphs of `rangeId`. How the text is read:
// - per line, "//" and what follows go, then the first "/* ... */" pair, then everything
//   up to the last "]" when a "[" stands before it (array declarations);
// - the array starts at the first line holding "{0x"; lines before it are ignored;
// - "{", "}" and "," separate tokens; text after a line's last separator is dropped;
// - a token is a byte when it holds "0x" and no comment marker; it is converted like
//   strtol in base 16 with a 32-bit long, and its low 8 bits are kept.
// ASCII to ALL give every glyph of the range (bytes the text does not supply are zero,
// bytes beyond the last glyph are ignored); Custom gives one glyph per complete group of
// bytesPerGlyph bytes, code = position. The caller owns the returned glyphs.
std::vector<CGlyph*> ParseTextFont(std::string_view text, int32_t width, int32_t height,
                                   CodeRange rangeId, bool exceptUnused);

// Replaces the glyphs of the set with those of a C source file (ParseTextFont). The set's
// range, exceptUnused and fontDescription are kept; on failure (bad size or range, file
// not readable) the set is left unchanged. The array form needs no telling: a flat array
// never starts with "{0x", so `doubleArray` is accepted for symmetry with the writer only.
// The caller stops a running extraction first: the worker appends to the same set.
Result ReadTextFile(CGlyphSet& set, const std::string& path, int32_t width, int32_t height,
                    CodeRange rangeId, bool doubleArray, bool exceptUnused);
