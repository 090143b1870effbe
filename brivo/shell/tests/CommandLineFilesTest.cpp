// `brivo FILE...` opens each glyph file as File > Open would, once the window is up: C source
// by its header, a file of the recent-file list with its options, a .fnt file through its load
// dialog with the file chosen; a file that cannot be opened gets the program's own error and
// costs nothing of what was loaded.
#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "fontfile/TextFontWriter.h"
#include "glyph/GlyphSet.h"
#include "shell/CBrivoApp.h"
#include "shell/CBrivoView.h"
#include "shell/CMainFrame.h"
#include "testing/AppTestProfile.h"
#include "testing/FileDialogDriver.h"
#include "testing/GlyphSetBytes.h"
#include "testing/MessageBoxAnswerer.h"
#include "widgets/BrivoProfile.h"

using namespace brivo;
using brivo::test::SetBytes;

namespace {

void Fill(CGlyphSet& set, int width, int height, CodeRange range, int seed) {
    set.ClearGlyphs();
    set.SetGlyphSize(width, height);
    set.range = range;
    const std::vector<uint16_t> codes = RangeCodes(range, false);
    for (int i = 0; i < static_cast<int>(codes.size()); ++i) {
        GlyphPtr glyph = NewGlyph(codes[i], set.BytesPerGlyph(), i, i);
        for (int b = 0; b < set.BytesPerGlyph(); ++b) glyph->bits[b] = uint8_t(i * 7 + b + seed);
        // Bits right of a 12-pixel row are not kept by a file.
        if (width == 12)
            for (int b = 1; b < set.BytesPerGlyph(); b += 2) glyph->bits[b] &= 0xF0;
        set.SetGlyphAt(i, std::move(glyph));
    }
}

}  // namespace

class CommandLineFilesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { app.reset(); }
    void filesOpenAsFileOpenWould_data();
    void filesOpenAsFileOpenWould();

private:
    TestProfile profile;
    QTemporaryDir dir;
    std::unique_ptr<CBrivoApp> app;
    QByteArray ascii, hangul, plain;  // the glyphs of ascii.h, hangul.fnt, plain.fnt
};

