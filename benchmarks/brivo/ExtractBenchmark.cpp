// Extraction of the ALL range (ExceptUnused) at 16 x 16 with the default font, end to end
// into a glyph set, against FreeType alone rendering the same codes at the same size.

#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <iconv.h>

#include <vector>

#include "extract/ExtractWorker.h"
#include "extract/FontResolver.h"
#include "glyph/GlyphSet.h"

namespace {

void BM_ExtractAllExceptUnused(benchmark::State& state) {
    SingletonTraceStream() = nullptr;
    ExtractSettings settings;
    settings.range = RANGE_ALL;
    settings.exceptUnused = true;
    CGlyphSet set;
    CExtractWorker worker;
    for (auto _ : state) {
        if (!worker.StartExtraction(settings, set)) state.SkipWithError("bad settings");
        worker.Wait();
        if (set.Count() != 8366) state.SkipWithError("wrong glyph count");
    }
    state.SetItemsProcessed(state.iterations() * 8366);
}
BENCHMARK(BM_ExtractAllExceptUnused)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The same codes, decoded beforehand, loaded and rendered by FreeType at 16 pixels.
void BM_FreeTypeAloneSameCodes(benchmark::State& state) {
    ResolvedFont font;
    if (!CFontResolver::Instance().Resolve(LogFont{}, font)) {
        state.SkipWithError("no font");
        return;
    }
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
    FT_Face face;
    if (FT_New_Face(library, font.file.c_str(), font.faceIndex, &face) != 0) {
        state.SkipWithError("cannot open the font");
        return;
    }
    FT_Set_Pixel_Sizes(face, 0, 16);
    for (auto _ : state) {
        long ink = 0;
        for (char32_t c : characters) {
            const FT_UInt index = c != 0 ? FT_Get_Char_Index(face, c) : 0;
            if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) continue;
            if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) continue;
            ink += face->glyph->bitmap.rows;
        }
        benchmark::DoNotOptimize(ink);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(characters.size()));
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}
BENCHMARK(BM_FreeTypeAloneSameCodes)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
