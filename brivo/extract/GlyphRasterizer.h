#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "extract/FontResolver.h"
#include "glyph/LogFont.h"
#include "glyph/Result.h"

namespace brivo {

// How glyphs are rasterised. Auto follows the font's `gasp` table at the em size in use:
// hinted monochrome where the table does not ask for greyscale, greyscale where it does (and
// for fonts without the table), except that a glyph whose greyscale form leaves no pixel
// below the threshold takes its hinted monochrome form. Embedded bitmap strikes are used
// whatever the mode.
enum class RenderMode { Auto, Mono, Gray };

// Draws characters black on white into an off-screen cell with FreeType and thresholds
// them. Usage: SetCellSize once per range, CreateFont per lead byte, RenderGlyph per code.
// A character the selected font lacks is drawn with the first font of fontconfig's fallback
// order for that face that has it, unless fallback is turned off.
class CGlyphRasterizer {
public:
    CGlyphRasterizer();
    ~CGlyphRasterizer();
    CGlyphRasterizer(const CGlyphRasterizer&) = delete;
    CGlyphRasterizer& operator=(const CGlyphRasterizer&) = delete;

    Result SetCellSize(int width, int height);
    // Both take effect with the next CreateFont.
    void SetRenderMode(RenderMode mode) { renderMode = mode; }
    void SetFallback(bool on) { fallback = on; }

    // Selects the font the description stands for. Fails when no installed font matches or
    // the font file cannot be read; the previous font is then deselected.
    Result CreateFont(const LogFont& font);
    void DeleteFont();
    const ResolvedFont& SelectedFont() const { return primary.font; }
    // Pixels from the top of the selected font's character cell to its baseline.
    int SelectedFontAscent() const { return primary.ascent; }
    // Whether the selected font is rasterised in monochrome (at its em size).
    bool SelectedFontMono() const { return primary.mono; }

    // Draws `code` (a byte up to 0x7F or an EUC-KR lead/trail pair) with the top-left of the
    // font's character cell at (offsetX, offsetY) and returns the new bitmap (new[]), or
    // null when no font is selected. Codes no font has a glyph for come out blank. With
    // `into` (a bitmap of the cell's size, whatever it holds) the glyph is drawn there and
    // `into` returned.
    uint8_t* RenderGlyph(uint16_t code, int offsetX, int offsetY, int threshold,
                         uint8_t* into = nullptr);

    // Whether the last RenderGlyph found no glyph for its code.
    bool LastGlyphMissing() const { return lastMissing; }
    // The font that supplied the last glyph (null when none did).
    const ResolvedFont* LastGlyphFont() const { return lastFont; }
    // Whether the code is a character at all (CP949 assigns it).
    bool IsAssigned(uint16_t code);

private:
    // A font file opened at the em size of the selected description.
    struct SizedFace {
        void* face = nullptr;  // FT_Face, owned by `faces`
        ResolvedFont font;
        int ascent = 0;  // pixels from the cell top to the baseline
        bool mono = false;
        bool tried = false;  // fallbacks are sized on first use
    };

    char32_t Decode(uint16_t code);
    Result Size(const ResolvedFont& resolved, SizedFace& sized);
    SizedFace* FaceFor(char32_t character, unsigned& glyphIndex);
    void DrawCode(uint16_t code, int originX, int originY, int threshold);
    bool DrawGlyph(const SizedFace& sized, unsigned glyphIndex, bool mono, int originX, int originY,
                   int& advance);
    bool HasInk(int threshold) const;
    void DrawCoverage(const void* bitmap, int left, int top);
    void FillRows(int x0, int x1, int y0, int rows);
    void MarkDirty(int left, int right, int top, int bottom);

    void* library = nullptr;             // FT_Library
    void* decoder = nullptr;             // iconv_t, CP949 -> UTF-32LE
    std::map<std::string, void*> faces;  // FT_Face by file and index, opened once
    RenderMode renderMode = RenderMode::Auto;
    bool fallback = true;

    SizedFace primary;
    std::shared_ptr<const CFallbackFonts> fallbackFonts;
    std::vector<SizedFace> fallbackFaces;  // parallel to fallbackFonts
    LogFont selectedFont;
    int underlineTop = 0, underlineRows = 0;
    int strikeTop = 0, strikeRows = 0;
    bool lastMissing = false;
    const ResolvedFont* lastFont = nullptr;

    int cellWidth = 0, cellHeight = 0;
    // The part of the cell drawn on since the last clear, in pixels (right and bottom
    // excluded).
    struct Rect {
        int left = 0, right = 0, top = 0, bottom = 0;
        bool Empty() const { return left >= right || top >= bottom; }
    };
    std::vector<uint8_t> pixels;  // grey, 255 white
    Rect dirty;
};

}  // namespace brivo
