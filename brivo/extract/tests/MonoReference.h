#pragma once

// Hinted monochrome rendering straight from FreeType, placed as the README says glyphs are
// placed (the cell's top at the font's win ascent above the baseline, rounded; the pen at
// the cell's left edge; the em the negative height; a glyph the cell could hold that juts
// out at its top or bottom moved in): the reference the extraction's default output is
// checked against. It shares no code with the program.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class CMonoReference {
public:
    CMonoReference();
    ~CMonoReference();
    CMonoReference(const CMonoReference&) = delete;
    CMonoReference& operator=(const CMonoReference&) = delete;

    // Chooses the font file (opened once) at `em` pixels. False when it cannot.
    bool Open(const std::string& file, int faceIndex, int em);

    // The character in a width x height cell as rows of '#' and '.': FreeType's hinted
    // monochrome form, or where that is blank, its greyscale form: coverage of at least
    // 128, or where no pixel has that, more than half the darkest coverage.
    std::vector<std::string> Render(char32_t character, int width, int height);

    // The character's greyscale form, placed as Render places it: FreeType's hinted greyscale
    // rendering with its coverage quantised evenly to `bpp` bits (0 and full coverage exact),
    // a byte a pixel.
    std::vector<std::vector<uint8_t>> RenderGrey(char32_t character, int width, int height,
                                                 int bpp);

    // The face's ascent and descent (win metrics, else hhea, rounded) and line spacing
    // (hhea's ascender - descender + line gap, rounded) in pixels.
    int Ascent() const { return ascent; }
    int Descent() const { return descent; }
    int LineHeight() const { return lineHeight; }
    bool FixedPitch() const { return face != nullptr && FT_IS_FIXED_WIDTH(face); }
    // The hinted monochrome (or greyscale) advance of the character in whole pixels; -1 when
    // the face lacks it.
    int Advance(char32_t character, bool grey = false);

private:
    // Where the glyph in the face's slot goes in a cell `height` rows high: the top-left of its
    // bitmap.
    int Top(int height) const;

    FT_Library library = nullptr;
    std::map<std::string, FT_Face> faces;  // by file and index, opened once
    FT_Face face = nullptr;                // the one Open chose
    int ascent = 0, descent = 0, lineHeight = 0;
};
