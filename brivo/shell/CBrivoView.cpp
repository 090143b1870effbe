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
#include <QRegularExpression>
#include <QResizeEvent>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <optional>
#include <thread>

#include "fontfile/BinaryFontFile.h"
#include "fontfile/OutputForm.h"
#include "fontfile/TextFontReader.h"
#include "fontfile/TextFontWriter.h"
#include "glyph/CharacterSubset.h"
#include "glyph/Cp949.h"
#include "glyph/GlyphCommands.h"
#include "glyph/GlyphSet.h"
#include "glyph/InputFile.h"
#include "panes/CExtractForm.h"
#include "panes/CFontList.h"
#include "panes/CGlyphEditPane.h"
#include "panes/CGlyphInfoPane.h"
#include "panes/CTextSample.h"
#include "widgets/BrivoProfile.h"
#include "widgets/CPaneSplitter.h"
#include "widgets/ErrorMessages.h"
#include "widgets/PaneMessage.h"

namespace brivo {

namespace {

// The code table a .fnt file was written with, the .idx file beside it, as the command-line
// tool reads it; keepsCodes tells whether there was one, `kind` how its values are meant. A
// table that does not fit belongs to another font: wrong labels are worse than none, so it
// is refused.
Result ApplyCodeTable(CGlyphSet& set, const std::string& path, std::string& warning,
                      CodeIndex& kind) {
    set.keepsCodes = false;
    kind = CodeIndex::None;
    const std::string index = CodeIndexPath(path);
    std::error_code error;
    if (index == path || !std::filesystem::is_regular_file(index, error)) return Result::Success();
    std::string note;
    if (const Result codes = ReadCodeIndexFile(set, index, &note); !codes)
        return Result::Failure(ErrorKind::NotCodeTable,
                               codes.message + ": it is not the code table of " + path, index);
    set.keepsCodes = true;
    // Values that are not the glyphs' own (EUC-KR) codes are Unicode characters.
    kind = CodeIndex::EucKr;
    QFile table(QString::fromStdString(index));
    if (table.open(QIODevice::ReadOnly)) {
        const QByteArray values = table.read(qint64(set.glyphs.size()) * 2);
        for (std::size_t n = 0; 2 * n + 1 < std::size_t(values.size()); ++n) {
            const auto value = uint16_t(uint8_t(values[2 * n]) | uint8_t(values[2 * n + 1]) << 8);
            if (set.glyphs[n] != nullptr && set.glyphs[n]->code != value) {
                kind = CodeIndex::Unicode;
                break;
            }
        }
    }
    if (!note.empty()) warning += (warning.empty() ? "" : "\n") + note;
    return Result::Success();
}

// What a header says and what the array declaration (or "Data Length") says instead, for a
// header HeaderContradiction finds fault with.
QString HeaderContradictionText(const TextFileHeader& header) {
    const int64_t bytes = LayoutBytesPerGlyph(header.width, header.height, header.layout);
    QString says = QStringLiteral("파일 머리에 적힌 값: %1 x %2, 글자당 %3바이트")
                       .arg(header.width)
                       .arg(header.height)
                       .arg(bytes);
    const bool bytesDiffer = header.declaredBytes != 0 && header.declaredBytes != bytes;
    const bool countDiffers = header.declaredGlyphs != 0 && header.dataCount != 0 &&
                              header.dataCount != header.declaredGlyphs;
    if (!bytesDiffer && !countDiffers)
        return says + QStringLiteral("\nData Length: %1").arg(header.dataLength);
    if (countDiffers) says += QStringLiteral(", %1글자").arg(header.dataCount);
    return says + QStringLiteral("\n배열 선언: [%1][%2]")
                      .arg(header.declaredGlyphs)
                      .arg(header.declaredBytes);
}

}  // namespace

namespace {

// A form's default extension and file dialog filter, from the table of output forms.
QString ExtensionOf(FileForm form) { return FormOf(form).types.front().extension; }
QString FilterOf(FileForm form) { return QString::fromStdString(DialogFilter(FormOf(form))); }

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The name of a C source file's glyph array, whether it has a row per glyph
// ("NAME[128][16]", else nothing changes `doubleArray`) and whether a code table follows it,
// read from the declarations ("unsigned char NAME[...]", "NAME_codes[") before the data.
TextArrayOptions ArrayOptionsOf(const QString& path, int32_t& doubleArray) {
    TextArrayOptions options;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return options;
    static const QRegularExpression array(
        QStringLiteral("\\bchar\\s+([A-Za-z_]\\w*)\\s*\\[[^\\]]*\\]\\s*(\\[)?"));
    static const QRegularExpression table(QStringLiteral("\\b([A-Za-z_]\\w*)_codes\\s*\\["));
    bool named = false;
    for (int line = 0; line < 200 && !file.atEnd(); ++line) {
        const QString text = QString::fromLatin1(file.readLine(4096));
        if (const auto match = array.match(text); !named && match.hasMatch()) {
            options.name = match.captured(1).toStdString();
            doubleArray = match.hasCaptured(2) ? 1 : 0;
            named = true;
        }
        if (const auto match = table.match(text); match.hasMatch()) {
            options.codeTable = text.contains("Unicode", Qt::CaseInsensitive) ? CodeIndex::Unicode
                                                                              : CodeIndex::EucKr;
            break;
        }
    }
    return options;
}

const QString kSaveQuestion = QStringLiteral("변경된 내용을 저장하시겠습니까?");
const QString kMissingFile =
    QStringLiteral("파일을 찾을 수 없습니다.\n%1\n\n최근 파일 목록에서 지웁니다.");
const QString kFontLoadName = QStringLiteral("Font 파일 불러오기");
const QString kTextLoadName = QStringLiteral("Text 파일 불러오기");
constexpr char kLastFolderKey[] = "Settings/Last Folder";

}  // namespace

CBrivoView::CBrivoView(CGlyphSet& glyphSet, QWidget* parent) : QWidget(parent), glyphSet(glyphSet) {
    setObjectName("CBrivoView");
    connect(&history, &CGlyphUndoStack::StateShown, this, &CBrivoView::ShowState);
    connect(&history, &QUndoStack::cleanChanged, this, &CBrivoView::UpdateTitle);
    connect(&history, &QUndoStack::indexChanged, this, &CBrivoView::UpdateTitle);
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
    extractForm = new CExtractForm(glyphSet, this);
    editPane = new CGlyphEditPane(glyphSet, this);
    infoPane = new CGlyphInfoPane(glyphSet, this);

    innerSplitter = new CPaneSplitter(this);
    innerSplitter->Create(CPaneSplitter::SPLIT_VISIBLE | CPaneSplitter::SPLIT_HORIZONTAL, this,
                          editPane, infoPane, kInnerSplitterId, client, kEditorLeastHeight,
                          kMinSecond);
    outerSplitter = new CPaneSplitter(this);
    outerSplitter->SetDefaultPosition(kFirstLeftWidth);
    // The form keeps its own layout at any window size; a window too small for it scrolls.
    formScroller = new QScrollArea(this);
    formScroller->setObjectName("FormScroller");
    formScroller->setFrameShape(QFrame::NoFrame);
    formScroller->setWidgetResizable(true);
    formScroller->setFocusPolicy(Qt::NoFocus);  // Tab goes to the form's controls
    extractForm->setMinimumSize(kFormContentWidth, 0);
    formScroller->setWidget(extractForm);
    extractForm->show();
    outerSplitter->Create(
        CPaneSplitter::SPLIT_VISIBLE | CPaneSplitter::SPLIT_BORDER | CPaneSplitter::SPLIT_VERTICAL,
        this, innerSplitter, formScroller, kOuterSplitterId, client, kEditorLeastWidth,
        kFormLeastWidth);
    outerSplitter->show();
    connect(extractForm->FontList(), &CFontList::OpenRequested, editPane,
            &CGlyphEditPane::FocusCanvas);

    extractForm->SetUndoStack(&history);
    editPane->SetUndoStack(&history);
    extractForm->confirmReplace = [this] { return ConfirmReplace(); };
    // The sample line reads the set only while no extraction fills it and no file work holds
    // it; it is drawn again once they end.
    CTextSample* sample = infoPane->TextSample();
    sample->mayRead = [this] { return !fileWork && !extractForm->Running(); };
    connect(extractForm, &CExtractForm::ExtractionFinished, sample, &CTextSample::Refresh);
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
    extractForm->ShowSetRange();
}

std::optional<bool> CBrivoView::ConfirmReplace() {
    if (editPane) editPane->SettleEdit(true);
    // Edits of the canvas that never reached the set (a stroke whose Update was declined)
    // leave nothing to save.
    if (history.isClean() || !history.SetChangedSinceClean()) return std::nullopt;
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
            // The file of the set as it is, written again in its own form; where there is
            // none (C source then) or it cannot be written, the save dialog asks for one.
            if (!SaveCurrentDocument()) {
                if (CurrentDocument().file.kind == FILE_KIND_BINARY)
                    OnFontFileSave();
                else
                    OnTextFileSave();
            }
            return history.isClean();
        default:
            return false;
    }
}

