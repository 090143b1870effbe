#pragma once

#include <QWidget>

class QScrollArea;
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filedialog/CFileOptionDialog.h"
#include "fontfile/OutputForm.h"
#include "fontfile/TextFontWriter.h"
#include "glyph/CodeRange.h"
#include "glyph/LogFont.h"
#include "panes/CGlyphUndoStack.h"
#include "shell/RecentFiles.h"

namespace brivo {

class CGlyphSet;
struct Result;

class CPaneSplitter;
class CExtractForm;

// A file the glyph set was saved to or loaded from, with what a save writes it back with:
// its options and bit layout, and for C source its array name and code table.
struct GlyphDocument {
    RecentFile file;
    TextArrayOptions array;
};
class CGlyphEditPane;
class CGlyphInfoPane;

// The forms Export offers, in the table's order: every output form but the two a glyph set is
// saved and loaded in (C source, .fnt).
std::vector<const OutputForm*> ExportForms();

// The main window's working area: the glyph editor over the information pane on the left, the
// extraction form on the right, in two nested splitters. Panes never call each other; they
// send or post WM_GLYPH_NOTIFY / WM_GLYPHS_CHANGED to the view with a relay word, and the view
// passes the message on to the panes the word names. The view hands its glyph set to each
// pane.
class CBrivoView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kInnerSplitterId = 61446;
    static constexpr int kOuterSplitterId = 61447;
    static constexpr int kMinFirst = 90;
    static constexpr int kMinSecond = 110;
    // What each pane keeps however small the window: the editor its tools, the zoom, the
    // preview of a 16 x 16 glyph and a strip of canvas; the form its columns and the font
    // description; the information pane a few lines. The window is no smaller than that.
    static constexpr int kEditorLeastWidth = 300;
    static constexpr int kEditorLeastHeight = 294;
    static constexpr int kFormLeastWidth = 470;
    // The form sits in a scroll area: its columns need kFormContentWidth, and where the window
    // is too narrow for the editor and the whole form (a small screen at a high scale) the
    // editor keeps its least width and the form scrolls sideways in a strip of at least
    // kFormLeastShown pixels. Where the splitter gives the form its least width, no scroll
    // bar shows.
    static constexpr int kFormContentWidth = 460;
    static constexpr int kFormLeastShown = 300;
    static constexpr int kSplitterBar = 8;
    static constexpr QSize kLeastSize{kEditorLeastWidth + kSplitterBar + kFormLeastShown,
                                      kEditorLeastHeight + kSplitterBar + kMinSecond};
    // Width of the left column (editor over information) before the profile has one: room
    // for the editor's tools and a drawing surface of 300 pixels or more, which leaves the
    // grid room for a 256 x 256 glyph with its label in a 1024 x 768 window.
    static constexpr int kFirstLeftWidth = 550;

    // Works on `glyphSet`, which outlives the view.
    explicit CBrivoView(CGlyphSet& glyphSet, QWidget* parent = nullptr);
    // Stops the extraction and empties the glyph set; the splitters then store their positions
    // as they are destroyed with the view.
    ~CBrivoView() override;

    // Creates the panes and the splitters; later calls leave them as they are.
    void OnInitialUpdate();

    // Sends message wParam & 0xFFFF with wParam 0 and the same lParam to the editor, the
    // information pane and the extraction form, each if its route bit is set, in that order.
    intptr_t OnRelay(uintptr_t wParam, intptr_t lParam);

    // The font-file commands of the File menu and the toolbar (32771-32774): each asks for a
    // file and its options, then saves or loads the glyph set.
    void OnFontFileSave();
    void OnFontFileLoad();
    void OnTextFileSave();
    void OnTextFileLoad();
    // "Export…": asks for a file of one of ExportForms() and writes the glyph set in that form.
    // The document stays as it was (its file, its unsaved changes): the program does not read
    // these forms back.
    void OnExport();
    // Writes the set as `form` with `options` through the form's writer; a failure is
    // reported and leaves no file. 1 when written.
    int ExportGlyphs(const QString& path, const OutputForm& form, const SaveOptions& options);
    // "Extract Characters of a Text File…": asks for a UTF-8 text file and extracts its
    // characters (ExtractTextCharacters).
    void OnExtractTextCharacters();

    // Extracts the ASCII and KS X 1001 characters of a UTF-8 text file with the form's font
    // settings, as a Custom set whose glyphs keep their codes. Text that is not UTF-8 is
    // reported; characters without a code are listed with a question whether to extract
    // the others. 1 when the extraction started.
    int ExtractTextCharacters(const QString& path);

    // Save the glyph set, waiting for a running extraction to end first so that a
    // half-built set is never written. A file that cannot be written is reported; 1 always.
    // A .fnt save with a code table (not None) writes it as the .idx file beside the font.
    int WriteFontFile(const QString& path, int32_t skipBytes, BitLayout layout = {},
                      CodeIndex codeTable = CodeIndex::None);
    int WriteTextFile(const QString& path, int32_t doubleArray, const TextArrayOptions& array = {},
                      BitLayout layout = {});
    // Replace the glyph set by a file's glyphs (one step that can be undone): 1 when loaded.
    // Options out of range are refused before anything changes; otherwise a running extraction is
    // stopped and the panes are told that nothing is selected, and a file that cannot be read is
    // reported and leaves the set as it was. Either way the form then repaints and re-announces its
    // selection. A load that succeeds but is doubtful (a .fnt length that does not fit the range, a
    // Custom load cut at 65536 glyphs) is told in the status bar. A .fnt file's glyphs take the
    // codes of the .idx file beside it (a Custom set then keeps them); one that does not fit
    // the file is refused with the load, so that no glyph is labelled wrongly. Where a C source
    // file's header disagrees with the size or range, a question offers the file's values: Yes
    // loads with them, No as asked, Cancel loads nothing. A header that contradicts the file's
    // own array declaration asks instead whether to load as asked (Yes) or not at all (No).
    int ReadFontFile(const QString& path, int32_t width, int32_t height, CodeRange rangeId,
                     int32_t skipBytes, int32_t exceptUnused, BitLayout layout = {});
    int ReadTextFile(const QString& path, int32_t width, int32_t height, CodeRange rangeId,
                     int32_t doubleArray, int32_t exceptUnused);

