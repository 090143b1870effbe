#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "glyph/GlyphSet.h"

namespace brivo {

// A fresh folder per test, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "brivo-test-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::string File(const std::string& name) const { return (path / name).string(); }

    std::filesystem::path path;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Adds a glyph whose bitmap bytes are `first`, first + 1, ... (wrapping).
inline void AddGlyph(CGlyphSet& set, uint16_t code, uint8_t first) {
    const int size = set.BytesPerGlyph();
    GlyphPtr glyph = NewGlyph(code, static_cast<std::size_t>(size), set.Count(), set.Count());
    for (int i = 0; i < size; ++i) glyph->bits[i] = static_cast<uint8_t>(first + i);
    set.SetGlyphAt(set.Count(), std::move(glyph));
}

// A set of the range's codes whose bitmaps differ from glyph to glyph.
inline void FillRange(CGlyphSet& set, CodeRange range, bool exceptUnused, int width, int height) {
    set.SetGlyphSize(width, height);
    set.range = range;
    set.exceptUnused = exceptUnused ? 1 : 0;
    int n = 0;
    for (uint16_t code : RangeCodes(range, exceptUnused))
        AddGlyph(set, code, static_cast<uint8_t>(n++ * 7));
}

}  // namespace brivo
