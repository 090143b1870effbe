#include "panes/CGlyphCanvas.h"
#include "testing/GlyphPaneTestSupport.h"

using namespace brivo;

namespace {

// A small bitmap written as rows of '#' (ink) and '.'.
using Picture = QStringList;

void Draw(CGlyphCanvas& canvas, const Picture& picture) {
    canvas.SetBitmapSize(picture.first().size(), picture.size());
    canvas.ClearBits();
    for (int y = 0; y < picture.size(); ++y) {
        for (int x = 0; x < picture[y].size(); ++x) canvas.SetCell(x, y, picture[y][x] == '#');
    }
    canvas.modified = false;
}

Picture PictureOf(const CGlyphCanvas& canvas) {
    Picture picture;
    for (int y = 0; y < canvas.BitmapHeight(); ++y) {
        QString row;
        for (int x = 0; x < canvas.BitmapWidth(); ++x) row += canvas.GetCell(x, y) ? '#' : '.';
        picture << row;
    }
    return picture;
}

}  // namespace

class GlyphCanvasTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { canvas.reset(); }
    void drawsCellsWithGapsFromCellSizeFour_data();
    void drawsCellsWithGapsFromCellSizeFour();
    void buttonsPaintWithTheirTool_data();
    void buttonsPaintWithTheirTool();
    void dragOverInkedCellsChangesNothing();
    void dragPaintsEveryCellOnItsPath();
    void dragWithOtherKeysOrButtonsPaintsNothing_data();
    void dragWithOtherKeysOrButtonsPaintsNothing();
    void clickJustLeftOfTheGridHitsColumnZero();
    void shiftMovesOneCellAndBlanksTheIncomingEdge_data();
    void shiftMovesOneCellAndBlanksTheIncomingEdge();
    void shiftOutAndBackLosesTheEdge();
    void mirrorTwiceRestoresButStaysModified();
    void bitmapSizeAcceptsOnlyPositiveSizes();

private:
    QPoint CellCentre(int x, int y) {
        const QRect grid = canvas->DrawRect();
        const int size = canvas->CellSize();
        return {grid.left() + x * size + size / 2, grid.top() + y * size + size / 2};
    }
    std::unique_ptr<CGlyphCanvas> canvas;
};

void GlyphCanvasTest::init() {
    canvas = std::make_unique<CGlyphCanvas>();
    canvas->resize(300, 300);
    canvas->show();
}

void GlyphCanvasTest::drawsCellsWithGapsFromCellSizeFour_data() {
    QTest::addColumn<int>("cellSize");
    QTest::newRow("1: cells touch") << 1;
    QTest::newRow("3: cells touch") << 3;
    QTest::newRow("4: one-pixel gap") << 4;
    QTest::newRow("14: one-pixel gap") << 14;
}

void GlyphCanvasTest::drawsCellsWithGapsFromCellSizeFour() {
    QFETCH(int, cellSize);
    Draw(*canvas, {"#.##", "...."});
    canvas->SetCellSize(cellSize);
    const QImage image = canvas->grab().toImage();
    const QRect grid = canvas->DrawRect();
    QCOMPARE(grid,
             QRect((300 - 4 * cellSize) / 2, (300 - 2 * cellSize) / 2, 4 * cellSize, 2 * cellSize));
    const auto at = [&](int x, int y) {
        return image.pixel(grid.left() + x, grid.top() + y) & 0xFFFFFF;
    };
    const QRgb grey = CGlyphCanvas::kGroundColour, black = 0, white = 0xFFFFFF;
    const int last = cellSize - 1;  // last pixel column / row of a cell
    QCOMPARE(at(0, 0), black);
    QCOMPARE(at(cellSize, 0), white);
    QCOMPARE(at(0, cellSize), white);
    // The right and bottom edge of each cell: the cell's own colour or the grey gap.
    QCOMPARE(at(2 * cellSize + last, 0), cellSize >= 4 ? grey : black);
    QCOMPARE(at(cellSize, last), cellSize >= 4 ? grey : white);
    QCOMPARE(at(-1, -1), grey);
    QCOMPARE(at(4 * cellSize, 2 * cellSize), grey);
}

void GlyphCanvasTest::buttonsPaintWithTheirTool_data() {
    QTest::addColumn<int>("drawMode");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("ink");
    QTest::newRow("pen, left sets") << int(CGlyphCanvas::DRAW_PEN) << int(Qt::LeftButton) << 1;
    QTest::newRow("pen, right clears") << int(CGlyphCanvas::DRAW_PEN) << int(Qt::RightButton) << 0;
    QTest::newRow("eraser, left clears")
        << int(CGlyphCanvas::DRAW_ERASER) << int(Qt::LeftButton) << 0;
    QTest::newRow("eraser, right sets")
        << int(CGlyphCanvas::DRAW_ERASER) << int(Qt::RightButton) << 1;
}

