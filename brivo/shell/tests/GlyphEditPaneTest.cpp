#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QWheelEvent>

#include "panes/CExtractForm.h"
#include "panes/CGlyphCanvas.h"
#include "panes/CGlyphEditPane.h"
#include "panes/CGlyphUndoStack.h"
#include "testing/GlyphPaneTestSupport.h"
#include "testing/Patience.h"
#include "widgets/CImageButton.h"
#include "widgets/DialogUnits.h"

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
    void fitZoomShowsTheWholeGlyphBesideTheTools_data();
    void fitZoomShowsTheWholeGlyphBesideTheTools();
    void fitFollowsTheRoomUntilZoomedByHand();
    void highZoomScrollsToEveryCorner();
    void ctrlWheelZoomsAroundThePointer();
    void keyboardDrawsOnTheCanvas();

private:
    CGlyphEditPane* Pane() const { return fixture->view->EditPane(); }
    CGlyphCanvas* Canvas() const { return Pane()->Canvas(); }
    template <typename T>
    T* Control(int id) const {
        return qobject_cast<T*>(FindControl(Pane(), id));
    }
    void Click(int id) { Control<CImageButton>(id)->click(); }
    QWidget* Viewport() const { return Pane()->Surface()->viewport(); }
    // Where the centre of cell (x, y) is in the drawing surface's visible part.
    QPoint CellInViewport(int x, int y) const {
        const int size = Canvas()->CellSize();
        const QPoint centre =
            Canvas()->DrawRect().topLeft() + QPoint(x * size + size / 2, y * size + size / 2);
        return Canvas()->mapTo(Viewport(), centre);
    }
    // Replaces the set by one glyph of the given size with only the given pixels inked,
    // and shows it.
    void ShowGlyph(int width, int height, const std::vector<QPoint>& ink) {
        ViewWithGlyphs::FillSet(width, height, {0x41},
                                std::vector<uint8_t>(BytesPerGlyph(width, height), 0));
        CGlyph* glyph = TestGlyphSet().glyphs[0].get();
        for (const QPoint pixel : ink)
            CGlyphBitmap(glyph->bits.get(), width, height).SetPixel(pixel.x(), pixel.y(), true);
        QCOMPARE(fixture->Select(0), 0);
    }
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
    QVERIFY(QTest::qWaitForWindowExposed(fixture->view.get(), kPatienceMs));
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
    QTRY_COMPARE_WITH_TIMEOUT(formChanges->changed, yes ? QList<qint64>{0} : QList<qint64>{},
                              kPatienceMs);

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
    QTRY_COMPARE_WITH_TIMEOUT(formChanges->changed, QList<qint64>{1}, kPatienceMs);
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
    QVERIFY(Pane()->FitsZoom());
    zoom->setValue(3);
    QVERIFY(!Pane()->FitsZoom());
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

void GlyphEditPaneTest::fitZoomShowsTheWholeGlyphBesideTheTools_data() {
    QTest::addColumn<QSize>("glyph");
    QTest::addColumn<QSize>("pane");
    // 360 x 477 is the editor of a first start in a 1000 x 700 view.
    QTest::newRow("16 x 16, first start") << QSize(16, 16) << QSize(360, 477);
    QTest::newRow("16 x 16, a large pane") << QSize(16, 16) << QSize(800, 700);
    QTest::newRow("8 x 8, at the highest zoom") << QSize(8, 8) << QSize(800, 700);
    QTest::newRow("24 x 12") << QSize(24, 12) << QSize(500, 400);
    QTest::newRow("12 x 24") << QSize(12, 24) << QSize(500, 400);
    QTest::newRow("256 x 256") << QSize(256, 256) << QSize(700, 600);
    QTest::newRow("256 x 256, room for twice") << QSize(256, 256) << QSize(1000, 800);
}

