#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "glyph/GlyphSet.h"
#include "panes/CExtractForm.h"
#include "panes/CFontList.h"
#include "panes/CGlyphCanvas.h"
#include "panes/CGlyphEditPane.h"
#include "panes/CGlyphInfoPane.h"
#include "shell/CAboutDlg.h"
#include "shell/CBrivoApp.h"
#include "shell/CBrivoView.h"
#include "shell/CMainFrame.h"
#include "testing/AppTestProfile.h"
#include "testing/Patience.h"
#include "widgets/BrivoProfile.h"

using namespace brivo;

namespace {

// One menu entry: its command id and text; id -1 stands for a separator.
struct Item {
    int id;
    QString text;
};
constexpr int kSeparator = -1;

QList<Item> ItemsOf(const QMenu* menu) {
    QList<Item> items;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            items.append({kSeparator, QString()});
        } else {
            items.append({action->property("commandId").toInt(), action->text()});
        }
    }
    return items;
}

}  // namespace

Q_DECLARE_METATYPE(QList<Item>)

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { app.reset(); }
    void opensMaximisedOverA1024x768RestoredSize();
    void menusAsListed_data();
    void menusAsListed();
    void fileCommandShortcutsReachTheirCommands_data();
    void fileCommandShortcutsReachTheirCommands();
    void toolbarHoldsTheFourFileCommands();
    void statusBarShowsPromptsAndTheIdleText();
    void viewMenuTogglesTheBars();
    void f6MovesTheFocusAcrossThePanes();
    void aboutBoxShowsNameAndVersion();
    void roomToEditOnAFreshProfile_data();
    void roomToEditOnAFreshProfile();
    void zoomKeysWorkWhereverTheFocusIs();
    void aRunningExtractionCanBeCancelled_data();
    void aRunningExtractionCanBeCancelled();
    void qtStandardButtonsSpeakKorean();

private:
    CMainFrame* Frame() const { return app->MainFrame(); }

    TestProfile profile;
    std::unique_ptr<CBrivoApp> app;
};

void MainFrameTest::init() {
    app = std::make_unique<CBrivoApp>();
    QVERIFY(app->InitInstance({"brivo"}));
    QVERIFY(QTest::qWaitForWindowExposed(Frame(), kPatienceMs));
}

void MainFrameTest::opensMaximisedOverA1024x768RestoredSize() {
    QVERIFY(Frame()->isMaximized());
    QCOMPARE(Frame()->windowTitle(), QString("Brivo"));
    Frame()->showNormal();
    QTRY_COMPARE_WITH_TIMEOUT(Frame()->size(), QSize(1024, 768), kPatienceMs);
}

void MainFrameTest::menusAsListed_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QList<Item>>("items");
    QTest::newRow("file") << 0 << "파일(&F)" << true
                          << QList<Item>{{32771, "Font File &Save\tCtrl-S"},
                                         {32772, "Font File &Load\tCtrl-L"},
                                         {32773, "Text File S&ave\tCtrl-A"},
                                         {32774, "Text File L&oad\tCtrl-O"},
                                         {32776, "&Export…\tCtrl-E"},
                                         {kSeparator, ""},
                                         {32775, "Extract Characters of a Text File…"},
                                         {kSeparator, ""},
                                         {57616, "최근 파일"},
                                         {kSeparator, ""},
                                         {57665, "종료(&X)"}};
    QTest::newRow("edit") << 1 << "편집(&E)" << true
                          << QList<Item>{{57643, "실행 취소"},
                                         {57644, "다시 실행"},
                                         {kSeparator, ""},
                                         {57635, "잘라내기(&T)\tCtrl+X"},
                                         {57634, "복사(&C)\tCtrl+C"},
                                         {57637, "붙여넣기(&P)\tCtrl+V"}};
    QTest::newRow("view") << 2 << "보기(&V)" << true
                          << QList<Item>{{59392, "도구 모음(&T)"}, {59393, "상태 표시줄(&S)"}};
    QTest::newRow("help") << 3 << "도움말(&H)" << true << QList<Item>{{57664, "Brivo 정보(&A)..."}};
}