void GlyphCanvasTest::buttonsPaintWithTheirTool() {
    QFETCH(int, drawMode);
    QFETCH(int, button);
    QFETCH(int, ink);
    Draw(*canvas, {ink ? "...." : "####", ink ? "...." : "####"});
    canvas->drawMode = drawMode;
    const auto mouseButton = static_cast<Qt::MouseButton>(button);
    SendMouse(canvas.get(), QEvent::MouseButtonPress, CellCentre(1, 1), mouseButton, mouseButton);
    QCOMPARE(canvas->GetCell(1, 1), ink);
    QCOMPARE(canvas->GetCell(0, 1), 1 - ink);
    QCOMPARE(canvas->LastCell(), QPoint(1, 1));
    QVERIFY(canvas->modified);
    SendMouse(canvas.get(), QEvent::MouseButtonRelease, CellCentre(1, 1), mouseButton,
              Qt::NoButton);
    QCOMPARE(canvas->LastCell(), QPoint(-1, -1));
}

void GlyphCanvasTest::dragOverInkedCellsChangesNothing() {
    Draw(*canvas, {"####", "####"});
    SendMouse(canvas.get(), QEvent::MouseButtonPress, CellCentre(0, 0), Qt::LeftButton,
              Qt::LeftButton);
    for (int x = 1; x < 4; ++x) {
        SendMouse(canvas.get(), QEvent::MouseMove, CellCentre(x, 1), Qt::NoButton, Qt::LeftButton);
    }
    QCOMPARE(PictureOf(*canvas), Picture({"####", "####"}));
    QVERIFY(!canvas->modified);
}

void GlyphCanvasTest::dragPaintsEveryCellOnItsPath() {
    Draw(*canvas, {"....", "....", "...."});
    SendMouse(canvas.get(), QEvent::MouseButtonPress, CellCentre(0, 0), Qt::LeftButton,
              Qt::LeftButton);
    const QPoint path[] = {CellCentre(1, 0), CellCentre(1, 0) + QPoint(2, 2), CellCentre(2, 1),
                           CellCentre(3, 2)};
    for (const QPoint point : path) {
        SendMouse(canvas.get(), QEvent::MouseMove, point, Qt::NoButton, Qt::LeftButton);
    }
    QCOMPARE(canvas->LastCell(), QPoint(3, 2));
    // Back over a painted cell with the right button clears it.
    SendMouse(canvas.get(), QEvent::MouseButtonRelease, CellCentre(3, 2), Qt::LeftButton,
              Qt::NoButton);
    SendMouse(canvas.get(), QEvent::MouseButtonPress, CellCentre(3, 2), Qt::RightButton,
              Qt::RightButton);
    SendMouse(canvas.get(), QEvent::MouseMove, CellCentre(2, 1), Qt::NoButton, Qt::RightButton);
    QCOMPARE(PictureOf(*canvas), Picture({"##..", "....", "...."}));
}

void GlyphCanvasTest::dragWithOtherKeysOrButtonsPaintsNothing_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("keys");
    QTest::newRow("left with Shift") << int(Qt::LeftButton) << int(Qt::ShiftModifier);
    QTest::newRow("left with Control") << int(Qt::LeftButton) << int(Qt::ControlModifier);
    QTest::newRow("right with Shift") << int(Qt::RightButton) << int(Qt::ShiftModifier);
    QTest::newRow("both buttons") << int(Qt::LeftButton | Qt::RightButton) << int(Qt::NoModifier);
    QTest::newRow("no button") << int(Qt::NoButton) << int(Qt::NoModifier);
}

void GlyphCanvasTest::dragWithOtherKeysOrButtonsPaintsNothing() {
    QFETCH(int, buttons);
    QFETCH(int, keys);
    Draw(*canvas, {"....", "####"});
    for (int x = 0; x < 4; ++x) {
        SendMouse(canvas.get(), QEvent::MouseMove, CellCentre(x, x % 2), Qt::NoButton,
                  Qt::MouseButtons(buttons), Qt::KeyboardModifiers(keys));
    }
    QCOMPARE(PictureOf(*canvas), Picture({"....", "####"}));
    QVERIFY(!canvas->modified);
}

