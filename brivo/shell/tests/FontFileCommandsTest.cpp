#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <memory>
#include <semaphore>
#include <thread>

#include "fontfile/TextFontWriter.h"
#include "glyph/GlyphSet.h"
#include "panes/CExtractForm.h"
#include "panes/CFontList.h"
#include "shell/CBrivoApp.h"
#include "shell/CBrivoView.h"
#include "shell/CMainFrame.h"
#include "testing/AppTestProfile.h"
#include "testing/FileDialogDriver.h"
#include "testing/GlyphSetBytes.h"
#include "testing/MessageBoxAnswerer.h"
#include "testing/Patience.h"

using namespace brivo;
using brivo::test::SetBytes;
using Dialog = CFileOptionDialog;

namespace {

// Replaces the set by `count` glyphs of the range's first codes; glyph i has every byte i+1.
void FillSet(CGlyphSet& set, int width, int height, CodeRange range, int count,
             bool exceptUnused = false) {
    set.ClearGlyphs();
    set.SetGlyphSize(width, height);
    set.range = range;
    set.exceptUnused = exceptUnused ? 1 : 0;
    const std::vector<uint16_t> codes = RangeCodes(range, exceptUnused);
    for (int i = 0; i < count; ++i) {
        GlyphPtr glyph =
            NewGlyph(i < int(codes.size()) ? codes[i] : uint16_t(i), set.BytesPerGlyph());
        std::fill_n(glyph->bits.get(), set.BytesPerGlyph(), static_cast<uint8_t>(i + 1));
        set.SetGlyphAt(i, std::move(glyph));
    }
}

void Check(Dialog& dialog, int id) { static_cast<QAbstractButton*>(dialog.Control(id))->click(); }

}  // namespace

class FontFileCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { app.reset(); }
    void saveNamesTheFileAfterFontSizeAndRange_data();
    void saveNamesTheFileAfterFontSizeAndRange();
    void commandsOpenTheirDialog_data();
    void commandsOpenTheirDialog();
    void cancelChangesNothing();
    void binarySaveAndLoadWithSkipBytes();
    void customSetKeepsItsCodesInABinaryFile();
    void textSaveInEitherFormAndLoad();
    void loadedLayoutAndNamesAreSavedBack_data();
    void loadedLayoutAndNamesAreSavedBack();
    void loadWithOtherSizeAndRange();
    void failedLoadReportsAndKeepsTheSet_data();
    void failedLoadReportsAndKeepsTheSet();
    void headerDisagreementAsks_data();
    void headerDisagreementAsks();
    void selfContradictingHeaderAsks_data();
    void selfContradictingHeaderAsks();
    void doubtfulLoadIsToldInTheStatusBar();
    void unwritableFileIsReported();
    void failedExportReportsAndLeavesTheDocument();
    void saveWaitsForARunningExtraction();
    void saveWaitsAcrossARestartedExtraction();
    void largeFilesAreWrittenAndReadOffTheWindowThread();

private:
    CBrivoView* View() const { return app->MainFrame()->View(); }
    CGlyphSet& Set() const { return View()->GlyphSet(); }
    void Trigger(int command) { app->MainFrame()->FindCommand(command)->trigger(); }
    QString Path(const QString& name) const { return dir.filePath(name); }

    TestProfile profile;
    QTemporaryDir dir;
    std::unique_ptr<CBrivoApp> app;
};

void FontFileCommandsTest::init() {
    app = std::make_unique<CBrivoApp>();
    QVERIFY(app->InitInstance({"brivo"}));
    QVERIFY(QTest::qWaitForWindowExposed(app->MainFrame(), kPatienceMs));
}

