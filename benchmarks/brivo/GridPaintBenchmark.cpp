// One paint of the glyph grid in a 1920 x 1080 client, full of 16 x 16 Hangul glyphs at
// scale 3: the off-screen image, every glyph pixel, labels and frames, and the copy to the
// window. Target: at most 8 ms per paint.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

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
        worker.StartExtraction(settings, *set);
        worker.Wait();
        return set;
    }();
    return *extracted;
}

void BM_GridPaint1920x1080(benchmark::State& state) {
    SingletonTraceStream() = nullptr;
    brivo::CFontList grid(HangulSet());
    grid.resize(1920 + grid.ScrollBar()->sizeHint().width(), 1080);
    grid.selectedIndex = 7;
    QImage window(grid.ClientSize(), QImage::Format_RGB32);  // stands in for the screen
    for (auto _ : state) {
        const QImage& image = grid.RenderImage();
        QPainter painter(&window);
        painter.drawImage(0, 0, image);
        benchmark::DoNotOptimize(window.bits());
    }
    if (grid.VisibleCount() != 36 * 14) state.SkipWithError("unexpected grid geometry");
    state.counters["cells"] = (grid.VisibleCount() / 36 + 1) * 36;
}
BENCHMARK(BM_GridPaint1920x1080)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
