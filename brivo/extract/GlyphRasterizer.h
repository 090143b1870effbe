#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "extract/FontResolver.h"
#include "glyph/Glyph.h"
#include "glyph/GlyphMetrics.h"
#include "glyph/LogFont.h"
#include "glyph/Result.h"

namespace brivo {

// How glyphs are rasterised. Auto draws outlines in FreeType's hinted monochrome at every
// size, except that a glyph whose monochrome form is blank while its greyscale form has ink
// (a stroke or dot thinner than a pixel that hinting drops) takes its greyscale form: the
// pixels below the threshold, or where none are, those of more than half its darkest
// coverage. Mono and Gray force one form for every glyph. Embedded bitmap strikes are used
// whatever the mode.
enum class RenderMode { Auto, Mono, Gray };

// The threshold an extraction uses unless told otherwise: a greyscale pixel is ink when it is
// darker than middle grey.
inline constexpr int kDefaultThreshold = 128;

// Draws characters with FreeType into 1-bit glyph cells: monochrome bitmaps are copied bit
// for bit, greyscale coverage is thresholded (a pixel is ink when 255 - coverage is below
// the threshold). Usage: SetCellSize once per range, CreateFont per lead byte, RenderGlyph
// per code. A character the selected font lacks is drawn with the first font of
// fontconfig's fallback order for that face that has it, unless fallback is turned off.
// Bold or italic that a face lacks is synthesised without moving the glyph's top or
// baseline and without widening it beyond its regular glyph's advance or ink.
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
    // Bits a pixel of the coverage RenderGlyph gives (1, 2, 4 or 8). Above 1, Auto draws
    // outlines in FreeType's greyscale, whose coverage is quantised evenly (0 and full
    // coverage exact); Mono gives only 0 and full.
    void SetBitsPerPixel(int bpp) { bitsPerPixel = bpp; }

    // Selects the font the description stands for. Fails when no installed font matches or
    // the font file cannot be read; the previous font is then deselected.
    Result CreateFont(const LogFont& font);
    void DeleteFont();
    const ResolvedFont& SelectedFont() const { return primary.font; }
    // Pixels from the top of the selected font's character cell to its baseline.
    int SelectedFontAscent() const { return primary.ascent; }
    // The selected font's ascent, descent and line height in pixels (originX left 0).
    LineMetrics SelectedFontLines() const;
    // Whether the selected font gives every character one advance (FreeType's fixed width).
    bool SelectedFontFixedPitch() const;
    // Whether the selected font is rasterised in monochrome.
    bool SelectedFontMono() const { return primary.mono; }

    // Draws `code` (a byte up to 0x7F or an EUC-KR lead/trail pair) with the top-left of the
    // font's character cell at (offsetX, offsetY) and returns the new bitmap, or null when
    // no font is selected. Codes no font has a glyph for come out blank. With `into` (a
    // bitmap of the cell's size, whatever it holds) the glyph is drawn there and `into`
    // returned. With `coverage` at more than one bit a pixel it also receives the glyph's
    // coverage (a byte a pixel, see CGlyph::coverage), and the bitmap marks the pixels that
    // have any; the threshold is not used.
    GlyphBits RenderGlyph(uint16_t code, int offsetX, int offsetY, int threshold,
                          GlyphBits into = nullptr, GlyphBits* coverage = nullptr);

    // The advance in whole pixels of the last glyph RenderGlyph drew, 0 when none was drawn.
    int LastGlyphAdvance() const { return lastAdvance; }
    // Whether the last RenderGlyph found no glyph for its code.
    bool LastGlyphMissing() const { return lastMissing; }
    // Whether the last glyph took its greyscale form in Auto, too thin for monochrome.
    bool LastGlyphGreyRescue() const { return lastGreyRescue; }
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
        int rows = 0;    // the character cell's height: ascent + descent
        int lineHeight = 0;
        bool mono = false;
        bool tried = false;  // fallbacks are sized on first use
    };

    char32_t Decode(uint16_t code);
    Result Size(const ResolvedFont& resolved, SizedFace& sized);
    SizedFace* FaceFor(char32_t character, unsigned& glyphIndex);
    void DrawCode(uint16_t code, int originX, int originY, int threshold, uint8_t* bits);
    // Loads, styles and renders the glyph into the face's slot; false when FreeType fails.
    bool LoadGlyph(const SizedFace& sized, unsigned glyphIndex, bool mono);
    void Synthesize(const SizedFace& sized);
    // Draws a FreeType bitmap with its top-left at (left, top), only columns fromX to toX
    // (excluded) of the cell.
    void DrawBitmap(const void* bitmap, int left, int top, int minCoverage, int fromX, int toX,
                    uint8_t* bits) const;
    void FillRows(int x0, int x1, int y0, int rows, uint8_t* bits) const;

    void* library = nullptr;  // FT_Library
    void* decoder = nullptr;  // iconv_t, CP949 -> UTF-32LE
    struct OpenFace {
        void* face = nullptr;              // FT_Face
        std::shared_ptr<const void> file;  // the memory it reads, shared by all rasterisers
    };
    std::map<std::string, OpenFace> faces;  // by file and index, opened once
    RenderMode renderMode = RenderMode::Auto;
    bool fallback = true;
    int bitsPerPixel = 1;
    uint8_t* coverOut = nullptr;  // the coverage being drawn, during a RenderGlyph that wants it

    SizedFace primary;
    std::shared_ptr<const CFallbackFonts> fallbackFonts;
    std::vector<SizedFace> fallbackFaces;  // parallel to fallbackFonts
    bool fallbackWanted = false;           // and not looked up yet
    LogFont selectedFont;
    int underlineTop = 0, underlineRows = 0;
    int strikeTop = 0, strikeRows = 0;
    bool lastMissing = false;
    bool lastGreyRescue = false;
    int lastAdvance = 0;
    int keepFrom = 0, keepTo = 0;  // the columns a synthesised glyph may ink, from the pen
    const ResolvedFont* lastFont = nullptr;

    int cellWidth = 0, cellHeight = 0;
};

}  // namespace brivo