bool CBrivoView::MayDiscardChanges() { return ConfirmReplace().value_or(true); }

void CBrivoView::ShowStatus(const QString& text) {
    if (auto* frame = qobject_cast<QMainWindow*>(window())) frame->statusBar()->showMessage(text);
}

const GlyphDocument& CBrivoView::CurrentDocument() const {
    const int id = history.Document();
    return id > 0 && id < static_cast<int>(documents.size()) ? documents[id] : documents[0];
}

void CBrivoView::UpdateTitle() {
    const QString mark = history.isClean() ? QString() : QStringLiteral(" *");
    const QString& file = CurrentFile();
    window()->setWindowTitle(file.isEmpty() ? QStringLiteral("Brivo") + mark
                                            : QFileInfo(file).fileName() + mark + " — Brivo");
}

void CBrivoView::FileDone(const GlyphDocument& document) {
    documents.push_back(document);
    history.SetDocument(static_cast<int>(documents.size()) - 1);
    history.setClean();
    UpdateTitle();
    recentFiles.Add(document.file);
    recentFiles.Store(*OpenBrivoProfile());
    emit RecentFilesChanged();
}

bool CBrivoView::SaveCurrentDocument() {
    const GlyphDocument document = CurrentDocument();
    if (document.file.path.isEmpty()) return false;
    WaitForExtraction();
    if (document.file.kind == FILE_KIND_BINARY)
        WriteFontFile(document.file.path, document.file.skipBytes, document.file.layout,
                      document.array.codeTable);
    else
        WriteTextFile(document.file.path, document.file.doubleArray, document.array,
                      document.file.layout);
    return history.isClean();
}

