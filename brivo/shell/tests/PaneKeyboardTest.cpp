#include <QAction>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QtTest>
#include <memory>

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
#include "testing/MessageBoxAnswerer.h"
#include "testing/Patience.h"
#include "widgets/PaneMessage.h"

using namespace brivo;

// Keys inside the panes against the main window's shortcuts: text keys in the information
// pane, the file commands elsewhere, Enter in the glyph grid.
class PaneKeyboardTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { app.reset(); }
    void ctrlASelectsTheInformationText();
    void fileShortcutsWorkOutsideTheText_data();
    void fileShortcutsWorkOutsideTheText();
    void enterInTheGridGivesTheEditorTheKeyboard();
    void deleteInTheGridRemovesTheSelection();
    void tabGoesThroughTheEditorAsOnScreen();
    void everyTabStopShowsItHasTheKeyboard();

private:
    CMainFrame* Frame() const { return app->MainFrame(); }
    CBrivoView* View() const { return Frame()->View(); }
    QPlainTextEdit* InfoText() const { return View()->InfoPane()->TextControl(); }
    // Counts the command's triggers instead of running it (which would open its dialog).
    std::unique_ptr<QSignalSpy> Watch(int command) {
        QAction* action = Frame()->FindCommand(command);
        if (action == nullptr) return nullptr;
        action->disconnect(View());
        return std::make_unique<QSignalSpy>(action, &QAction::triggered);
    }
    void Focus(QWidget* widget) {
        widget->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), widget, kPatienceMs);
    }

    TestProfile profile;
    std::unique_ptr<CBrivoApp> app;
};

void PaneKeyboardTest::init() {
    app = std::make_unique<CBrivoApp>();
    QVERIFY(app->InitInstance({"brivo"}));
    Frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Frame(), kPatienceMs));
    CGlyphSet& set = View()->GlyphSet();
    set.SetGlyphSize(16, 16);
    set.range = RANGE_HANGUL;
    for (int i = 0; i < 40; ++i)
        set.SetGlyphAt(i, NewGlyph(static_cast<uint16_t>(0xB0A1 + i), set.BytesPerGlyph(), i, i));
    // As a click on the fourth glyph does.
    View()->ExtractForm()->FontList()->selectedIndex = 3;
    SendPaneMessage(View()->ExtractForm(), WM_FONTLIST_SELECT, 3, 0);
}

