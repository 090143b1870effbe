// The editor and the information pane show the glyph the grid marks whenever the glyph set is
// replaced, so that "Update" never writes one glyph into another. Driven through the real main
// window: the grid, the extraction form's buttons and the editor's Update.
#include <QAbstractButton>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <vector>

#include "glyph/GlyphSet.h"
#include "panes/CExtractForm.h"
#include "panes/CFontList.h"
#include "panes/CGlyphCanvas.h"
#include "panes/CGlyphEditPane.h"
#include "panes/CGlyphInfoPane.h"
#include "shell/CBrivoApp.h"
#include "shell/CBrivoView.h"
#include "shell/CMainFrame.h"
#include "testing/AppTestProfile.h"
#include "testing/Patience.h"
#include "widgets/DialogUnits.h"

using namespace brivo;

Q_DECLARE_METATYPE(brivo::CodeRange)

class PanesFollowSelectionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { app.reset(); }
    void updateAfterANewExtractionKeepsTheNewGlyph_data();
    void updateAfterANewExtractionKeepsTheNewGlyph();

private:
    CBrivoView* View() const { return app->MainFrame()->View(); }
    CExtractForm* Form() const { return View()->ExtractForm(); }
    CGlyphEditPane* Editor() const { return View()->EditPane(); }
    CGlyphSet& Set() const { return View()->GlyphSet(); }
    QAbstractButton* Button(QWidget* pane, int id) const {
        return qobject_cast<QAbstractButton*>(FindControl(pane, id));
    }
    // Checks the range's button and presses "Font 추출", answering the questions about the
    // glyphs it replaces; waits for the run to end.
    void Extract(int rangeButton);
    std::vector<uint8_t> GlyphBits(int position) const {
        const CGlyph* glyph = Set().GlyphAt(position);
        if (glyph == nullptr || glyph->bits == nullptr) return {};
        return {glyph->bits.get(), glyph->bits.get() + Set().BytesPerGlyph()};
    }

    TestProfile profile;
    std::unique_ptr<CBrivoApp> app;
};

void PanesFollowSelectionTest::initTestCase() {
    app = std::make_unique<CBrivoApp>();
    QVERIFY(app->InitInstance({"brivo"}));
    QVERIFY(QTest::qWaitForWindowExposed(app->MainFrame(), kPatienceMs));
}

void PanesFollowSelectionTest::Extract(int rangeButton) {
    // Replace the extracted glyphs, without saving them.
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        if (QAbstractButton* discard = box->button(QMessageBox::Discard))
            discard->click();
        else if (QAbstractButton* yes = box->button(QMessageBox::Yes))
            yes->click();
    });
    answer.start(5);
    QTest::mouseClick(Button(Form(), rangeButton), Qt::LeftButton);
    QSignalSpy finished(Form(), &CExtractForm::ExtractionFinished);
    QTest::mouseClick(Button(Form(), CExtractForm::IDC_DOEXTRACT), Qt::LeftButton);
    QVERIFY(finished.wait(120000));
    QVERIFY(!Form()->Running());
}

void PanesFollowSelectionTest::updateAfterANewExtractionKeepsTheNewGlyph_data() {
    QTest::addColumn<int>("firstRange");
    QTest::addColumn<int>("secondRange");
    QTest::addColumn<int>("offsetX");
    QTest::addColumn<int>("selection");
    QTest::addColumn<int>("width");
    // The same characters drawn 3 pixels further right: every inked glyph differs.
    QTest::newRow("ASCII, then ASCII moved")
        << int(CExtractForm::IDC_ASCII) << int(CExtractForm::IDC_ASCII) << 3 << 0x41 << 8;
    // Another range and another glyph size: the editor shows the ASCII glyph at 8 x 16.
    QTest::newRow("Hangul, then ASCII")
        << int(CExtractForm::IDC_HANGUL) << int(CExtractForm::IDC_ASCII) << 0 << 0x41 << 8;
}

void PanesFollowSelectionTest::updateAfterANewExtractionKeepsTheNewGlyph() {
    QFETCH(int, firstRange);
    QFETCH(int, secondRange);
    QFETCH(int, offsetX);
    QFETCH(int, selection);
    QFETCH(int, width);
    Form()->settings.offsetX = 0;
    Extract(firstRange);
    CFontList* grid = Form()->FontList();
    grid->setFocus();
    grid->MoveSelection(selection);
    QCOMPARE(Editor()->CurrentIndex(), selection);
    const std::vector<uint8_t> firstGlyph = GlyphBits(selection);
    QVERIFY(!firstGlyph.empty());

    Form()->settings.offsetX = offsetX;
    Extract(secondRange);
    QCOMPARE(grid->selectedIndex, selection);
    QCOMPARE(Set().width, width);
    const std::vector<uint8_t> newGlyph = GlyphBits(selection);
    QVERIFY(newGlyph != firstGlyph);
    // What the editor and the information pane show is the glyph the grid marks.
    QTRY_COMPARE_WITH_TIMEOUT(Editor()->CurrentIndex(), selection, kPatienceMs);
    QCOMPARE(Editor()->Canvas()->BitmapWidth(), Set().width);
    QCOMPARE(Editor()->Canvas()->BitmapHeight(), Set().height);
    QVERIFY(Editor()->LabelText().startsWith("A["));
    QCOMPARE(View()->InfoPane()->InfoText(), View()->InfoPane()->FormatGlyphInfo(selection));

    QTest::mouseClick(Button(Editor(), CGlyphEditPane::ID_UPDATE), Qt::LeftButton);
    QCOMPARE(GlyphBits(selection), newGlyph);
}

QTEST_MAIN(PanesFollowSelectionTest)
#include "PanesFollowSelectionTest.moc"