void MainFrameTest::menusAsListed() {
    QFETCH(int, position);
    QFETCH(QString, title);
    QFETCH(bool, enabled);
    QFETCH(QList<Item>, items);
    const QList<QAction*> menus = Frame()->menuBar()->actions();
    QCOMPARE(menus.size(), 4);
    QAction* popup = menus[position];
    QCOMPARE(popup->text(), title);
    QCOMPARE(popup->isEnabled(), enabled);
    const QList<Item> actual = ItemsOf(popup->menu());
    QCOMPARE(actual.size(), items.size());
    for (int i = 0; i < items.size(); ++i) {
        QCOMPARE(actual[i].id, items[i].id);
        QCOMPARE(actual[i].text, items[i].text);
    }
    QVERIFY(!Frame()->FindCommand(57616)->isEnabled());
}

void MainFrameTest::fileCommandShortcutsReachTheirCommands_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("command");
    QTest::newRow("Ctrl+S") << int(Qt::Key_S) << int(Qt::ControlModifier) << 32771;
    QTest::newRow("Ctrl+L") << int(Qt::Key_L) << int(Qt::ControlModifier) << 32772;
    QTest::newRow("Ctrl+A") << int(Qt::Key_A) << int(Qt::ControlModifier) << 32773;
    QTest::newRow("Ctrl+O") << int(Qt::Key_O) << int(Qt::ControlModifier) << 32774;
    QTest::newRow("Ctrl+E") << int(Qt::Key_E) << int(Qt::ControlModifier) << 32776;
    QTest::newRow("F6") << int(Qt::Key_F6) << int(Qt::NoModifier) << 57680;
    QTest::newRow("Shift+F6") << int(Qt::Key_F6) << int(Qt::ShiftModifier) << 57681;
}

