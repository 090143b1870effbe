#include "shell/CMainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <array>

#include "panes/CExtractForm.h"
#include "panes/CGlyphEditPane.h"
#include "panes/CGlyphInfoPane.h"
#include "shell/CBrivoView.h"
#include "widgets/BrivoBitmaps.h"

namespace brivo {

namespace {

constexpr char kCommandId[] = "commandId";
constexpr char kIndicatorId[] = "indicatorId";

// The font-file commands: menu text, shortcut, status-bar prompt, toolbar bitmap and text.
struct FileCommand {
    int id;
    const char* menuText;
    const char* shortcut;
    const char* prompt;
    int bitmap;
    const char* buttonText;
    void (CBrivoView::*handler)();
};

const FileCommand kFileCommands[] = {
    {ID_FONTFILE_SAVE, "Font File &Save\tCtrl-S", "Ctrl+S",
     "현재의 Font를 Binary 방식으로 저장한다", 139, "Font Save", &CBrivoView::OnFontFileSave},
    {ID_FONTFILE_LOAD, "Font File &Load\tCtrl-L", "Ctrl+L",
     "Binary 방식으로 저장된 Font를 불러온다", 137, "Font Load", &CBrivoView::OnFontFileLoad},
    {ID_TEXTFILE_SAVE, "Text File S&ave\tCtrl-A", "Ctrl+A", "현재의 Font를 Text 방식으로 저장한다",
     136, "Text Save", &CBrivoView::OnTextFileSave},
    {ID_TEXTFILE_LOAD, "Text File L&oad\tCtrl-O", "Ctrl+O", "Text 방식으로 저장된 Font를 불러온다",
     138, "Text Load", &CBrivoView::OnTextFileLoad},
};

constexpr char kIdleText[] = "준비";

// The toolbar buttons keep their prompts in the status bar and show no tooltips.
class CNoToolTips : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ToolTip; }
};

// The first control of the pane that takes the focus with Tab, else the pane itself.
QWidget* FocusTarget(QWidget* pane) {
    for (QWidget* child : pane->findChildren<QWidget*>()) {
        if ((child->focusPolicy() & Qt::TabFocus) && child->isEnabled() && child->isVisibleTo(pane))
            return child;
    }
    return pane;
}

}  // namespace

CMainFrame::CMainFrame(CGlyphSet& glyphSet, QWidget* parent) : QMainWindow(parent) {
    setObjectName("CMainFrame");
    setWindowTitle("Brivo");
    view = new CBrivoView(glyphSet, this);
    view->setMinimumSize(CBrivoView::kLeastSize);
    setCentralWidget(view);
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreatePaneShortcuts();
}

QAction* CMainFrame::AddCommand(QWidget* menu, int commandId, const QString& text) {
    auto* action = new QAction(text, this);
    action->setProperty(kCommandId, commandId);
    menu->addAction(action);
    return action;
}

QAction* CMainFrame::FindCommand(int commandId) const {
    for (QAction* action : findChildren<QAction*>()) {
        if (action->property(kCommandId).toInt() == commandId) return action;
    }
    return nullptr;
}