void PaneKeyboardTest::ctrlASelectsTheInformationText() {
    auto textSave = Watch(ID_TEXTFILE_SAVE);
    QVERIFY(textSave);
    QVERIFY(InfoText()->toPlainText().contains("0xb0a4"));
    Focus(InfoText());
    QTest::keyClick(InfoText(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(textSave->count(), 0);
    QCOMPARE(InfoText()->textCursor().selectedText().size(), InfoText()->toPlainText().size());
    // The selection moves with the keyboard too.
    QTest::keyClick(InfoText(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(InfoText(), Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(InfoText()->textCursor().selectedText(), QString("/* character = 갇[0xb0a4] */"));
    // Copy is the text's as well.
    QTest::keyClick(InfoText(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("/* character = 갇[0xb0a4] */"));
}

void PaneKeyboardTest::fileShortcutsWorkOutsideTheText_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("focus");
    QTest::newRow("Ctrl+A in the grid") << int(Qt::Key_A) << int(ID_TEXTFILE_SAVE) << "grid";
    QTest::newRow("Ctrl+A in the editor") << int(Qt::Key_A) << int(ID_TEXTFILE_SAVE) << "editor";
    QTest::newRow("Ctrl+S in the text") << int(Qt::Key_S) << int(ID_FONTFILE_SAVE) << "text";
    QTest::newRow("Ctrl+L in the text") << int(Qt::Key_L) << int(ID_FONTFILE_LOAD) << "text";
    QTest::newRow("Ctrl+O in the text") << int(Qt::Key_O) << int(ID_TEXTFILE_LOAD) << "text";
}

void PaneKeyboardTest::fileShortcutsWorkOutsideTheText() {
    QFETCH(int, key);
    QFETCH(int, command);
    QFETCH(QString, focus);
    auto triggered = Watch(command);
    QVERIFY(triggered);
    QWidget* target = focus == "grid"     ? View()->ExtractForm()->FontList()
                      : focus == "editor" ? View()->EditPane()->Canvas()
                                          : static_cast<QWidget*>(InfoText());
    Focus(target);
    const QString before = InfoText()->textCursor().selectedText();
    QTest::keyClick(target, Qt::Key(key), Qt::ControlModifier);
    QCOMPARE(triggered->count(), 1);
    QCOMPARE(InfoText()->textCursor().selectedText(), before);
}

void PaneKeyboardTest::enterInTheGridGivesTheEditorTheKeyboard() {
    CFontList* grid = View()->ExtractForm()->FontList();
    Focus(grid);
    QTest::keyClick(grid, Qt::Key_Right);
    QCOMPARE(View()->EditPane()->CurrentIndex(), 4);
    QVERIFY(View()->InfoPane()->InfoText().contains("0xb0a5"));
    QTest::keyClick(grid, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), View()->EditPane()->Canvas(),
                              kPatienceMs);
    QCOMPARE(View()->EditPane()->CurrentIndex(), 4);
}

// Delete in the grid removes the selected glyph, after the question an extracted set asks
// before its first hand edit; declined, nothing changes.
void PaneKeyboardTest::deleteInTheGridRemovesTheSelection() {
    CFontList* grid = View()->ExtractForm()->FontList();
    CGlyphSet& set = View()->GlyphSet();
    Focus(grid);
    {
        MessageBoxAnswerer answer(QMessageBox::No);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(answer.texts.size(), 1);
    }
    QCOMPARE(set.Count(), 40);
    {
        MessageBoxAnswerer answer(QMessageBox::Yes);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(answer.texts, QStringList{"Custom Mode로 변경됩니다. 계속하시겠습니까?"});
    }
    QCOMPARE(set.Count(), 39);
    QCOMPARE(set.GlyphAt(3)->code, uint16_t(0xB0A5));
    QCOMPARE(set.GlyphAt(2)->code, uint16_t(0xB0A3));
}

// Tab walks the editor's controls in the order they are seen: the tools from the top, the
// zoom slider under them, then the canvas.
void PaneKeyboardTest::tabGoesThroughTheEditorAsOnScreen() {
    CGlyphEditPane* editor = View()->EditPane();
    const QList<int> expected{
        CGlyphEditPane::ID_PEN,      CGlyphEditPane::ID_ERASER,   CGlyphEditPane::ID_UP,
        CGlyphEditPane::ID_LEFT,     CGlyphEditPane::ID_RIGHT,    CGlyphEditPane::ID_DOWN,
        CGlyphEditPane::ID_MIRROR_H, CGlyphEditPane::ID_MIRROR_V, CGlyphEditPane::ID_UPDATE,
        CGlyphEditPane::ID_RESET,    CGlyphEditPane::ID_ZOOM,     CGlyphEditPane::ID_CANVAS};
    QWidget* first = nullptr;
    for (QWidget* child : editor->findChildren<QWidget*>())
        if (child->property("controlId").toInt() == CGlyphEditPane::ID_PEN) first = child;
    QVERIFY(first);
    Focus(first);
    QList<int> visited{CGlyphEditPane::ID_PEN};
    while (visited.size() < expected.size()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->property("controlId").toInt();
    }
    QCOMPARE(visited, expected);
}

// Each control Tab reaches in the panes looks different with the keyboard than without it.
void PaneKeyboardTest::everyTabStopShowsItHasTheKeyboard() {
    QList<QWidget*> stops;
    for (QWidget* w : View()->findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled()) stops << w;
    QVERIFY(stops.size() > 20);
    // Focus is shown once the keyboard moves it, as Tab does here.
    Focus(stops.first());
    QTest::keyClick(stops.first(), Qt::Key_Tab);
    QStringList unmarked;
    for (QWidget* w : stops) {
        QWidget* elsewhere = stops.first() == w ? stops.last() : stops.first();
        elsewhere->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), elsewhere, kPatienceMs);
        const QImage without = w->grab().toImage();
        w->setFocus(Qt::TabFocusReason);  // as the Tab key gives it
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), w, kPatienceMs);
        const QImage with = w->grab().toImage();
        if (with == without)
            unmarked << QString("%1 %2")
                            .arg(w->metaObject()->className())
                            .arg(w->property("controlId").toInt());
    }
    QVERIFY2(unmarked.isEmpty(), qPrintable(unmarked.join(", ")));
}

QTEST_MAIN(PaneKeyboardTest)
#include "PaneKeyboardTest.moc"
