#include <QLabel>
#include <QSlider>

#include "panes/CExtractForm.h"
#include "panes/CGlyphCanvas.h"
#include "panes/CGlyphEditPane.h"
#include "shell/CImageButton.h"
#include "shell/DialogUnits.h"
#include "testing/GlyphPaneTestSupport.h"

using namespace brivo;

namespace {

// Keeps the lParam of every WM_GLYPHS_CHANGED that reaches the watched widget.
class ChangeRecorder : public QObject {
public:
    explicit ChangeRecorder(QWidget* widget) { widget->installEventFilter(this); }
    QList<qint64> changed;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (const CPaneMessage* message = AsPaneMessage(event);
            message && message->Message() == WM_GLYPHS_CHANGED) {
            changed << message->lParam;
        }
        return false;
    }
};

std::vector<uint8_t> Pattern(int count, uint8_t seed) {
    std::vector<uint8_t> bytes(count);
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(seed * (i + 1) + i);
    return bytes;
}

}  // namespace

class GlyphEditPaneTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void selectionLoadsCanvasPreviewAndLabel();
    void deselectingBlanksOnlyTheCanvas();
    void editThenSelectAsksOnce_data();
    void editThenSelectAsksOnce();
    void updateWritesBackAndTellsTheForm();
    void resetThrowsTheEditAway();
    void toolButtonsShiftMirrorAndZoom();
    void penAndEraserStayExclusive();
    void editOfAnOldGlyphSizeIsNotWrittenBack();
    void glyphWithoutBitmapShowsBlankAndGetsOneOnUpdate();
    void emptySlotOrSizelessSetShowsNothing();

private:
    CGlyphEditPane* Pane() const { return fixture->view->EditPane(); }
    CGlyphCanvas* Canvas() const { return Pane()->Canvas(); }
    template <typename T>
    T* Control(int id) const {
        return qobject_cast<T*>(FindControl(Pane(), id));
    }
    void Click(int id) { Control<CImageButton>(id)->click(); }
    // Flips one cell of the canvas with the pen: left button on blank, right button on ink.
    void PaintCell(int x, int y) {
        const Qt::MouseButton button = Canvas()->GetCell(x, y) ? Qt::RightButton : Qt::LeftButton;
        const QRect grid = Canvas()->DrawRect();
        const int size = Canvas()->CellSize();
        const QPoint point(grid.left() + x * size + size / 2, grid.top() + y * size + size / 2);
        SendMouse(Canvas(), QEvent::MouseButtonPress, point, button, button);
        SendMouse(Canvas(), QEvent::MouseButtonRelease, point, button, Qt::NoButton);
    }

    std::unique_ptr<ViewWithGlyphs> fixture;
    std::unique_ptr<ChangeRecorder> formChanges;
};

void GlyphEditPaneTest::init() {
    fixture = std::make_unique<ViewWithGlyphs>();
    QVERIFY(QTest::qWaitForWindowExposed(fixture->view.get()));
    formChanges = std::make_unique<ChangeRecorder>(fixture->view->ExtractForm());
    ViewWithGlyphs::FillSet(16, 16, {});
    ViewWithGlyphs::AddGlyph(0x41, Pattern(32, 3));
    ViewWithGlyphs::AddGlyph(0xB0A1, Pattern(32, 5));
}

void GlyphEditPaneTest::cleanup() {
    formChanges.reset();
    fixture.reset();
}

void GlyphEditPaneTest::selectionLoadsCanvasPreviewAndLabel() {
    QCOMPARE(fixture->Select(1), 0);
    QCOMPARE(Pane()->CurrentIndex(), 1);
    QCOMPARE(Canvas()->Bits(), ViewWithGlyphs::GlyphBits(1));
    QCOMPARE(Pane()->Preview()->Bits(), ViewWithGlyphs::GlyphBits(1));
    QVERIFY(!Canvas()->modified);
    QCOMPARE(Pane()->LabelText(), QString("가[0xb0a1]"));
    QCOMPARE(Control<QLabel>(CGlyphEditPane::ID_LABEL)->text(), QString("가[0xb0a1]"));
    // The preview sits centred under the zoom slider, at the glyph's size.
    const QRect slider = Control<QSlider>(CGlyphEditPane::ID_ZOOM)->geometry();
    const QRect expected((slider.x() + slider.width() - 16 - slider.x()) / 2 + slider.x(),
                         slider.y() + slider.height() + 5, 16, 16);
    QCOMPARE(Pane()->Preview()->geometry(), expected);
    QCOMPARE(Pane()->Preview()->CellSize(), 1);
}