void FontFileCommandsTest::saveNamesTheFileAfterFontSizeAndRange_data() {
    QTest::addColumn<int>("range");
    QTest::addColumn<bool>("exceptUnused");
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("name");
    QTest::newRow("Hangul binary")
        << int(RANGE_HANGUL) << false << 32771 << "굴림체12_16x16_한글.fnt";
    QTest::newRow("Hangul text") << int(RANGE_HANGUL) << false << 32773 << "굴림체12_16x16_한글.h";
    QTest::newRow("ALL except unused")
        << int(RANGE_ALL) << true << 32771 << "굴림체12_16x16_ALL(ExceptUnused).fnt";
    QTest::newRow("nothing extracted")
        << int(RANGE_NONE) << false << 32771 << "굴림체12_16x16_Undefined.fnt";
}

void FontFileCommandsTest::saveNamesTheFileAfterFontSizeAndRange() {
    QFETCH(int, range);
    QFETCH(bool, exceptUnused);
    QFETCH(int, command);
    QFETCH(QString, name);
    FillSet(Set(), 16, 16, CodeRange(range), 2, exceptUnused);
    FileDialogDriver driver({});
    Trigger(command);
    QVERIFY(driver.opened);
    QCOMPARE(driver.defaultName, name);
}

void FontFileCommandsTest::commandsOpenTheirDialog_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<int>("disabled");
    const QStringList binary{"FNT File (*.fnt)", "All Files (*)"};
    const QStringList text{"Header File (*.h)", "CPP File (*.cpp)", "All Files (*)"};
    QTest::newRow("font save") << 32771 << false << "fnt" << binary
                               << int(Dialog::IDC_DOUBLE_ARRAY);
    QTest::newRow("font load") << 32772 << true << "fnt" << binary << int(Dialog::IDC_DOUBLE_ARRAY);
    QTest::newRow("text save") << 32773 << false << "h" << text << int(Dialog::IDC_SKIPBYTES);
    QTest::newRow("text load") << 32774 << true << "h" << text << int(Dialog::IDC_SKIPBYTES);
}

void FontFileCommandsTest::commandsOpenTheirDialog() {
    QFETCH(int, command);
    QFETCH(bool, open);
    QFETCH(QString, suffix);
    QFETCH(QStringList, filters);
    QFETCH(int, disabled);
    FillSet(Set(), 16, 16, RANGE_FULLWIDTH1, 3);
    bool fullWidthShown = false;
    bool sizeEditable = false;
    bool optionDisabled = false;
    FileDialogDriver driver({}, [&](Dialog& dialog) {
        fullWidthShown = static_cast<QAbstractButton*>(dialog.Control(1024))->isChecked();
        sizeEditable = dialog.Control(Dialog::IDC_SIZEX)->isEnabled();
        optionDisabled = !dialog.Control(disabled)->isEnabled();
    });
    Trigger(command);
    QVERIFY(driver.opened);
    QCOMPARE(driver.wasOpenDialog, open);
    QCOMPARE(driver.defaultSuffix, suffix);
    QCOMPARE(driver.nameFilters, filters);
    QVERIFY(fullWidthShown);
    QCOMPARE(sizeEditable, open);
    QVERIFY(optionDisabled);
}

void FontFileCommandsTest::cancelChangesNothing() {
    FillSet(Set(), 16, 16, RANGE_HANGUL, 3);
    const QByteArray before = SetBytes(Set());
    for (int command : {32771, 32772, 32773, 32774}) {
        FileDialogDriver driver({});
        Trigger(command);
        QVERIFY(driver.opened);
    }
    QCOMPARE(SetBytes(Set()), before);
    QVERIFY(QDir(dir.path()).isEmpty());
}

