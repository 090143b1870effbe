// Writing the 8366-glyph set of an ALL (ExceptUnused) 16 x 16 extraction as C source, .fnt
// (in the default and other bit layouts), BDF, GFX and LVGL fonts.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "BenchSets.h"
#include "extract/ExtractWorker.h"
#include "fontfile/BdfWriter.h"
#include "fontfile/BinaryFontFile.h"
#include "fontfile/GfxWriter.h"
#include "fontfile/LvglWriter.h"
#include "fontfile/TextFontWriter.h"
#include "glyph/GlyphSet.h"

using namespace brivo;

namespace {

void BM_WriteTextFile8366(benchmark::State& state) {
    SingletonTraceStream() = nullptr;
    CGlyphSet set;
    FillAll(set);
    const std::string path = TempPath("brivo-bench-export.h");
    for (auto _ : state) {
        if (!WriteTextFile(set, path, state.range(0) != 0)) state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteTextFile8366)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Writes the set to a temporary file named `name` with `write(set, path)` as often as asked.
template <class Write>
void WriteAll(benchmark::State& state, const char* name, Write write) {
    SingletonTraceStream() = nullptr;
    CGlyphSet set;
    FillAll(set);
    const std::string path = TempPath(name);
    for (auto _ : state) {
        if (!write(set, path)) state.SkipWithError("write failed");
    }
    std::filesystem::remove(path);
}

void BM_WriteFontFile8366(benchmark::State& state) {
    WriteAll(state, "brivo-bench-export.fnt", [](const CGlyphSet& set, const std::string& path) {
        return WriteFontFile(set, path, 0);
    });
}
BENCHMARK(BM_WriteFontFile8366)->Unit(benchmark::kMillisecond);

// The same in another bit layout: 1 = columns, 2 = pages (LSB first).
void BM_WriteFontFileLayout8366(benchmark::State& state) {
    const auto scan = static_cast<ScanOrder>(state.range(0));
    const BitLayout layout{scan, DefaultBitOrder(scan)};
    WriteAll(state, "brivo-bench-export-layout.fnt",
             [layout](const CGlyphSet& set, const std::string& path) {
                 return WriteFontFile(set, path, 0, layout);
             });
}
BENCHMARK(BM_WriteFontFileLayout8366)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_WriteBdfFile8366(benchmark::State& state) {
    WriteAll(state, "brivo-bench-export.bdf",
             [](const CGlyphSet& set, const std::string& path) { return WriteBdfFile(set, path); });
}
BENCHMARK(BM_WriteBdfFile8366)->Unit(benchmark::kMillisecond);

// Adafruit GFX (0: a font per lead byte) and TFT_eSPI (1: one font, dense by Unicode).
void BM_WriteGfxFile8366(benchmark::State& state) {
    const bool unicode = state.range(0) != 0;
    WriteAll(state, "brivo-bench-export-gfx.h",
             [unicode](const CGlyphSet& set, const std::string& path) {
                 return WriteGfxFile(set, path, "font", unicode);
             });
}
BENCHMARK(BM_WriteGfxFile8366)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// From the set, cropping each glyph to its ink.
void BM_WriteLvglFont8366(benchmark::State& state) {
    WriteAll(state, "brivo-bench-export-lvgl.c", [](const CGlyphSet& set, const std::string& path) {
        return WriteLvglFont(LvglFontOfSet(set), "font", false, path);
    });
}
BENCHMARK(BM_WriteLvglFont8366)->Unit(benchmark::kMillisecond);

// ALL at 16 x 16 drawn anti-aliased at 4 bits a pixel from the default face, written as an
// LVGL font plain (0) or compressed (1); the counters give the glyph bytes of each.
void BM_WriteGreyLvglFont8366(benchmark::State& state) {
    SingletonTraceStream() = nullptr;
    const bool compress = state.range(0) != 0;
    CGlyphSet set;
    ExtractSettings settings;
    settings.range = RANGE_ALL;
    settings.exceptUnused = true;
    settings.bpp = 4;
    CExtractWorker worker;
    if (!worker.StartExtraction(settings, set)) {
        state.SkipWithError("the extraction did not start");
        return;
    }
    worker.Wait();
    const std::string path = TempPath("brivo-bench-export-grey-lvgl.c");
    for (auto _ : state)
        if (!WriteLvglFont(LvglFontOfSet(set), "font", compress, path))
            state.SkipWithError("write failed");
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteGreyLvglFont8366)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