QString CBrivoView::LastFolder() {
    const QString folder = OpenBrivoProfile()->value(kLastFolderKey).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void CBrivoView::KeepFolderOf(const QString& path) {
    if (!path.isEmpty())
        OpenBrivoProfile()->setValue(kLastFolderKey, QFileInfo(path).absolutePath());
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
                            file.exceptUnused, file.layout);
    return ReadTextFile(file.path, file.width, file.height, file.range, file.doubleArray,
                        file.exceptUnused);
}

int CBrivoView::OpenFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const auto recent = std::find_if(RecentFiles().begin(), RecentFiles().end(),
                                     [&](const RecentFile& file) { return file.path == absolute; });
    if (recent != RecentFiles().end())
        return OpenRecentFile(static_cast<int>(recent - RecentFiles().begin()));
    // A file that is gone, a folder or a device gets the loads' own error at once.
    {
        InputFile file;
        if (const Result opened = file.Open(LocalPath(absolute)); !opened) {
            ReportFailure(opened);
            return 0;
        }
    }
    const QString suffix = QFileInfo(absolute).suffix().toLower();
    if (suffix == "bdf") {
        ShowError(this, QStringLiteral("%1\n\nBDF 글꼴은 쓰기만 합니다. 불러올 수 있는 파일은 "
                                       ".fnt 파일과 C 소스입니다.")
                            .arg(absolute));
        return 0;
    }
    if (!MayDiscardChanges()) return 0;
    if (suffix == "fnt") {
        auto dialog = AskForFile(true, ExtensionOf(FileForm::Binary), FilterOf(FileForm::Binary),
                                 FILE_KIND_BINARY, absolute);
        return dialog
                   ? ReadFontFile(dialog->FilePath(), dialog->sizeX, dialog->sizeY, dialog->rangeId,
                                  dialog->skipBytes, dialog->exceptUnused, dialog->bitLayout)
                   : 0;
    }
    // C source: its header says how to read it.
    std::optional<TextFileHeader> header;
    if (const Result read = ReadTextFileHeader(LocalPath(absolute), header); !read) {
        ReportFailure(read);
        return 0;
    }
    if (header)
        return ReadTextFile(absolute, header->width, header->height, header->range, 1,
                            header->exceptUnused ? 1 : 0);
    auto dialog = AskForFile(true, ExtensionOf(FileForm::CSource), FilterOf(FileForm::CSource),
                             FILE_KIND_TEXT, absolute);
    return dialog ? ReadTextFile(dialog->FilePath(), dialog->sizeX, dialog->sizeY, dialog->rangeId,
                                 dialog->doubleArray, dialog->exceptUnused)
                  : 0;
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
        if (message->Message() == WM_GLYPHS_CHANGED && infoPane) infoPane->TextSample()->Refresh();
        return true;
    }
    return QWidget::event(event);
}

