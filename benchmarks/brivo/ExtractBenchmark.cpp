// Extraction of the ALL range (ExceptUnused) with the default face, end to end into a glyph
// set, at three cell sizes, against FreeType alone doing the same rendering: the same
// codes, each from the same font (the face's own or its fallback), the same size, load
// flags and render mode, on one thread. Compare the CPU time of the two (the extraction
// renders lead-byte groups on all cores, so its wall time is lower than its CPU time).

#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GASP_H
#include <iconv.h>

#include <vector>

#include "extract/ExtractWorker.h"
#include "extract/FontResolver.h"
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
    bool mono = false;
};

void BM_FreeTypeAloneSameCodes(benchmark::State& state) {
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
        FT_Set_Pixel_Sizes(opened.face, 0, 16);
        const FT_Int gasp = FT_Get_Gasp(opened.face, 16);
        opened.mono = gasp != FT_GASP_NO_TABLE && (gasp & FT_GASP_DO_GRAY) == 0;
        fonts.push_back(opened);
    }
    for (auto _ : state) {
        long ink = 0;
        for (char32_t c : characters) {
            for (const FloorFont& font : fonts) {
                const FT_UInt index = c != 0 ? FT_Get_Char_Index(font.face, c) : 0;
                if (index == 0) continue;
                if (FT_Load_Glyph(font.face, index,
                                  font.mono ? FT_LOAD_TARGET_MONO : FT_LOAD_DEFAULT) == 0 &&
                    FT_Render_Glyph(font.face->glyph,
                                    font.mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) == 0)
                    ink += font.face->glyph->bitmap.rows;
                break;
            }
        }
        benchmark::DoNotOptimize(ink);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(characters.size()));
    for (const FloorFont& font : fonts) FT_Done_Face(font.face);
    FT_Done_FreeType(library);
}
BENCHMARK(BM_FreeTypeAloneSameCodes)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