void GlyphEditPaneTest::fitZoomShowsTheWholeGlyphBesideTheTools() {
    QFETCH(QSize, glyph);
    QFETCH(QSize, pane);
    ShowGlyph(glyph.width(), glyph.height(), {});
    Pane()->resize(pane);
    const int cellSize = Canvas()->CellSize();
    QCOMPARE(Control<QSlider>(CGlyphEditPane::ID_ZOOM)->value(), cellSize);

    // The whole glyph is in sight, without scroll bars, and one zoom step more would not be.
    const QRect viewport = Viewport()->rect();
    const QRect grid(Canvas()->mapTo(Viewport(), Canvas()->DrawRect().topLeft()),
                     Canvas()->DrawRect().size());
    QVERIFY2(viewport.contains(grid), qPrintable(QString("%1,%2 %3x%4 in %5x%6")
                                                     .arg(grid.x())
                                                     .arg(grid.y())
                                                     .arg(grid.width())
                                                     .arg(grid.height())
                                                     .arg(viewport.width())
                                                     .arg(viewport.height())));
    QVERIFY(!Pane()->Surface()->horizontalScrollBar()->isVisible());
    QVERIFY(!Pane()->Surface()->verticalScrollBar()->isVisible());
    QVERIFY(cellSize == CGlyphEditPane::kMaxZoom ||
            (cellSize + 1) * glyph.width() > viewport.width() ||
            (cellSize + 1) * glyph.height() > viewport.height());

    // The preview, the tools and the drawing surface do not overlap, and all lie in the pane.
    const QRect preview = Pane()->Preview()->geometry();
    QCOMPARE(preview.size(), glyph);
    const QRect surface = Pane()->Surface()->geometry();
    QVERIFY(!preview.intersects(surface));
    QVERIFY(Pane()->rect().contains(preview));
    QVERIFY(Pane()->rect().contains(surface));
    QList<QWidget*> tools;
    for (QWidget* child : Pane()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != Pane()->Preview() && child != Pane()->Surface()) tools << child;
    QCOMPARE(tools.size(), 12);  // 10 buttons, the slider and the label
    for (const QWidget* tool : tools) {
        const QString name =
            tool->metaObject()->className() + QString::number(tool->property("controlId").toInt());
        QVERIFY2(!tool->geometry().intersects(preview), qPrintable(name));
        QVERIFY2(!tool->geometry().intersects(surface), qPrintable(name));
    }
}

void GlyphEditPaneTest::fitFollowsTheRoomUntilZoomedByHand() {
    ShowGlyph(16, 16, {});
    Pane()->resize(700, 600);
    const int large = Canvas()->CellSize();
    Pane()->resize(300, 400);
    const int small = Canvas()->CellSize();
    QVERIFY(small < large);
    QVERIFY(Pane()->FitsZoom());

    auto* zoom = Control<QSlider>(CGlyphEditPane::ID_ZOOM);
    zoom->setValue(small + 2);
    Pane()->resize(700, 600);
    QCOMPARE(Canvas()->CellSize(), small + 2);  // set by hand: stays
    QVERIFY(!Pane()->FitsZoom());

    // A glyph of the same size keeps the hand-set zoom; Ctrl+0 in the pane fits again, and
    // so does a glyph of another size.
    QCOMPARE(fixture->Select(0), 0);
    QCOMPARE(Canvas()->CellSize(), small + 2);
    fixture->view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(fixture->view.get(), kPatienceMs));
    Pane()->Surface()->setFocus();
    QTest::keyClick(Pane()->Surface(), Qt::Key_0, Qt::ControlModifier);
    QVERIFY(Pane()->FitsZoom());
    QCOMPARE(Canvas()->CellSize(), large);
    zoom->setValue(small);
    ShowGlyph(8, 8, {});
    QVERIFY(Pane()->FitsZoom());
    QCOMPARE(Canvas()->CellSize(), CGlyphEditPane::kMaxZoom);
}

void GlyphEditPaneTest::highZoomScrollsToEveryCorner() {
    const std::vector<QPoint> corners = {{0, 0}, {255, 0}, {0, 255}, {255, 255}};
    ShowGlyph(256, 256, corners);
    Pane()->resize(700, 600);
    Control<QSlider>(CGlyphEditPane::ID_ZOOM)->setValue(CGlyphEditPane::kMaxZoom);
    QScrollBar* across = Pane()->Surface()->horizontalScrollBar();
    QScrollBar* down = Pane()->Surface()->verticalScrollBar();
    QTRY_VERIFY_WITH_TIMEOUT(across->isVisible() && down->isVisible(), kPatienceMs);
    for (const QPoint corner : corners) {
        across->setValue(corner.x() == 0 ? across->minimum() : across->maximum());
        down->setValue(corner.y() == 0 ? down->minimum() : down->maximum());
        const QImage seen = Viewport()->grab().toImage();
        const QPoint at = CellInViewport(corner.x(), corner.y());
        QVERIFY2(seen.rect().contains(at), qPrintable(QString("%1,%2").arg(at.x()).arg(at.y())));
        QCOMPARE(seen.pixelColor(at), QColor(Qt::black));
        // Its neighbour towards the middle is blank: the picture is the glyph's, not a fill.
        const QPoint inward = CellInViewport(corner.x() == 0 ? 1 : 254, corner.y());
        QVERIFY(seen.rect().contains(inward));
        QCOMPARE(seen.pixelColor(inward), QColor(Qt::white));
    }
}

