// Undo and redo of every kind of change to the glyph set, through the view and its panes:
// each change taken back restores the set (glyphs, order, bits, size, range) and what the
// panes show exactly as it was, and done again restores the changed state.
#include <QAbstractButton>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "glyph/GlyphCommands.h"
#include "panes/CExtractForm.h"
#include "panes/CFontList.h"
#include "panes/CGlyphCanvas.h"
#include "panes/CGlyphEditPane.h"
#include "panes/CGlyphInfoPane.h"
#include "testing/GlyphPaneTestSupport.h"
#include "testing/Patience.h"
#include "widgets/CImageButton.h"
#include "widgets/DialogUnits.h"

using namespace brivo;

namespace {

struct GlyphSnapshot {
    uint16_t code;
    int32_t index;
    std::vector<uint8_t> bits;
    bool operator==(const GlyphSnapshot&) const = default;
};

// Everything a step may change, and what the panes show of it.
struct Snapshot {
    std::vector<GlyphSnapshot> glyphs;
    int width, height;
    CodeRange range;
    int selection;
    int editorIndex;
    std::vector<uint8_t> canvas;
    bool canvasModified;
    QString info;
    int checkedRange;  // the control id of the form's checked range button
    bool operator==(const Snapshot&) const = default;
};

}  // namespace

class GlyphHistoryTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { fixture.reset(); }
    void eachChangeIsUndoneAndRedoneExactly_data();
    void eachChangeIsUndoneAndRedoneExactly();
    void aNewChangeDropsWhatWasUndone();
    void stepsOverTheBudgetAreForgottenOldestFirst();

private:
    CBrivoView* View() const { return fixture->view.get(); }
    CGlyphEditPane* Editor() const { return View()->EditPane(); }
    CGlyphSet& Set() const { return View()->GlyphSet(); }
    Snapshot Take() const;
    void ClickEditor(int id) { qobject_cast<QAbstractButton*>(FindControl(Editor(), id))->click(); }
    // Drags over two cells with the button that flips the first.
    void Stroke(int x, int y);

    std::unique_ptr<ViewWithGlyphs> fixture;
    QTemporaryDir dir;
};

void GlyphHistoryTest::init() {
    fixture = std::make_unique<ViewWithGlyphs>();
    QVERIFY(QTest::qWaitForWindowExposed(View(), kPatienceMs));
    ViewWithGlyphs::FillSet(16, 16, {});
    for (int i = 0; i < 5; ++i) {
        ViewWithGlyphs::AddGlyph(uint16_t(0xB0A1 + i), Pattern(32, 3 + i));
        Set().GlyphAt(i)->index = i;  // as in an extracted set
    }
    Set().range = RANGE_HANGUL;
    qobject_cast<QAbstractButton*>(FindControl(View()->ExtractForm(), CExtractForm::IDC_HANGUL))
        ->setChecked(true);
    QCOMPARE(fixture->Select(1), 0);
    View()->ExtractForm()->FontList()->selectedIndex = 1;
}

Snapshot GlyphHistoryTest::Take() const {
    QCoreApplication::processEvents();
    Snapshot shot{{},
                  Set().width,
                  Set().height,
                  Set().range,
                  View()->ExtractForm()->FontList()->selectedIndex,
                  Editor()->CurrentIndex(),
                  Editor()->Canvas()->Bits(),
                  Editor()->Canvas()->modified,
                  View()->InfoPane()->InfoText(),
                  0};
    for (int id : {CExtractForm::IDC_ASCII, CExtractForm::IDC_HANGUL, CExtractForm::IDC_FULLWIDTH1,
                   CExtractForm::IDC_FULLWIDTH2, CExtractForm::IDC_ALL, CExtractForm::IDC_CUSTOM})
        if (qobject_cast<QAbstractButton*>(FindControl(View()->ExtractForm(), id))->isChecked())
            shot.checkedRange = id;
    for (int i = 0; i < Set().Count(); ++i) {
        const CGlyph* glyph = Set().GlyphAt(i);
        shot.glyphs.push_back({glyph->code, glyph->index, ViewWithGlyphs::GlyphBits(i)});
    }
    return shot;
}

void GlyphHistoryTest::Stroke(int x, int y) {
    CGlyphCanvas* canvas = Editor()->Canvas();
    const Qt::MouseButton button = canvas->GetCell(x, y) ? Qt::RightButton : Qt::LeftButton;
    const int size = canvas->CellSize();
    const QPoint at =
        canvas->DrawRect().topLeft() + QPoint(x * size + size / 2, y * size + size / 2);
    SendMouse(canvas, QEvent::MouseButtonPress, at, button, button);
    SendMouse(canvas, QEvent::MouseMove, at + QPoint(size, 0), Qt::NoButton, button);
    SendMouse(canvas, QEvent::MouseButtonRelease, at + QPoint(size, 0), button, Qt::NoButton);
}

