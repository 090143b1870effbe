#include <QScrollBar>
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

    void whereNothingFitsNothingIsDrawnOrHit_data() {
        QTest::addColumn<int>("clientWidth");
        QTest::addColumn<int>("gapX");
        QTest::newRow("narrower than one cell") << 52 << 5;
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

    void busyGridIsPlainWhite() {
        FillSet(100, 16, 16, RANGE_HANGUL, true);
        grid->busy = true;
        const QImage image = SetClient(540, 300);
        QImage white(image.size(), image.format());
        white.fill(Qt::white);
        QCOMPARE(image, white);
        grid->busy = false;
        QVERIFY(SetClient(540, 300) != white);
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