void MainFrameTest::fileCommandShortcutsReachTheirCommands() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, command);
    Frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Frame(), kPatienceMs));
    QAction* action = Frame()->FindCommand(command);
    QVERIFY(action);
    QSignalSpy triggered(action, &QAction::triggered);
    // The file commands open their file dialog: cancel it.
    QStringList dialogs;
    QTimer cancel;
    connect(&cancel, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            dialogs << dialog->metaObject()->className();
            dialog->reject();
        }
    });
    cancel.start(5);
    QTest::keyClick(Frame(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(triggered.count(), 1);
    if (command >= 32771 && command <= 32774)
        QCOMPARE(dialogs, QStringList{"brivo::CFileOptionDialog"});
    // Cut, copy and paste are not bound: the text controls of the panes keep their keys.
    for (int edit : {57635, 57634, 57637}) {
        QVERIFY(Frame()->FindCommand(edit)->shortcut().isEmpty());
    }
    QCOMPARE(Frame()->FindCommand(57643)->shortcuts(), QList{QKeySequence("Ctrl+Z")});
    QCOMPARE(Frame()->FindCommand(57644)->shortcuts(),
             (QList{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
}

void MainFrameTest::toolbarHoldsTheFourFileCommands() {
    QToolBar* bar = Frame()->ToolBar();
    QCOMPARE(bar->property("controlId").toInt(), 59392);
    QCOMPARE(bar->iconSize(), QSize(24, 24));
    QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    const QList<QAction*> actions = bar->actions();
    QCOMPARE(actions.size(), 5);
    QVERIFY(actions[2]->isSeparator());
    const QList<std::pair<int, QString>> buttons{
        {32771, "Font Save"}, {32772, "Font Load"}, {32773, "Text Save"}, {32774, "Text Load"}};
    const QList<QAction*> commands{actions[0], actions[1], actions[3], actions[4]};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(commands[i]->property("commandId").toInt(), buttons[i].first);
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(commands[i]));
        QVERIFY(button);
        QCOMPARE(button->text(), buttons[i].second);
        QVERIFY(!commands[i]->icon().isNull());
        QVERIFY(button->autoRaise());
        // No tooltips: the prompt goes to the status bar instead.
        QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
        QVERIFY(QApplication::sendEvent(button, &tip));
    }
}

void MainFrameTest::statusBarShowsPromptsAndTheIdleText() {
    QStatusBar* bar = Frame()->statusBar();
    QCOMPARE(bar->property("controlId").toInt(), 59393);
    QLabel* message = Frame()->FindIndicator(0);
    QVERIFY(message);
    QCOMPARE(message->text(), QString("준비"));
    int lastX = message->geometry().right();
    for (auto [id, text] : {std::pair{59137, "CAP"}, {59138, "NUM"}, {59139, "SCRL"}}) {
        QLabel* indicator = Frame()->FindIndicator(id);
        QVERIFY(indicator);
        QCOMPARE(indicator->text(), QString(text));
        QVERIFY(indicator->geometry().left() > lastX);
        lastX = indicator->geometry().right();
    }

    const QList<std::pair<int, QString>> prompts{{32771, "현재의 Font를 Binary 방식으로 저장한다"},
                                                 {32772, "Binary 방식으로 저장된 Font를 불러온다"},
                                                 {32773, "현재의 Font를 Text 방식으로 저장한다"},
                                                 {32774, "Text 방식으로 저장된 Font를 불러온다"}};
    QMenu* file = Frame()->menuBar()->actions()[0]->menu();
    file->popup(Frame()->mapToGlobal(QPoint(0, 0)));
    QVERIFY(QTest::qWaitForWindowExposed(file, kPatienceMs));
    for (const auto& [id, prompt] : prompts) {
        QAction* action = Frame()->FindCommand(id);
        QTest::mouseMove(file, file->actionGeometry(action).center());
        QTRY_COMPARE_WITH_TIMEOUT(bar->currentMessage(), prompt, kPatienceMs);
    }
    file->close();

    for (const auto& [id, prompt] : prompts) {
        QWidget* button = Frame()->ToolBar()->widgetForAction(Frame()->FindCommand(id));
        QTest::mouseMove(button, button->rect().center());
        QTRY_COMPARE_WITH_TIMEOUT(bar->currentMessage(), prompt, kPatienceMs);
        QVERIFY(!message->isVisible());
        QTest::mouseMove(Frame()->View(), QPoint(5, 5));
        QTRY_COMPARE_WITH_TIMEOUT(bar->currentMessage(), QString(), kPatienceMs);
        QVERIFY(message->isVisible());
    }
}

void MainFrameTest::viewMenuTogglesTheBars() {
    QAction* toolBarToggle = Frame()->FindCommand(59392);
    QAction* statusBarToggle = Frame()->FindCommand(59393);
    QVERIFY(toolBarToggle->isChecked() && statusBarToggle->isChecked());
    toolBarToggle->trigger();
    QVERIFY(Frame()->ToolBar()->isHidden());
    statusBarToggle->trigger();
    QVERIFY(Frame()->statusBar()->isHidden());
    toolBarToggle->trigger();
    statusBarToggle->trigger();
    QVERIFY(Frame()->ToolBar()->isVisible() && Frame()->statusBar()->isVisible());
    // Closing the toolbar by other means unchecks the menu item.
    Frame()->ToolBar()->hide();
    QVERIFY(!toolBarToggle->isChecked());
}

void MainFrameTest::f6MovesTheFocusAcrossThePanes() {
    Frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Frame(), kPatienceMs));
    CBrivoView* view = Frame()->View();
    const QList<QWidget*> panes{view->EditPane(), view->InfoPane(), view->ExtractForm()};
    // The pane that holds the focus (itself or one of its controls), or -1.
    const auto focusedPane = [&panes] {
        const QWidget* focus = QApplication::focusWidget();
        for (int i = 0; i < panes.size(); ++i) {
            if (focus && (panes[i] == focus || panes[i]->isAncestorOf(focus))) return i;
        }
        return -1;
    };
    int expected = focusedPane();
    for (int step = 0; step < 4; ++step) {
        QTest::keyClick(Frame(), Qt::Key_F6);
        expected = expected < 0 ? 0 : (expected + 1) % 3;
        QTRY_COMPARE_WITH_TIMEOUT(focusedPane(), expected, kPatienceMs);
    }
    QTest::keyClick(Frame(), Qt::Key_F6, Qt::ShiftModifier);
    QTRY_COMPARE_WITH_TIMEOUT(focusedPane(), (expected + 2) % 3, kPatienceMs);
}