QString CBrivoView::DefaultFileName(const QString& extension) const {
    const LogFont& logFont = extractForm->settings.logFont;
    const int pointSize = -MulDiv(logFont.height, 72, logicalDpiY());
    return QString("%1%2_%3x%4_%5.%6")
        .arg(QString::fromStdString(logFont.faceName))
        .arg(pointSize)
        .arg(glyphSet.width)
        .arg(glyphSet.height)
        .arg(QString::fromStdString(glyphSet.GetRangeName(true)), extension);
}

std::unique_ptr<CFileOptionDialog> CBrivoView::AskForFile(bool open, const QString& extension,
                                                          const QString& filter, FileKind kind,
                                                          const QString& chosen) {
    const QString name = open ? chosen : DefaultFileName(extension);
    auto dialog = std::make_unique<CFileOptionDialog>(open, extension, QString(), filter);
    if (!chosen.isEmpty())
        dialog->setDirectory(QFileInfo(chosen).absolutePath());
    else if (const QString folder = LastFolder(); !folder.isEmpty())
        dialog->setDirectory(folder);
    if (!name.isEmpty()) dialog->selectFile(name);
    // A save writes the file the set came from the way it was written, unless changed here.
    const GlyphDocument& current = CurrentDocument();
    const bool sameKind = !current.file.path.isEmpty() && current.file.kind == kind;
    dialog->SetOptions(glyphSet.width, glyphSet.height, glyphSet.range,
                       sameKind ? current.file.doubleArray : 1,
                       sameKind ? current.file.skipBytes : 0);
    dialog->SetFileKind(kind);
    if (!open)
        dialog->SetBitLayout(current.file.path.isEmpty() ? BitLayout{} : current.file.layout);
    if (!open) {
        const bool keepName = sameKind && kind == FILE_KIND_TEXT && !current.array.name.empty();
        dialog->SetTextArray(keepName ? QString::fromStdString(current.array.name) : arrayName,
                             glyphSet.keepsCodes);
        if (sameKind && glyphSet.keepsCodes) {
            dialog->codeTable = current.array.codeTable != CodeIndex::None ? 1 : 0;
            dialog->RefreshControls();
        }
    }
    if (dialog->exec() != QDialog::Accepted || dialog->FilePath().isEmpty()) return nullptr;
    KeepFolderOf(dialog->FilePath());
    return dialog;
}

void CBrivoView::OnFontFileSave() {
    if (editPane) editPane->SettleEdit(false);
    WaitForExtraction();
    if (auto dialog = AskForFile(false, ExtensionOf(FileForm::Binary), FilterOf(FileForm::Binary),
                                 FILE_KIND_BINARY))
        WriteFontFile(dialog->FilePath(), dialog->skipBytes, dialog->bitLayout,
                      !dialog->subset || !dialog->codeTable                     ? CodeIndex::None
                      : CurrentDocument().array.codeTable == CodeIndex::Unicode ? CodeIndex::Unicode
                                                                                : CodeIndex::EucKr);
}

void CBrivoView::OnFontFileLoad() {
    if (!MayDiscardChanges()) return;
    if (auto dialog = AskForFile(true, ExtensionOf(FileForm::Binary), FilterOf(FileForm::Binary),
                                 FILE_KIND_BINARY))
        ReadFontFile(dialog->FilePath(), dialog->sizeX, dialog->sizeY, dialog->rangeId,
                     dialog->skipBytes, dialog->exceptUnused, dialog->bitLayout);
}

