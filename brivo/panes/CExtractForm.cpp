#include "panes/CExtractForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QThread>
#include <QWheelEvent>

#include "evalayout/CEvaLayout.h"
#include "glyph/GlyphCommands.h"
#include "glyph/GlyphSet.h"
#include "glyph/LogFont.h"
#include "panes/CFontList.h"
#include "panes/CFontLoadDialog.h"
#include "panes/CGlyphUndoStack.h"
#include "panes/PaneId.h"
#include "widgets/CImageButton.h"
#include "widgets/CWrapCheckBox.h"
#include "widgets/ErrorMessages.h"
#include "widgets/PaneMessage.h"

namespace brivo {

namespace {

const char* const kLayout[] = {
    "EvaLayout, 10, 10, 5, 5",
    "grid, 30       , 30       , 30       , 30       , 10       , 30       , 30       , X        "
    ", 20       , 130       ,",
    "  18, text1    , -        , -        , -        , -        , fontinfo , -        , -        "
    ", -        , select    ,",
    "    ,          ,          ,          ,          ,          ,          ,          ,          "
    ",          ,           ,",
    "   A, extract1 , -        , -        , -        , -        , -        , progress , -        "
    ", -        , cancel    ,",
    "   A, extract2 , -        , -        , -        , -        , -        , exclude  , -        "
    ", -        , doextract ,",
    "   A, extract3 , -        , -        , -        , -        , -        , +        , -        "
    ", -        , +         ,",
    "   A, extract4 , -        , -        , -        , -        , -        , +        , -        "
    ", -        , +         ,",
    "   A, extract5 , -        , -        , -        , -        , -        ,          ,          "
    ",          , +         ,",
    "   A, extract6 , -        , -        , -        , -        , -        ,          ,          "
    ",          , +         ,",
    "   X, fontlist , -        , -        , -        , -        , -        , -        , -        "
    ", -        , -         ,",
    "  22, movefp   , movep    , movef    , moveff   ,          , insert   , remove   ,          "
    ",          ,           ,",
};

const QString kCaption = QStringLiteral("Brivo");
const QString kChooseRange =
    QStringLiteral("추출할 Font Type을 선택해 주세요\n( ASCII, 한글, All )");
const QString kOverwrite = QStringLiteral(
    "폰트를 새로 추출하면 기존에 추출한 폰트들은 다 지워집니다. 폰트 추출을 실행하시겠습니까?");
const QString kToCustom = QStringLiteral("Custom Mode로 변경됩니다. 계속하시겠습니까?");
const QString kNoFont = QStringLiteral("Font가 정의되지 않았습니다");
const QString kExtractStep = QStringLiteral("Font 추출");

// The range buttons in layout order (extract1 ... extract6) with the range each stands for
// and is named after.
struct RangeButton {
    int id;
    const char* layoutName;
    CodeRange range;
};
constexpr RangeButton kRangeButtons[6] = {
    {CExtractForm::IDC_ASCII, "extract1", RANGE_ASCII},
    {CExtractForm::IDC_HANGUL, "extract2", RANGE_HANGUL},
    {CExtractForm::IDC_FULLWIDTH1, "extract3", RANGE_FULLWIDTH1},
    {CExtractForm::IDC_FULLWIDTH2, "extract4", RANGE_FULLWIDTH2},
    {CExtractForm::IDC_ALL, "extract5", RANGE_ALL},
    {CExtractForm::IDC_CUSTOM, "extract6", RANGE_CUSTOM},
};
constexpr int kCustomButton = 5;

// The edit buttons in layout order with their bitmaps.
struct EditButton {
    int id;
    const char* layoutName;
    int bitmap;
};
constexpr EditButton kEditButtons[6] = {
    {CExtractForm::IDC_INSERT, "insert", 151}, {CExtractForm::IDC_REMOVE, "remove", 150},
    {CExtractForm::IDC_MOVEP, "movep", 155},   {CExtractForm::IDC_MOVEFP, "movefp", 154},
    {CExtractForm::IDC_MOVEFF, "moveff", 153}, {CExtractForm::IDC_MOVEF, "movef", 152},
};

template <typename Widget>
Widget* Tagged(Widget* widget, int id) {
    widget->setProperty("controlId", id);
    return widget;
}

bool AskYesNo(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, kCaption, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

}  // namespace

CExtractForm::CExtractForm(CGlyphSet& glyphSet, QWidget* parent)
    : QWidget(parent), glyphSet(glyphSet) {
    MarkPane(this, kPaneId);
    glyphSet.SetGlyphSize(16, 16);
    CreateControls();
    BuildLayout();
    fontList->ResetScroll();
    UpdateFontDescription();
}

CExtractForm::~CExtractForm() {
    StopExtraction();
    glyphSet.ClearGlyphs();
}

void CExtractForm::CreateControls() {
    text1 = Tagged(new QLabel(QStringLiteral("선택된 Font"), this), IDC_TEXT1);
    fontInfo = Tagged(new QLabel(this), IDC_FONTINFO);
    fontInfo->setFrameStyle(QFrame::Box | QFrame::Plain);
    fontInfo->setAlignment(Qt::AlignCenter);
    selectButton = Tagged(new QPushButton(QStringLiteral("Font 선택"), this), IDC_SELECT);
    connect(selectButton, &QPushButton::clicked, this, &CExtractForm::SelectFont);

    for (int i = 0; i < 6; ++i) {
        const QString text =
            QString::fromStdString(RangeName(kRangeButtons[i].range, false, false));
        rangeButtons[i] = Tagged(new QRadioButton(text, this), kRangeButtons[i].id);
    }
    excludeBox = Tagged(
        new CWrapCheckBox(QStringLiteral("사용하지 않는 0xADxx - 0xAFxx, 0xC9xx 제외시키기"), this),
        IDC_EXCLUDE);
    connect(excludeBox, &QCheckBox::clicked, this,
            [this](bool checked) { settings.exceptUnused = checked; });
    extractButton = Tagged(new QPushButton(kExtractStep, this), IDC_DOEXTRACT);
    connect(extractButton, &QPushButton::clicked, this, &CExtractForm::StartExtraction);
    progress = Tagged(new QProgressBar(this), IDC_PROGRESS);
    progress->setTextVisible(false);
    progress->setRange(0, 100);
    progress->setValue(0);
    // Stops a running extraction, keeping what it made so far (one step, as any run); the
    // Esc key does the same anywhere in the window. Idle, there is nothing to cancel.
    cancelButton = Tagged(new QPushButton(QStringLiteral("추출 취소"), this), IDC_CANCEL);
    cancelButton->setEnabled(false);
    connect(cancelButton, &QPushButton::clicked, this, &CExtractForm::CancelExtraction);
    cancelKey = new QShortcut(QKeySequence(Qt::Key_Escape), this, this,
                              &CExtractForm::CancelExtraction, Qt::WindowShortcut);
    cancelKey->setEnabled(false);
    fontList = new CFontList(glyphSet, this);

    for (int i = 0; i < 6; ++i) {
        auto* button = Tagged(new CImageButton(this), kEditButtons[i].id);
        button->SetBitmaps(kEditButtons[i].bitmap);
        button->SetFlatFocus(true);
        editButtons[i] = button;
    }
    auto onClick = [this](int id, auto handler) {
        connect(qobject_cast<QAbstractButton*>(Control(id)), &QAbstractButton::clicked, this,
                handler);
    };
    connect(fontList, &CFontList::RemoveRequested, this, [this] { RemoveGlyph(); });
    onClick(IDC_INSERT, [this] { InsertGlyph(); });
    onClick(IDC_REMOVE, [this] { RemoveGlyph(); });
    onClick(IDC_MOVEFP, [this] { MoveSelected(-1, true); });
    onClick(IDC_MOVEP, [this] { MoveSelected(-1, false); });
    onClick(IDC_MOVEF, [this] { MoveSelected(1, false); });
    onClick(IDC_MOVEFF, [this] { MoveSelected(1, true); });

    // Tab follows the screen: the font, the ranges, the run, the grid, the buttons under it.
    QWidget* previous = nullptr;
    for (const int id : std::initializer_list<int>{
             IDC_SELECT, IDC_ASCII, IDC_HANGUL, IDC_FULLWIDTH1, IDC_FULLWIDTH2, IDC_ALL, IDC_CUSTOM,
             IDC_EXCLUDE, IDC_DOEXTRACT, IDC_CANCEL, CFontList::kControlId, IDC_MOVEFP, IDC_MOVEP,
             IDC_MOVEF, IDC_MOVEFF, IDC_INSERT, IDC_REMOVE}) {
        QWidget* next = Control(id);
        if (previous != nullptr && next != nullptr) setTabOrder(previous, next);
        if (next != nullptr) previous = next;
    }
}

void CExtractForm::BuildLayout() {
    sheets.AddSheet(EvaSheet("first"));
    EvaSheet& sheet = sheets.FindSheet("first");
    for (const char* line : kLayout) sheet.AddRow(line);
    if (!CheckLayoutsLoaded(sheets, this)) return;
    layout = new CEvaLayout(this);
    layout->BindWidget("text1", text1);
    layout->BindWidget("fontinfo", fontInfo);
    layout->BindWidget("select", selectButton);
    for (int i = 0; i < 6; ++i) layout->BindWidget(kRangeButtons[i].layoutName, rangeButtons[i]);
    layout->BindWidget("exclude", excludeBox);
    layout->BindWidget("doextract", extractButton);
    layout->BindWidget("progress", progress);
    layout->BindWidget("cancel", cancelButton);
    layout->BindWidget("fontlist", fontList);
    for (int i = 0; i < 6; ++i) layout->BindWidget(kEditButtons[i].layoutName, editButtons[i]);
    layout->SetSheet(sheets.SheetAt(0));
    layout->Resize(width(), height());
}

QWidget* CExtractForm::Control(int id) const {
    if (id == CFontList::kControlId) return fontList;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->property("controlId").toInt() == id) return child;
    return nullptr;
}

void CExtractForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (layout) layout->Resize(width(), height());
    fontInfo->repaint();
    fontList->update();
}