void MainFrameTest::aboutBoxShowsNameAndVersion() {
    QString shown;
    QTimer::singleShot(0, this, [&shown] {
        auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        if (!about) return;
        shown = about->windowTitle() + "|" + about->findChild<QLabel*>("versionText")->text();
        about->accept();
    });
    Frame()->FindCommand(57664)->trigger();
    QCOMPARE(shown, QString("Brivo 정보|Brivo 버전 1.0.0"));
}

// The window at its restored size, its panes laid out.
static void ShowRestored(CMainFrame* frame, QSize size) {
    frame->showNormal();
    frame->resize(size);
    QTRY_COMPARE_WITH_TIMEOUT(frame->size(), size, kPatienceMs);
    QTest::qWait(50);  // the panes lay out after the resize
}

// Fills the view's set with `count` inked glyphs of `size` x `size` and selects the first.
static void FillViewSet(CMainFrame* frame, int count, int size) {
    CGlyphSet& set = frame->View()->GlyphSet();
    set.ClearGlyphs();
    set.SetGlyphSize(size, size);
    set.range = RANGE_CUSTOM;
    for (int i = 0; i < count; ++i) {
        GlyphPtr glyph =
            NewGlyph(static_cast<uint16_t>(0xB0A1 + i), BytesPerGlyph(size, size), i, i);
        std::fill_n(glyph->bits.get(), BytesPerGlyph(size, size), 0xFF);
        set.SetGlyphAt(i, std::move(glyph));
    }
    frame->View()->ExtractForm()->FontList()->MoveSelection(0);
}

void MainFrameTest::roomToEditOnAFreshProfile_data() {
    QTest::addColumn<QSize>("window");
    QTest::newRow("1024 x 768") << QSize(1024, 768);
    QTest::newRow("1280 x 800") << QSize(1280, 800);
}

// Without a stored layout the editor's drawing surface has 300 pixels each way, which shows a
// 64 x 64 glyph with grid lines, and the grid shows a 256 x 256 glyph whole with its label.
void MainFrameTest::roomToEditOnAFreshProfile() {
    QFETCH(QSize, window);
    // The earlier tests left their splitter positions in the profile.
    app.reset();
    OpenBrivoProfile()->clear();
    init();
    ShowRestored(Frame(), window);
    CGlyphEditPane* editor = Frame()->View()->EditPane();
    const QSize surface = editor->Surface()->maximumViewportSize();
    QVERIFY2(surface.width() >= 300 && surface.height() >= 300,
             qPrintable(QString("%1 x %2").arg(surface.width()).arg(surface.height())));

    FillViewSet(Frame(), 3, 64);
    QTRY_COMPARE_WITH_TIMEOUT(editor->CurrentIndex(), 0, kPatienceMs);
    QVERIFY(editor->Canvas()->CellSize() >= CGlyphCanvas::kGridLineCell);

    FillViewSet(Frame(), 3, 256);
    CFontList* grid = Frame()->View()->ExtractForm()->FontList();
    QVERIFY(grid->VisibleCount() >= 1);
    QVERIFY(grid->ShowsLabels());
    QCOMPARE(grid->ShownScale(), 1);
}

