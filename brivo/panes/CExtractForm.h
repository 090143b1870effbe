#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "evalayout/EvaSheet.h"
#include "extract/ExtractWorker.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QShortcut;

namespace brivo {

class CGlyphCommand;
class CGlyphSet;
class CReplaceAllGlyphs;
struct LogFont;

class CEvaLayout;
class CFontList;
class CGlyphUndoStack;
class CImageButton;

// The right-hand pane: font choice, code ranges, extraction and the glyph grid. It owns the
// extraction settings and the worker, fills and edits the view's glyph set, and relays grid
// selections to the other panes through the view.
class CExtractForm : public QWidget, private IExtractObserver {
    Q_OBJECT
public:
    static constexpr int kPaneId = 130;

    // Control ids of the form.
    enum ControlId {
        IDC_TEXT1 = 1030,
        IDC_FONTINFO = 1000,
        IDC_SELECT = 1018,
        IDC_ASCII = 1019,
        IDC_HANGUL = 1020,
        IDC_FULLWIDTH1 = 1024,
        IDC_FULLWIDTH2 = 1025,
        IDC_ALL = 1021,
        IDC_CUSTOM = 1022,
        IDC_EXCLUDE = 1055,
        IDC_DOEXTRACT = 1023,
        IDC_PROGRESS = 1027,
        IDC_MOVEFP = 1069,
        IDC_MOVEP = 1070,
        IDC_MOVEF = 1071,
        IDC_MOVEFF = 1072,
        IDC_INSERT = 1073,
        IDC_REMOVE = 1074,
        IDC_CANCEL = 1075,
    };

    // `glyphSet` is the view's; it outlives the form.
    explicit CExtractForm(CGlyphSet& glyphSet, QWidget* parent = nullptr);
    ~CExtractForm() override;

    // "Font 추출": asks what it must, stops a running worker and starts a new one.
    void StartExtraction();
    // The same for the characters of `codes` (ascending ASCII and KS X 1001 codes) with the
    // form's font settings: the set becomes a Custom set whose glyphs keep their codes.
    // True when the extraction started.
    bool ExtractCharacters(std::vector<uint16_t> codes);
    // Cancels a running extraction and waits for it while the window keeps handling its
    // events. Safe to call when nothing runs. Always true.
    bool StopExtraction();
    // "추출 취소" and Esc: stops a running extraction as StopExtraction does and reports it
    // finished (LastRunCancelled then tells). Does nothing when none runs.
    void CancelExtraction();
    bool LastRunCancelled() const { return cancelled; }
    bool Running() const { return worker.Running(); }
    CExtractWorker& Worker() { return worker; }
    // Seconds the last extraction took, from start to its end or cancellation.
    double LastRunSeconds() const { return lastRunSeconds; }

    // Records every change of the glyph set in `history` (none: not recorded); each
    // extraction is one step.
    void SetUndoStack(CGlyphUndoStack* history) { undoStack = history; }
    // Asked before an extraction replaces glyphs: false cancels it, true goes on, nothing
    // means there was no unsaved work to ask about (the form then asks its own question).
    std::function<std::optional<bool>()> confirmReplace;

    // Checks the range button of the set's range (after undo or redo changed it).
    void ShowSetRange();
    // Asks before a hand edit turns an extracted set into a custom one; false = cancel.
    bool MayTurnCustom();
    void InsertGlyph();
    void RemoveGlyph();
    // Moves the selected glyph one place or one page back (-1) or forward (1).
    void MoveSelected(int direction, bool wholePage);

    // Opens the font-loading dialog and takes its values on OK.
    void SelectFont();
    void UpdateFontDescription();

    CFontList* FontList() const { return fontList; }
    QWidget* Control(int id) const;

    // What the next extraction uses; a run sets the range and codes of its own copy.
    ExtractSettings settings;

signals:
    // A run began.
    void ExtractionStarted();
    // An extraction ended by itself or was cancelled (after the grid was refreshed).
    void ExtractionFinished();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void CreateControls();
    bool RunExtraction(CodeRange range, std::vector<uint16_t> codes);
    void BuildLayout();
    void RelaySelection(int position);
    void AfterEdit(int position);
    // Does a hand edit (after turning the set into a custom one) and records it as one step.
    bool RunEdit(const QString& text, std::unique_ptr<CGlyphCommand> edit, int selectAfter);
    // After a run: the grid's selection (none where the new set is shorter) goes to the
    // editor and the information pane, which show the glyph of the new set there.
    void AnnounceNewSet();
    void RecordExtraction();
    bool RefuseWhileRunning();
    // Enables what only a running extraction can use: the cancel button and key.
    void ShowRunning(bool running);
    CodeRange CheckedRange() const;

    // IExtractObserver: called on the worker thread, forwarded to this thread.
    void OnExtractStarted(int maximum) override;
    void OnGlyphExtracted(int count, const CGlyph& glyph) override;
    void OnExtractFinished(const ExtractOutcome& outcome) override;

    CGlyphSet& glyphSet;
    CExtractWorker worker;
    // Bumped by every start and stop, so that reports still queued from an older run are
    // dropped instead of moving the progress bar. activeRun is what the worker reports with.
    int runNumber = 0;
    int activeRun = 0;
    bool stopping = false;
    bool cancelled = false;
    CGlyphUndoStack* undoStack = nullptr;
    // The glyphs the running extraction replaces, and the selection before it.
    std::unique_ptr<CReplaceAllGlyphs> replaced;
    int selectionBeforeRun = -1;
    QElapsedTimer runClock;
    double lastRunSeconds = 0;

    QLabel* text1 = nullptr;
    QLabel* fontInfo = nullptr;
    QPushButton* selectButton = nullptr;
    QRadioButton* rangeButtons[6] = {};
    QCheckBox* excludeBox = nullptr;
    QPushButton* extractButton = nullptr;
    QProgressBar* progress = nullptr;
    QPushButton* cancelButton = nullptr;
    QShortcut* cancelKey = nullptr;
    CFontList* fontList = nullptr;
    CImageButton* editButtons[6] = {};
    EvaSheetSet sheets;
    CEvaLayout* layout = nullptr;
};

}  // namespace brivo
