// Writing the 8366-glyph set of an ALL (ExceptUnused) 16 x 16 extraction as C source.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "BenchSets.h"
#include "fontfile/BinaryFontFile.h"
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