void FontFileCommandsTest::binarySaveAndLoadWithSkipBytes() {
    FillSet(Set(), 16, 16, RANGE_ASCII, 128);
    const QByteArray glyphs = SetBytes(Set());
    {
        FileDialogDriver driver(Path("ascii"), [](Dialog& dialog) {
            static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_SKIPBYTES))->setText("16");
        });
        Trigger(32771);
    }
    QFile file(Path("ascii.fnt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(16, '\0') + glyphs);

    FillSet(Set(), 8, 8, RANGE_HANGUL, 1);
    View()->ExtractForm()->FontList()->selectedIndex = 5;
    {
        FileDialogDriver driver(Path("ascii.fnt"), [](Dialog& dialog) {
            static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_SIZEX))->setText("16");
            static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_SIZEY))->setText("16");
            static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_SKIPBYTES))->setText("16");
            Check(dialog, Dialog::IDC_ASCII);
        });
        Trigger(32772);
    }
    const CGlyphSet& set = Set();
    QCOMPARE(set.Count(), 128);
    QCOMPARE(set.width, 16);
    QCOMPARE(set.GlyphAt(65)->code, 0x41);
    QCOMPARE(SetBytes(Set()), glyphs);
    QCOMPARE(int(set.range), int(RANGE_HANGUL));  // a load keeps the set's range
    QCOMPARE(View()->ExtractForm()->FontList()->selectedIndex, 5);
}

// A Custom set saved from the File menu gets its codes written beside the .fnt file; loaded
// back, the glyphs take them again. A table that does not fit is
// refused with the load.
void FontFileCommandsTest::customSetKeepsItsCodesInABinaryFile() {
    const std::vector<uint16_t> codes{0x41, 0xB0A1, 0xC7D1, 0xA3C1};
    FillSet(Set(), 8, 8, RANGE_CUSTOM, int(codes.size()));
    for (std::size_t n = 0; n < codes.size(); ++n) Set().GlyphAt(int(n))->code = codes[n];
    Set().keepsCodes = true;
    const QByteArray glyphs = SetBytes(Set());
    {
        FileDialogDriver driver(Path("subset"), [](Dialog&) {});
        Trigger(32771);
    }
    QFile index(Path("subset.idx"));
    QVERIFY(index.open(QIODevice::ReadOnly));
    QCOMPARE(index.readAll(), QByteArray("\x41\x00\xA1\xB0\xD1\xC7\xC1\xA3", 8));
    index.close();

    FillSet(Set(), 16, 16, RANGE_HANGUL, 3);
    MessageBoxAnswerer boxes;
    QCOMPARE(View()->ReadFontFile(Path("subset.fnt"), 8, 8, RANGE_CUSTOM, 0, 0), 1);
    QVERIFY(boxes.captions.isEmpty());
    QCOMPARE(SetBytes(Set()), glyphs);
    QVERIFY(Set().keepsCodes);
    for (std::size_t n = 0; n < codes.size(); ++n) QCOMPARE(Set().GlyphAt(int(n))->code, codes[n]);
    // Saved again in its own form (as "save changes?" does), the file keeps its table.
    QCOMPARE(int(View()->CurrentDocument().array.codeTable), int(CodeIndex::EucKr));

    // A Unicode table (the glyphs in Unicode order) is read, and written back, as one.
    QVERIFY(index.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QByteArray unicode("\x41\x00\x00\xAC\x5C\xD5\x21\xFF", 8);
    index.write(unicode);
    index.close();
    QCOMPARE(View()->ReadFontFile(Path("subset.fnt"), 8, 8, RANGE_CUSTOM, 0, 0), 1);
    for (std::size_t n = 0; n < codes.size(); ++n) QCOMPARE(Set().GlyphAt(int(n))->code, codes[n]);
    {
        FileDialogDriver driver(Path("unicode"), [](Dialog&) {});
        Trigger(32771);
    }
    QFile saved(Path("unicode.idx"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), unicode);

    // The codes of another font (five glyphs) stay off these four glyphs.
    QVERIFY(index.open(QIODevice::WriteOnly | QIODevice::Truncate));
    index.write(QByteArray("\xA1\xB0\xA2\xB0\xA3\xB0\xA4\xB0\xA5\xB0", 10));
    index.close();
    FillSet(Set(), 16, 16, RANGE_HANGUL, 3);
    const QByteArray before = SetBytes(Set());
    QCOMPARE(View()->ReadFontFile(Path("subset.fnt"), 8, 8, RANGE_CUSTOM, 0, 0), 0);
    QCOMPARE(boxes.captions, QStringList{"오류"});
    QVERIFY2(boxes.texts[0].startsWith("폰트 파일 옆의 코드 테이블이 이 파일에 맞지 않아"),
             qPrintable(boxes.texts[0]));
    QVERIFY2(boxes.texts[0].endsWith(Path("subset.idx")), qPrintable(boxes.texts[0]));
    QCOMPARE(SetBytes(Set()), before);
    QVERIFY(!Set().keepsCodes);
}

void FontFileCommandsTest::textSaveInEitherFormAndLoad() {
    FillSet(Set(), 8, 16, RANGE_ASCII, 128);
    const QByteArray glyphs = SetBytes(Set());
    for (int id : {Dialog::IDC_SINGLE_ARRAY, Dialog::IDC_DOUBLE_ARRAY}) {
        FileDialogDriver driver(Path(id == Dialog::IDC_SINGLE_ARRAY ? "flat.h" : "ascii.h"),
                                [id](Dialog& dialog) { Check(dialog, id); });
        Trigger(32773);
    }
    for (const auto& [name, rows] : {std::pair{"flat.h", false}, std::pair{"ascii.h", true}}) {
        QFile file(Path(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().contains("data_table[128]["), rows);
    }

    // Both forms read back.
    for (const char* name : {"ascii.h", "flat.h"}) {
        Set().ClearGlyphs();
        {
            FileDialogDriver driver(Path(name), [](Dialog& dialog) {
                static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_SIZEX))->setText("8");
                static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_SIZEY))->setText("16");
                Check(dialog, Dialog::IDC_ASCII);
            });
            Trigger(32774);
        }
        QCOMPARE(Set().Count(), 128);
        QCOMPARE(SetBytes(Set()), glyphs);
    }
}

