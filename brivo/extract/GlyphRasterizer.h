#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "extract/FontResolver.h"
#include "extract/LogFont.h"
#include "glyph/Result.h"

// Turns the 32-bit B,G,R,x image of one cell into a glyph bitmap: a pixel is ink when the
// integer mean of its three colour channels is below `threshold`. `out` receives
// height * ceil(width / 8) bytes, the first pixel of each group in the most significant bit.
void ThresholdPixels(const uint8_t* pixels, int width, int height, int threshold, uint8_t* out);

// Draws characters black on white into an off-screen cell with FreeType and thresholds
// them. Usage: SetCellSize once per range, CreateFont per lead byte, RenderGlyph per code.
class CGlyphRasterizer {
public:
    CGlyphRasterizer();
    ~CGlyphRasterizer();
    CGlyphRasterizer(const CGlyphRasterizer&) = delete;
    CGlyphRasterizer& operator=(const CGlyphRasterizer&) = delete;

    Result SetCellSize(int width, int height);

    // Selects the font the description stands for. Fails when no installed font matches or
    // the font file cannot be read; the previous font is then deselected.
    Result CreateFont(const LogFont& font);
    void DeleteFont();
    const ResolvedFont& SelectedFont() const { return selected; }

    // Draws `code` (a byte up to 0x7F or an EUC-KR lead/trail pair) with the top-left of the
    // font's character cell at (offsetX, offsetY) and returns the new bitmap (new[]), or
    // null when no font is selected. Codes the font has no glyph for come out blank.
    uint8_t* RenderGlyph(uint16_t code, int offsetX, int offsetY, int threshold);

    // Whether the last RenderGlyph found no glyph for its code.
    bool LastGlyphMissing() const { return lastMissing; }
    // Whether the code is a character at all (CP949 assigns it).
    bool IsAssigned(uint16_t code);

    const std::vector<uint8_t>& Pixels() const { return pixels; }

private:
    struct FaceData;

    char32_t Decode(uint16_t code);
    void DrawCode(uint16_t code, int originX, int originY);
    void DrawCoverage(const void* bitmap, int left, int top);
    void FillRows(int x0, int x1, int y0, int rows);

    void* library = nullptr;             // FT_Library
    void* decoder = nullptr;             // iconv_t, CP949 -> UTF-32LE
    std::map<std::string, void*> faces;  // FT_Face by file and index, opened once
    void* face = nullptr;                // the selected FT_Face
    ResolvedFont selected;
    LogFont selectedFont;
    int ascent = 0;  // pixels from the cell top to the baseline
    int underlineTop = 0, underlineRows = 0;
    int strikeTop = 0, strikeRows = 0;
    bool lastMissing = false;

    int cellWidth = 0, cellHeight = 0;
    std::vector<uint8_t> pixels;
};