// The files are written by the program itself: ascii.h (8 x 16 ASCII, C source with its
// header), hangul.fnt (12 x 12 Hangul after 16 bytes, in pages: in the recent-file list) and
// plain.fnt (8 x 16 ASCII, not in the list); then junk.h (a header and an empty array), a
// folder, a BDF font and grey.h (4 bits a pixel).
void CommandLineFilesTest::initTestCase() {
    app = std::make_unique<CBrivoApp>();
    QVERIFY(app->InitInstance({"brivo"}));
    CBrivoView* view = app->MainFrame()->View();
    Fill(view->GlyphSet(), 8, 16, RANGE_ASCII, 3);
    plain = SetBytes(view->GlyphSet());
    view->WriteFontFile(dir.filePath("plain.fnt"), 0);
    Fill(view->GlyphSet(), 8, 16, RANGE_ASCII, 1);
    ascii = SetBytes(view->GlyphSet());
    view->WriteTextFile(dir.filePath("ascii.h"), 1);
    Fill(view->GlyphSet(), 12, 12, RANGE_HANGUL, 2);
    hangul = SetBytes(view->GlyphSet());
    view->WriteFontFile(dir.filePath("hangul.fnt"), 16, {ScanOrder::Pages, BitOrder::Lsb});
    // grey.h: C source of 4 bits a pixel, which the editor does not take.
    CGlyphSet grey;
    Fill(grey, 8, 16, RANGE_ASCII, 4);
    grey.bpp = 4;
    QVERIFY(WriteTextFile(grey, dir.filePath("grey.h").toStdString(), true));
    // junk.h: the header of an ASCII export and an empty array.
    QFile junk(dir.filePath("junk.h"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(
        "/* Font Type  : ASCII (0x00 - 0x7F)\r\n/* Font Width : 8 pixel\r\n"
        "/* Font Height : 16 pixel\r\n/* Data Length : 16 bytes\r\n"
        "/* Data Conut : 128 \r\nconst unsigned char data_table[128][16] = {\r\n};\r\n");
    junk.close();
    QVERIFY(QDir(dir.path()).mkdir("folder.h"));
    QFile bdf(dir.filePath("font.bdf"));
    QVERIFY(bdf.open(QIODevice::WriteOnly));
    bdf.write("STARTFONT 2.1\n");
    bdf.close();
    app.reset();
    // Only hangul.fnt stays in the list: plain.fnt is new to the program.
    const auto stored = OpenBrivoProfile();
    stored->remove("Recent File List/File2");
    stored->remove("Recent File List/File3");
    stored->remove("Recent File Options/File2");
    stored->remove("Recent File Options/File3");
    QCOMPARE(stored->value("Recent File List/File1").toString(), dir.filePath("hangul.fnt"));
}

void CommandLineFilesTest::filesOpenAsFileOpenWould_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("shown");       // the file whose glyphs the set holds, "" for none
    QTest::addColumn<QStringList>("errors");  // a text each error box holds, in order
    QTest::newRow("C source by its header, a relative name")
        << QStringList{"ascii.h"} << "ascii.h" << QStringList{};
    QTest::newRow("a recent .fnt file with its skip and layout")
        << QStringList{"hangul.fnt"} << "hangul.fnt" << QStringList{};
    QTest::newRow("a new .fnt file through its dialog")
        << QStringList{"plain.fnt"} << "plain.fnt" << QStringList{};
    QTest::newRow("in turn: the last one shown")
        << QStringList{"hangul.fnt", "ascii.h"} << "ascii.h" << QStringList{};
    QTest::newRow("bad files after a good one cost nothing")
        << QStringList{"ascii.h", "missing.h", "junk.h", "folder.h", "font.bdf", "grey.h"}
        << "ascii.h" << QStringList{"missing.h", "junk.h", "folder.h", "BDF", "4 bits per pixel"};
    QTest::newRow("nothing to open") << QStringList{"gone.fnt"} << "" << QStringList{"gone.fnt"};
}

void CommandLineFilesTest::filesOpenAsFileOpenWould() {
    QFETCH(QStringList, files);
    QFETCH(QString, shown);
    QFETCH(QStringList, errors);
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    MessageBoxAnswerer ok;
    // plain.fnt's dialog starts with the file chosen; its size and range are given there.
    FileDialogDriver driver(dir.filePath("plain.fnt"), [](CFileOptionDialog& dialog) {
        static_cast<QLineEdit*>(dialog.Control(CFileOptionDialog::IDC_SIZEX))->setText("8");
        static_cast<QLineEdit*>(dialog.Control(CFileOptionDialog::IDC_SIZEY))->setText("16");
        static_cast<QAbstractButton*>(dialog.Control(CFileOptionDialog::IDC_ASCII))->click();
    });
    app = std::make_unique<CBrivoApp>();
    QVERIFY(app->InitInstance(QStringList{"brivo"} + files));
    QDir::setCurrent(cwd);
    CBrivoView* view = app->MainFrame()->View();
    // Each file is one step of the history; every error box has been answered.
    const int loads = shown.isEmpty() ? 0 : static_cast<int>(files.size() - errors.size());
    QTRY_VERIFY_WITH_TIMEOUT(view->History().count() == loads && ok.texts.size() == errors.size(),
                             60000);
    QTest::qWait(50);  // nothing more comes
    QCOMPARE(ok.texts.size(), errors.size());
    for (int i = 0; i < errors.size(); ++i) {
        QCOMPARE(ok.captions[i], QStringLiteral("오류"));
        QVERIFY2(ok.texts[i].contains(errors[i]) || ok.details[i].contains(errors[i]),
                 qPrintable(ok.texts[i] + " / " + ok.details[i]));
    }
    QCOMPARE(driver.opened, files.contains("plain.fnt"));
    if (driver.opened) {
        QVERIFY(driver.wasOpenDialog);
        QCOMPARE(driver.defaultName, "plain.fnt");
    }
    const CGlyphSet& set = view->GlyphSet();
    if (shown.isEmpty()) {
        QCOMPARE(set.Count(), 0);
        QCOMPARE(view->CurrentFile(), QString());
        return;
    }
    QCOMPARE(view->CurrentFile(), dir.filePath(shown));
    QCOMPARE(app->MainFrame()->windowTitle(), shown + " — Brivo");
    QCOMPARE(set.width, shown == "hangul.fnt" ? 12 : 8);
    QCOMPARE(SetBytes(set), shown == "hangul.fnt" ? hangul : shown == "plain.fnt" ? plain : ascii);
    if (files.size() > 1 && files[0] == "hangul.fnt") {
        view->Undo();  // the first file comes back
        QCOMPARE(SetBytes(set), hangul);
    }
}

QTEST_MAIN(CommandLineFilesTest)
#include "CommandLineFilesTest.moc"