void FontFileCommandsTest::loadedLayoutAndNamesAreSavedBack_data() {
    QTest::addColumn<int>("scan");
    QTest::addColumn<int>("order");
    QTest::addColumn<bool>("doubleArray");
    QTest::addColumn<QString>("name");
    QTest::newRow("pages, LSB, flat")
        << int(ScanOrder::Pages) << int(BitOrder::Lsb) << false << "oled_font";
    QTest::newRow("columns, MSB") << int(ScanOrder::Columns) << int(BitOrder::Msb) << true
                                  << "font8x16";
}

// A C file in another bit layout and with its own array name, loaded and saved from the
// program with the save dialog as it opens, comes out as the writer made it (but for the
// time of writing).
void FontFileCommandsTest::loadedLayoutAndNamesAreSavedBack() {
    QFETCH(int, scan);
    QFETCH(int, order);
    QFETCH(bool, doubleArray);
    QFETCH(QString, name);
    FillSet(Set(), 8, 16, RANGE_ASCII, 128);
    const QString original = Path("original.h");
    TextArrayOptions array;
    array.name = name.toStdString();
    const BitLayout layout{ScanOrder(scan), BitOrder(order)};
    QVERIFY(brivo::WriteTextFile(
        Set(), QFile::encodeName(original).toStdString(), doubleArray,
        [] { return std::time_t(0); }, array, layout));
    Set().ClearGlyphs();
    {
        FileDialogDriver driver(original, [](Dialog& dialog) {
            static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_SIZEX))->setText("8");
            static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_SIZEY))->setText("16");
            Check(dialog, Dialog::IDC_ASCII);
            Check(dialog, Dialog::IDC_DOUBLE_ARRAY);
        });
        Trigger(ID_TEXTFILE_LOAD);
        QVERIFY(driver.opened);
    }
    QCOMPARE(Set().Count(), 128);
    {
        FileDialogDriver driver(Path(QString("resaved-%1.h").arg(scan)));
        Trigger(ID_TEXTFILE_SAVE);
        QVERIFY(driver.opened);
    }
    auto lines = [](const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return QList<QByteArray>();
        QList<QByteArray> all = file.readAll().split('\n');
        all.removeIf([](const QByteArray& line) { return line.contains("Create Time"); });
        return all;
    };
    QCOMPARE(lines(Path(QString("resaved-%1.h").arg(scan))), lines(original));
}

