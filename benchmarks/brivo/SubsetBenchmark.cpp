// A character subset of 2000 characters from a 1 MB UTF-8 text file: the file read and
// its characters collected, then those characters extracted at 16 x 16 with the default
// face, end to end into a glyph set. The target is under 0.2 s of wall time for both.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "extract/ExtractWorker.h"
#include "glyph/CharacterSubset.h"
#include "glyph/GlyphSet.h"

using namespace brivo;

namespace {

constexpr int kCharacters = 2000;
constexpr std::size_t kFileBytes = 1 << 20;

// The first 1950 Hangul syllables of KS X 1001 and 50 ASCII characters, spread over lines
// of 60 characters until the file holds 1 MB.
std::string MakeText() {
    std::string pool;
    int added = 0;
    for (uint16_t code : RangeCodes(RANGE_HANGUL, false)) {
        if (added == kCharacters - 50) break;
        const std::optional<char32_t> c = CharacterOfCode(code);
        if (!c) continue;
        pool += static_cast<char>(0xE0 | *c >> 12);
        pool += static_cast<char>(0x80 | (*c >> 6 & 0x3F));
        pool += static_cast<char>(0x80 | (*c & 0x3F));
        ++added;
    }
    for (char c = '0'; c < '0' + 50; ++c) pool += c;
    std::string text;
    std::size_t at = 0, column = 0;
    while (text.size() < kFileBytes) {
        const std::size_t length = static_cast<unsigned char>(pool[at]) >= 0x80 ? 3 : 1;
        text.append(pool, at, length);
        at = (at + length) % pool.size();
        if (++column == 60) text += '\n', column = 0;
    }
    return text;
}

class TextFile {
public:
    TextFile() {
        char pattern[] = "/tmp/brivo-subset-XXXXXX";
        const int fd = mkstemp(pattern);
        if (fd >= 0) close(fd);
        path = pattern;
        std::ofstream(path, std::ios::binary) << MakeText();
    }
    ~TextFile() { std::remove(path.c_str()); }
    std::string path;
};

void BM_SubsetReadOnly(benchmark::State& state) {
    TextFile file;
    for (auto _ : state) {
        CCharacterSubset subset;
        if (!subset.AddFile(file.path) || subset.Count() != kCharacters)
            state.SkipWithError("wrong characters");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kFileBytes));
}
BENCHMARK(BM_SubsetReadOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SubsetReadAndExtract(benchmark::State& state) {
    SingletonTraceStream() = nullptr;
    TextFile file;
    CGlyphSet set;
    CExtractWorker worker;
    for (auto _ : state) {
        CCharacterSubset subset;
        if (!subset.AddFile(file.path)) state.SkipWithError("unreadable");
        ExtractSettings settings;
        settings.range = RANGE_CUSTOM;
        settings.codes = subset.Codes();
        if (!worker.StartExtraction(settings, set)) state.SkipWithError("bad settings");
        worker.Wait();
        if (set.Count() != kCharacters) state.SkipWithError("wrong glyph count");
    }
    state.SetItemsProcessed(state.iterations() * kCharacters);
}
BENCHMARK(BM_SubsetReadAndExtract)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
