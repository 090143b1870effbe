#pragma once

#include <filesystem>
#include <string>

#include "glyph/GlyphSet.h"

namespace brivo {

// The 8366 glyphs of an ALL (ExceptUnused) 16 x 16 extraction, with varied bitmaps.
inline void FillAll(CGlyphSet& set) {
    set.SetGlyphSize(16, 16);
    set.range = RANGE_ALL;
    set.exceptUnused = 1;
    set.fontDescription = "굴림체, 12";
    int n = 0;
    for (uint16_t code : RangeCodes(RANGE_ALL, true)) {
        GlyphPtr glyph = NewGlyph(code, 32, n, n);
        for (int i = 0; i < 32; ++i) glyph->bits[i] = static_cast<uint8_t>(code * 31 + i);
        set.SetGlyphAt(n++, std::move(glyph));
    }
}

inline std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

}  // namespace brivo