void FontFileCommandsTest::loadWithOtherSizeAndRange() {
    // 128 records of 8 x 16 read as ASCII after a full-width extraction.
    QFile file(Path("records.fnt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(128 * 16, '\x5a'));
    file.close();
    FillSet(Set(), 16, 16, RANGE_FULLWIDTH1, 4);
    FileDialogDriver driver(Path("records.fnt"), [](Dialog& dialog) {
        QVERIFY(static_cast<QAbstractButton*>(dialog.Control(1024))->isChecked());
        Check(dialog, Dialog::IDC_ASCII);
        static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_SIZEX))->setText("8");
        static_cast<QLineEdit*>(dialog.Control(Dialog::IDC_SIZEY))->setText("16");
    });
    Trigger(32772);
    QCOMPARE(Set().Count(), 128);
    QCOMPARE(SetBytes(Set()), QByteArray(128 * 16, '\x5a'));
}

void FontFileCommandsTest::failedLoadReportsAndKeepsTheSet_data() {
    QTest::addColumn<bool>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("message");  // shown, in Korean
    QTest::addColumn<QString>("details");  // the reason under "Show Details...", in Korean
    const QString cannotOpen = "파일을 열 수 없습니다.";
    const QString size = "폰트 사이즈는 1에서 256 사이의 정수를 입력하십시오.";
    const QString noData = "파일에 글자 데이터가 없습니다.";
    QTest::newRow("binary, missing file")
        << false << "missing.fnt" << 16 << cannotOpen + "\n" + Path("missing.fnt")
        << "파일: " + Path("missing.fnt") + "\n이유: 파일이나 폴더가 없습니다 (No such file";
    QTest::newRow("text, missing file")
        << true << "missing.h" << 16 << cannotOpen + "\n" + Path("missing.h")
        << "이유: 파일이나 폴더가 없습니다 (No such file";
    QTest::newRow("binary, a folder") << false << "" << 16 << cannotOpen << "이유: 폴더입니다";
    QTest::newRow("zero width") << false << "ascii.fnt" << 0 << size << "입력한 값: 0x16";
    QTest::newRow("too wide") << true << "ascii.h" << 300 << size << "입력한 값: 300x16";
    QTest::newRow("text, less than a glyph")
        << true << "ascii.h" << 8 << noData << "파일: " + Path("ascii.h");
    QTest::newRow("binary, less than a glyph")
        << false << "ascii.fnt" << 8 << noData << "파일: " + Path("ascii.fnt");
    QTest::newRow("text, a FIFO") << true << "fifo.h" << 8 << "파일을 읽을 수 없습니다."
                                  << "이유: 일반 파일이 아닙니다(장치, FIFO 또는 소켓)";
}

void FontFileCommandsTest::failedLoadReportsAndKeepsTheSet() {
    QFETCH(bool, text);
    QFETCH(QString, name);
    QFETCH(int, width);
    QFETCH(QString, message);
    QFETCH(QString, details);
    FillSet(Set(), 16, 16, RANGE_HANGUL, 3);
    const QByteArray before = SetBytes(Set());
    for (const char* existing : {"ascii.fnt", "ascii.h"}) {
        QFile file(Path(existing));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{0x01, 0x02}");
    }
    if (!QFileInfo::exists(Path("fifo.h")))
        QVERIFY(mkfifo(QFile::encodeName(Path("fifo.h")).constData(), 0600) == 0);
    MessageBoxAnswerer boxes;
    const int loaded = text ? View()->ReadTextFile(Path(name), width, 16, RANGE_ASCII, 1, 0)
                            : View()->ReadFontFile(Path(name), width, 16, RANGE_ASCII, 0, 0);
    QCOMPARE(loaded, 0);
    QCOMPARE(boxes.captions, QStringList{"오류"});
    QVERIFY2(boxes.texts[0].startsWith(message), qPrintable(boxes.texts[0]));
    QVERIFY2(boxes.details[0].contains(details), qPrintable(boxes.details[0]));
    QVERIFY2(!boxes.details[0].contains("cannot"), qPrintable(boxes.details[0]));
    QCOMPARE(Set().Count(), 3);
    QCOMPARE(Set().width, 16);
    QCOMPARE(SetBytes(Set()), before);
}