QLabel* CMainFrame::FindIndicator(int indicatorId) const {
    for (QLabel* label : statusBar()->findChildren<QLabel*>()) {
        const QVariant id = label->property(kIndicatorId);
        if (id.isValid() && id.toInt() == indicatorId) return label;
    }
    return nullptr;
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu("파일(&F)");
    for (const FileCommand& command : kFileCommands) {
        QAction* action = AddCommand(file, command.id, command.menuText);
        action->setShortcut(QKeySequence(command.shortcut));
        action->setStatusTip(command.prompt);
        action->setIconText(command.buttonText);
        action->setIcon(QPixmap::fromImage(KeyedImage(LoadBitmap(command.bitmap))));
        action->setIconVisibleInMenu(false);
        connect(action, &QAction::triggered, view, command.handler);
    }
    QAction* exportFont = AddCommand(file, ID_FILE_EXPORT, "&Export…\tCtrl-E");
    exportFont->setShortcut(QKeySequence("Ctrl+E"));
    exportFont->setStatusTip(
        "현재의 Font를 BDF, Adafruit GFX, TFT_eSPI, LVGL 글꼴로 내보낸다 (문서는 그대로)");
    connect(exportFont, &QAction::triggered, view, &CBrivoView::OnExport);
    file->addSeparator();
    QAction* extractText =
        AddCommand(file, ID_EXTRACT_TEXT_CHARS, "Extract Characters of a Text File…");
    extractText->setStatusTip("텍스트 파일에 쓰인 문자만 현재의 Font 설정으로 추출한다");
    connect(extractText, &QAction::triggered, view, &CBrivoView::OnExtractTextCharacters);
    file->addSeparator();
    fileMenu = file;
    recentFilesEnd = file->addSeparator();
    ShowRecentFiles();
    connect(view, &CBrivoView::RecentFilesChanged, this, &CMainFrame::ShowRecentFiles);
    QAction* exit = AddCommand(file, ID_APP_EXIT, "종료(&X)");
    exit->setStatusTip("프로그램을 끝냅니다");
    connect(exit, &QAction::triggered, this, &QWidget::close);

    // Undo and redo act on the glyph set; nothing of the program cuts, copies or pastes
    // through the other commands, and the text controls of the panes keep their own keys.
    QMenu* edit = menuBar()->addMenu("편집(&E)");
    CreateHistoryCommands(edit);
    edit->addSeparator();
    for (const auto& [id, text] : {std::pair{ID_EDIT_CUT, "잘라내기(&T)\tCtrl+X"},
                                   std::pair{ID_EDIT_COPY, "복사(&C)\tCtrl+C"},
                                   std::pair{ID_EDIT_PASTE, "붙여넣기(&P)\tCtrl+V"}})
        AddCommand(edit, id, text)->setEnabled(false);

    QMenu* viewMenu = menuBar()->addMenu("보기(&V)");
    QAction* showToolBar = AddCommand(viewMenu, ID_VIEW_TOOLBAR, "도구 모음(&T)");
    showToolBar->setStatusTip("도구 모음을 표시하거나 숨깁니다");
    showToolBar->setCheckable(true);
    showToolBar->setChecked(true);
    QAction* showStatusBar = AddCommand(viewMenu, ID_VIEW_STATUS_BAR, "상태 표시줄(&S)");
    showStatusBar->setStatusTip("상태 표시줄을 표시하거나 숨깁니다");
    showStatusBar->setCheckable(true);
    showStatusBar->setChecked(true);
    connect(showStatusBar, &QAction::toggled, this,
            [this](bool on) { statusBar()->setVisible(on); });

    QMenu* help = menuBar()->addMenu("도움말(&H)");
    AddCommand(help, ID_APP_ABOUT, "Brivo 정보(&A)...")
        ->setStatusTip("프로그램 정보와 버전을 표시합니다");
}

void CMainFrame::CreateHistoryCommands(QMenu* edit) {
    CGlyphUndoStack& history = view->History();
    const struct {
        int id;
        const char* prefix;
        QList<QKeySequence> keys;
        void (CBrivoView::*handler)();
        bool (QUndoStack::*can)() const;
        QString (QUndoStack::*name)() const;
    } commands[] = {
        {ID_EDIT_UNDO,
         "실행 취소",
         {QKeySequence("Ctrl+Z")},
         &CBrivoView::Undo,
         &QUndoStack::canUndo,
         &QUndoStack::undoText},
        {ID_EDIT_REDO,
         "다시 실행",
         {QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")},
         &CBrivoView::Redo,
         &QUndoStack::canRedo,
         &QUndoStack::redoText},
    };
    for (const auto& command : commands) {
        QAction* action = AddCommand(edit, command.id, command.prefix);
        action->setShortcuts(command.keys);
        connect(action, &QAction::triggered, view, command.handler);
        // The action names the step it takes back or does again.
        auto show = [&history, action, command] {
            const QString name = (history.*command.name)();
            const QString prefix = QString::fromUtf8(command.prefix);
            action->setText(name.isEmpty() ? prefix : prefix + " " + name);
            action->setEnabled((history.*command.can)());
        };
        connect(&history, &QUndoStack::indexChanged, action, show);
        connect(&history, &QUndoStack::cleanChanged, action, show);
        show();
    }
}

void CMainFrame::ShowRecentFiles() {
    for (QAction* action : fileMenu->actions()) {
        const int id = action->property(kCommandId).toInt();
        if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + CRecentFileList::kSize)
            delete action;
    }
    const std::vector<RecentFile>& files = view->RecentFiles();
    if (files.empty()) {
        auto* placeholder = new QAction("최근 파일", this);
        placeholder->setProperty(kCommandId, ID_FILE_MRU_FILE1);
        placeholder->setEnabled(false);
        fileMenu->insertAction(recentFilesEnd, placeholder);
        return;
    }
    for (int i = 0; i < static_cast<int>(files.size()); ++i) {
        const QString text =
            QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(files[i].path));
        auto* action = new QAction(text, this);
        action->setProperty(kCommandId, ID_FILE_MRU_FILE1 + i);
        action->setStatusTip("이 파일을 엽니다");
        fileMenu->insertAction(recentFilesEnd, action);
        connect(action, &QAction::triggered, view, [this, i] { view->OpenRecentFile(i); });
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (view->MayDiscardChanges())
        event->accept();
    else
        event->ignore();
}

