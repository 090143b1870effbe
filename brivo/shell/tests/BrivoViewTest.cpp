#include <QScrollArea>
#include <QtTest>
#include <memory>

#include "glyph/GlyphSet.h"
#include "panes/CExtractForm.h"
#include "panes/CGlyphEditPane.h"
#include "panes/CGlyphInfoPane.h"
#include "shell/CBrivoView.h"
#include "testing/AppTestProfile.h"
#include "testing/Patience.h"
#include "widgets/CPaneSplitter.h"
#include "widgets/PaneMessage.h"

using namespace brivo;

namespace {

// Writes down every pane message that reaches the watched widgets, in arrival order.
class Recorder : public QObject {
public:
    void Watch(QWidget* widget, const QString& name) {
        names[widget] = name;
        widget->installEventFilter(this);
    }
    QStringList log;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (const CPaneMessage* message = AsPaneMessage(event)) {
            log << QStringLiteral("%1 %2 %3 %4")
                       .arg(names.value(watched))
                       .arg(message->Message())
                       .arg(message->wParam)
                       .arg(message->lParam);
        }
        return false;
    }

private:
    QHash<QObject*, QString> names;
};

}  // namespace

class BrivoViewTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { view.reset(); }
    void holdsTheDefaultFont();
    void arrangesThePanesInTwoSplitters();
    void createsThePanesOnce();
    void outerSplitterFollowsEveryResize();
    void relayDeliversToTheRoutedPanes_data();
    void relayDeliversToTheRoutedPanes();
    void postedMessagesArriveInOrder();

private:
    TestProfile profile;
    CGlyphSet glyphSet;
    std::unique_ptr<CBrivoView> view;
};

void BrivoViewTest::init() {
    view = std::make_unique<CBrivoView>(glyphSet);
    view->resize(1024, 700);
    view->OnInitialUpdate();
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get(), kPatienceMs));
}

void BrivoViewTest::holdsTheDefaultFont() {
    const LogFont& font = view->ExtractForm()->settings.logFont;
    QCOMPARE(font.height, -16);
    QCOMPARE(QString::fromStdString(font.faceName), QString("굴림체"));
    QCOMPARE(font.width + font.escapement + font.orientation + font.weight, 0);
    QCOMPARE(font.italic + font.underline + font.strikeOut + font.charSet, 0);
}

void BrivoViewTest::arrangesThePanesInTwoSplitters() {
    CPaneSplitter* outer = view->OuterSplitter();
    CPaneSplitter* inner = view->InnerSplitter();
    QCOMPARE(outer->Id(), 61447);
    QVERIFY(outer->IsVertical());
    QCOMPARE(inner->Id(), 61446);
    QVERIFY(!inner->IsVertical());
    QCOMPARE(outer->geometry(), view->rect());

    // The left column as wide as a clean profile has it (room for the editor), the form to the
    // right of the bar.
    QCOMPARE(inner->parentWidget(), outer);
    QWidget* formPane = view->FormScroller();
    QCOMPARE(formPane->parentWidget(), outer);
    QCOMPARE(inner->geometry().left(), outer->contentsRect().left());
    QCOMPARE(inner->width(), CBrivoView::kFirstLeftWidth);
    QCOMPARE(formPane->geometry().left() - inner->geometry().right() - 1, 3);
    QCOMPARE(formPane->geometry().right(), outer->contentsRect().right());
    // With room for it, the form fills its scroll area.
    QCOMPARE(view->ExtractForm()->parentWidget(), view->FormScroller()->viewport());
    QCOMPARE(view->ExtractForm()->size(), view->FormScroller()->viewport()->size());

    // Editor over the information pane, which is 220 high.
    QCOMPARE(view->EditPane()->parentWidget(), inner);
    QCOMPARE(view->InfoPane()->parentWidget(), inner);
    QCOMPARE(view->InfoPane()->height(), 220);
    QCOMPARE(view->InfoPane()->geometry().bottom() + 1, inner->height());
    QVERIFY(view->EditPane()->geometry().bottom() < view->InfoPane()->geometry().top());

    const QList<std::pair<QWidget*, int>> templates{
        {view->ExtractForm(), 130}, {view->EditPane(), 131}, {view->InfoPane(), 132}};
    for (const auto& [pane, id] : templates) {
        QCOMPARE(pane->property("controlId").toInt(), id);
        QVERIFY(pane->isVisible());
        QCOMPARE(CPaneSplitter::OwnerOf(pane), view.get());
    }
}

