// One paint of the glyph grid in a 1920 x 1080 client, full of 16 x 16 Hangul glyphs at
// scale 3: the off-screen image, every glyph pixel, labels and frames, and the copy to the
// window. Target: at most 8 ms per paint, both for a page painted before and for one the
// grid has not shown yet (its labels not laid out).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <memory>

#include "extract/ExtractWorker.h"
#include "glyph/GlyphSet.h"
#include "panes/CFontList.h"

using namespace brivo;

namespace {

// The Hangul range, extracted once with the default font, so that the glyphs look real.
const CGlyphSet& HangulSet() {
    static const CGlyphSet* const extracted = [] {
        auto* set = new CGlyphSet;
        ExtractSettings settings;
        settings.range = RANGE_HANGUL;
        CExtractWorker worker;
        if (worker.StartExtraction(settings, *set)) worker.Wait();
        return set;
    }();
    return *extracted;
}

constexpr int kColumns = 36;
constexpr int kFullRows = 14;

void SizeGrid(brivo::CFontList& grid) {
    grid.resize(1920 + grid.ScrollBar()->sizeHint().width(), 1080);
    grid.selectedIndex = 7;
}

// What a paint event does: the grid's image, then the copy to `window` (the screen).
void Paint(brivo::CFontList& grid, QImage& window) {
    const QImage& image = grid.RenderImage();
    QPainter painter(&window);
    painter.drawImage(0, 0, image);
    benchmark::DoNotOptimize(window.bits());
}

void CheckGeometry(benchmark::State& state, const brivo::CFontList& grid) {
    if (grid.VisibleCount() != kColumns * kFullRows)
        state.SkipWithError("unexpected grid geometry");
    state.counters["cells"] = (kFullRows + 1) * kColumns;
}

// The same page again and again.
void BM_GridPaint1920x1080(benchmark::State& state) {
    SingletonTraceStream() = nullptr;
    brivo::CFontList grid(HangulSet());
    SizeGrid(grid);
    QImage window(grid.ClientSize(), QImage::Format_RGB32);
    for (auto _ : state) Paint(grid, window);
    CheckGeometry(state, grid);
}
BENCHMARK(BM_GridPaint1920x1080)->Unit(benchmark::kMillisecond);

// The first paint of the second page, after the grid has shown only the first one.
void BM_GridPaintUnseenPage1920x1080(benchmark::State& state) {
    SingletonTraceStream() = nullptr;
    QImage window(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        state.PauseTiming();
        auto grid = std::make_unique<brivo::CFontList>(HangulSet());
        SizeGrid(*grid);
        Paint(*grid, window);
        grid->ScrollBar()->setValue(kFullRows + 1);
        state.ResumeTiming();
        Paint(*grid, window);
        state.PauseTiming();
        if (grid->firstVisible != (kFullRows + 1) * kColumns)
            state.SkipWithError("the second page was not painted");
        CheckGeometry(state, *grid);
        grid.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_GridPaintUnseenPage1920x1080)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
