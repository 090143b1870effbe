// The File menu's recent files: the glyph files last saved or loaded, kept in the profile with
// the options they were saved or loaded with, and loaded again with those options.
#include <QFile>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "glyph/GlyphSet.h"
#include "shell/CBrivoApp.h"
#include "shell/CBrivoView.h"
#include "shell/CMainFrame.h"
#include "testing/AppTestProfile.h"
#include "testing/GlyphSetBytes.h"
#include "testing/MessageBoxAnswerer.h"
#include "widgets/BrivoProfile.h"

using namespace brivo;
using brivo::test::SetBytes;

class RecentFilesTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        OpenBrivoProfile()->clear();
        Start();
    }
    void cleanup() { app.reset(); }
    void savedAndLoadedFilesAreListedNewestFirst();
    void listAndOptionsOutliveTheProgram();
    void aFileThatIsGoneIsReportedAndLeavesTheList();

private:
    void Start();
    CBrivoView* View() const { return app->MainFrame()->View(); }
    CGlyphSet& Set() const { return View()->GlyphSet(); }
    // The texts of the File menu's recent-file entries.
    QStringList MenuEntries() const;
    void Fill(int width, int height, CodeRange range, int count);

    TestProfile profile;
    QTemporaryDir dir;
    std::unique_ptr<CBrivoApp> app;
};

void RecentFilesTest::Start() {
    app.reset();
    app = std::make_unique<CBrivoApp>();
    QVERIFY(app->InitInstance({"brivo"}));
}

void RecentFilesTest::Fill(int width, int height, CodeRange range, int count) {
    CGlyphSet& set = Set();
    set.ClearGlyphs();
    set.SetGlyphSize(width, height);
    set.range = range;
    const std::vector<uint16_t> codes = RangeCodes(range, false);
    for (int i = 0; i < count; ++i) {
        GlyphPtr glyph = NewGlyph(codes[i], set.BytesPerGlyph(), i, i);
        std::fill_n(glyph->bits.get(), set.BytesPerGlyph(), uint8_t(i * 7 + 1));
        set.SetGlyphAt(i, std::move(glyph));
    }
}

QStringList RecentFilesTest::MenuEntries() const {
    QStringList texts;
    for (QAction* action : app->MainFrame()->menuBar()->actions().first()->menu()->actions()) {
        const int id = action->property("commandId").toInt();
        if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + 4)
            texts << (action->isEnabled() ? action->text() : "(" + action->text() + ")");
    }
    return texts;
}

void RecentFilesTest::savedAndLoadedFilesAreListedNewestFirst() {
    QCOMPARE(MenuEntries(), QStringList{"(최근 파일)"});
    Fill(8, 16, RANGE_ASCII, 128);
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
        paths << dir.filePath(QString("f%1.h").arg(i));
        View()->WriteTextFile(paths.last(), 1);
    }
    QCOMPARE(MenuEntries(),
             (QStringList{"&1 " + paths[4], "&2 " + paths[3], "&3 " + paths[2], "&4 " + paths[1]}));
    // Loading one of them puts it first without a second entry.
    QCOMPARE(View()->ReadTextFile(paths[2], 8, 16, RANGE_ASCII, 1, 0), 1);
    QCOMPARE(MenuEntries(),
             (QStringList{"&1 " + paths[2], "&2 " + paths[4], "&3 " + paths[3], "&4 " + paths[1]}));
}

void RecentFilesTest::listAndOptionsOutliveTheProgram() {
    // A binary file of 12 x 12 Hangul glyphs after 16 skipped bytes, in pages, and a C
    // source file. (The bits right of the glyphs are blank, as they are read back.)
    Fill(12, 12, RANGE_HANGUL, 2350);
    for (int i = 0; i < Set().Count(); ++i)
        for (int b = 1; b < Set().BytesPerGlyph(); b += 2) Set().GlyphAt(i)->bits[b] &= 0xF0;
    const QByteArray hangul = SetBytes(Set());
    const QString binary = dir.filePath("hangul.fnt");
    View()->WriteFontFile(binary, 16, {ScanOrder::Pages, BitOrder::Lsb});
    Fill(8, 16, RANGE_ASCII, 128);
    const QByteArray ascii = SetBytes(Set());
    const QString text = dir.filePath("ascii.h");
    View()->WriteTextFile(text, 0);
    {
        const auto stored = OpenBrivoProfile();
        QCOMPARE(stored->value("Recent File List/File1").toString(), text);
        QCOMPARE(stored->value("Recent File List/File2").toString(), binary);
        QCOMPARE(stored->value("Recent File Options/File2").toString(),
                 "binary 12 12 2 16 1 0 pages lsb");
    }

    Start();  // the program again, with an empty set
    Fill(16, 16, RANGE_HANGUL, 1);
    QCOMPARE(MenuEntries(), (QStringList{"&1 " + text, "&2 " + binary}));
    QAction* second = app->MainFrame()->FindCommand(ID_FILE_MRU_FILE1 + 1);
    second->trigger();
    QCOMPARE(Set().width, 12);
    QCOMPARE(Set().Count(), 2350);
    QCOMPARE(SetBytes(Set()), hangul);
    QCOMPARE(View()->CurrentFile(), binary);
    QCOMPARE(app->MainFrame()->windowTitle(), "hangul.fnt — Brivo");
    app->MainFrame()->FindCommand(ID_FILE_MRU_FILE1 + 1)->trigger();  // ascii.h, now second
    QCOMPARE(Set().width, 8);
    QCOMPARE(SetBytes(Set()), ascii);
}

void RecentFilesTest::aFileThatIsGoneIsReportedAndLeavesTheList() {
    Fill(8, 16, RANGE_ASCII, 128);
    const QString kept = dir.filePath("kept.h");
    const QString gone = dir.filePath("gone.h");
    View()->WriteTextFile(kept, 1);
    View()->WriteTextFile(gone, 1);
    QVERIFY(QFile::remove(gone));
    MessageBoxAnswerer ok;
    QCOMPARE(View()->OpenRecentFile(0), 0);
    QCOMPARE(ok.texts.size(), 1);
    QVERIFY(ok.texts[0].startsWith("파일을 찾을 수 없습니다."));
    QVERIFY(ok.texts[0].contains(gone));
    QCOMPARE(MenuEntries(), QStringList{"&1 " + kept});
    QCOMPARE(OpenBrivoProfile()->value("Recent File List/File2").toString(), QString());
    QCOMPARE(Set().Count(), 128);
}

QTEST_MAIN(RecentFilesTest)
#include "RecentFilesTest.moc"