void GlyphEditPaneTest::ctrlWheelZoomsAroundThePointer() {
    ShowGlyph(64, 64, {});
    Pane()->resize(700, 600);
    auto* zoom = Control<QSlider>(CGlyphEditPane::ID_ZOOM);
    zoom->setValue(12);
    QTRY_VERIFY_WITH_TIMEOUT(Pane()->Surface()->verticalScrollBar()->isVisible(), kPatienceMs);
    Pane()->Surface()->horizontalScrollBar()->setValue(100);
    Pane()->Surface()->verticalScrollBar()->setValue(150);
    const QPoint pointer = CellInViewport(20, 30);
    const auto turn = [&](int delta, Qt::KeyboardModifiers keys) {
        const QPointF at = Canvas()->mapFrom(Viewport(), pointer);
        QWheelEvent wheel(at, Canvas()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          keys, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Canvas(), &wheel);
        return wheel.isAccepted();
    };
    const auto cellUnderPointer = [&] {
        const QPoint at = Canvas()->mapFrom(Viewport(), pointer) - Canvas()->DrawRect().topLeft();
        return QPoint(at.x() / Canvas()->CellSize(), at.y() / Canvas()->CellSize());
    };
    turn(120, Qt::ControlModifier);
    QCOMPARE(zoom->value(), 13);
    QCOMPARE(cellUnderPointer(), QPoint(20, 30));
    turn(-240, Qt::ControlModifier);
    QCOMPARE(zoom->value(), 11);
    QCOMPARE(cellUnderPointer(), QPoint(20, 30));
    // Half notches add up.
    turn(60, Qt::ControlModifier);
    QCOMPARE(zoom->value(), 11);
    turn(60, Qt::ControlModifier);
    QCOMPARE(zoom->value(), 12);
    // Without Ctrl the wheel is left to the scroll area, and the zoom stays.
    QVERIFY(!turn(-120, Qt::NoModifier));
    QCOMPARE(zoom->value(), 12);
}

// Arrows move the cursor cell (never out of the glyph), Space turns its pixel over, Shift with
// an arrow paints with the current tool as it moves; each key that changes a pixel is a step.
void GlyphEditPaneTest::keyboardDrawsOnTheCanvas() {
    ShowGlyph(8, 8, {});
    QVERIFY(Canvas()->focusPolicy() & Qt::TabFocus);
    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers held = Qt::NoModifier) {
        QTest::keyClick(Canvas(), k, held);
    };
    const auto inked = [&] {
        QList<QPoint> cells;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                if (Canvas()->GetCell(x, y)) cells << QPoint(x, y);
        return cells;
    };
    CGlyphUndoStack& history = fixture->view->History();
    const int steps = history.count();
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    key(Qt::Key_Down);
    QCOMPARE(Canvas()->CursorCell(), QPoint(2, 1));
    QVERIFY(inked().isEmpty());
    key(Qt::Key_Space);
    QCOMPARE(inked(), QList<QPoint>{QPoint(2, 1)});
    key(Qt::Key_Space);
    QVERIFY(inked().isEmpty());
    key(Qt::Key_Space);
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(inked(), (QList<QPoint>{QPoint(2, 1), QPoint(3, 1), QPoint(4, 1)}));
    QCOMPARE(Canvas()->CursorCell(), QPoint(4, 1));
    Click(CGlyphEditPane::ID_ERASER);
    key(Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(inked(), QList<QPoint>{QPoint(2, 1)});
    QVERIFY(Canvas()->modified);
    QCOMPARE(history.count(), steps + 6);
    history.undo();
    QCOMPARE(inked(), (QList<QPoint>{QPoint(2, 1), QPoint(3, 1), QPoint(4, 1)}));
    for (int i = 0; i < 12; ++i) key(Qt::Key_Down);
    for (int i = 0; i < 12; ++i) key(Qt::Key_Right);
    QCOMPARE(Canvas()->CursorCell(), QPoint(7, 7));
    key(Qt::Key_Space);
    QVERIFY(Canvas()->GetCell(7, 7));
}

QTEST_MAIN(GlyphEditPaneTest)
#include "GlyphEditPaneTest.moc"
