// The whole program as a user works it: the real main window, driven only through its
// widgets, its file dialogs and its message boxes. With BRIVO_SCREENSHOT_DIR set, the main
// steps are saved there as PNG files (docs/scenario-*.png are made that way).
#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>
#include <memory>

#include "glyph/GlyphSet.h"
#include "panes/CExtractForm.h"
#include "panes/CFontList.h"
#include "panes/CGlyphCanvas.h"
#include "panes/CGlyphEditPane.h"
#include "panes/CGlyphInfoPane.h"
#include "panes/CTextSample.h"
#include "shell/CBrivoApp.h"
#include "shell/CBrivoView.h"
#include "shell/CMainFrame.h"
#include "testing/AppTestProfile.h"
#include "testing/FileDialogDriver.h"
#include "testing/MessageBoxAnswerer.h"
#include "testing/Patience.h"
#include "widgets/DialogUnits.h"

using namespace brivo;
using Dialog = CFileOptionDialog;

namespace {

constexpr int kCodeOfA = 0x41;
// The pixel the user paints into "A": the top-left corner, blank in every font.
constexpr QPoint kPixel(0, 0);

void SaveScreenshot(QWidget* widget, const QString& name) {
    const QString dir = qEnvironmentVariable("BRIVO_SCREENSHOT_DIR");
    if (!dir.isEmpty()) widget->grab().save(dir + "/" + name + ".png");
}

void TypeInto(Dialog& dialog, int id, const QString& text) {
    auto* edit = static_cast<QLineEdit*>(dialog.Control(id));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

}  // namespace

class UserScenarioTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { app.reset(); }
    void extractAsciiAndPaintAPixelIntoA();
    void textFileRoundTrip();
    void binaryFileWithSkipBytesRoundTrip();
    void exportAsBdfAndLvglLeavesTheDocument();
    void sampleTextIsDrawnWithTheGlyphs();
    void quitOffersToSaveTheEdit();

private:
    CMainFrame* Frame() const { return app->MainFrame(); }
    CExtractForm* Form() const { return Frame()->View()->ExtractForm(); }
    CGlyphEditPane* Editor() const { return Frame()->View()->EditPane(); }
    CGlyphSet& Set() const { return Frame()->View()->GlyphSet(); }
    QAbstractButton* Button(QWidget* pane, int id) const {
        return qobject_cast<QAbstractButton*>(FindControl(pane, id));
    }
    void ClickToolButton(int command);
    void SelectA();
    // Clicks the pixel in the editor with the left (Pen) or right (Eraser) button, then
    // "Update".
    void PaintAndUpdate(Qt::MouseButton button);
    void CheckPixelOfA(bool inked);
    void PressKeys(Qt::Key key, Qt::KeyboardModifiers modifiers, int times);
    // Loads `path` with the option area set to ASCII, 8 x 16 and `skipBytes`.
    void Load(const std::function<void()>& command, const QString& path, const QString& skip,
              const QString& screenshot);

    TestProfile profile;
    QTemporaryDir dir;
    std::unique_ptr<CBrivoApp> app;
};

void UserScenarioTest::initTestCase() {
    app = std::make_unique<CBrivoApp>();
    QVERIFY(app->InitInstance({"brivo"}));
    QVERIFY(QTest::qWaitForWindowExposed(Frame(), kPatienceMs));
}

void UserScenarioTest::ClickToolButton(int command) {
    QWidget* button = Frame()->ToolBar()->widgetForAction(Frame()->FindCommand(command));
    QTest::mouseClick(button, Qt::LeftButton);
}

void UserScenarioTest::SelectA() {
    CFontList* grid = Form()->FontList();
    const CGlyphSet& set = Set();
    const int cw = grid->scale * set.width + grid->gapX;
    const int ch = grid->scale * set.height + grid->gapY + grid->labelHeight;
    const int columns = grid->ClientSize().width() / cw;
    QVERIFY(columns > 0);
    // Scroll the row of "A" as far up as the grid's scroll bar goes, then click it.
    grid->repaint();
    grid->ScrollBar()->setValue(kCodeOfA / columns);
    grid->repaint();
    const int row = (kCodeOfA - grid->firstVisible) / columns;
    const int column = kCodeOfA % columns;
    QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(column * cw + cw / 2, row * ch + ch / 2));
    QCOMPARE(grid->selectedIndex, kCodeOfA);
    QCOMPARE(Editor()->CurrentIndex(), kCodeOfA);
    QVERIFY(Frame()->View()->InfoPane()->InfoText().contains("character = A[0x0041]"));
}

