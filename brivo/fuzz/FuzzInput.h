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

// Keeps the reads of every bitmap byte from being optimised away.
inline volatile uint8_t bitmapSink = 0;

// What every load must give, whatever the contents: refused options give nothing; ranges
// ASCII to ALL give their whole code list; Custom numbers its glyphs; glyph n holds bytes
// n * size ... of `expected` (the bytes the reader should have found), zero past its end.
// Glyphs past the data are checked only at their ends: no input reaches their middle.
// Aborts (a fuzzer finding) otherwise, then frees the glyphs.
inline void CheckLoadedGlyphs(const FuzzInput& input, std::vector<CGlyph*>& glyphs,
                              std::string_view expected) {
    if (input.range < RANGE_ASCII || input.range > RANGE_CUSTOM) {
        if (!glyphs.empty()) __builtin_trap();
        return;
    }
    const auto bytes = static_cast<std::size_t>(BytesPerGlyph(input.width, input.height));
    if (input.range == RANGE_CUSTOM) {
        // The text reader keeps complete glyphs only, the .fnt reader pads the last one.
        const std::size_t complete = expected.size() / bytes;
        const std::size_t padded = (expected.size() + bytes - 1) / bytes;
        if (std::min(complete, kMaxCustomGlyphs) != glyphs.size() &&
            std::min(padded, kMaxCustomGlyphs) != glyphs.size())
            __builtin_trap();
    } else if (glyphs.size() !=
               static_cast<std::size_t>(RangeGlyphCount(input.range, input.exceptUnused))) {
        __builtin_trap();
    }
    const std::vector<uint16_t> codes = input.range == RANGE_CUSTOM
                                            ? std::vector<uint16_t>()
                                            : RangeCodes(input.range, input.exceptUnused);
    for (std::size_t n = 0; n < glyphs.size(); ++n) {
        const CGlyph* glyph = glyphs[n];
        const uint16_t code = input.range == RANGE_CUSTOM ? static_cast<uint16_t>(n) : codes[n];
        if (glyph == nullptr || glyph->bits == nullptr || glyph->code != code ||
            glyph->index != static_cast<int32_t>(n) || glyph->originalIndex != glyph->index)
            __builtin_trap();
        const std::size_t first = n * bytes;
        const bool reached = first < expected.size();
        // Touch the bytes so that a short bitmap shows up under AddressSanitizer.
        for (std::size_t i = 0; i < bytes; i = reached || i + 1 == bytes ? i + 1 : bytes - 1) {
            const std::size_t at = first + i;
            const uint8_t want = at < expected.size() ? static_cast<uint8_t>(expected[at]) : 0;
            if (glyph->bits[i] != want) __builtin_trap();
            bitmapSink = glyph->bits[i];
        }
    }
    for (CGlyph* glyph : glyphs) DestroyGlyph(glyph);
}

}  // namespace brivo