void CMainFrame::CreateToolBar() {
    toolBar = new QToolBar("Brivo", this);
    toolBar->setObjectName("toolBar");
    toolBar->setProperty("controlId", AFX_IDW_TOOLBAR);
    toolBar->setIconSize(QSize(24, 24));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    addToolBar(Qt::TopToolBarArea, toolBar);

    auto* noToolTips = new CNoToolTips(toolBar);
    for (const FileCommand& command : kFileCommands) {
        if (command.id == ID_TEXTFILE_SAVE) toolBar->addSeparator();
        QAction* action = FindCommand(command.id);
        toolBar->addAction(action);
        toolBar->widgetForAction(action)->installEventFilter(noToolTips);
    }

    QAction* toggle = FindCommand(ID_VIEW_TOOLBAR);
    connect(toggle, &QAction::toggled, toolBar, &QWidget::setVisible);
    connect(toolBar, &QToolBar::visibilityChanged, toggle, [this, toggle](bool) {
        // Hiding the whole window also hides the bar; only its own state counts.
        if (!isHidden()) toggle->setChecked(toolBar->isVisibleTo(this));
    });
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setProperty("controlId", AFX_IDW_STATUS_BAR);
    // The message pane: shows the idle text whenever no prompt covers it.
    auto* message = new QLabel(kIdleText, bar);
    message->setProperty(kIndicatorId, ID_SEPARATOR);
    bar->addWidget(message, 1);

    // The lock-key states cannot be read portably; the indicators show their names greyed.
    const std::array<std::pair<int, const char*>, 3> indicators{
        {{ID_INDICATOR_CAPS, "CAP"}, {ID_INDICATOR_NUM, "NUM"}, {ID_INDICATOR_SCRL, "SCRL"}}};
    for (const auto& [id, text] : indicators) {
        auto* label = new QLabel(text, bar);
        label->setProperty(kIndicatorId, id);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance("SCRL") + 8);
        label->setEnabled(false);
        bar->addPermanentWidget(label);
    }
}

void CMainFrame::CreatePaneShortcuts() {
    for (const auto& [id, key, step] :
         {std::tuple{ID_NEXT_PANE, "F6", 1}, std::tuple{ID_PREV_PANE, "Shift+F6", -1}}) {
        auto* action = new QAction(this);
        action->setProperty(kCommandId, id);
        action->setShortcut(QKeySequence(key));
        addAction(action);
        connect(action, &QAction::triggered, this, [this, step] { OnNextPane(step); });
    }
}

void CMainFrame::OnNextPane(int step) {
    const std::array<QWidget*, 3> panes{view->EditPane(), view->InfoPane(), view->ExtractForm()};
    if (!panes[0]) return;
    const QWidget* focus = QApplication::focusWidget();
    int current = -1;
    for (int i = 0; i < 3; ++i) {
        if (focus && (panes[i] == focus || panes[i]->isAncestorOf(focus))) current = i;
    }
    const int next = current < 0 ? (step > 0 ? 0 : 2) : (current + step + 3) % 3;
    FocusTarget(panes[next])->setFocus(Qt::ShortcutFocusReason);
}

}  // namespace brivo