void UserScenarioTest::PaintAndUpdate(Qt::MouseButton button) {
    CGlyphCanvas* canvas = Editor()->Canvas();
    const int cell = canvas->CellSize();
    const QPoint at = canvas->DrawRect().topLeft() + kPixel * cell + QPoint(cell / 2, cell / 2);
    QTest::mouseClick(canvas, button, {}, at);
    QCOMPARE(canvas->GetCell(kPixel.x(), kPixel.y()), button == Qt::LeftButton ? 1 : 0);
    QSignalSpy spy(Button(Editor(), CGlyphEditPane::ID_UPDATE), &QAbstractButton::clicked);
    QTest::mouseClick(Button(Editor(), CGlyphEditPane::ID_UPDATE), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QTest::qWait(20);  // the grid repaints from the posted change
}

void UserScenarioTest::CheckPixelOfA(bool inked) {
    const CGlyph* glyph = Set().GlyphAt(kCodeOfA);
    QVERIFY(glyph && glyph->bits.get());
    QCOMPARE((glyph->bits[0] & 0x80) != 0, inked);
    QCOMPARE(Editor()->Canvas()->GetCell(kPixel.x(), kPixel.y()), inked ? 1 : 0);
}

void UserScenarioTest::PressKeys(Qt::Key key, Qt::KeyboardModifiers modifiers, int times) {
    Frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Frame(), kPatienceMs));
    for (int i = 0; i < times; ++i) QTest::keyClick(Frame(), key, modifiers);
}

void UserScenarioTest::extractAsciiAndPaintAPixelIntoA() {
    QTest::mouseClick(Button(Form(), CExtractForm::IDC_ASCII), Qt::LeftButton);
    QSignalSpy finished(Form(), &CExtractForm::ExtractionFinished);
    QTest::mouseClick(Button(Form(), CExtractForm::IDC_DOEXTRACT), Qt::LeftButton);
    QVERIFY(finished.wait(20000));
    QCOMPARE(Set().Count(), 128);
    QCOMPARE(Set().width, 8);

    SelectA();
    CheckPixelOfA(false);
    SaveScreenshot(Frame(), "scenario-1-extracted");
    PaintAndUpdate(Qt::LeftButton);
    CheckPixelOfA(true);
    SaveScreenshot(Frame(), "scenario-2-edited");
}

void UserScenarioTest::Load(const std::function<void()>& command, const QString& path,
                            const QString& skip, const QString& screenshot) {
    FileDialogDriver driver(path, [&](Dialog& dialog) {
        TypeInto(dialog, Dialog::IDC_SIZEX, "7");
        QTest::mouseClick(dialog.Control(Dialog::IDC_SPINX)->findChild<QWidget*>("up"),
                          Qt::LeftButton);
        TypeInto(dialog, Dialog::IDC_SIZEY, "16");
        QTest::mouseClick(Button(dialog.OptionArea(), Dialog::IDC_ASCII), Qt::LeftButton);
        if (!skip.isEmpty()) TypeInto(dialog, Dialog::IDC_SKIPBYTES, skip);
        SaveScreenshot(&dialog, screenshot);
    });
    command();
    QVERIFY(driver.opened);
    QTest::qWait(20);  // the form repaints and re-announces "A" from the posted change
    QCOMPARE(Set().Count(), 128);
    QCOMPARE(Set().width, 8);
}

