#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fontfile/BinaryFontFile.h"
#include "glyph/GlyphSet.h"

// A fuzz input: four option bytes, then the file contents.
//   byte 0: range id in bits 0-2 (0 and 7 are refused ids), ExceptUnused in bit 3
//   byte 1: glyph width - 1 (modulo 32), byte 2: glyph height - 1 (modulo 32)
//   byte 3: skip bytes of a .fnt file
struct FuzzInput {
    CodeRange range;
    bool exceptUnused;
    int32_t width, height, skip;
    std::string_view contents;

    static bool Parse(const uint8_t* data, std::size_t size, FuzzInput& input) {
        if (size < 4) return false;
        input.range = static_cast<CodeRange>(data[0] & 7);
        input.exceptUnused = (data[0] & 8) != 0;
        input.width = data[1] % 32 + 1;
        input.height = data[2] % 32 + 1;
        input.skip = data[3];
        input.contents = std::string_view(reinterpret_cast<const char*>(data) + 4, size - 4);
        return true;
    }
};

// Keeps the reads of every bitmap byte from being optimised away.
inline volatile uint8_t bitmapSink = 0;

// What every load must give, whatever the contents: refused options give nothing; ranges
// ASCII to ALL give their whole code list; Custom numbers its glyphs; every glyph has a
// bitmap. Aborts (a fuzzer finding) otherwise, then frees the glyphs.
inline void CheckLoadedGlyphs(const FuzzInput& input, std::vector<CGlyph*>& glyphs) {
    if (input.range < RANGE_ASCII || input.range > RANGE_CUSTOM) {
        if (!glyphs.empty()) __builtin_trap();
        return;
    }
    const std::vector<uint16_t> codes = RangeCodes(input.range, input.exceptUnused);
    if (input.range != RANGE_CUSTOM && glyphs.size() != codes.size()) __builtin_trap();
    for (std::size_t n = 0; n < glyphs.size(); ++n) {
        const CGlyph* glyph = glyphs[n];
        const uint16_t code = input.range == RANGE_CUSTOM ? static_cast<uint16_t>(n) : codes[n];
        if (glyph == nullptr || glyph->bits == nullptr || glyph->code != code ||
            glyph->index != static_cast<int32_t>(n) || glyph->originalIndex != glyph->index)
            __builtin_trap();
        // Touch every byte so that a short bitmap shows up under AddressSanitizer.
        uint8_t sum = 0;
        for (int i = 0; i < BytesPerGlyph(input.width, input.height); ++i) sum ^= glyph->bits[i];
        bitmapSink = sum;
    }
    for (CGlyph* glyph : glyphs) DestroyLoadedGlyph(glyph);
}
