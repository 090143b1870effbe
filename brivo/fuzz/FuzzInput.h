#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fontfile/BinaryFontFile.h"
#include "glyph/GlyphSet.h"

namespace brivo {

// A fuzz input: four option bytes, then the file contents.
//   byte 0: range id in bits 0-2 (0 and 7 are refused ids), ExceptUnused in bit 3; unless
//           bits 4-6 are all zero, Hangul to ALL give way to ASCII, so that the small
//           ranges (fast to check) come up most of the time
//   byte 1: glyph width - 1, byte 2: glyph height - 1 (1 to 256 pixels; modulo 32 where
//           the range's glyphs would take more than kFuzzGlyphBytes at the full size)
//   byte 3: skip bytes of a .fnt file
struct FuzzInput {
    static constexpr std::size_t kFuzzGlyphBytes = std::size_t{1} << 20;

    CodeRange range;
    bool exceptUnused;
    int32_t width, height, skip;
    std::string_view contents;

    static bool Parse(const uint8_t* data, std::size_t size, FuzzInput& input) {
        if (size < 4) return false;
        input.range = static_cast<CodeRange>(data[0] & 7);
        if ((data[0] & 0x70) != 0 && input.range >= RANGE_HANGUL && input.range <= RANGE_ALL)
            input.range = RANGE_ASCII;
        input.exceptUnused = (data[0] & 8) != 0;
        input.width = data[1] + 1;
        input.height = data[2] + 1;
        const bool fixed = input.range >= RANGE_ASCII && input.range < RANGE_CUSTOM;
        if (fixed && static_cast<std::size_t>(RangeGlyphCount(input.range, input.exceptUnused)) *
                             BytesPerGlyph(input.width, input.height) >
                         kFuzzGlyphBytes) {
            input.width = data[1] % 32 + 1;
            input.height = data[2] % 32 + 1;
        }
        input.skip = data[3];
        input.contents = std::string_view(reinterpret_cast<const char*>(data) + 4, size - 4);
        return true;
    }
};

// What every load must give, whatever the contents: refused options give nothing; ranges
// ASCII to ALL give their whole code list; Custom numbers its glyphs; glyph n holds bytes
// n * size ... of `expected` (the bytes the reader should have found), zero past its end.
// Glyphs past the data are checked only at their ends: no input reaches their middle.
// The codes of a file's code table, `tableCodes`, are those of the first Custom glyphs; a
// glyph of a fixed range may have them too.
// Aborts (a fuzzer finding) otherwise, then frees the glyphs. It lives in FuzzCheck.cpp,
// built without the fuzzer's coverage hooks: the checking code's branches tell the fuzzer
// nothing about the reader and would only slow every run.
void CheckLoadedGlyphs(const FuzzInput& input, const std::vector<GlyphPtr>& glyphs,
                       std::string_view expected, const std::vector<uint16_t>& tableCodes = {});

// What a C source file holds by the reading rules, written as plainly as they can be, line
// by line: the glyph bytes, and the code table after them. Also in FuzzCheck.cpp.
struct PlainText {
    std::vector<uint8_t> bytes;
    std::vector<uint16_t> table;
    bool unicode = false;  // the table holds Unicode characters, not EUC-KR codes
};
PlainText PlainTextReading(std::string_view file);

}  // namespace brivo