void CExtractForm::wheelEvent(QWheelEvent* event) {
    fontList->OnMouseWheel(event->angleDelta().y());
    QWidget::wheelEvent(event);
}

bool CExtractForm::event(QEvent* event) {
    if (CPaneMessage* message = AsPaneMessage(event)) {
        if (message->Message() == WM_FONTLIST_SELECT) {
            RelaySelection(static_cast<int>(static_cast<intptr_t>(message->wParam)));
            return true;
        }
        if (message->Message() == WM_GLYPHS_CHANGED) {
            fontList->update();
            RelaySelection(fontList->selectedIndex);
            return true;
        }
    }
    return QWidget::event(event);
}

void CExtractForm::RelaySelection(int position) {
    SendToOwner(this, WM_GLYPH_NOTIFY, RELAY_NOTIFY_PANES, position);
}

void CExtractForm::UpdateFontDescription() {
    const QString text =
        QString::fromStdString(FontDescriptionText(settings.logFont, logicalDpiY()));
    fontInfo->setText(text);
    glyphSet.fontDescription = text.toStdString();
}

void CExtractForm::SelectFont() {
    CFontLoadDialog dialog(glyphSet, settings);
    if (dialog.exec() != QDialog::Accepted) return;
    settings = dialog.settings;
    UpdateFontDescription();
}