    // "굴림체12_16x16_한글.fnt": face, point size, glyph size and short range name.
    QString DefaultFileName(const QString& extension) const;

    // Takes back the last change of the glyph set (or does it again), unless an extraction
    // is filling the set; every pane then shows the state of that side.
    void Undo();
    void Redo();
    CGlyphUndoStack& History() { return history; }
    // Whether the glyph set changed since it was last saved or loaded.
    bool Modified() const { return !history.isClean(); }
    // The file the glyph set as shown was last saved to or loaded from, or empty (also after
    // an extraction); undo and redo move it with the set.
    const QString& CurrentFile() const { return CurrentDocument().file.path; }
    const GlyphDocument& CurrentDocument() const;

    // Before the set is replaced or the program ends: offers to Update an edit of the canvas
    // (No throws it away, as a step that can be undone), then, where the set has unsaved
    // changes, asks whether to save them. True to go on: nothing to ask, Discard, or Save
    // and the save succeeded; false on Cancel or a save that did not happen.
    bool MayDiscardChanges();

    const std::vector<RecentFile>& RecentFiles() const { return recentFiles.Entries(); }
    // Opens a glyph file named on the command line as File > Open would: a file of the
    // recent-file list with its options, C source with the size and range its header gives,
    // anything else (a .fnt file, C source without a header) through the load dialog of its
    // kind with the file chosen, where the size and range are given. The same questions and
    // errors as a load from the menu; a BDF font is refused (it is written, not read).
    // 1 when loaded.
    int OpenFile(const QString& path);

    // Loads a file of the recent-file list with its options, through the same checks as any
    // load; a file that is gone is reported and leaves the list. 1 when loaded.
    int OpenRecentFile(int index);

    QString arrayName = "data_table";  // of the last text save

    CGlyphSet& GlyphSet() const { return glyphSet; }

    CExtractForm* ExtractForm() const { return extractForm; }
    // The scroll area the form is shown in.
    QScrollArea* FormScroller() const { return formScroller; }
    CGlyphEditPane* EditPane() const { return editPane; }
    CGlyphInfoPane* InfoPane() const { return infoPane; }
    CPaneSplitter* OuterSplitter() const { return outerSplitter; }
    CPaneSplitter* InnerSplitter() const { return innerSplitter; }

signals:
    void RecentFilesChanged();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Runs the file dialog of a command with the set's size and range; null on Cancel.
    // `chosen`: the file an open dialog starts with.
    std::unique_ptr<CFileOptionDialog> AskForFile(bool open, const QString& extension,
                                                  const QString& filter, FileKind kind,
                                                  const QString& chosen = QString());
    void WaitForExtraction();
    // Where a C source file's header disagrees with the load, asks: Yes takes the file's
    // values, No keeps them; false on Cancel or when the file cannot be read (reported).
    // The file's bit layout and array options are left in `document`.
    bool AgreeOnHeader(const QString& path, int32_t& width, int32_t& height, CodeRange& rangeId,
                       int32_t& exceptUnused, GlyphDocument& document);
    // `read` loads the set and leaves in `warning` what the status bar should tell.
    int LoadGlyphs(const GlyphDocument& document,
                   const std::function<Result(std::string& warning)>& read);
    int WriteGlyphs(const GlyphDocument& document, const std::function<Result()>& write);
    // Runs a file's `work` off the window's thread, telling `what` in the status bar and, after
    // kFileWorkShownAfterMs, with a progress bar; returns its result once it is done.
    Result RunFileWork(const QString& what, const std::function<Result()>& work);
    static constexpr int kFileWorkShownAfterMs = 400;
    void ReportFailure(const Result& result);
    // Asked from MayDiscardChanges and the extraction form: nothing when there is nothing
    // unsaved, else whether to go on.
    std::optional<bool> ConfirmReplace();
    void ShowState(const GlyphViewState& state);
    void ShowStatus(const QString& text);
    void UpdateTitle();
    // A save or load of `document` succeeded: it becomes the current file and the newest
    // recent one, the set counts as unchanged since.
    void FileDone(const GlyphDocument& document);
    // Writes the current document again as it is; false where there is none or it failed.
    bool SaveCurrentDocument();
    // The folder the file dialogs start in: the one last used, kept in the profile.
    static QString LastFolder();
    static void KeepFolderOf(const QString& path);

    CGlyphSet& glyphSet;
    // While RunFileWork runs, the pane messages that came meanwhile.
    struct DeferredMessage {
        int message;
        uintptr_t wParam;
        intptr_t lParam;
    };
    bool fileWork = false;
    std::vector<DeferredMessage> deferred;
    CGlyphUndoStack history;
    CRecentFileList recentFiles;
    // Every file of the history, by the document id the history keeps (0: none).
    std::vector<GlyphDocument> documents{1};
    // Children of the view (through the splitters); Qt deletes them with it.
    CPaneSplitter* outerSplitter = nullptr;
    CPaneSplitter* innerSplitter = nullptr;
    CExtractForm* extractForm = nullptr;
    QScrollArea* formScroller = nullptr;
    CGlyphEditPane* editPane = nullptr;
    CGlyphInfoPane* infoPane = nullptr;
};

}  // namespace brivo