void CBrivoView::OnTextFileSave() {
    if (editPane) editPane->SettleEdit(false);
    WaitForExtraction();
    if (auto dialog = AskForFile(false, ExtensionOf(FileForm::CSource), FilterOf(FileForm::CSource),
                                 FILE_KIND_TEXT)) {
        arrayName = dialog->arrayName;
        TextArrayOptions array;
        array.name = arrayName.toStdString();
        if (dialog->subset && dialog->codeTable)
            array.codeTable = CurrentDocument().array.codeTable == CodeIndex::Unicode
                                  ? CodeIndex::Unicode
                                  : CodeIndex::EucKr;
        WriteTextFile(dialog->FilePath(), dialog->doubleArray, array, dialog->bitLayout);
    }
}

std::vector<const OutputForm*> ExportForms() {
    std::vector<const OutputForm*> forms;
    for (const OutputForm& form : OutputForms())
        if (form.form != FileForm::CSource && form.form != FileForm::Binary) forms.push_back(&form);
    return forms;
}

void CBrivoView::OnExport() {
    if (editPane) editPane->SettleEdit(false);
    WaitForExtraction();
    const std::vector<const OutputForm*> forms = ExportForms();
    auto dialog = AskForFile(false, forms.front()->types.front().extension,
                             QString::fromStdString(DialogFilter(forms)), FILE_KIND_EXPORT);
    if (!dialog) return;
    // The file type chosen decides: an LVGL font and C source are both .c files.
    const int chosen = dialog->nameFilters().indexOf(dialog->selectedNameFilter());
    const OutputForm& form = *forms[std::max(chosen, 0)];
    SaveOptions options;
    options.array.name = dialog->arrayName.toStdString();
    options.array.proportional = dialog->proportional != 0 && form.carries.metrics;
    ExportGlyphs(dialog->FilePath(), form, options);
}

int CBrivoView::ExportGlyphs(const QString& path, const OutputForm& form,
                             const SaveOptions& options) {
    WaitForExtraction();
    const Result result = RunFileWork(QStringLiteral("내보내는 중… %1").arg(path), [&] {
        return form.Write(glyphSet, LocalPath(path), options);
    });
    ReportFailure(result);
    if (result) ShowStatus(QStringLiteral("Exported %1 (%2)").arg(path, form.kind));
    return result ? 1 : 0;
}

void CBrivoView::OnExtractTextCharacters() {
    QFileDialog dialog(this, "Extract Characters of a Text File");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({"Text Files (*.txt)", "All Files (*)"});
    if (const QString folder = LastFolder(); !folder.isEmpty()) dialog.setDirectory(folder);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        KeepFolderOf(dialog.selectedFiles().first());
        ExtractTextCharacters(dialog.selectedFiles().first());
    }
}

int CBrivoView::ExtractTextCharacters(const QString& path) {
    if (!extractForm) return 0;
    CCharacterSubset subset;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ReportFailure(Result::Failure(
            ErrorKind::CannotOpen,
            "cannot open " + LocalPath(path) + ": " + file.errorString().toStdString(),
            LocalPath(path)));
        return 0;
    }
    const QByteArray bytes = file.readAll();
    const QString source = QFileInfo(path).fileName();
    if (const Result read = subset.AddText(bytes.toStdString(), source.toStdString()); !read) {
        // Korean text from Windows is mostly code page 949: offered to be read as such.
        const auto answer = QMessageBox::question(
            this, "Extract Characters",
            QStringLiteral("%1\n\n이 파일은 UTF-8 텍스트가 아닙니다. CP949(한글 Windows의 "
                           "인코딩)로 읽으시겠습니까?")
                .arg(path));
        if (answer != QMessageBox::Yes) return 0;
        subset = CCharacterSubset();
        const std::string utf8 = Cp949ToUtf8(bytes.toStdString());
        if (const Result again = subset.AddText(utf8, source.toStdString()); !again) {
            ReportFailure(again);
            return 0;
        }
    }
    if (!subset.Unmapped().empty()) {
        // Listed up to a screenful; the count tells the rest.
        constexpr std::size_t kListed = 20;
        QString list;
        for (std::size_t n = 0; n < subset.Unmapped().size() && n < kListed; ++n) {
            const UnmappedCharacter& u = subset.Unmapped()[n];
            list += QStringLiteral("%1줄 %2번째 글자: '%3' (U+%4)")
                        .arg(u.line)
                        .arg(u.column)
                        .arg(QString::fromUcs4(&u.character, 1))
                        .arg(QString::number(uint(u.character), 16)
                                 .toUpper()
                                 .rightJustified(4, QChar('0')));
            if (u.occurrences > 1) list += QStringLiteral(" (%1번)").arg(u.occurrences);
            list += "\n";
        }
        if (subset.Unmapped().size() > kListed) list += "...\n";
        const QString question = QString(
                                     "다음 %1개의 문자는 ASCII나 KS X 1001에 없습니다:\n\n%2\n"
                                     "나머지 문자를 추출하시겠습니까?")
                                     .arg(subset.Unmapped().size())
                                     .arg(list);
        if (QMessageBox::question(this, "Extract Characters", question) != QMessageBox::Yes)
            return 0;
    }
    if (subset.Count() == 0) {
        ShowError(this, QStringLiteral("추출할 글자가 없는 텍스트입니다.\n%1").arg(path));
        return 0;
    }
    return extractForm->ExtractCharacters(subset.Codes()) ? 1 : 0;
}

