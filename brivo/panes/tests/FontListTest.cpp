#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "panes/CFontList.h"
#include "testing/PaneTestSupport.h"

using namespace brivo;
using namespace brivo::test;

class FontListTest : public QObject {
    Q_OBJECT

    MessageRecorder* parent = nullptr;
    CFontList* grid = nullptr;

    // Gives the grid a client area (left of its scroll bar) of the given size and paints it
    // once, which sets the scroll range.
    QImage SetClient(int width, int height) {
        grid->resize(width + grid->ScrollBar()->sizeHint().width(), height);
        return grid->RenderImage();
    }

private slots:
    void init() {
        parent = new MessageRecorder;
        grid = new CFontList(TestGlyphSet(), parent);
        FillSet(2350);
    }
    void cleanup() {
        delete parent;
        TestGlyphSet().ClearGlyphs();
    }

    void geometryOfTheExampleClient() {
        SetClient(540, 300);
        QCOMPARE(grid->ClientSize(), QSize(540, 300));
        QCOMPARE(grid->VisibleCount(), 40);  // 10 columns, 4 full rows
        QCOMPARE(grid->ScrollMax(), 236);
        QCOMPARE(grid->ScrollPage(), 5);
        QCOMPARE(grid->ScrollPos(), 0);
    }

    void wheelScrollsWholePages_data() {
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("position");
        QTest::newRow("one notch toward the user") << -120 << 5;
        QTest::newRow("two notches") << -240 << 10;
        QTest::newRow("half a notch") << -60 << 0;
        QTest::newRow("away from the user at the top") << 120 << 0;
    }
    void wheelScrollsWholePages() {
        QFETCH(int, delta);
        QFETCH(int, position);
        SetClient(540, 300);
        grid->OnMouseWheel(delta);
        QCOMPARE(grid->ScrollPos(), position);
        grid->RenderImage();
        QCOMPARE(grid->firstVisible, position * 10);
    }

    void pressSelectsAndTellsTheParent_data() {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("position");
        QTest::newRow("second column, second row") << QPoint(60, 80) << 11 << 0;
        QTest::newRow("partly visible fifth row") << QPoint(60, 295) << 41 << 1;
        QTest::newRow("gap right of a cell") << QPoint(52, 72) << 0 << 0;
        QTest::newRow("right of the last column") << QPoint(535, 10) << -1 << 0;
    }
    void pressSelectsAndTellsTheParent() {
        QFETCH(QPoint, point);
        QFETCH(int, selected);
        QFETCH(int, position);
        SetClient(540, 300);
        QTest::mouseClick(grid, Qt::LeftButton, {}, point);
        QCOMPARE(grid->selectedIndex, selected);
        QCOMPARE(grid->ScrollPos(), position);
        QVERIFY(!parent->received.empty());
        QCOMPARE(parent->received.front().message, WM_FONTLIST_SELECT);
        QCOMPARE(static_cast<int>(parent->received.front().wParam), selected);
        QCOMPARE(parent->received.front().lParam, 0);
    }

