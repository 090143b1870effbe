#include "shell/CBrivoView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QProgressDialog>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTimer>
#include <atomic>
#include <optional>
#include <thread>

#include "fontfile/BinaryFontFile.h"
#include "fontfile/TextFontReader.h"
#include "fontfile/TextFontWriter.h"
#include "glyph/CharacterSubset.h"
#include "glyph/GlyphCommands.h"
#include "glyph/GlyphSet.h"
#include "panes/CExtractForm.h"
#include "panes/CFontList.h"
#include "panes/CGlyphEditPane.h"
#include "panes/CGlyphInfoPane.h"
#include "shell/BrivoProfile.h"
#include "shell/CPaneSplitter.h"
#include "shell/ErrorMessages.h"
#include "shell/PaneMessage.h"

namespace brivo {

namespace {

constexpr char kBinaryFilter[] = "FNT File (*.fnt)|*.fnt|All Files(*.*)|*.*||";
constexpr char kTextFilter[] = "Header File (*.h)|*.h|CPP File (*.cpp)|*.cpp|All Files(*.*)|*.*||";

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

const QString kSaveQuestion = QStringLiteral("변경된 내용을 저장하시겠습니까?");
const QString kMissingFile =
    QStringLiteral("파일을 찾을 수 없습니다.\n%1\n\n최근 파일 목록에서 지웁니다.");
constexpr char kFontLoadName[] = "Font File Load";
constexpr char kTextLoadName[] = "Text File Load";

}  // namespace

CBrivoView::CBrivoView(CGlyphSet& glyphSet, QWidget* parent) : QWidget(parent), glyphSet(glyphSet) {
    setObjectName("CBrivoView");
    connect(&history, &CGlyphUndoStack::StateShown, this, &CBrivoView::ShowState);
    connect(&history, &QUndoStack::cleanChanged, this, &CBrivoView::UpdateTitle);
    recentFiles.Load(*OpenBrivoProfile());
}

CBrivoView::~CBrivoView() {
    if (extractForm) {
        extractForm->StopExtraction();
        extractForm->SetUndoStack(nullptr);
        editPane->SetUndoStack(nullptr);
    }
    history.clear();
    glyphSet.ClearGlyphs();
}

void CBrivoView::OnInitialUpdate() {
    if (extractForm) return;
    const QRect client = rect();
    extractForm = new CExtractForm(glyphSet, &logFont, this);
    editPane = new CGlyphEditPane(glyphSet, this);
    infoPane = new CGlyphInfoPane(glyphSet, this);

    innerSplitter = new CPaneSplitter(this);
    innerSplitter->Create(CPaneSplitter::SPLIT_VISIBLE | CPaneSplitter::SPLIT_HORIZONTAL, this,
                          editPane, infoPane, kInnerSplitterId, client, kEditorLeastHeight,
                          kMinSecond);
    outerSplitter = new CPaneSplitter(this);
    outerSplitter->SetDefaultPosition(kFirstLeftWidth);
    outerSplitter->Create(
        CPaneSplitter::SPLIT_VISIBLE | CPaneSplitter::SPLIT_BORDER | CPaneSplitter::SPLIT_VERTICAL,
        this, innerSplitter, extractForm, kOuterSplitterId, client, kEditorLeastWidth,
        kFormLeastWidth);
    outerSplitter->show();
    connect(extractForm->FontList(), &CFontList::OpenRequested, editPane,
            &CGlyphEditPane::FocusCanvas);

    extractForm->SetUndoStack(&history);
    editPane->SetUndoStack(&history);
    extractForm->confirmReplace = [this] { return ConfirmReplace(); };
    connect(extractForm, &CExtractForm::ExtractionFinished, this, [this] {
        ShowStatus(QStringLiteral("%1 glyphs extracted in %2 s")
                       .arg(glyphSet.Count())
                       .arg(extractForm->LastRunSeconds(), 0, 'f', 2));
    });
    // While a run lasts the status bar tells what runs, not how the last one ended.
    connect(extractForm, &CExtractForm::ExtractionStarted, this,
            [this] { ShowStatus(QStringLiteral("Font 추출 중… (Esc: 취소)")); });
    connect(extractForm, &CExtractForm::ExtractionFinished, this, [this] {
        if (extractForm->LastRunCancelled())
            ShowStatus(
                QStringLiteral("Font 추출을 취소했습니다 (글리프 %1개)").arg(glyphSet.Count()));
    });
}

void CBrivoView::Undo() {
    if (extractForm && extractForm->Running()) return QApplication::beep();
    history.undo();
}

void CBrivoView::Redo() {
    if (extractForm && extractForm->Running()) return QApplication::beep();
    history.redo();
}

void CBrivoView::ShowState(const GlyphViewState& state) {
    if (!extractForm) return;
    CFontList* grid = extractForm->FontList();
    grid->selectedIndex = state.selection < glyphSet.Count() ? state.selection : -1;
    grid->EnsureVisible();
    grid->update();
    editPane->ShowState(state);
    OnRelay(ROUTE_INFO | WM_GLYPH_NOTIFY, grid->selectedIndex);
}

std::optional<bool> CBrivoView::ConfirmReplace() {
    if (editPane) editPane->SettleEdit(true);
    if (history.isClean()) return std::nullopt;
    QMessageBox question(QMessageBox::Warning, "Brivo", kSaveQuestion,
                         QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    question.button(QMessageBox::Save)->setText(QStringLiteral("저장(&S)"));
    question.button(QMessageBox::Discard)->setText(QStringLiteral("저장 안 함(&N)"));
    question.button(QMessageBox::Cancel)->setText(QStringLiteral("취소"));
    question.setDefaultButton(QMessageBox::Save);
    switch (question.exec()) {
        case QMessageBox::Discard:
            return true;
        case QMessageBox::Save:
            // The save that fits the file last saved or loaded; C source when there is none.
            if (currentKind == FILE_KIND_BINARY)
                OnFontFileSave();
            else
                OnTextFileSave();
            return history.isClean();
        default:
            return false;
    }
}

bool CBrivoView::MayDiscardChanges() { return ConfirmReplace().value_or(true); }

void CBrivoView::ShowStatus(const QString& text) {
    if (auto* frame = qobject_cast<QMainWindow*>(window())) frame->statusBar()->showMessage(text);
}

void CBrivoView::UpdateTitle() {
    const QString mark = history.isClean() ? QString() : QStringLiteral(" *");
    window()->setWindowTitle(currentFile.isEmpty()
                                 ? QStringLiteral("Brivo") + mark
                                 : QFileInfo(currentFile).fileName() + mark + " — Brivo");
}

void CBrivoView::FileDone(const RecentFile& file) {
    currentFile = file.path;
    currentKind = file.kind;
    history.setClean();
    UpdateTitle();
    recentFiles.Add(file);
    recentFiles.Store(*OpenBrivoProfile());
    emit RecentFilesChanged();
}

int CBrivoView::OpenRecentFile(int index) {
    if (index < 0 || index >= static_cast<int>(RecentFiles().size())) return 0;
    const RecentFile file = RecentFiles()[index];
    if (!QFileInfo::exists(file.path)) {
        QMessageBox::warning(this, "Brivo", kMissingFile.arg(file.path));
        recentFiles.Remove(index);
        recentFiles.Store(*OpenBrivoProfile());
        emit RecentFilesChanged();
        return 0;
    }
    if (!MayDiscardChanges()) return 0;
    if (file.kind == FILE_KIND_BINARY)
        return ReadFontFile(file.path, file.width, file.height, file.range, file.skipBytes,
                            file.exceptUnused);
    return ReadTextFile(file.path, file.width, file.height, file.range, file.doubleArray,
                        file.exceptUnused);
}

intptr_t CBrivoView::OnRelay(uintptr_t wParam, intptr_t lParam) {
    const int message = static_cast<int>(wParam & 0xFFFF);
    const std::pair<uint32_t, QWidget*> receivers[] = {
        {ROUTE_EDITOR, editPane}, {ROUTE_INFO, infoPane}, {ROUTE_FORM, extractForm}};
    for (const auto& [route, pane] : receivers) {
        if (wParam & route) SendPaneMessage(pane, message, 0, lParam);
    }
    return 0;
}

bool CBrivoView::event(QEvent* event) {
    CPaneMessage* message = AsPaneMessage(event);
    if (message &&
        (message->Message() == WM_GLYPH_NOTIFY || message->Message() == WM_GLYPHS_CHANGED)) {
        // No pane looks at the set while a file is read into it or written from it: what
        // they were to be told reaches them when the work is done.
        if (fileWork) {
            deferred.push_back({message->Message(), message->wParam, message->lParam});
            return true;
        }
        message->result = OnRelay(message->wParam, message->lParam);
        return true;
    }
    return QWidget::event(event);
}

QString CBrivoView::DefaultFileName(const QString& extension) const {
    const int pointSize = -MulDiv(logFont.height, 72, logicalDpiY());
    return QString("%1%2_%3x%4_%5.%6")
        .arg(QString::fromStdString(logFont.faceName))
        .arg(pointSize)
        .arg(glyphSet.width)
        .arg(glyphSet.height)
        .arg(QString::fromStdString(glyphSet.GetRangeName(true)), extension);
}

std::unique_ptr<CFileOptionDialog> CBrivoView::AskForFile(bool open, const QString& extension,
                                                          const QString& filter, FileKind kind) {
    const QString name = open ? QString() : DefaultFileName(extension);
    auto dialog = std::make_unique<CFileOptionDialog>(open, extension, name, filter);
    dialog->SetOptions(glyphSet.width, glyphSet.height, glyphSet.range, 1, 0);
    dialog->SetFileKind(kind);
    if (!open && kind == FILE_KIND_TEXT) dialog->SetTextArray(arrayName, glyphSet.keepsCodes);
    if (dialog->exec() != QDialog::Accepted || dialog->FilePath().isEmpty()) return nullptr;
    return dialog;
}

void CBrivoView::OnFontFileSave() {
    if (editPane) editPane->SettleEdit(false);
    WaitForExtraction();
    if (auto dialog = AskForFile(false, "fnt", kBinaryFilter, FILE_KIND_BINARY))
        WriteFontFile(dialog->FilePath(), dialog->skipBytes);
}

void CBrivoView::OnFontFileLoad() {
    if (!MayDiscardChanges()) return;
    if (auto dialog = AskForFile(true, "fnt", kBinaryFilter, FILE_KIND_BINARY))
        ReadFontFile(dialog->FilePath(), dialog->sizeX, dialog->sizeY, dialog->rangeId,
                     dialog->skipBytes, dialog->exceptUnused);
}

void CBrivoView::OnTextFileSave() {
    if (editPane) editPane->SettleEdit(false);
    WaitForExtraction();
    if (auto dialog = AskForFile(false, "h", kTextFilter, FILE_KIND_TEXT)) {
        arrayName = dialog->arrayName;
        TextArrayOptions array;
        array.name = arrayName.toStdString();
        if (dialog->subset && dialog->codeTable) array.codeTable = CodeIndex::EucKr;
        WriteTextFile(dialog->FilePath(), dialog->doubleArray, array);
    }
}

void CBrivoView::OnExtractTextCharacters() {
    QFileDialog dialog(this, "Extract Characters of a Text File");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({"Text Files (*.txt)", "All Files (*)"});
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        ExtractTextCharacters(dialog.selectedFiles().first());
}

int CBrivoView::ExtractTextCharacters(const QString& path) {
    if (!extractForm) return 0;
    CCharacterSubset subset;
    if (const Result read = subset.AddFile(LocalPath(path)); !read) {
        ReportFailure(read);
        return 0;
    }
    if (!subset.Unmapped().empty()) {
        // Listed up to a screenful; the count tells the rest.
        constexpr std::size_t kListed = 20;
        QString list;
        for (std::size_t n = 0; n < subset.Unmapped().size() && n < kListed; ++n)
            list += QString::fromStdString(DescribeUnmapped(subset.Unmapped()[n])) + "\n";
        if (subset.Unmapped().size() > kListed) list += "...\n";
        const QString question =
            QString("다음 %1개의 문자는 ASCII나 KS X 1001에 없습니다:\n\n%2\n"
                    "나머지 문자를 추출하시겠습니까?")
                .arg(subset.Unmapped().size())
                .arg(list);
        if (QMessageBox::question(this, "Extract Characters", question) != QMessageBox::Yes)
            return 0;
    }
    if (subset.Count() == 0) {
        ReportFailure(Result::Failure(LocalPath(path) + ": the text has no character to extract"));
        return 0;
    }
    return extractForm->ExtractCharacters(subset.Codes()) ? 1 : 0;
}

void CBrivoView::OnTextFileLoad() {
    if (!MayDiscardChanges()) return;
    if (auto dialog = AskForFile(true, "h", kTextFilter, FILE_KIND_TEXT))
        ReadTextFile(dialog->FilePath(), dialog->sizeX, dialog->sizeY, dialog->rangeId,
                     dialog->doubleArray, dialog->exceptUnused);
}

int CBrivoView::WriteGlyphs(const RecentFile& file, const std::function<Result()>& write) {
    WaitForExtraction();
    const Result result = RunFileWork(QStringLiteral("저장 중… %1").arg(file.path), write);
    ReportFailure(result);
    if (result) {
        FileDone(file);
        ShowStatus(QStringLiteral("Saved %1").arg(file.path));
    }
    return 1;
}

int CBrivoView::WriteFontFile(const QString& path, int32_t skipBytes) {
    RecentFile file{
        path, FILE_KIND_BINARY,     glyphSet.width, glyphSet.height, glyphSet.range, skipBytes,
        1,    glyphSet.exceptUnused};
    return WriteGlyphs(file,
                       [&] { return brivo::WriteFontFile(glyphSet, LocalPath(path), skipBytes); });
}

int CBrivoView::WriteTextFile(const QString& path, int32_t doubleArray,
                              const TextArrayOptions& array) {
    RecentFile file{path, FILE_KIND_TEXT, glyphSet.width,       glyphSet.height, glyphSet.range,
                    0,    doubleArray,    glyphSet.exceptUnused};
    return WriteGlyphs(
        file, [&] { return brivo::WriteTextFile(glyphSet, LocalPath(path), doubleArray != 0, {}, array);
        });
}

int CBrivoView::ReadFontFile(const QString& path, int32_t width, int32_t height, CodeRange rangeId,
                             int32_t skipBytes, int32_t exceptUnused) {
    const RecentFile file{path,    FILE_KIND_BINARY, width, height,
                          rangeId, skipBytes,        1,     exceptUnused};
    return LoadGlyphs(file, [&](std::string& warning) {
        return brivo::ReadFontFile(glyphSet, LocalPath(path), width, height, rangeId, skipBytes,
                                   exceptUnused != 0, &warning);
    });
}

int CBrivoView::ReadTextFile(const QString& path, int32_t width, int32_t height, CodeRange rangeId,
                             int32_t doubleArray, int32_t exceptUnused) {
    if (const Result options = CheckLoadOptions(width, height, rangeId); !options) {
        ReportFailure(options);
        return 0;
    }
    if (!AgreeOnHeader(path, width, height, rangeId, exceptUnused)) return 0;
    const RecentFile file{path, FILE_KIND_TEXT, width,       height, rangeId,
                          0,    doubleArray,    exceptUnused};
    return LoadGlyphs(file, [&](std::string& warning) {
        return brivo::ReadTextFile(glyphSet, LocalPath(path), width, height, rangeId,
                                   doubleArray != 0, exceptUnused != 0, false, &warning);
    });
}

bool CBrivoView::AgreeOnHeader(const QString& path, int32_t& width, int32_t& height,
                               CodeRange& rangeId, int32_t& exceptUnused) {
    std::optional<TextFileHeader> header;
    if (const Result read = ReadTextFileHeader(LocalPath(path), header); !read) {
        ReportFailure(read);
        return false;
    }
    const std::string mismatch =
        header ? HeaderMismatch(*header, width, height, rangeId, exceptUnused != 0) : "";
    if (mismatch.empty()) return true;
    const QString question = QString(
                                 "%1: %2.\n\nLoad it with the file's size and range?\n"
                                 "Yes: as the file says. No: as asked. Cancel: load nothing.")
                                 .arg(path, QString::fromStdString(mismatch));
    const auto answer = QMessageBox::question(
        this, "Text File Load", question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes) {
        width = header->width;
        height = header->height;
        rangeId = header->range;
        exceptUnused = header->exceptUnused ? 1 : 0;
    }
    return answer == QMessageBox::Yes || answer == QMessageBox::No;
}

int CBrivoView::LoadGlyphs(const RecentFile& file,
                           const std::function<Result(std::string& warning)>& read) {
    if (const Result options = CheckLoadOptions(file.width, file.height, file.range); !options) {
        ReportFailure(options);
        return 0;
    }
    if (extractForm) extractForm->StopExtraction();
    // The panes let go of the selected glyph before the set changes.
    const int selection = extractForm ? extractForm->FontList()->selectedIndex : -1;
    OnRelay(RELAY_NOTIFY_PANES, -1);
    // The set's glyphs wait aside: a failed read gets them back, a load keeps them for undo.
    auto replace = std::make_unique<CReplaceAllGlyphs>(glyphSet);
    std::string warning;
    const Result result =
        RunFileWork(QStringLiteral("읽는 중… %1").arg(file.path), [&] { return read(warning); });
    ReportFailure(result);
    if (result && extractForm && extractForm->FontList()->selectedIndex >= glyphSet.Count())
        extractForm->FontList()->selectedIndex = -1;
    if (result) {
        const int selectionAfter = extractForm ? extractForm->FontList()->selectedIndex : -1;
        history.Record(file.kind == FILE_KIND_BINARY ? kFontLoadName : kTextLoadName,
                       OneCommand(std::move(replace)), {selection}, {selectionAfter});
        FileDone(file);
        ShowStatus(warning.empty() ? QStringLiteral("Loaded %1").arg(file.path)
                                   : QString::fromStdString(warning));
    } else {
        replace->Undo();
    }
    // Also after a failure: the set is as it was, and the panes show the selection again.
    PostPaneMessage(this, WM_GLYPHS_CHANGED, RELAY_CHANGED_FORM, -1);
    return result ? 1 : 0;
}

// Waits with the window responsive until no extraction runs. The window stays usable
// meanwhile, so "Font 추출" may start a new run: the wait only ends when none runs, and
// looks again whenever its loop returns. A run that ends by itself ends the loop at once;
// the poll catches one that is stopped.
void CBrivoView::WaitForExtraction() {
    if (!extractForm || !extractForm->Running()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    while (extractForm->Running()) {
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (!extractForm->Running()) loop.quit();
        });
        connect(extractForm, &CExtractForm::ExtractionFinished, &loop, &QEventLoop::quit);
        poll.start(20);
        loop.exec();
    }
    QApplication::restoreOverrideCursor();
}

// The work runs on a thread of its own while the window goes on painting; a window-modal
// progress bar, shown once the work lasts, keeps the user's hands off the glyph set, and the
// grid draws nothing while the set may be changing under it.
Result CBrivoView::RunFileWork(const QString& what, const std::function<Result()>& work) {
    ShowStatus(what);
    CFontList* grid = extractForm ? extractForm->FontList() : nullptr;
    const bool gridWasBusy = grid && grid->busy;
    if (grid) grid->busy = true;
    Result result = Result::Success();
    std::atomic<bool> done = false;
    std::thread worker([&] {
        result = work();
        done = true;
    });
    QProgressDialog progress(what, QString(), 0, 0, this);
    progress.setWindowTitle(QStringLiteral("Brivo"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kFileWorkShownAfterMs);
    progress.setAutoReset(false);
    progress.setValue(0);
    // Until the progress bar is up, clicks and keys wait; after, its window-modality keeps
    // them off the main window, which answers them at once as a window that is busy.
    QEventLoop loop;
    QTimer poll;
    bool shown = false;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done || shown != progress.isVisible()) loop.quit();
    });
    poll.start(10);
    fileWork = true;
    while (!done) {
        shown = progress.isVisible();
        loop.exec(shown ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    }
    worker.join();
    fileWork = false;
    progress.close();
    for (const DeferredMessage& each : std::exchange(deferred, {}))
        PostPaneMessage(this, each.message, each.wParam, each.lParam);
    if (grid) {
        grid->busy = gridWasBusy;
        grid->update();
    }
    ShowStatus(QString());
    return result;
}

void CBrivoView::ReportFailure(const Result& result) { ShowError(this, result); }

void CBrivoView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (outerSplitter) outerSplitter->setGeometry(rect());
}

}  // namespace brivo
