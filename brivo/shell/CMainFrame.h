#pragma once

#include <QMainWindow>

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace brivo {

class CGlyphSet;

class CBrivoView;

// Command ids of the menu, the toolbar and the shortcuts; each action carries its id as the
// property "commandId".
enum CommandId {
    ID_FONTFILE_SAVE = 32771,
    ID_FONTFILE_LOAD = 32772,
    ID_TEXTFILE_SAVE = 32773,
    ID_TEXTFILE_LOAD = 32774,
    ID_EXTRACT_TEXT_CHARS = 32775,
    ID_FILE_EXPORT = 32776,
    ID_FILE_MRU_FILE1 = 57616,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
};

// Control ids of the bars and of the status-bar panes.
inline constexpr int AFX_IDW_TOOLBAR = 59392;
inline constexpr int AFX_IDW_STATUS_BAR = 59393;
inline constexpr int ID_SEPARATOR = 0;
inline constexpr int ID_INDICATOR_CAPS = 59137;
inline constexpr int ID_INDICATOR_NUM = 59138;
inline constexpr int ID_INDICATOR_SCRL = 59139;

// The main window: menu, toolbar and status bar around the view of a glyph set.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // `glyphSet` outlives the window.
    explicit CMainFrame(CGlyphSet& glyphSet, QWidget* parent = nullptr);

    CBrivoView* View() const { return view; }
    QToolBar* ToolBar() const { return toolBar; }
    // The action of a command id, or null.
    QAction* FindCommand(int commandId) const;
    // The status-bar pane with that indicator id (0 = the message pane), or null.
    QLabel* FindIndicator(int indicatorId) const;

    // Moves the keyboard focus to the next (previous) of the three panes.
    void OnNextPane(int step);

protected:
    // Unsaved changes are offered for saving first; Cancel keeps the window open.
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* AddCommand(QWidget* menu, int commandId, const QString& text);
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreatePaneShortcuts();
    void CreateHistoryCommands(QMenu* edit);
    // The File menu's recent-file entries (ids ID_FILE_MRU_FILE1 on), or the greyed
    // placeholder while the list is empty.
    void ShowRecentFiles();

    CBrivoView* view = nullptr;
    QToolBar* toolBar = nullptr;
    QMenu* fileMenu = nullptr;
    QAction* recentFilesEnd = nullptr;  // the separator after the recent files
};

}  // namespace brivo