// --- Extraction ---------------------------------------------------------------------------

CodeRange CExtractForm::CheckedRange() const {
    for (int i = 0; i < kCustomButton; ++i)
        if (rangeButtons[i]->isChecked()) return kRangeButtons[i].range;
    return RANGE_NONE;
}

void CExtractForm::StartExtraction() {
    if (stopping) return;  // pressed again while the previous run is being stopped
    settings.exceptUnused = excludeBox->isChecked();
    const CodeRange range = CheckedRange();
    if (range == RANGE_NONE) {
        QMessageBox::information(this, kCaption, kChooseRange);
        return;
    }
    RunExtraction(range, {});
}

bool CExtractForm::ExtractCharacters(std::vector<uint16_t> codes) {
    if (stopping) return false;
    return RunExtraction(RANGE_CUSTOM, std::move(codes));
}

bool CExtractForm::RunExtraction(CodeRange range, std::vector<uint16_t> codes) {
    ExtractSettings run = settings;
    run.range = range;
    run.codes = std::move(codes);
    // Settings that cannot be extracted are reported before anything is asked or stopped.
    if (const Result valid = run.Validate(); !valid) {
        ShowError(this, valid);
        return false;
    }

    // While a worker runs the list must not be read, but it certainly holds glyphs.
    if (worker.Running() || glyphSet.Count() > 0) {
        // Where unsaved work was asked about, that answer stands for the form's question.
        const std::optional<bool> confirmed = confirmReplace ? confirmReplace() : std::nullopt;
        if (confirmed ? !*confirmed : !AskYesNo(this, kOverwrite)) return false;
    }
    if (stopping) return false;  // the question let a stop begin in the meantime
    StopExtraction();
    if (undoStack) {
        replaced = std::make_unique<CReplaceAllGlyphs>(glyphSet);
        selectionBeforeRun = fontList->selectedIndex;
    }
    runClock.start();
    // The editor and the information pane let go of the glyph they show before the worker
    // empties the set; the grid's selection is announced again when the run ends.
    RelaySelection(-1);

    // Busy before the thread exists, so that no paint can read the list it starts filling.
    fontList->ForgetArrived();
    fontList->busy = true;
    activeRun = ++runNumber;
    if (Result started = worker.StartExtraction(run, glyphSet, this, &fontList->busy); !started) {
        fontList->busy = false;
        if (replaced) replaced->Undo();
        replaced.reset();
        ShowError(this, started);
        return false;
    }
    if (range == RANGE_CUSTOM) rangeButtons[kCustomButton]->setChecked(true);
    cancelled = false;
    ShowRunning(true);
    fontList->update();
    emit ExtractionStarted();
    return true;
}