void GlyphCanvasTest::clickJustLeftOfTheGridHitsColumnZero() {
    Draw(*canvas, {"....", "...."});
    const QRect grid = canvas->DrawRect();
    const int size = canvas->CellSize();
    const QPoint justOutside(grid.left() - size + 1, grid.top() - size + 1);
    SendMouse(canvas.get(), QEvent::MouseButtonPress, justOutside, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(PictureOf(*canvas), Picture({"#...", "...."}));
    // A whole cell further out is outside the bitmap and changes nothing.
    canvas->modified = false;
    SendMouse(canvas.get(), QEvent::MouseButtonPress, QPoint(grid.left() - size, grid.top()),
              Qt::RightButton, Qt::RightButton);
    QCOMPARE(PictureOf(*canvas), Picture({"#...", "...."}));
    QVERIFY(!canvas->modified);
}

void GlyphCanvasTest::shiftMovesOneCellAndBlanksTheIncomingEdge_data() {
    QTest::addColumn<int>("direction");
    QTest::addColumn<Picture>("expected");
    QTest::newRow("up") << int(SHIFT_UP) << Picture{".#...#...", "#.......#", "........."};
    QTest::newRow("down") << int(SHIFT_DOWN) << Picture{".........", "#.......#", ".#...#..."};
    QTest::newRow("left") << int(SHIFT_LEFT) << Picture{".......#.", "#...#....", ".......#."};
    QTest::newRow("right") << int(SHIFT_RIGHT) << Picture{".#.......", "..#...#..", ".#......."};
}

void GlyphCanvasTest::shiftMovesOneCellAndBlanksTheIncomingEdge() {
    QFETCH(int, direction);
    QFETCH(Picture, expected);
    // Nine columns: the shift crosses a byte boundary.
    Draw(*canvas, {"#.......#", ".#...#...", "#.......#"});
    canvas->Shift(static_cast<ShiftDirection>(direction));
    QCOMPARE(PictureOf(*canvas), expected);
    QVERIFY(canvas->modified);
}

void GlyphCanvasTest::shiftOutAndBackLosesTheEdge() {
    Draw(*canvas, {"##", "#.", ".#", "..", "..", "#."});
    for (int i = 0; i < 4; ++i) canvas->Shift(SHIFT_UP);
    for (int i = 0; i < 4; ++i) canvas->Shift(SHIFT_DOWN);
    QCOMPARE(PictureOf(*canvas), Picture({"..", "..", "..", "..", "..", "#."}));
}

void GlyphCanvasTest::mirrorTwiceRestoresButStaysModified() {
    const Picture original = {"##.......", "#.......#", "........#"};
    const Picture leftRight = {".......##", "#.......#", "#........"};
    const Picture topBottom = {"........#", "#.......#", "##......."};
    for (const bool horizontal : {true, false}) {
        Draw(*canvas, original);
        canvas->Mirror(horizontal ? MIRROR_HORIZONTAL : MIRROR_VERTICAL);
        QCOMPARE(PictureOf(*canvas), horizontal ? leftRight : topBottom);
        canvas->Mirror(horizontal ? MIRROR_HORIZONTAL : MIRROR_VERTICAL);
        QCOMPARE(PictureOf(*canvas), original);
        QVERIFY(canvas->modified);
    }
}

void GlyphCanvasTest::bitmapSizeAcceptsOnlyPositiveSizes() {
    Draw(*canvas, {"#.#", ".#."});
    for (const QSize size : {QSize(0, 5), QSize(5, 0), QSize(-1, 5), QSize(3, -2)}) {
        canvas->SetBitmapSize(size.width(), size.height());
        QCOMPARE(PictureOf(*canvas), Picture({"#.#", ".#."}));
    }
    canvas->SetBitmapSize(3, 2);  // same size: the bitmap stays
    QCOMPARE(PictureOf(*canvas), Picture({"#.#", ".#."}));
    canvas->SetBitmapSize(17, 3);
    QCOMPARE(canvas->BytesPerRow(), 3);
    QCOMPARE(canvas->Bits(), std::vector<uint8_t>(9, 0));
    // Loading fills exactly the new size.
    const std::vector<uint8_t> source(9, 0xFF);
    canvas->modified = true;
    canvas->LoadBits(source.data());
    QCOMPARE(canvas->GetCell(16, 2), 1);
    QCOMPARE(canvas->GetCell(17, 2), 0);
    QVERIFY(!canvas->modified);
    canvas->LoadBits(nullptr);
    QCOMPARE(canvas->GetCell(16, 2), 1);
}

QTEST_MAIN(GlyphCanvasTest)
#include "GlyphCanvasTest.moc"
