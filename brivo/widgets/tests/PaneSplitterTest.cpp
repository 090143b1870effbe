#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "testing/Patience.h"
#include "widgets/BrivoProfile.h"
#include "widgets/CPaneSplitter.h"

using brivo::CPaneSplitter;

namespace {

constexpr int kOuterId = 61447;
constexpr int kInnerId = 61446;

void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Drag(QWidget* widget, QPoint from, QPoint to) {
    SendMouse(widget, QEvent::MouseButtonPress, from);
    SendMouse(widget, QEvent::MouseMove, to);
    SendMouse(widget, QEvent::MouseButtonRelease, to);
}

int ProfileInt(const QString& key) { return brivo::OpenBrivoProfile()->value(key, -1).toInt(); }

}  // namespace

class PaneSplitterTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void startsWithDefaultsOnACleanProfile();
    void dragStopsAtTheMinima_data();
    void dragStopsAtTheMinima();
    void dragShowsAnInvertedBand();
    void escapeCancelsTheDragAndReturnsTheFocus();
    void resizeKeepsThePreferredPaneSize();
    void writesAndReadsThePositionsOnDestruction();
    void liveDragAndSinglePaneModes();

private:
    // A shown view holding one splitter that fills it, with minima 90 and 110.
    struct Split {
        QWidget view;
        QWidget* first = new QWidget;
        QWidget* second = new QWidget;
        CPaneSplitter* splitter = new CPaneSplitter;
    };
    static std::unique_ptr<Split> MakeSplit(unsigned style, int id, int width, int height);
    static std::unique_ptr<Split> MakeOuter(int width) {
        return MakeSplit(CPaneSplitter::SPLIT_VERTICAL, kOuterId, width, 600);
    }
    static std::unique_ptr<Split> MakeInner() {
        return MakeSplit(CPaneSplitter::SPLIT_HORIZONTAL, kInnerId, 300, 700);
    }

    QTemporaryDir profileDir;
};

void PaneSplitterTest::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(profileDir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profileDir.path());
}

void PaneSplitterTest::init() { brivo::OpenBrivoProfile()->clear(); }

std::unique_ptr<PaneSplitterTest::Split> PaneSplitterTest::MakeSplit(unsigned style, int id,
                                                                     int width, int height) {
    auto split = std::make_unique<Split>();
    split->view.resize(width, height);
    split->splitter->Create(style | CPaneSplitter::SPLIT_VISIBLE, &split->view, split->first,
                            split->second, id, QRect(0, 0, width, height), 90, 110);
    split->view.show();  // a hidden widget gets its resize events only when shown
    return split;
}

void PaneSplitterTest::startsWithDefaultsOnACleanProfile() {
    auto outer = MakeOuter(800);
    QCOMPARE(outer->first->geometry(), QRect(0, 0, 180, 600));
    QCOMPARE(outer->second->geometry(), QRect(183, 0, 617, 600));
    QCOMPARE(CPaneSplitter::OwnerOf(outer->second), &outer->view);
    QCOMPARE(outer->second->parentWidget(), outer->splitter);

    auto inner = MakeInner();
    QCOMPARE(inner->second->geometry(), QRect(0, 480, 300, 220));
    QCOMPARE(inner->first->geometry(), QRect(0, 0, 300, 477));
}

void PaneSplitterTest::dragStopsAtTheMinima_data() {
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("leftWidth");
    QTest::newRow("far left") << 10 << 89;
    QTest::newRow("far right") << 790 << 689;
    QTest::newRow("inside") << 400 << 399;
}

void PaneSplitterTest::dragStopsAtTheMinima() {
    QFETCH(int, target);
    QFETCH(int, leftWidth);
    auto outer = MakeOuter(800);
    Drag(outer->splitter, QPoint(181, 300), QPoint(target, 300));
    QCOMPARE(outer->first->width(), leftWidth);
    QCOMPARE(outer->second->x(), leftWidth + 3);
    QCOMPARE(outer->splitter->LeftWidth(), leftWidth);
    QVERIFY(!outer->splitter->IsDragging());
}

void PaneSplitterTest::dragShowsAnInvertedBand() {
    auto outer = MakeOuter(800);
    outer->first->setAutoFillBackground(true);
    outer->first->setPalette(QPalette(Qt::blue));
    const QRgb face = outer->splitter->palette().color(QPalette::Button).rgb();

    SendMouse(outer->splitter, QEvent::MouseButtonPress, QPoint(181, 300));
    SendMouse(outer->splitter, QEvent::MouseMove, QPoint(100, 300));
    QWidget* band = outer->splitter->FeedbackBand();
    QVERIFY(band);
    QCOMPARE(band->geometry(), QRect(100, 0, 3, 600));
    QCOMPARE(outer->first->width(), 180);  // the panes move only on release
    const QRgb shown = band->grab().toImage().pixel(1, 10);
    QCOMPARE(shown & 0xFFFFFF, (QColor(Qt::blue).rgb() ^ face) & 0xFFFFFF);

    SendMouse(outer->splitter, QEvent::MouseButtonRelease, QPoint(100, 300));
    QVERIFY(!outer->splitter->FeedbackBand());
    QCOMPARE(outer->first->width(), 99);
}