void CExtractForm::CancelExtraction() {
    if (!worker.Running() || stopping) return;
    StopExtraction();
    cancelled = true;
    emit ExtractionFinished();
}

void CExtractForm::ShowRunning(bool running) {
    // The button that had the keyboard gives it to the grid before it goes grey.
    if (!running && cancelButton->hasFocus()) fontList->setFocus(Qt::OtherFocusReason);
    cancelButton->setEnabled(running);
    cancelKey->setEnabled(running);
}

bool CExtractForm::StopExtraction() {
    const bool wasRunning = worker.Running();
    if (wasRunning) {
        stopping = true;
        ++runNumber;  // whatever the cancelled run still reports is stale now
        worker.RequestCancel();
        while (worker.Running()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::usleep(200);
        }
        stopping = false;
    }
    worker.StopExtraction();
    fontList->ForgetArrived();
    ShowRunning(false);
    if (wasRunning) {
        RecordExtraction();
        progress->setValue(0);
        fontList->update();
    }
    return true;
}

void CExtractForm::OnExtractStarted(int maximum) {
    const int run = activeRun;
    QMetaObject::invokeMethod(
        this,
        [this, run, maximum] {
            if (run != runNumber) return;
            progress->setRange(0, maximum);
            progress->setValue(0);
        },
        Qt::QueuedConnection);
}

void CExtractForm::OnGlyphExtracted(int count, const CGlyph& glyph) {
    const int run = activeRun;
    // The grid shows the glyphs as they come; a glyph stays as it is until the run is over.
    QMetaObject::invokeMethod(
        this,
        [this, run, count, made = &glyph] {
            if (run != runNumber) return;
            fontList->ShowArrived(made);
            progress->setValue(count);
        },
        Qt::QueuedConnection);
}

