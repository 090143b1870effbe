// How the desktop program's window answers during long work, measured through its widgets:
//  - loading the ALL range at 256 x 256 from C source (about 457 MB, written first): the
//    longest the window's event loop went without running, which is how long a click would
//    wait for an answer (target: 100 ms throughout), and the load's total time;
//  - "Font 추출" of ALL at 16 x 16: the time from the click to the first paint of the grid
//    that shows glyphs (target: 400 ms), and to the end of the run.
// Run it on an otherwise idle machine: build/benchmarks/brivo/window_latency_benchmark
// [--skip-load] (QT_QPA_PLATFORM=offscreen is set when no display is given).

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "fontfile/TextFontWriter.h"
#include "glyph/CodeRange.h"
#include "glyph/GlyphSet.h"
#include "glyph/Singleton.h"
#include "panes/CExtractForm.h"
#include "panes/CFontList.h"
#include "shell/CBrivoApp.h"
#include "shell/CBrivoView.h"
#include "shell/CMainFrame.h"
#include "widgets/BrivoProfile.h"

using namespace brivo;

namespace {

// Records the longest gap between ticks of a 5 ms timer: the event loop's worst delay.
class LoopWatch : public QObject {
public:
    LoopWatch() {
        connect(&timer, &QTimer::timeout, this, [this] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
    }
    void Start() {
        longest = 0;
        clock.start();
        last = 0;
        timer.start(5);
    }
    double LongestMs() {
        timer.stop();
        return std::max(longest, clock.nsecsElapsed() - last) / 1e6;
    }

private:
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
};

// Fills `set` with the ALL range at `size` x `size`, every glyph a different pattern.
void FillAll(CGlyphSet& set, int size) {
    set.ClearGlyphs();
    set.SetGlyphSize(size, size);
    set.range = RANGE_ALL;
    const std::vector<uint16_t> codes = RangeCodes(RANGE_ALL, false);
    for (size_t i = 0; i < codes.size(); ++i) {
        GlyphPtr glyph = NewGlyph(codes[i], set.BytesPerGlyph());
        for (int b = 0; b < set.BytesPerGlyph(); ++b) glyph->bits[b] = uint8_t(i * 7 + b);
        set.SetGlyphAt(static_cast<int>(i), std::move(glyph));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool skipLoad = argc > 1 && std::strcmp(argv[1], "--skip-load") == 0;
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    SingletonTraceStream() = nullptr;
    QApplication application(argc, argv);
    CBrivoApp app;
    if (!app.InitInstance({"brivo"})) return 1;
    OpenBrivoProfile()->clear();
    CBrivoView* view = app.MainFrame()->View();
    LoopWatch watch;

    if (!skipLoad) {
        const QString path = dir.filePath("all-256.h");
        FillAll(view->GlyphSet(), 256);
        if (!WriteTextFile(view->GlyphSet(), QFile::encodeName(path).toStdString(), false)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        view->GlyphSet().ClearGlyphs();
        QElapsedTimer total;
        total.start();
        watch.Start();
        const int loaded = view->ReadTextFile(path, 256, 256, RANGE_ALL, 0, 0);
        const double longest = watch.LongestMs();
        std::printf(
            "load of %lld MB, ALL 256 x 256 C source: %s in %.2f s; the window's "
            "longest wait %.1f ms (target 100)\n",
            QFileInfo(path).size() / 1000000, loaded ? "loaded" : "FAILED",
            total.nsecsElapsed() / 1e9, longest);
        view->History().clear();
        view->GlyphSet().ClearGlyphs();
        QFile::remove(path);
    }

    // Extraction of ALL at 16 x 16, from the click.
    CExtractForm* form = view->ExtractForm();
    CFontList* grid = form->FontList();
    double firstShown = -1;
    QElapsedTimer sinceClick;
    // The grid shows glyphs once some have arrived (or the run is over): looked at as often
    // as the event loop lets the timer run, which is at most as often as the grid could paint.
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (firstShown < 0 && grid->ShownCount() > 0) {
            grid->repaint();
            firstShown = sinceClick.nsecsElapsed() / 1e6;
        }
    });
    bool finished = false;
    QObject::connect(form, &CExtractForm::ExtractionFinished, [&] { finished = true; });
    qobject_cast<QAbstractButton*>(form->Control(CExtractForm::IDC_ALL))->click();
    watch.Start();
    look.start(1);
    sinceClick.start();
    qobject_cast<QAbstractButton*>(form->Control(CExtractForm::IDC_DOEXTRACT))->click();
    while (!finished || firstShown < 0) QApplication::processEvents(QEventLoop::AllEvents, 5);
    const double longest = watch.LongestMs();
    std::printf(
        "extraction of ALL 16 x 16: %d glyphs; first glyphs shown %.0f ms after the "
        "click (target 400), run %.2f s; the window's longest wait %.1f ms\n",
        view->GlyphSet().Count(), firstShown, form->LastRunSeconds(), longest);
    return 0;
}
