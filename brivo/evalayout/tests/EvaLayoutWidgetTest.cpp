#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include "evalayout/CEvaLayout.h"

using brivo::CEvaLayout;
using brivo::EvaSheet;

class EvaLayoutWidgetTest : public QObject {
    Q_OBJECT
private slots:
    void movesShowsAndHidesBoundWidgets();
    void reportsAnEmptySheetSetAndQuits();
    void automaticSizesUseTheGivenSizeOrTheSizeHint();
};

void EvaLayoutWidgetTest::movesShowsAndHidesBoundWidgets() {
    QWidget pane;
    auto* info = new QLabel("info", &pane);
    auto* unplaced = new QLabel("unplaced", &pane);
    auto* unbound = new QLabel("unbound", &pane);
    auto* doomed = new QLabel("doomed", &pane);
    unbound->setGeometry(1, 2, 3, 4);

    EvaSheet sheet("first");
    for (const char* line :
         {"EvaLayout, 10, 10, 5, 5", "grid, 50       , X        ,", "  10,          , doomed   ,",
          "   X,          , fontinfo ,", "   A,          ,          ,"}) {
        sheet.AddRow(line);
    }
    CEvaLayout layout;
    layout.BindWidget("fontinfo", info);
    layout.BindWidget("nowhere", unplaced);
    layout.BindWidget("doomed", doomed);
    layout.SetSheet(sheet);
    delete doomed;

    pane.resize(400, 300);
    layout.TrackResizeOf(&pane);
    pane.show();
    QCOMPARE(info->geometry(), QRect(65, 25, 325, 260));
    QVERIFY(info->isVisible());
    QVERIFY(!unplaced->isVisible());
    QVERIFY(unbound->isVisible());
    QCOMPARE(unbound->geometry(), QRect(1, 2, 3, 4));

    pane.resize(500, 200);
    QCOMPARE(info->geometry(), QRect(65, 25, 425, 160));

    // Too small: the control keeps its place but is still shown.
    pane.resize(60, 30);
    QCOMPARE(info->geometry(), QRect(65, 25, 425, 160));
    QVERIFY(info->isVisible());
}

void EvaLayoutWidgetTest::reportsAnEmptySheetSetAndQuits() {
    brivo::EvaSheetSet sheets;
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        shown = box->windowTitle() + '|' + box->text();
        box->accept();
    });
    QVERIFY(!brivo::CheckLayoutsLoaded(sheets, nullptr));
    QCOMPARE(shown, QString("Error|Error there are no layouts loaded!"));
    // The queued quit request ends the next event loop with exit code 0.
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);

    sheets.AddSheet(EvaSheet("first"));
    QVERIFY(brivo::CheckLayoutsLoaded(sheets, nullptr));
}

void EvaLayoutWidgetTest::automaticSizesUseTheGivenSizeOrTheSizeHint() {
    QWidget pane;
    auto* hinted = new QLabel("a caption of some width", &pane);
    auto* sized = new QLabel("short", &pane);
    sized->resize(77, 33);
    EvaSheet sheet("first");
    for (const char* line : {"EvaLayout, 0, 0, 0, 0", "grid, A, A", "   A, hinted, sized"}) {
        sheet.AddRow(line);
    }
    CEvaLayout layout;
    layout.BindWidget("hinted", hinted);
    layout.BindWidget("sized", sized);
    layout.SetSheet(sheet);
    layout.Resize(500, 500);
    QCOMPARE(hinted->size(), QSize(hinted->sizeHint().width(), 33));
    QCOMPARE(sized->geometry(), QRect(hinted->sizeHint().width(), 0, 77, 33));
}

QTEST_MAIN(EvaLayoutWidgetTest)
#include "EvaLayoutWidgetTest.moc"