void CBrivoView::OnTextFileLoad() {
    if (!MayDiscardChanges()) return;
    if (auto dialog = AskForFile(true, ExtensionOf(FileForm::CSource), FilterOf(FileForm::CSource),
                                 FILE_KIND_TEXT))
        ReadTextFile(dialog->FilePath(), dialog->sizeX, dialog->sizeY, dialog->rangeId,
                     dialog->doubleArray, dialog->exceptUnused);
}

int CBrivoView::WriteGlyphs(const GlyphDocument& document, const std::function<Result()>& write) {
    WaitForExtraction();
    const Result result = RunFileWork(QStringLiteral("저장 중… %1").arg(document.file.path), write);
    ReportFailure(result);
    if (result) {
        FileDone(document);
        ShowStatus(QStringLiteral("Saved %1").arg(document.file.path));
    }
    return 1;
}

int CBrivoView::WriteFontFile(const QString& path, int32_t skipBytes, BitLayout layout,
                              CodeIndex codeTable) {
    GlyphDocument document{{path, FILE_KIND_BINARY, glyphSet.width, glyphSet.height, glyphSet.range,
                            skipBytes, 1, glyphSet.exceptUnused, layout},
                           {}};
    document.array.codeTable = codeTable;
    SaveOptions options;
    options.skip = skipBytes;
    options.layout = layout;
    options.array.codeTable = codeTable;
    return WriteGlyphs(document, [&] {
        return FormOf(FileForm::Binary).Write(glyphSet, LocalPath(path), options);
    });
}

int CBrivoView::WriteTextFile(const QString& path, int32_t doubleArray,
                              const TextArrayOptions& array, BitLayout layout) {
    const GlyphDocument document{{path, FILE_KIND_TEXT, glyphSet.width, glyphSet.height,
                                  glyphSet.range, 0, doubleArray, glyphSet.exceptUnused, layout},
                                 array};
    SaveOptions options;
    options.doubleArray = doubleArray != 0;
    options.array = array;
    options.layout = layout;
    return WriteGlyphs(document, [&] {
        return FormOf(FileForm::CSource).Write(glyphSet, LocalPath(path), options);
    });
}

int CBrivoView::ReadFontFile(const QString& path, int32_t width, int32_t height, CodeRange rangeId,
                             int32_t skipBytes, int32_t exceptUnused, BitLayout layout) {
    GlyphDocument document{
        {path, FILE_KIND_BINARY, width, height, rangeId, skipBytes, 1, exceptUnused, layout}, {}};
    return LoadGlyphs(document, [&](std::string& warning) {
        const Result read = brivo::ReadFontFile(glyphSet, LocalPath(path), width, height, rangeId,
                                                skipBytes, exceptUnused != 0, &warning, layout);
        if (!read) return read;
        CodeIndex kind = CodeIndex::None;
        const Result codes = ApplyCodeTable(glyphSet, LocalPath(path), warning, kind);
        // A Custom set keeps the codes, and a save writes them back in the table's own kind.
        glyphSet.keepsCodes = codes && rangeId == RANGE_CUSTOM && glyphSet.keepsCodes;
        if (glyphSet.keepsCodes) document.array.codeTable = kind;
        return codes;
    });
}