void FontFileCommandsTest::headerDisagreementAsks_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("loaded");
    QTest::addColumn<int>("width");  // of the set afterwards
    QTest::newRow("yes: as the file says") << int(QMessageBox::Yes) << 1 << 8;
    QTest::newRow("no: as asked") << int(QMessageBox::No) << 1 << 16;
    QTest::newRow("cancel: nothing") << int(QMessageBox::Cancel) << 0 << 16;
}

void FontFileCommandsTest::headerDisagreementAsks() {
    QFETCH(int, answer);
    QFETCH(int, loaded);
    QFETCH(int, width);
    FillSet(Set(), 8, 16, RANGE_ASCII, 128);
    const QByteArray glyphs = SetBytes(Set());
    View()->WriteTextFile(Path("ascii.h"), 0);
    FillSet(Set(), 16, 16, RANGE_HANGUL, 3);
    const QByteArray before = SetBytes(Set());

    MessageBoxAnswerer boxes(static_cast<QMessageBox::StandardButton>(answer));
    QCOMPARE(View()->ReadTextFile(Path("ascii.h"), 16, 16, RANGE_ASCII, 1, 0), loaded);
    QCOMPARE(boxes.captions, QStringList{"Text File Load"});
    QVERIFY2(
        boxes.texts[0].contains("파일 머리에 적힌 값: 8 x 16, ASCII\n지정한 값: 16 x 16, ASCII"),
        qPrintable(boxes.texts[0]));
    const CGlyphSet& set = Set();
    QCOMPARE(set.width, width);
    QCOMPARE(set.Count(), loaded ? 128 : 3);
    if (answer == QMessageBox::Yes) QCOMPARE(SetBytes(Set()), glyphs);
    if (answer == QMessageBox::Cancel) QCOMPARE(SetBytes(Set()), before);
}

void FontFileCommandsTest::selfContradictingHeaderAsks_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("loaded");
    QTest::newRow("yes: as asked") << int(QMessageBox::Yes) << 1;
    QTest::newRow("no: nothing") << int(QMessageBox::No) << 0;
}

