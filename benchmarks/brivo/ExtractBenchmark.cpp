// Extraction of the ALL range (ExceptUnused) with the default face at an em of the cell
// size, end to end into a glyph set, at three cell sizes, against FreeType alone doing the
// same work on one thread: the same codes, each from the same font (the face's own or its
// fallback), at the same em, in hinted monochrome, placed in the same cell by the same rule
// and packed into the same bits. Compare the CPU time of the two (the extraction renders
// lead-byte groups on all cores, so its wall time is lower than its CPU time).

#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "extract/ExtractWorker.h"
#include "extract/FontResolver.h"
#include "glyph/GlyphBitmap.h"
#include "glyph/GlyphSet.h"

using namespace brivo;

namespace {

constexpr int kGlyphs = 8366;

void BM_ExtractAllExceptUnused(benchmark::State& state) {
    SingletonTraceStream() = nullptr;
    ExtractSettings settings;
    settings.range = RANGE_ALL;
    settings.exceptUnused = true;
    settings.fontSizeX = settings.fontSizeY = static_cast<int>(state.range(0));
    settings.logFont.height = -settings.fontSizeY;
    CGlyphSet set;
    CExtractWorker worker;
    for (auto _ : state) {
        if (!worker.StartExtraction(settings, set)) state.SkipWithError("bad settings");
        worker.Wait();
        if (set.Count() != kGlyphs) state.SkipWithError("wrong glyph count");
    }
    state.SetItemsProcessed(state.iterations() * kGlyphs);
}
BENCHMARK(BM_ExtractAllExceptUnused)
    ->Arg(16)
    ->Arg(64)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

struct FloorFont {
    FT_Face face = nullptr;
    int ascent = 0, rows = 0;  // pixels: the baseline below the cell top; ascent + descent
};

void BM_FreeTypeAloneSameCodes(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    ResolvedFont primary;
    if (!CFontResolver::Instance().Resolve(LogFont{}, primary)) {
        state.SkipWithError("no font");
        return;
    }
    std::vector<ResolvedFont> order{primary};
    const auto fallbacks = CFontResolver::Instance().Fallbacks(LogFont{});
    for (int i = 0; i < fallbacks->Count(); ++i) order.push_back(fallbacks->Font(i));

    std::vector<char32_t> characters;
    iconv_t cd = iconv_open("UTF-32LE", "CP949");
    for (uint16_t code : RangeCodes(RANGE_ALL, true)) {
        char in[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        char32_t out = 0;
        char* inPtr = in;
        char* outPtr = reinterpret_cast<char*>(&out);
        std::size_t inLeft = 2, outLeft = 4;
        iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        characters.push_back(out);
    }
    iconv_close(cd);

    FT_Library library;
    FT_Init_FreeType(&library);
    std::vector<FloorFont> fonts;
    for (const ResolvedFont& font : order) {
        FloorFont opened;
        if (FT_New_Face(library, font.file.c_str(), font.faceIndex, &opened.face) != 0) continue;
        FT_Set_Pixel_Sizes(opened.face, 0, size);
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(opened.face, FT_SFNT_OS2));
        const bool win = os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0;
        const double scale = static_cast<double>(size) / opened.face->units_per_EM;
        opened.ascent =
            static_cast<int>(std::lround((win ? os2->usWinAscent : opened.face->ascender) * scale));
        opened.rows = opened.ascent +
                      static_cast<int>(
                          std::lround((win ? os2->usWinDescent : -opened.face->descender) * scale));
        fonts.push_back(opened);
    }
    const int primaryRows = fonts.front().rows;
    const int bytesPerRow = BytesPerRow(size);
    const std::size_t cellBytes = static_cast<std::size_t>(size) * bytesPerRow;
    std::vector<uint8_t> cells(cellBytes * characters.size());
    for (auto _ : state) {
        uint8_t* cell = cells.data();
        for (char32_t c : characters) {
            std::memset(cell, 0, cellBytes);
            for (const FloorFont& font : fonts) {
                const FT_UInt index = c != 0 ? FT_Get_Char_Index(font.face, c) : 0;
                if (index == 0) continue;
                if (FT_Load_Glyph(font.face, index, FT_LOAD_TARGET_MONO) != 0 ||
                    FT_Render_Glyph(font.face->glyph, FT_RENDER_MODE_MONO) != 0)
                    break;
                const FT_GlyphSlot slot = font.face->glyph;
                const FT_Bitmap& bitmap = slot->bitmap;
                const int rows = static_cast<int>(bitmap.rows);
                int top = font.ascent - slot->bitmap_top;
                if (rows <= primaryRows) top = std::clamp(top, 0, primaryRows - rows);
                const int left = slot->bitmap_left;
                const int firstRow = std::max(0, -top), lastRow = std::min(rows, size - top);
                const int firstCol = std::max(0, -left);
                const int lastCol = std::min(static_cast<int>(bitmap.width), size - left);
                const bool whole = firstCol == 0 && lastCol == static_cast<int>(bitmap.width);
                const int shift = left & 7;
                for (int y = firstRow; y < lastRow; ++y) {
                    const uint8_t* from = bitmap.buffer + y * bitmap.pitch;
                    uint8_t* to = cell + static_cast<std::size_t>(top + y) * bytesPerRow;
                    if (whole) {  // the usual case: a byte at a time
                        uint8_t* out = to + (left >> 3);
                        for (int i = 0; i < (lastCol + 7) / 8; ++i) {
                            out[i] |= static_cast<uint8_t>(from[i] >> shift);
                            if (shift != 0 && left + i * 8 + 8 - shift < size)
                                out[i + 1] |= static_cast<uint8_t>(from[i] << (8 - shift));
                        }
                        continue;
                    }
                    for (int x = firstCol; x < lastCol; ++x)
                        if (from[x >> 3] & (0x80 >> (x & 7)))
                            to[(left + x) >> 3] |= static_cast<uint8_t>(0x80 >> ((left + x) & 7));
                }
                break;
            }
            cell += cellBytes;
        }
        benchmark::DoNotOptimize(cells.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(characters.size()));
    // The floor must write what the extraction writes: count the cells that differ.
    ExtractSettings settings;
    settings.range = RANGE_ALL;
    settings.exceptUnused = true;
    settings.fontSizeX = settings.fontSizeY = size;
    settings.logFont.height = -size;
    CGlyphSet set;
    CExtractWorker worker;
    if (!worker.StartExtraction(settings, set)) {
        state.SkipWithError("bad settings");
        return;
    }
    worker.Wait();
    int differing = 0;
    for (int i = 0; i < set.Count() && i < static_cast<int>(characters.size()); ++i)
        differing += std::memcmp(set.glyphs[i]->bits.get(), &cells[i * cellBytes], cellBytes) != 0;
    state.counters["differing_cells"] = differing;
    for (const FloorFont& font : fonts) FT_Done_Face(font.face);
    FT_Done_FreeType(library);
}
BENCHMARK(BM_FreeTypeAloneSameCodes)
    ->Arg(16)
    ->Arg(64)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