    void pressBeyondTheLastGlyphSelectsNothing() {
        FillSet(15);
        SetClient(540, 300);
        grid->selectedIndex = 3;
        QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(60 * 6, 80));  // position 16
        QCOMPARE(grid->selectedIndex, -1);
        QCOMPARE(static_cast<int>(parent->received.back().wParam), -1);
    }

    void ensureVisibleScrollsToTheSelectedRow() {
        SetClient(540, 300);
        grid->selectedIndex = 120;
        grid->EnsureVisible();
        QCOMPARE(grid->ScrollPos(), 12);
        QCOMPARE(grid->firstVisible, 120);
        grid->selectedIndex = 125;  // already visible: nothing moves
        grid->EnsureVisible();
        QCOMPARE(grid->ScrollPos(), 12);
    }

    // 2350 glyphs in 10 columns of 53 pixels, 4 full rows of 73: rows 0..234, the last one
    // full; the scroll position goes up to 232.
    void keysMoveTheSelectionAndScrollToIt_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("position");
        QTest::newRow("right") << 5 << int(Qt::Key_Right) << 6 << 0;
        QTest::newRow("right wraps to the next row") << 9 << int(Qt::Key_Right) << 10 << 0;
        QTest::newRow("left at the first glyph") << 0 << int(Qt::Key_Left) << 0 << 0;
        QTest::newRow("right at the last glyph") << 2349 << int(Qt::Key_Right) << 2349 << 232;
        QTest::newRow("down") << 5 << int(Qt::Key_Down) << 15 << 0;
        QTest::newRow("down below the last full row scrolls one row")
            << 35 << int(Qt::Key_Down) << 45 << 1;
        QTest::newRow("up in the first row stays") << 5 << int(Qt::Key_Up) << 5 << 0;
        QTest::newRow("down in the last row stays") << 2345 << int(Qt::Key_Down) << 2345 << 232;
        QTest::newRow("page down") << 5 << int(Qt::Key_PageDown) << 45 << 1;
        QTest::newRow("page down near the end keeps the column")
            << 2325 << int(Qt::Key_PageDown) << 2345 << 232;
        QTest::newRow("page up near the start keeps the column")
            << 25 << int(Qt::Key_PageUp) << 5 << 0;
        QTest::newRow("end") << 5 << int(Qt::Key_End) << 2349 << 231;
        QTest::newRow("home") << 2349 << int(Qt::Key_Home) << 0 << 0;
        QTest::newRow("down with nothing selected") << -1 << int(Qt::Key_Down) << 0 << 0;
    }
    void keysMoveTheSelectionAndScrollToIt() {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, selected);
        QFETCH(int, position);
        SetClient(540, 300);
        grid->selectedIndex = from;
        grid->EnsureVisible();
        QTest::keyClick(grid, Qt::Key(key));
        QCOMPARE(grid->selectedIndex, selected);
        QCOMPARE(grid->ScrollPos(), position);
        // The selected cell is whole on the screen.
        QCOMPARE(
            grid->HitTest(53 * (selected % 10) + 20, 73 * (selected / 10 - position) + 20, false),
            selected);
        QVERIFY(selected / 10 - position < 4);
        QCOMPARE(parent->received.size(), size_t(1));
        QCOMPARE(parent->received.front().message, WM_FONTLIST_SELECT);
        QCOMPARE(static_cast<int>(parent->received.front().wParam), selected);
    }

    void scrollingOnFromTheSelectionKeepsThePageOnScreen() {
        SetClient(540, 300);
        grid->selectedIndex = 0;
        for (int i = 0; i < 3; ++i) QTest::keyClick(grid, Qt::Key_PageDown);
        QCOMPARE(grid->selectedIndex, 120);
        QCOMPARE(grid->ScrollPos(), 9);  // row 12 at the bottom of the four full rows
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(grid->ScrollPos(), 9);  // still on screen: nothing moves
        grid->RenderImage();
        QCOMPARE(grid->firstVisible, 90);
    }

    void enterAsksToOpenTheSelection() {
        SetClient(540, 300);
        QSignalSpy open(grid, &CFontList::OpenRequested);
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(open.count(), 0);  // nothing selected
        grid->selectedIndex = 12;
        QTest::keyClick(grid, Qt::Key_Enter);
        QCOMPARE(open.count(), 1);
        QCOMPARE(open.front().front().toInt(), 12);
        QVERIFY(parent->received.empty());
    }

    void keysDoNothingInAnEmptyOrBusyGrid() {
        SetClient(540, 300);
        grid->busy = true;
        QTest::keyClick(grid, Qt::Key_End);
        QCOMPARE(grid->selectedIndex, -1);
        grid->busy = false;
        TestGlyphSet().ClearGlyphs();
        QTest::keyClick(grid, Qt::Key_End);
        QCOMPARE(grid->selectedIndex, -1);
        QVERIFY(parent->received.empty());
    }

    void whereNothingFitsNothingIsDrawnOrHit_data() {
        QTest::addColumn<int>("clientWidth");
        QTest::addColumn<int>("gapX");
        QTest::newRow("no room at all") << 0 << 5;
        QTest::newRow("zero pitch") << 540 << -48;
        QTest::newRow("negative pitch") << 540 << -60;
    }
    void whereNothingFitsNothingIsDrawnOrHit() {
        QFETCH(int, clientWidth);
        QFETCH(int, gapX);
        grid->gapX = gapX;
        const QImage image = SetClient(clientWidth, 300);
        QCOMPARE(grid->HitTest(10, 10, true), -1);
        QCOMPARE(grid->VisibleCount(), 0);
        QImage white(image.size(), image.format());
        white.fill(Qt::white);
        QCOMPARE(image, white);
    }

    // A label wider than its cell keeps its end (the code) and fits the cell; the whole label
    // is in the tooltip. One that fits is shown whole.
    void labelsFitTheirCells_data() {
        QTest::addColumn<int>("scale");
        QTest::newRow("48 pixels wide") << 3;
        QTest::newRow("16 pixels wide") << 1;
        QTest::newRow("160 pixels wide") << 10;
    }
    void labelsFitTheirCells() {
        QFETCH(int, scale);
        grid->scale = scale;
        SetClient(800, 600);
        const CGlyph& glyph = *TestGlyphSet().glyphs[0];
        const QString full = grid->LabelText(glyph);
        const QString shown = grid->ShownLabel(glyph);
        const int room = scale * TestGlyphSet().width - 2;
        const QFontMetrics fm(grid->labelFont);
        QVERIFY2(fm.horizontalAdvance(shown) <= room, qPrintable(shown));
        if (fm.horizontalAdvance(full) <= room) {
            QCOMPARE(shown, full);
        } else {
            QVERIFY(shown.startsWith(QChar(0x2026)));
            QVERIFY(full.endsWith(shown.mid(1)));
        }
    }

    // However large the glyphs, at least one of them is shown whole, inked where it is inked,
    // and a click on it selects it: the cells shrink, then lose their labels, to fit.
    void largeGlyphsShrinkToFitTheGrid_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("shownScale");
        QTest::addColumn<bool>("labels");
        QTest::newRow("16 x 16 as it is") << 16 << 3 << true;
        QTest::newRow("100 x 100 at twice") << 100 << 2 << true;
        QTest::newRow("128 x 128 at once") << 128 << 1 << true;
        QTest::newRow("208 x 208") << 208 << 1 << true;
        QTest::newRow("256 x 256 without labels") << 256 << 1 << false;
    }
    void largeGlyphsShrinkToFitTheGrid() {
        QFETCH(int, size);
        QFETCH(int, shownScale);
        QFETCH(bool, labels);
        FillSet(20, size, size, RANGE_HANGUL, true);
        const QImage image = SetClient(270, 280);
        QCOMPARE(grid->ShownScale(), shownScale);
        QCOMPARE(grid->ShowsLabels(), labels);
        QVERIFY(grid->VisibleCount() >= 1);
        const int extent = shownScale * size;
        // The first glyph lies whole in the client, black from corner to corner.
        QVERIFY(extent <= image.width() && extent <= image.height());
        for (const QPoint at :
             {QPoint(1, 1), QPoint(extent - 2, extent - 2), QPoint(extent / 2, extent / 2)})
            QCOMPARE(image.pixelColor(at), QColor(Qt::black));
        QCOMPARE(grid->HitTest(extent / 2, extent / 2, false), 0);
    }

    // While the set is being filled the grid reads none of it: white until glyphs arrive,
    // then exactly the arrived ones as the grid of those glyphs alone shows them.
    void busyGridShowsOnlyTheGlyphsThatArrived() {
        FillSet(100, 16, 16, RANGE_HANGUL, true);
        grid->busy = true;
        const QImage none = SetClient(540, 300);
        QImage white(none.size(), none.format());
        white.fill(Qt::white);
        QCOMPARE(none, white);
        for (int i = 0; i < 7; ++i) grid->ShowArrived(TestGlyphSet().GlyphAt(i));
        const QImage some = grid->RenderImage();
        grid->busy = false;
        grid->ForgetArrived();
        while (TestGlyphSet().Count() > 7) TestGlyphSet().RemoveGlyphAt(7);
        const QImage seven = grid->RenderImage();
        QVERIFY(seven != white);
        QCOMPARE(some, seven);
    }

    // The labels are laid out from the fonts' character maps; they must look exactly as Qt's
    // own text drawing of the same text, centred in the same strip.
    void labelsLookAsQtDrawsTheirText_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<QString>("text");
        QTest::newRow("Hangul") << int(RANGE_HANGUL) << QString("가[0xb0a1]");
        QTest::newRow("custom") << int(RANGE_CUSTOM) << QString("[0]");
    }
    void labelsLookAsQtDrawsTheirText() {
        QFETCH(int, range);
        QFETCH(QString, text);
        FillSet(1, 16, 16, CodeRange(range));
        QCOMPARE(grid->LabelText(*TestGlyphSet().glyphs[0]), text);
        const QRect strip(1, 50, 47, 16);  // inside the label frame of the first cell
        const QImage drawn = SetClient(540, 300).copy(strip);
        // A label too wide for its cell is drawn shortened: compare what is shown.
        text = grid->ShownLabel(*TestGlyphSet().glyphs[0]);
        QImage qt(grid->ClientSize(), QImage::Format_RGB32);
        qt.fill(Qt::white);
        {
            QPainter painter(&qt);
            painter.setFont(grid->labelFont);
            painter.setClipRect(strip);
            painter.drawText(QRectF(0, 49, 48, 18), Qt::AlignCenter, text);
        }
        QCOMPARE(drawn, qt.copy(strip));
    }

    void selectedCellLooksDifferent() {
        FillSet(2, 16, 16, RANGE_HANGUL, false);
        TestGlyphSet().glyphs[0]->bits[0] = 0x80;  // top-left pixel inked
        TestGlyphSet().glyphs[1]->bits[0] = 0x80;
        grid->selectedIndex = 0;
        const QImage image = SetClient(540, 300);
        // selected cell 0: light grey ink, dark grey paper, red frame
        QCOMPARE(image.pixel(2, 2), qRgb(176, 176, 176));
        QCOMPARE(image.pixel(10, 10), qRgb(112, 112, 112));
        QCOMPARE(image.pixel(48, 20), qRgb(255, 0, 0));
        // normal cell 1 at x 53: black ink, white paper, grey frame
        QCOMPARE(image.pixel(53 + 2, 2), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(53 + 10, 10), qRgb(255, 255, 255));
        QCOMPARE(image.pixel(53 + 48, 20), qRgb(128, 128, 128));
        // both label strips are framed in light grey
        QCOMPARE(image.pixel(20, 49), qRgb(160, 160, 160));
        QCOMPARE(image.pixel(53 + 20, 49), qRgb(160, 160, 160));
    }
};

QTEST_MAIN(FontListTest)
#include "FontListTest.moc"