void PaneSplitterTest::escapeCancelsTheDragAndReturnsTheFocus() {
    auto outer = MakeOuter(800);
    auto* edit = new QLineEdit(outer->second);
    edit->show();
    QApplication::setActiveWindow(&outer->view);
    QVERIFY(QTest::qWaitForWindowActive(&outer->view, kPatienceMs));
    edit->setFocus();
    QCOMPARE(QApplication::focusWidget(), edit);

    SendMouse(outer->splitter, QEvent::MouseButtonPress, QPoint(181, 300));
    SendMouse(outer->splitter, QEvent::MouseMove, QPoint(400, 300));
    QCOMPARE(QApplication::focusWidget(), outer->splitter);
    QTest::keyClick(outer->splitter, Qt::Key_Escape);
    SendMouse(outer->splitter, QEvent::MouseButtonRelease, QPoint(400, 300));

    QVERIFY(!outer->splitter->IsDragging());
    QVERIFY(!outer->splitter->FeedbackBand());
    QCOMPARE(outer->first->width(), 180);
    QCOMPARE(QApplication::focusWidget(), edit);
}

void PaneSplitterTest::resizeKeepsThePreferredPaneSize() {
    auto outer = MakeOuter(800);
    Drag(outer->splitter, QPoint(181, 300), QPoint(301, 300));
    QCOMPARE(outer->first->width(), 300);

    struct Step {
        int width, leftWidth;
    };
    for (Step step : {Step{250, 139}, Step{150, 89}, Step{1000, 300}, Step{800, 300}}) {
        outer->splitter->resize(step.width, 600);
        QCOMPARE(outer->first->width(), step.leftWidth);
        QCOMPARE(outer->second->geometry(),
                 QRect(step.leftWidth + 3, 0, step.width - step.leftWidth - 3, 600));
    }

    auto inner = MakeInner();
    Drag(inner->splitter, QPoint(150, 478), QPoint(150, 690));
    QCOMPARE(inner->second->height(), 109);
    Drag(inner->splitter, QPoint(150, 589), QPoint(150, 20));
    QCOMPARE(inner->second->height(), 609);
    inner->splitter->resize(300, 900);
    QCOMPARE(inner->second->geometry(), QRect(0, 291, 300, 609));
    QCOMPARE(inner->first->height(), 288);
}

void PaneSplitterTest::writesAndReadsThePositionsOnDestruction() {
    {
        auto outer = MakeOuter(803);
        Drag(outer->splitter, QPoint(181, 300), QPoint(301, 300));
        QCOMPARE(outer->first->width(), 300);
        QCOMPARE(outer->second->width(), 500);
    }
    QCOMPARE(ProfileInt("splt/init_v61447/VertSplitPos"), 300);
    QCOMPARE(ProfileInt("splt/init_v61447/VertSplitPosPercent"), 37);
    QCOMPARE(ProfileInt("splt/init_h61447/HorizSplitPos"), -1);

    MakeInner();  // created and destroyed at once
    QCOMPARE(ProfileInt("splt/init_h61446/HorizSplitPos"), 220);
    QCOMPARE(ProfileInt("splt/init_h61446/HorizSplitPosPercent"), 31);  // 220 of 697
    QCOMPARE(ProfileInt("splt/init_v61446/VertSplitPos"), -1);

    auto again = MakeOuter(803);
    QCOMPARE(again->first->width(), 300);
    QVERIFY(QFileInfo(brivo::OpenBrivoProfile()->fileName()).path().startsWith(profileDir.path()));
}

void PaneSplitterTest::liveDragAndSinglePaneModes() {
    auto outer = MakeOuter(800);
    outer->splitter->SetLiveDrag(true);
    SendMouse(outer->splitter, QEvent::MouseButtonPress, QPoint(181, 300));
    SendMouse(outer->splitter, QEvent::MouseMove, QPoint(250, 300));
    QVERIFY(!outer->splitter->FeedbackBand());
    QCOMPARE(outer->first->width(), 249);
    SendMouse(outer->splitter, QEvent::MouseButtonRelease, QPoint(250, 300));

    outer->splitter->SetRightOnly(true);
    QVERIFY(outer->first->isHidden());
    QCOMPARE(outer->second->geometry(), QRect(0, 0, 800, 600));
    outer->splitter->SetRightOnly(false);
    QVERIFY(!outer->first->isHidden());
    QCOMPARE(outer->first->width(), 249);

    auto inner = MakeInner();
    inner->splitter->SetTopOnly(true);
    QVERIFY(inner->second->isHidden());
    QCOMPARE(inner->first->geometry(), QRect(0, 0, 300, 700));
}

QTEST_MAIN(PaneSplitterTest)
#include "PaneSplitterTest.moc"