void GlyphEditPaneTest::deselectingBlanksOnlyTheCanvas() {
    fixture->Select(1);
    for (const intptr_t position : {intptr_t(-1), intptr_t(2), intptr_t(1) << 40}) {
        QCOMPARE(Pane()->OnGlyphNotify(position), -1);
        QCOMPARE(Canvas()->Bits(), std::vector<uint8_t>(32, 0));
        QCOMPARE(Pane()->LabelText(), QString("가[0xb0a1]"));
        QCOMPARE(Pane()->Preview()->Bits(), ViewWithGlyphs::GlyphBits(1));
    }
    QCOMPARE(Pane()->CurrentIndex(), -1);
    // Nothing selected: Update and Reset do nothing.
    PaintCell(0, 0);
    Click(CGlyphEditPane::ID_UPDATE);
    Click(CGlyphEditPane::ID_RESET);
    QCOMPARE(Canvas()->GetCell(0, 0), 1);
    QCoreApplication::processEvents();
    QVERIFY(formChanges->changed.isEmpty());
}

void GlyphEditPaneTest::editThenSelectAsksOnce_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes writes the edit") << true;
    QTest::newRow("No discards it") << false;
}

void GlyphEditPaneTest::editThenSelectAsksOnce() {
    QFETCH(bool, yes);
    const std::vector<uint8_t> before = ViewWithGlyphs::GlyphBits(0);
    fixture->Select(0);
    Canvas()->Mirror(MIRROR_HORIZONTAL);
    Canvas()->Mirror(MIRROR_HORIZONTAL);  // the same bitmap, still an edit
    PaintCell(15, 15);
    std::vector<uint8_t> edited = Canvas()->Bits();
    QVERIFY(edited != before);

    MessageBoxAnswerer answerer(yes ? QMessageBox::Yes : QMessageBox::No);
    QCOMPARE(fixture->Select(1), 0);
    QCOMPARE(answerer.texts, QStringList{"Font가 변경되었습니다. Update를 하시겠습니까?"});
    QCOMPARE(answerer.icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
    QCOMPARE(ViewWithGlyphs::GlyphBits(0), yes ? edited : before);
    QCOMPARE(Canvas()->Bits(), ViewWithGlyphs::GlyphBits(1));
    QVERIFY(!Canvas()->modified);
    QTRY_COMPARE(formChanges->changed, yes ? QList<qint64>{0} : QList<qint64>{});

    // Selecting again without an edit asks nothing.
    fixture->Select(0);
    QCoreApplication::processEvents();
    QCOMPARE(answerer.texts.size(), 1);
}

void GlyphEditPaneTest::updateWritesBackAndTellsTheForm() {
    fixture->Select(1);
    Click(CGlyphEditPane::ID_LEFT);
    PaintCell(3, 4);
    QVERIFY(Canvas()->modified);
    const std::vector<uint8_t> edited = Canvas()->Bits();
    Click(CGlyphEditPane::ID_UPDATE);
    QCOMPARE(ViewWithGlyphs::GlyphBits(1), edited);
    QVERIFY(!Canvas()->modified);
    // Posted: the form hears of it once control returns to the event loop.
    QVERIFY(formChanges->changed.isEmpty());
    QTRY_COMPARE(formChanges->changed, QList<qint64>{1});
    QCOMPARE(ViewWithGlyphs::GlyphBits(0), Pattern(32, 3));
}

void GlyphEditPaneTest::resetThrowsTheEditAway() {
    fixture->Select(0);
    Control<QLabel>(CGlyphEditPane::ID_LABEL)->clear();
    Click(CGlyphEditPane::ID_DOWN);
    Click(CGlyphEditPane::ID_MIRROR_V);
    Click(CGlyphEditPane::ID_RESET);
    QCOMPARE(Canvas()->Bits(), Pattern(32, 3));
    QVERIFY(!Canvas()->modified);
    QCOMPARE(Control<QLabel>(CGlyphEditPane::ID_LABEL)->text(), QString("A[0x0041]"));
    QCOMPARE(ViewWithGlyphs::GlyphBits(0), Pattern(32, 3));
}

void GlyphEditPaneTest::toolButtonsShiftMirrorAndZoom() {
    const struct {
        int button;
        void (*expected)(CGlyphCanvas&);
    } cases[] = {
        {CGlyphEditPane::ID_UP, [](CGlyphCanvas& c) { c.Shift(SHIFT_UP); }},
        {CGlyphEditPane::ID_DOWN, [](CGlyphCanvas& c) { c.Shift(SHIFT_DOWN); }},
        {CGlyphEditPane::ID_LEFT, [](CGlyphCanvas& c) { c.Shift(SHIFT_LEFT); }},
        {CGlyphEditPane::ID_RIGHT, [](CGlyphCanvas& c) { c.Shift(SHIFT_RIGHT); }},
        {CGlyphEditPane::ID_MIRROR_H, [](CGlyphCanvas& c) { c.Mirror(MIRROR_HORIZONTAL); }},
        {CGlyphEditPane::ID_MIRROR_V, [](CGlyphCanvas& c) { c.Mirror(MIRROR_VERTICAL); }},
    };
    for (const auto& each : cases) {
        fixture->Select(0);
        CGlyphCanvas reference;
        reference.LoadBits(Pattern(32, 3).data());
        each.expected(reference);
        Click(each.button);
        QCOMPARE(Canvas()->Bits(), reference.Bits());
        QVERIFY(Canvas()->modified);
        Click(CGlyphEditPane::ID_RESET);
    }

    auto* zoom = Control<QSlider>(CGlyphEditPane::ID_ZOOM);
    QCOMPARE(zoom->minimum(), 1);
    QCOMPARE(zoom->maximum(), 30);
    QCOMPARE(zoom->pageStep(), 5);
    QCOMPARE(zoom->value(), 14);
    zoom->setValue(3);
    QCOMPARE(Canvas()->CellSize(), 3);
    QCOMPARE(Canvas()->DrawRect().size(), QSize(48, 48));
    zoom->setValue(99);
    QCOMPARE(Canvas()->CellSize(), 30);
}

void GlyphEditPaneTest::penAndEraserStayExclusive() {
    auto* pen = Control<CImageButton>(CGlyphEditPane::ID_PEN);
    auto* eraser = Control<CImageButton>(CGlyphEditPane::ID_ERASER);
    QVERIFY(pen->GetCheck() && !eraser->GetCheck());
    const struct {
        CImageButton* button;
        int drawMode;
    } clicks[] = {{eraser, CGlyphCanvas::DRAW_ERASER},
                  {eraser, CGlyphCanvas::DRAW_ERASER},
                  {pen, CGlyphCanvas::DRAW_PEN},
                  {pen, CGlyphCanvas::DRAW_PEN}};
    for (const auto& click : clicks) {
        click.button->click();
        QCOMPARE(Canvas()->drawMode, click.drawMode);
        QCOMPARE(pen->GetCheck(), click.drawMode == CGlyphCanvas::DRAW_PEN);
        QCOMPARE(eraser->GetCheck(), click.drawMode == CGlyphCanvas::DRAW_ERASER);
    }
    for (const int id : {CGlyphEditPane::ID_PEN, CGlyphEditPane::ID_ERASER, CGlyphEditPane::ID_UP,
                         CGlyphEditPane::ID_UPDATE, CGlyphEditPane::ID_RESET}) {
        QVERIFY2(Control<CImageButton>(id)->HasImage(), qPrintable(QString::number(id)));
    }
}

void GlyphEditPaneTest::editOfAnOldGlyphSizeIsNotWrittenBack() {
    fixture->Select(1);
    PaintCell(15, 15);
    QVERIFY(Canvas()->modified);
    // The set is reloaded with smaller glyphs while the edit is open.
    ViewWithGlyphs::FillSet(8, 8, {});
    ViewWithGlyphs::AddGlyph(0x42, Pattern(8, 7));
    ViewWithGlyphs::AddGlyph(0x43, Pattern(8, 9));
    Click(CGlyphEditPane::ID_UPDATE);
    QCOMPARE(ViewWithGlyphs::GlyphBits(1), Pattern(8, 9));

    MessageBoxAnswerer answerer(QMessageBox::Yes);
    QCOMPARE(Pane()->OnGlyphNotify(0), 0);
    QVERIFY(answerer.texts.isEmpty());
    QCOMPARE(Canvas()->Bits(), Pattern(8, 7));
    QCOMPARE(Pane()->Preview()->size(), QSize(8, 8));
    QCoreApplication::processEvents();
    QVERIFY(formChanges->changed.isEmpty());
}

void GlyphEditPaneTest::glyphWithoutBitmapShowsBlankAndGetsOneOnUpdate() {
    ViewWithGlyphs::AddGlyph(0x44, {});
    fixture->Select(0);
    QCOMPARE(Pane()->OnGlyphNotify(2), 0);
    QCOMPARE(Canvas()->Bits(), std::vector<uint8_t>(32, 0));
    PaintCell(0, 0);
    Click(CGlyphEditPane::ID_UPDATE);
    std::vector<uint8_t> expected(32, 0);
    expected[0] = 0x80;
    QCOMPARE(ViewWithGlyphs::GlyphBits(2), expected);
}

void GlyphEditPaneTest::emptySlotOrSizelessSetShowsNothing() {
    CGlyphSet* set = &TestGlyphSet();
    set->SetGlyphAt(2, nullptr);
    fixture->Select(0);
    QCOMPARE(Pane()->OnGlyphNotify(2), -1);
    QCOMPARE(Canvas()->Bits(), std::vector<uint8_t>(32, 0));
    PaintCell(1, 1);
    Click(CGlyphEditPane::ID_UPDATE);
    QCOMPARE(set->GlyphAt(2), nullptr);

    set->SetGlyphSize(0, 16);
    QCOMPARE(Pane()->OnGlyphNotify(0), -1);
    QCOMPARE(Canvas()->BitmapWidth(), 16);
}

QTEST_MAIN(GlyphEditPaneTest)
#include "GlyphEditPaneTest.moc"