void BrivoViewTest::createsThePanesOnce() {
    CExtractForm* form = view->ExtractForm();
    view->OnInitialUpdate();
    QCOMPARE(view->ExtractForm(), form);
    QCOMPARE(view->findChildren<CExtractForm*>().size(), 1);
    QCOMPARE(view->findChildren<CGlyphEditPane*>().size(), 1);
    QCOMPARE(view->findChildren<CGlyphInfoPane*>().size(), 1);
    QCOMPARE(view->findChildren<CPaneSplitter*>().size(), 2);
}

void BrivoViewTest::outerSplitterFollowsEveryResize() {
    for (QSize size : {QSize(640, 480), QSize(1200, 900), QSize(150, 100)}) {
        view->resize(size);
        QCOMPARE(view->OuterSplitter()->geometry(), QRect(QPoint(0, 0), size));
    }
}

void BrivoViewTest::relayDeliversToTheRoutedPanes_data() {
    QTest::addColumn<int>("message");
    QTest::addColumn<qulonglong>("relayWord");
    QTest::addColumn<qlonglong>("lParam");
    QTest::addColumn<QStringList>("delivered");
    QTest::newRow("selection to editor and info")
        << 6125 << qulonglong(0x317ED) << qlonglong(5)
        << QStringList{"editor 6125 0 5", "info 6125 0 5"};
    // The form answers a change by relaying its selection (none here) to the other panes.
    QTest::newRow("change to the form")
        << 6126 << qulonglong(0x417EE) << qlonglong(-1)
        << QStringList{"form 6126 0 -1", "editor 6125 0 -1", "info 6125 0 -1"};
    QTest::newRow("all three, fixed order")
        << 6126 << qulonglong(0x717ED) << qlonglong(7)
        << QStringList{"editor 6125 0 7", "info 6125 0 7", "form 6125 0 7"};
    QTest::newRow("no route bits") << 6125 << qulonglong(0x17ED) << qlonglong(5) << QStringList{};
    QTest::newRow("not a pane message number")
        << 6125 << qulonglong(0x70005) << qlonglong(5) << QStringList{};
}

void BrivoViewTest::relayDeliversToTheRoutedPanes() {
    QFETCH(int, message);
    QFETCH(qulonglong, relayWord);
    QFETCH(qlonglong, lParam);
    QFETCH(QStringList, delivered);
    Recorder recorder;
    recorder.Watch(view->EditPane(), "editor");
    recorder.Watch(view->InfoPane(), "info");
    recorder.Watch(view->ExtractForm(), "form");
    // A pane finds the view as its owner.
    QCOMPARE(SendToOwner(view->ExtractForm(), message, relayWord, lParam), intptr_t(0));
    QCOMPARE(recorder.log, delivered);
}

void BrivoViewTest::postedMessagesArriveInOrder() {
    Recorder recorder;
    recorder.Watch(view->EditPane(), "editor");
    recorder.Watch(view->InfoPane(), "info");
    recorder.Watch(view->ExtractForm(), "form");
    PostToOwner(view->EditPane(), WM_GLYPHS_CHANGED, RELAY_CHANGED_FORM, 3);
    PostToOwner(view->ExtractForm(), WM_GLYPH_NOTIFY, RELAY_NOTIFY_PANES, -1);
    QVERIFY(recorder.log.isEmpty());
    QCoreApplication::sendPostedEvents();
    // the form's own relay of its selection comes first, inside the handling of 6126
    QCOMPARE(recorder.log, (QStringList{"form 6126 0 3", "editor 6125 0 -1", "info 6125 0 -1",
                                        "editor 6125 0 -1", "info 6125 0 -1"}));
}

QTEST_MAIN(BrivoViewTest)
#include "BrivoViewTest.moc"
