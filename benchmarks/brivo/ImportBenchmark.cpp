// Reading back the 8366-glyph set of an ALL (ExceptUnused) 16 x 16 extraction: the C source
// (two-dimensional array) and the .fnt file, from disk into the glyph set.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "BenchSets.h"
#include "fontfile/BinaryFontFile.h"
#include "fontfile/TextFontReader.h"
#include "fontfile/TextFontWriter.h"

using namespace brivo;

namespace {

void BM_ReadTextFile8366(benchmark::State& state) {
    SingletonTraceStream() = nullptr;
    CGlyphSet saved;
    FillAll(saved);
    const std::string path = TempPath("brivo-bench-import.h");
    if (!WriteTextFile(saved, path, true)) state.SkipWithError("write failed");
    CGlyphSet loaded;
    for (auto _ : state) {
        if (!ReadTextFile(loaded, path, 16, 16, RANGE_ALL, true, true))
            state.SkipWithError("read failed");
    }
    if (loaded.Count() != 8366) state.SkipWithError("wrong glyph count");
    state.SetBytesProcessed(state.iterations() *
                            static_cast<int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadTextFile8366)->Unit(benchmark::kMillisecond);

void BM_ReadFontFile8366(benchmark::State& state) {
    SingletonTraceStream() = nullptr;
    CGlyphSet saved;
    FillAll(saved);
    const std::string path = TempPath("brivo-bench-import.fnt");
    if (!WriteFontFile(saved, path, 0)) state.SkipWithError("write failed");
    CGlyphSet loaded;
    for (auto _ : state) {
        if (!ReadFontFile(loaded, path, 16, 16, RANGE_ALL, 0, true))
            state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadFontFile8366)->Unit(benchmark::kMillisecond);

}  // namespace