void CExtractForm::OnExtractFinished(const ExtractOutcome& outcome) {
    const int run = activeRun;
    const bool fontFailed = outcome.end == ExtractEnd::FontFailed;
    QMetaObject::invokeMethod(
        this,
        [this, run, fontFailed] {
            if (run != runNumber) return;
            worker.Wait();  // the thread is past its last report: let Running() turn false
            fontList->ForgetArrived();
            ShowRunning(false);
            RecordExtraction();
            progress->setValue(0);
            fontList->update();
            if (fontFailed) ShowError(this, kNoFont);
            emit ExtractionFinished();
        },
        Qt::QueuedConnection);
}

void CExtractForm::RecordExtraction() {
    lastRunSeconds = runClock.nsecsElapsed() / 1e9;
    AnnounceNewSet();
    if (!replaced || !undoStack) {
        replaced.reset();  // the history is gone: the replaced glyphs are not wanted any more
        return;
    }
    GlyphCommandList commands;
    commands.push_back(std::move(replaced));
    // The extracted set belongs to no file until it is saved.
    undoStack->Record(kExtractStep, std::move(commands), {selectionBeforeRun},
                      {fontList->selectedIndex, {}, false, kNoDocument});
}

void CExtractForm::AnnounceNewSet() {
    if (fontList->selectedIndex >= glyphSet.Count()) fontList->selectedIndex = -1;
    RelaySelection(fontList->selectedIndex);
}

// --- Hand edits ---------------------------------------------------------------------------

// Hand edits are refused while a worker fills the list: the grid shows nothing to select
// then, and the list must never be changed by both threads at once.
bool CExtractForm::RefuseWhileRunning() {
    if (!worker.Running() && !stopping) return false;
    QApplication::beep();
    return true;
}

void CExtractForm::ShowSetRange() {
    for (int i = 0; i < 6; ++i)
        if (kRangeButtons[i].range == glyphSet.range) rangeButtons[i]->setChecked(true);
}

bool CExtractForm::MayTurnCustom() {
    const CodeRange range = glyphSet.range;
    return range == RANGE_NONE || range == RANGE_CUSTOM || AskYesNo(this, kToCustom);
}

void CExtractForm::AfterEdit(int position) {
    fontList->selectedIndex = position;
    if (position >= 0) fontList->EnsureVisible();
    RelaySelection(position);
    fontList->update();
}

// The switch to a custom set belongs to the edit's step; an edit that changes no glyph (no
// selection, nowhere to move) leaves the selection as it is.
bool CExtractForm::RunEdit(const QString& text, std::unique_ptr<CGlyphCommand> edit,
                           int selectAfter) {
    if (RefuseWhileRunning() || !MayTurnCustom()) return false;
    GlyphCommandList commands;
    commands.push_back(std::make_unique<CSetGlyphRange>(glyphSet, RANGE_CUSTOM));
    commands.push_back(std::move(edit));
    const int selection = fontList->selectedIndex;
    if (!RunGlyphCommands(undoStack, text, std::move(commands), {selection}, {selectAfter}))
        return false;
    ShowSetRange();
    AfterEdit(selectAfter);
    return true;
}

void CExtractForm::InsertGlyph() {
    const int selection = fontList->selectedIndex;
    const int position =
        selection < 0 || selection > glyphSet.Count() ? glyphSet.Count() : selection;
    RunEdit(QStringLiteral("글리프 삽입"), std::make_unique<CInsertBlankGlyph>(glyphSet, position),
            position);
}

void CExtractForm::RemoveGlyph() {
    const int selection = fontList->selectedIndex;
    RunEdit(QStringLiteral("글리프 삭제"), std::make_unique<CRemoveGlyph>(glyphSet, selection), -1);
}

void CExtractForm::MoveSelected(int direction, bool wholePage) {
    const int from = fontList->selectedIndex;
    const int target =
        MoveTarget(from, glyphSet.Count(), direction, wholePage ? fontList->VisibleCount() : 1);
    RunEdit(QStringLiteral("글리프 이동"), std::make_unique<CMoveGlyph>(glyphSet, from, target),
            target < 0 ? from : target);
}

}  // namespace brivo
