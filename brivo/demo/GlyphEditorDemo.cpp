// Opens the main window with a few Hangul glyphs rendered from the default font and the
// second one selected in the editor, as the screenshot in docs/ shows it. With a file name
// argument it saves a picture of the window there and quits.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "extract/GlyphRasterizer.h"
#include "glyph/GlyphSet.h"
#include "shell/CBrivoView.h"
#include "shell/CMainFrame.h"
#include "widgets/PaneMessage.h"

using namespace brivo;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The splitters store their positions on exit: keep them out of the user's profile.
    QTemporaryDir profile;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profile.path());
    {
        QSettings positions(QSettings::IniFormat, QSettings::UserScope,
                            "Local AppWizard-Generated Applications", "Brivo");
        positions.setValue("splt/init_v61447/VertSplitPos", 560);
        positions.setValue("splt/init_h61446/HorizSplitPos", 260);
    }
    CGlyphSet set;
    CGlyphRasterizer rasterizer;
    if (!rasterizer.SetCellSize(16, 16).Ok() || !rasterizer.CreateFont(LogFont{}).Ok()) return 1;
    set.SetGlyphSize(16, 16);
    set.range = RANGE_HANGUL;
    for (const uint16_t code : {0xB0A1, 0xB1DB, 0xB2C3, 0xC7D1}) {
        const GlyphBits bits = rasterizer.RenderGlyph(code, 0, 0, kDefaultThreshold);
        GlyphPtr glyph = NewGlyph(code, set.BytesPerGlyph());
        glyph->CopyBits(bits.get(), set.BytesPerGlyph());
        set.InsertGlyphAt(set.Count(), std::move(glyph));
    }

    brivo::CMainFrame frame(set);
    brivo::CBrivoView* view = frame.View();
    view->OnInitialUpdate();
    frame.resize(1024, 768);
    frame.show();
    brivo::SendPaneMessage(view, brivo::WM_GLYPH_NOTIFY, brivo::RELAY_NOTIFY_PANES, 1);
    if (argc > 1) {
        QTimer::singleShot(1500, &app, [&] {
            frame.grab().save(QString::fromLocal8Bit(argv[1]));
            app.quit();
        });
    }
    return app.exec();
}