int CBrivoView::ReadTextFile(const QString& path, int32_t width, int32_t height, CodeRange rangeId,
                             int32_t doubleArray, int32_t exceptUnused) {
    if (const Result options = CheckLoadOptions(width, height, rangeId); !options) {
        ReportFailure(options);
        return 0;
    }
    GlyphDocument document;
    // The array form of the file itself, where it declares one, is the one to save back.
    document.file.doubleArray = doubleArray;
    if (!AgreeOnHeader(path, width, height, rangeId, exceptUnused, document)) return 0;
    document.file = {
        path,         FILE_KIND_TEXT,      width, height, rangeId, 0, document.file.doubleArray,
        exceptUnused, document.file.layout};
    return LoadGlyphs(document, [&](std::string& warning) {
        return brivo::ReadTextFile(glyphSet, LocalPath(path), width, height, rangeId,
                                   doubleArray != 0, exceptUnused != 0, false, &warning,
                                   document.file.layout);
    });
}

bool CBrivoView::AgreeOnHeader(const QString& path, int32_t& width, int32_t& height,
                               CodeRange& rangeId, int32_t& exceptUnused, GlyphDocument& document) {
    std::optional<TextFileHeader> header;
    if (const Result read = ReadTextFileHeader(LocalPath(path), header); !read) {
        ReportFailure(read);
        return false;
    }
    // The editor draws and edits 1-bit pixels: a grey font would lose its greys on the first
    // edit or save.
    if (header && header->layout.bpp > 1) {
        ReportFailure(Result::Failure(
            LocalPath(path) + ": its glyphs have " + std::to_string(header->layout.bpp) +
            " bits per pixel (anti-aliased), and the editor edits 1-bit glyphs; brivo-cli "
            "previews and converts them"));
        return false;
    }
    if (header) document.file.layout = header->layout;
    document.array = ArrayOptionsOf(path, document.file.doubleArray);
    auto describe = [](int32_t w, int32_t h, CodeRange range, bool except) {
        return QStringLiteral("%1 x %2, %3")
            .arg(w)
            .arg(h)
            .arg(QString::fromStdString(RangeName(range, except, true)));
    };
    // A header that contradicts the array below it cannot be trusted either way: read as
    // given, or not at all.
    if (header && !HeaderContradiction(*header).empty()) {
        const QString question =
            QStringLiteral(
                "%1\n\n파일 머리와 배열 선언이 서로 맞지 않습니다.\n%2\n\n"
                "지정한 값(%3)으로 불러오시겠습니까?\n예: 지정한 대로, 아니요: 불러오지 않음")
                .arg(path, HeaderContradictionText(*header),
                     describe(width, height, rangeId, exceptUnused != 0));
        return QMessageBox::question(this, "Text File Load", question,
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    }
    const std::string mismatch =
        header ? HeaderMismatch(*header, width, height, rangeId, exceptUnused != 0) : "";
    if (mismatch.empty()) return true;
    const QString question =
        QStringLiteral(
            "%1\n\n파일 머리에 적힌 값: %2\n지정한 값: %3\n\n"
            "파일에 적힌 크기와 범위로 불러오시겠습니까?\n"
            "예: 파일에 적힌 대로, 아니요: 지정한 대로, 취소: 불러오지 않음")
            .arg(path, describe(header->width, header->height, header->range, header->exceptUnused),
                 describe(width, height, rangeId, exceptUnused != 0));
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

int CBrivoView::LoadGlyphs(const GlyphDocument& document,
                           const std::function<Result(std::string& warning)>& read) {
    const RecentFile& file = document.file;
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
    const Result result = RunFileWork(QStringLiteral("읽는 중… %1").arg(document.file.path),
                                      [&] { return read(warning); });
    ReportFailure(result);
    if (result && extractForm && extractForm->FontList()->selectedIndex >= glyphSet.Count())
        extractForm->FontList()->selectedIndex = -1;
    if (result) {
        const int selectionAfter = extractForm ? extractForm->FontList()->selectedIndex : -1;
        history.Record(file.kind == FILE_KIND_BINARY ? kFontLoadName : kTextLoadName,
                       OneCommand(std::move(replace)), {selection},
                       {selectionAfter, {}, false, kNoDocument});
        FileDone(document);
        if (extractForm) extractForm->ShowSetRange();
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