// Ctrl+0 fits the glyph again and Ctrl+wheel over the canvas zooms while the grid has the
// keyboard.
void MainFrameTest::zoomKeysWorkWhereverTheFocusIs() {
    ShowRestored(Frame(), QSize(1024, 768));
    Frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Frame(), kPatienceMs));
    FillViewSet(Frame(), 3, 16);
    CGlyphEditPane* editor = Frame()->View()->EditPane();
    QTRY_COMPARE_WITH_TIMEOUT(editor->CurrentIndex(), 0, kPatienceMs);
    CFontList* grid = Frame()->View()->ExtractForm()->FontList();
    grid->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(grid->hasFocus(), kPatienceMs);

    editor->Zoom()->setValue(3);
    QVERIFY(!editor->FitsZoom());
    QTest::keyClick(grid, Qt::Key_0, Qt::ControlModifier);
    QVERIFY(editor->FitsZoom());
    QVERIFY(editor->Zoom()->value() > 3);

    const int before = editor->Zoom()->value();
    CGlyphCanvas* canvas = editor->Canvas();
    const QPoint at = canvas->DrawRect().center();
    QWheelEvent wheel(at, canvas->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &wheel);
    QCOMPARE(editor->Zoom()->value(), before - 1);
    // Over the preview (which lets the mouse through to the pane) as well.
    QWidget* preview = editor->Preview();
    const QPoint inPane = preview->geometry().center();
    QWheelEvent overPreview(inPane, editor->mapToGlobal(inPane), QPoint(), QPoint(0, -120),
                            Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(editor, &overPreview);
    QCOMPARE(editor->Zoom()->value(), before - 2);
    QVERIFY(grid->hasFocus());
}

void MainFrameTest::aRunningExtractionCanBeCancelled_data() {
    QTest::addColumn<bool>("byKey");
    QTest::newRow("cancel button") << false;
    QTest::newRow("Esc in the grid") << true;
}

// A long extraction is stopped by "추출 취소" or Esc: the worker ends, the grid shows what was
// made, and the status bar tells the run while it lasts and its cancellation after.
void MainFrameTest::aRunningExtractionCanBeCancelled() {
    QFETCH(bool, byKey);
    Frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Frame(), kPatienceMs));
    CExtractForm* form = Frame()->View()->ExtractForm();
    auto* cancel = qobject_cast<QPushButton*>(form->Control(CExtractForm::IDC_CANCEL));
    QVERIFY(cancel && cancel->isVisible());
    QVERIFY(!cancel->isEnabled());
    form->settings.fontSizeX = form->settings.fontSizeY = 160;  // slow enough to be caught running
    qobject_cast<QAbstractButton*>(form->Control(CExtractForm::IDC_ALL))->click();
    qobject_cast<QAbstractButton*>(form->Control(CExtractForm::IDC_DOEXTRACT))->click();
    QVERIFY(form->Running());
    QVERIFY(cancel->isEnabled());
    QVERIFY(Frame()->statusBar()->currentMessage().startsWith(QStringLiteral("Font 추출 중")));
    if (byKey) {
        form->FontList()->setFocus();
        QTest::keyClick(form->FontList(), Qt::Key_Escape);
    } else {
        cancel->click();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!form->Running(), kPatienceMs);
    QVERIFY(form->LastRunCancelled());
    QVERIFY(!cancel->isEnabled());
    QVERIFY(!form->FontList()->busy);
    const int made = Frame()->View()->GlyphSet().Count();
    QVERIFY(made < 8000);
    QCOMPARE(Frame()->statusBar()->currentMessage(),
             QStringLiteral("Font 추출을 취소했습니다 (글리프 %1개)").arg(made));
}

// The buttons Qt names itself (Yes, No, OK, Cancel, "Show Details...") are Korean as the
// program's own texts are.
void MainFrameTest::qtStandardButtonsSpeakKorean() {
    QMessageBox box(QMessageBox::Question, "Brivo", "?",
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel,
                    Frame());
    box.setDetailedText("details");
    const QList<QPushButton*> buttons = box.findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 5);
    static const QRegularExpression hangul(QStringLiteral("[\\x{AC00}-\\x{D7A3}]"));
    for (const QPushButton* button : buttons)
        QVERIFY2(button->text().contains(hangul), qPrintable(button->text()));
}

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