void UserScenarioTest::textFileRoundTrip() {
    const QString path = dir.filePath("ascii_8x16.h");
    {
        FileDialogDriver driver(path, [](Dialog& dialog) {
            QVERIFY(static_cast<QAbstractButton*>(dialog.Control(Dialog::IDC_DOUBLE_ARRAY))
                        ->isChecked());
            SaveScreenshot(&dialog, "scenario-3-text-save");
        });
        ClickToolButton(ID_TEXTFILE_SAVE);
        QVERIFY(driver.opened);
        QCOMPARE(driver.defaultName, "굴림체12_8x16_ASCII.h");
    }
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(Frame()->windowTitle(), "ascii_8x16.h — Brivo");

    // Erase the pixel again: the title marks the change. Two steps back (the Update, then
    // the stroke) are the saved state again; two forward erase it again.
    PaintAndUpdate(Qt::RightButton);
    CheckPixelOfA(false);
    QCOMPARE(Frame()->windowTitle(), "ascii_8x16.h * — Brivo");
    PressKeys(Qt::Key_Z, Qt::ControlModifier, 2);
    CheckPixelOfA(true);
    QCOMPARE(Frame()->windowTitle(), "ascii_8x16.h — Brivo");
    PressKeys(Qt::Key_Y, Qt::ControlModifier, 2);
    CheckPixelOfA(false);
    QCOMPARE(Frame()->windowTitle(), "ascii_8x16.h * — Brivo");

    // Get the pixel back from the file (Ctrl+O), throwing the erased one away.
    MessageBoxAnswerer discard(QMessageBox::Discard);
    Load([this] { PressKeys(Qt::Key_O, Qt::ControlModifier, 1); }, path, {},
         "scenario-4-text-load");
    QCOMPARE(discard.texts, QStringList{"변경된 내용을 저장하시겠습니까?"});
    CheckPixelOfA(true);
    QCOMPARE(Frame()->windowTitle(), "ascii_8x16.h — Brivo");
    SaveScreenshot(Frame(), "scenario-5-loaded");
}

void UserScenarioTest::binaryFileWithSkipBytesRoundTrip() {
    const QString path = dir.filePath("ascii_8x16.fnt");
    {
        FileDialogDriver driver(path, [](Dialog& dialog) {
            TypeInto(dialog, Dialog::IDC_SKIPBYTES, "16");
            SaveScreenshot(&dialog, "scenario-6-font-save");
        });
        ClickToolButton(ID_FONTFILE_SAVE);
        QVERIFY(driver.opened);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.size(), 16 + 128 * 16);
    QCOMPARE(file.read(16), QByteArray(16, '\0'));

    PaintAndUpdate(Qt::RightButton);
    CheckPixelOfA(false);
    // From the File menu this time.
    QAction* load = nullptr;
    for (QAction* action : Frame()->menuBar()->actions().first()->menu()->actions())
        if (action->property("commandId").toInt() == ID_FONTFILE_LOAD) load = action;
    QVERIFY(load);
    {
        // Cancel keeps the edit and opens no file dialog.
        MessageBoxAnswerer cancel(QMessageBox::Cancel);
        FileDialogDriver driver(path);
        load->trigger();
        QCOMPARE(cancel.texts.size(), 1);
        QVERIFY(!driver.opened);
        CheckPixelOfA(false);
    }
    MessageBoxAnswerer discard(QMessageBox::Discard);
    Load([load] { load->trigger(); }, path, "16", "scenario-7-font-load");
    CheckPixelOfA(true);
}