// A header that says 8 x 16 over a [2350][32] array: neither can be taken on trust, so the
// load asks once, naming both, and reads as asked or not at all.
void FontFileCommandsTest::selfContradictingHeaderAsks() {
    QFETCH(int, answer);
    QFETCH(int, loaded);
    FillSet(Set(), 16, 16, RANGE_HANGUL, 2350);
    const QByteArray glyphs = SetBytes(Set());
    View()->WriteTextFile(Path("hangul.h"), 1);
    QFile file(Path("hangul.h"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    QVERIFY(text.contains("data_table[2350][32]"));
    text.replace("Font Width : 16", "Font Width : 8");
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    FillSet(Set(), 8, 8, RANGE_ASCII, 3);
    const QByteArray before = SetBytes(Set());

    MessageBoxAnswerer boxes(static_cast<QMessageBox::StandardButton>(answer));
    QCOMPARE(View()->ReadTextFile(Path("hangul.h"), 16, 16, RANGE_HANGUL, 1, 0), loaded);
    QCOMPARE(boxes.captions, QStringList{"Text File Load"});
    QVERIFY2(boxes.texts[0].contains("파일 머리에 적힌 값: 8 x 16, 글자당 16바이트\n"
                                     "배열 선언: [2350][32]"),
             qPrintable(boxes.texts[0]));
    QVERIFY2(boxes.texts[0].contains("지정한 값(16 x 16, 한글)"), qPrintable(boxes.texts[0]));
    QCOMPARE(SetBytes(Set()), loaded ? glyphs : before);
}

void FontFileCommandsTest::doubtfulLoadIsToldInTheStatusBar() {
    QFile file(Path("short.fnt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100, '\x5a'));
    file.close();
    MessageBoxAnswerer boxes;
    QCOMPARE(View()->ReadFontFile(Path("short.fnt"), 8, 16, RANGE_ASCII, 0, 0), 1);
    QVERIFY(boxes.captions.isEmpty());
    const QString message = app->MainFrame()->statusBar()->currentMessage();
    QVERIFY2(message.contains("has 100 bytes") && message.contains("read as zero"),
             qPrintable(message));
    QCOMPARE(Set().Count(), 128);
}

void FontFileCommandsTest::unwritableFileIsReported() {
    FillSet(Set(), 16, 16, RANGE_HANGUL, 3);
    for (bool text : {false, true}) {
        const QString path = Path("no-such-folder/glyphs");
        MessageBoxAnswerer boxes;
        QCOMPARE(text ? View()->WriteTextFile(path, 1) : View()->WriteFontFile(path, 0), 1);
        QCOMPARE(boxes.captions, QStringList{"오류"});
        QCOMPARE(boxes.texts[0], "파일을 저장할 수 없습니다.\n" + path);
        QCOMPARE(boxes.details[0], "파일: " + path + "\n이유: 파일이나 폴더가 없습니다 (" +
                                       QString::fromLocal8Bit(std::strerror(ENOENT)) + ")");
        QVERIFY(!QFileInfo::exists(path));
    }
    // Skip Bytes beyond 65536 and a read-only file are refused too, the file kept.
    QFile locked(Path("locked.fnt"));
    QVERIFY(locked.open(QIODevice::WriteOnly));
    locked.write("precious");
    locked.close();
    QVERIFY(locked.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    MessageBoxAnswerer boxes;
    QCOMPARE(View()->WriteFontFile(Path("far.fnt"), 65537), 1);
    QCOMPARE(View()->WriteFontFile(Path("locked.fnt"), 0), 1);
    QCOMPARE(boxes.texts, (QStringList{"Skip Bytes는 0에서 65536 사이의 정수를 입력하십시오.",
                                       "파일을 저장할 수 없습니다.\n" + Path("locked.fnt")}));
    QCOMPARE(boxes.details, (QStringList{"입력한 값: 65537", "파일: " + Path("locked.fnt") +
                                                                 "\n이유: 읽기 전용 파일입니다"}));
    QVERIFY(!QFileInfo::exists(Path("far.fnt")));
    QVERIFY(locked.open(QIODevice::ReadOnly));
    QCOMPARE(locked.readAll(), QByteArray("precious"));
}

void FontFileCommandsTest::failedExportReportsAndLeavesTheDocument() {
    // Custom glyphs without their codes: a GFX font cannot address them.
    FillSet(Set(), 16, 16, RANGE_CUSTOM, 3);
    QCOMPARE(View()->WriteFontFile(Path("custom.fnt"), 0), 1);
    const QString title = app->MainFrame()->windowTitle();
    MessageBoxAnswerer boxes;
    FileDialogDriver driver(Path("custom.h"), [](Dialog& dialog) {
        QVERIFY(dialog.Control(Dialog::IDC_PROPORTIONAL)->isEnabled());
        dialog.selectNameFilter("Adafruit GFX font (*.h)");
    });
    Trigger(ID_FILE_EXPORT);
    QVERIFY(driver.opened);
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2((boxes.texts[0] + boxes.details[0]).contains("a GFX font addresses glyphs"),
             qPrintable(boxes.texts[0]));
    QVERIFY(!QFileInfo::exists(Path("custom.h")));
    QCOMPARE(View()->CurrentFile(), Path("custom.fnt"));
    QVERIFY(!View()->Modified());
    QCOMPARE(app->MainFrame()->windowTitle(), title);
}

void FontFileCommandsTest::saveWaitsForARunningExtraction() {
    Set().ClearGlyphs();
    CExtractForm* form = View()->ExtractForm();
    static_cast<QRadioButton*>(form->Control(CExtractForm::IDC_ASCII))->click();
    form->StartExtraction();
    View()->WriteFontFile(Path("during.fnt"), 0);
    QVERIFY(!form->Running());
    QCOMPARE(Set().Count(), 128);
    QCOMPARE(QFileInfo(Path("during.fnt")).size(), 128 * Set().BytesPerGlyph());
}

// While a save waits, the first run ends and "Font 추출" starts another (8 x 8 this time)
// from within the wait: the overwrite question's own event loop delivers the first run's end,
// which ends the wait's loop, and the second run has begun when that loop returns. The wait
// must look again and keep waiting: the file gets the second run's whole set. Each run is
// held as it begins, its set empty, until the test lets it go, so the order is fixed.
void FontFileCommandsTest::saveWaitsAcrossARestartedExtraction() {
    CExtractForm* form = View()->ExtractForm();
    std::counting_semaphore<64> go(0);
    form->Worker().SetStartHook([&go] { go.acquire(); });
    static_cast<QRadioButton*>(form->Control(CExtractForm::IDC_ASCII))->click();
    form->StartExtraction();
    QVERIFY(form->Running());

    const QString path = Path("restarted.fnt");
    bool restarted = false, waitedForSecond = false;
    MessageBoxAnswerer yes(QMessageBox::Yes);  // "overwrite the glyphs?"
    QObject context;
    QTimer::singleShot(0, &context, [&] {  // runs inside the save's wait
        go.release();
        while (form->Running()) std::this_thread::yield();  // the first run has ended
        form->settings.fontSizeX = form->settings.fontSizeY = 8;
        form->StartExtraction();
        restarted = form->Running() && Set().Count() == 0;
        QTimer::singleShot(0, &context, [&] {
            waitedForSecond = form->Running() && !QFileInfo::exists(path);
            go.release();
        });
    });
    View()->WriteFontFile(path, 0);
    go.release(8);  // never leave a run held, whatever failed
    form->Worker().SetStartHook(nullptr);

    QVERIFY(restarted);
    QVERIFY(waitedForSecond);
    QVERIFY(!form->Running());
    QCOMPARE(Set().Count(), 128);
    QCOMPARE(Set().width, 4);
    QCOMPARE(QFileInfo(path).size(), 128 * 8);
    QCOMPARE(yes.captions.size(), 1);
}

// A save and a load of a large file leave the window's event loop running (a timer fires
// during them, with the grid kept off the set meanwhile) and do their work as before.
void FontFileCommandsTest::largeFilesAreWrittenAndReadOffTheWindowThread() {
    FillSet(Set(), 32, 32, RANGE_ALL, 8742);
    const QByteArray glyphs = SetBytes(Set());
    CFontList* grid = View()->ExtractForm()->FontList();
    const QString path = Path("all.h");
    // Whether the window's loop ran while the file work went on, and what the grid and the
    // status bar were then.
    const auto during = [&](const std::function<int()>& work) {
        bool ran = false, gridBusy = false;
        QString status;
        QTimer::singleShot(0, this, [&] {
            ran = true;
            gridBusy = grid->busy;
            status = app->MainFrame()->statusBar()->currentMessage();
        });
        QCOMPARE(work(), 1);
        QVERIFY(ran);
        QVERIFY(gridBusy);
        QVERIFY2(status.endsWith(path), qPrintable(status));
        QVERIFY(!grid->busy);
    };
    during([&] { return View()->WriteTextFile(path, 0); });
    Set().ClearGlyphs();
    during([&] { return View()->ReadTextFile(path, 32, 32, RANGE_ALL, 0, 0); });
    QCOMPARE(Set().Count(), 8742);
    QCOMPARE(SetBytes(Set()), glyphs);
}

QTEST_MAIN(FontFileCommandsTest)
#include "FontFileCommandsTest.moc"
