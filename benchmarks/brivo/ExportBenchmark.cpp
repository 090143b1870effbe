// Writing the 8366-glyph set of an ALL (ExceptUnused) 16 x 16 extraction as C source.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "fontfile/BinaryFontFile.h"
#include "fontfile/TextFontWriter.h"
#include "glyph/GlyphSet.h"

namespace {

void FillAll(CGlyphSet& set) {
    set.SetGlyphSize(16, 16);
    set.range = RANGE_ALL;
    set.exceptUnused = 1;
    set.fontDescription = "굴림체, 12";
    int n = 0;
    for (uint16_t code : RangeCodes(RANGE_ALL, true)) {
        auto* bits = new uint8_t[32];
        for (int i = 0; i < 32; ++i) bits[i] = static_cast<uint8_t>(code * 31 + i);
        auto* glyph = new CGlyph;
        glyph->SetCodeAndBits(code, bits);
        glyph->index = glyph->originalIndex = n;
        set.SetGlyphAt(n++, glyph);
    }
}

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

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

void BM_WriteFontFile8366(benchmark::State& state) {
    SingletonTraceStream() = nullptr;
    CGlyphSet set;
    FillAll(set);
    const std::string path = TempPath("brivo-bench-export.fnt");
    for (auto _ : state) {
        if (!WriteFontFile(set, path, 0)) state.SkipWithError("write failed");
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteFontFile8366)->Unit(benchmark::kMillisecond);

}  // namespace