void UserScenarioTest::exportAsBdfAndLvglLeavesTheDocument() {
    CBrivoView* view = Frame()->View();
    const QString document = view->CurrentFile();
    const QString title = Frame()->windowTitle();
    const bool modified = view->Modified();
    const std::size_t recent = view->RecentFiles().size();
    QAction* exportCommand = Frame()->FindCommand(ID_FILE_EXPORT);
    QVERIFY(exportCommand);
    // An LVGL font is a .c file: the file type chosen, not the name, makes it one.
    for (const auto& [type, name] : {std::pair{"BDF font (*.bdf)", "ascii.bdf"},
                                     std::pair{"LVGL font (*.c)", "ascii_font.c"}}) {
        FileDialogDriver driver(dir.filePath(name),
                                [type = type](Dialog& dialog) { dialog.selectNameFilter(type); });
        exportCommand->trigger();
        QVERIFY(driver.opened);
        QCOMPARE(driver.nameFilters, (QStringList{"BDF font (*.bdf)", "Adafruit GFX font (*.h)",
                                                  "TFT_eSPI GFX font (*.h)", "LVGL font (*.c)"}));
    }
    QCOMPARE(view->CurrentFile(), document);
    QCOMPARE(Frame()->windowTitle(), title);
    QCOMPARE(view->Modified(), modified);
    QCOMPARE(view->RecentFiles().size(), recent);

    // Pillow reads the BDF font: "A" is the set's, the pixel painted into it included.
    QProcess python;
    python.start(PYTHON3, {"-c",
                           "import sys\n"
                           "from PIL import BdfFontFile\n"
                           "image = BdfFontFile.BdfFontFile(open(sys.argv[1], 'rb')).glyph[65][3]\n"
                           "for y in range(image.size[1]):\n"
                           "    print(''.join('#' if image.getpixel((x, y)) else '.'\n"
                           "                  for x in range(image.size[0])))\n",
                           dir.filePath("ascii.bdf")});
    QVERIFY(python.waitForFinished(kPatienceMs));
    QCOMPARE(python.exitCode(), 0);
    QString expected;
    const CGlyph* a = Set().GlyphAt(kCodeOfA);
    for (int y = 0; y < Set().height; ++y) {
        for (int x = 0; x < Set().width; ++x) expected += a->bits[y] & (0x80 >> x) ? '#' : '.';
        expected += '\n';
    }
    QCOMPARE(QString::fromLatin1(python.readAllStandardOutput()), expected);

    QFile lvgl(dir.filePath("ascii_font.c"));
    QVERIFY(lvgl.open(QIODevice::ReadOnly));
    const QByteArray source = lvgl.readAll();
    QVERIFY2(source.startsWith("/* LVGL font ascii_font: "), source.left(80).constData());
    QVERIFY(source.contains("const lv_font_t ascii_font = {"));
}

void UserScenarioTest::sampleTextIsDrawnWithTheGlyphs() {
    CTextSample* sample = Frame()->View()->InfoPane()->TextSample();
    QVERIFY(sample->isVisible());
    sample->TextEdit()->setFocus();
    QTest::keyClicks(sample->TextEdit(), "AB");
    sample->TextEdit()->insert(QStringLiteral("가"));  // as an input method commits it
    QCOMPARE(sample->Note(), QStringLiteral("없는 글자: '가' (U+AC00)"));
    // A .fnt file holds no advances of the font: fixed cells only.
    QVERIFY(!sample->ProportionalBox()->isEnabled());

    // Each glyph's cell side by side, the missing one blank, in a margin of 2 pixels.
    const int scale = sample->Scale();
    const int width = Set().width, height = Set().height;
    QImage expected((3 * width + 4) * scale, (height + 4) * scale, QImage::Format_Grayscale8);
    expected.fill(255);
    for (int n = 0; n < 2; ++n) {
        const CGlyph* glyph = Set().GlyphAt(kCodeOfA + n);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (glyph->bits[y] & (0x80 >> x))
                    for (int d = 0; d < scale * scale; ++d)
                        expected.setPixel((2 + n * width + x) * scale + d % scale,
                                          (2 + y) * scale + d / scale, 0);
    }
    QCOMPARE(sample->Picture().convertToFormat(QImage::Format_Grayscale8), expected);
}

void UserScenarioTest::quitOffersToSaveTheEdit() {
    PaintAndUpdate(Qt::RightButton);
    {
        MessageBoxAnswerer cancel(QMessageBox::Cancel);
        QVERIFY(!Frame()->close());
        QCOMPARE(cancel.texts, QStringList{"변경된 내용을 저장하시겠습니까?"});
        QVERIFY(Frame()->isVisible());
    }
    // Save: the file last loaded is written again as it was read (16 bytes skipped), without
    // a file dialog; then the window closes.
    const QString path = Frame()->View()->CurrentFile();
    QVERIFY(path.endsWith(".fnt"));
    MessageBoxAnswerer save(QMessageBox::Save);
    FileDialogDriver driver({});
    QVERIFY(Frame()->close());
    QVERIFY(!driver.opened);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.size(), 16 + 128 * 16);
    QCOMPARE(uint8_t(bytes.at(16 + kCodeOfA * 16)) & 0x80, 0);
}

QTEST_MAIN(UserScenarioTest)
#include "UserScenarioTest.moc"