void GlyphHistoryTest::eachChangeIsUndoneAndRedoneExactly_data() {
    using Change = std::function<void(GlyphHistoryTest&)>;
    QTest::addColumn<Change>("change");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("lastName");
    QTest::addColumn<bool>("cleanAfter");
    QTest::newRow("pen stroke") << Change([](GlyphHistoryTest& t) { t.Stroke(0, 0); }) << 1
                                << "펜으로 그리기" << false;
    QTest::newRow("strokes, Update") << Change([](GlyphHistoryTest& t) {
        t.Stroke(3, 3);
        t.Stroke(7, 1);
        t.ClickEditor(CGlyphEditPane::ID_UPDATE);
    }) << 3 << "글리프에 반영" << false;
    QTest::newRow("shift, mirror, Update") << Change([](GlyphHistoryTest& t) {
        t.ClickEditor(CGlyphEditPane::ID_LEFT);
        t.ClickEditor(CGlyphEditPane::ID_MIRROR_V);
        t.ClickEditor(CGlyphEditPane::ID_UPDATE);
    }) << 3 << "글리프에 반영" << false;
    QTest::newRow("Reset") << Change([](GlyphHistoryTest& t) {
        t.ClickEditor(CGlyphEditPane::ID_RESET);
    }) << 1 << "편집 되돌리기"
                           << false;
    // The first hand edit of an extracted set also makes it custom (asked, Yes).
    QTest::newRow("insert") << Change([](GlyphHistoryTest& t) {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        t.View()->ExtractForm()->InsertGlyph();
    }) << 1 << "글리프 삽입" << false;
    QTest::newRow("remove") << Change([](GlyphHistoryTest& t) {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        t.View()->ExtractForm()->RemoveGlyph();
    }) << 1 << "글리프 삭제" << false;
    QTest::newRow("moves") << Change([](GlyphHistoryTest& t) {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        t.View()->ExtractForm()->MoveSelected(1, true);
        t.View()->ExtractForm()->MoveSelected(-1, false);
    }) << 2 << "글리프 이동"
                           << false;
    QTest::newRow("load") << Change([](GlyphHistoryTest& t) {
        const QString path = t.dir.filePath("ascii.fnt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(128 * 16, '\x5a'));
        file.close();
        QCOMPARE(t.View()->ReadFontFile(path, 8, 16, RANGE_ASCII, 0, 0), 1);
    }) << 1 << "Font 파일 불러오기"
                          << true;
}

void GlyphHistoryTest::eachChangeIsUndoneAndRedoneExactly() {
    QFETCH(std::function<void(GlyphHistoryTest&)>, change);
    QFETCH(int, steps);
    QFETCH(QString, lastName);
    QFETCH(bool, cleanAfter);
    CGlyphUndoStack& history = View()->History();
    if (QTest::currentDataTag() == QByteArray("Reset"))
        ClickEditor(CGlyphEditPane::ID_MIRROR_H);  // an edit to throw away
    history.setClean();
    const int first = history.index();
    const Snapshot before = Take();
    change(*this);
    const Snapshot after = Take();
    QVERIFY(after != before);
    QCOMPARE(history.index() - first, steps);
    QCOMPARE(history.undoText(), lastName);
    QCOMPARE(View()->Modified(), !cleanAfter);

    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < steps; ++i) View()->Undo();
        QCOMPARE(Take(), before);
        QCOMPARE(View()->Modified(), cleanAfter);  // a load is the saved state now
        for (int i = 0; i < steps; ++i) View()->Redo();
        QCOMPARE(Take(), after);
        QCOMPARE(View()->Modified(), !cleanAfter);
    }
}

void GlyphHistoryTest::aNewChangeDropsWhatWasUndone() {
    CGlyphUndoStack& history = View()->History();
    MessageBoxAnswerer yes(QMessageBox::Yes);
    View()->ExtractForm()->RemoveGlyph();
    View()->Undo();
    fixture->Select(2);
    View()->ExtractForm()->FontList()->selectedIndex = 2;
    View()->ExtractForm()->MoveSelected(-1, false);
    QCOMPARE(history.count(), 1);
    QVERIFY(!history.canRedo());
    QCOMPARE(Set().Count(), 5);
    QCOMPARE(Set().GlyphAt(1)->code, 0xB0A3);
}

// Whole-set steps of a large set keep the replaced glyphs: over the budget the oldest steps
// go, the newest always stays, and a saved state that went with them is unreachable.
void GlyphHistoryTest::stepsOverTheBudgetAreForgottenOldestFirst() {
    CGlyphSet& set = Set();
    CGlyphUndoStack history;
    const std::size_t step = 5 * (sizeof(CGlyph*) + sizeof(CGlyph) + 32);
    history.SetByteBudget(2 * step);
    std::vector<Snapshot> states{Take()};
    for (int i = 0; i < 3; ++i) {
        if (i == 1) history.setClean();
        auto replace = std::make_unique<CReplaceAllGlyphs>(set);
        std::vector<GlyphPtr> glyphs;
        for (int g = 0; g < 5; ++g) {
            glyphs.push_back(NewGlyph(uint16_t(0x41 + g), 32, g, g));
            std::fill_n(glyphs.back()->bits.get(), 32, uint8_t(i * 16 + g));
        }
        set.ReplaceGlyphs(std::move(glyphs), 16, 16, 0);
        history.Record(QString("step %1").arg(i), OneCommand(std::move(replace)), {}, {});
        states.push_back(Take());
    }
    QCOMPARE(history.count(), 2);
    QCOMPARE(history.HeldBytes(), 2 * step);
    QCOMPARE(history.text(0), "step 1");
    QCOMPARE(history.cleanIndex(), 0);  // the state saved after step 0
    history.undo();
    QCOMPARE(Take().glyphs, states[2].glyphs);
    history.undo();
    QCOMPARE(Take().glyphs, states[1].glyphs);
    QVERIFY(history.isClean());
    QVERIFY(!history.canUndo());
    history.redo();
    history.redo();
    QCOMPARE(Take().glyphs, states[3].glyphs);

    // A budget that not even one step fits keeps the newest step.
    history.SetByteBudget(1);
    auto replace = std::make_unique<CReplaceAllGlyphs>(set);
    set.ReplaceGlyphs({}, 16, 16, 0);
    history.Record("empty", OneCommand(std::move(replace)), {}, {});
    QCOMPARE(history.count(), 1);
    QCOMPARE(history.cleanIndex(), -1);
    history.undo();
    QCOMPARE(Take().glyphs, states[3].glyphs);
}

QTEST_MAIN(GlyphHistoryTest)
#include "GlyphHistoryTest.moc"
