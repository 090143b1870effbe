#include "shell/CBrivoView.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTimer>
#include <optional>

#include "fontfile/BinaryFontFile.h"
#include "fontfile/TextFontReader.h"
#include "fontfile/TextFontWriter.h"
#include "glyph/GlyphSet.h"
#include "panes/CExtractForm.h"
#include "panes/CFontList.h"
#include "panes/CGlyphEditPane.h"
#include "panes/CGlyphInfoPane.h"
#include "shell/CPaneSplitter.h"
#include "shell/ErrorMessages.h"
#include "shell/PaneMessage.h"

namespace brivo {

namespace {

constexpr char kBinaryFilter[] = "FNT File (*.fnt)|*.fnt|All Files(*.*)|*.*||";
constexpr char kTextFilter[] = "Header File (*.h)|*.h|CPP File (*.cpp)|*.cpp|All Files(*.*)|*.*||";

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

CBrivoView::CBrivoView(CGlyphSet& glyphSet, QWidget* parent) : QWidget(parent), glyphSet(glyphSet) {
    setObjectName("CBrivoView");
}

CBrivoView::~CBrivoView() {
    if (extractForm) extractForm->StopExtraction();
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
                          editPane, infoPane, kInnerSplitterId, client, kMinFirst, kMinSecond);
    outerSplitter = new CPaneSplitter(this);
    outerSplitter->Create(
        CPaneSplitter::SPLIT_VISIBLE | CPaneSplitter::SPLIT_BORDER | CPaneSplitter::SPLIT_VERTICAL,
        this, innerSplitter, extractForm, kOuterSplitterId, client, kMinFirst, kMinSecond);
    outerSplitter->show();
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
    if (dialog->exec() != QDialog::Accepted || dialog->FilePath().isEmpty()) return nullptr;
    return dialog;
}

void CBrivoView::OnFontFileSave() {
    WaitForExtraction();
    if (auto dialog = AskForFile(false, "fnt", kBinaryFilter, FILE_KIND_BINARY))
        WriteFontFile(dialog->FilePath(), dialog->skipBytes);
}

void CBrivoView::OnFontFileLoad() {
    if (auto dialog = AskForFile(true, "fnt", kBinaryFilter, FILE_KIND_BINARY))
        ReadFontFile(dialog->FilePath(), dialog->sizeX, dialog->sizeY, dialog->rangeId,
                     dialog->skipBytes, dialog->exceptUnused);
}

void CBrivoView::OnTextFileSave() {
    WaitForExtraction();
    if (auto dialog = AskForFile(false, "h", kTextFilter, FILE_KIND_TEXT))
        WriteTextFile(dialog->FilePath(), dialog->doubleArray);
}

void CBrivoView::OnTextFileLoad() {
    if (auto dialog = AskForFile(true, "h", kTextFilter, FILE_KIND_TEXT))
        ReadTextFile(dialog->FilePath(), dialog->sizeX, dialog->sizeY, dialog->rangeId,
                     dialog->doubleArray, dialog->exceptUnused);
}

int CBrivoView::WriteFontFile(const QString& path, int32_t skipBytes) {
    WaitForExtraction();
    ReportFailure(brivo::WriteFontFile(glyphSet, LocalPath(path), skipBytes));
    return 1;
}

int CBrivoView::WriteTextFile(const QString& path, int32_t doubleArray) {
    WaitForExtraction();
    ReportFailure(brivo::WriteTextFile(glyphSet, LocalPath(path), doubleArray != 0));
    return 1;
}

int CBrivoView::ReadFontFile(const QString& path, int32_t width, int32_t height, CodeRange rangeId,
                             int32_t skipBytes, int32_t exceptUnused) {
    return LoadGlyphs(width, height, rangeId, [&](std::string& warning) {
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
    return LoadGlyphs(width, height, rangeId, [&](std::string& warning) {
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

int CBrivoView::LoadGlyphs(int32_t width, int32_t height, CodeRange rangeId,
                           const std::function<Result(std::string& warning)>& read) {
    if (const Result options = CheckLoadOptions(width, height, rangeId); !options) {
        ReportFailure(options);
        return 0;
    }
    if (extractForm) extractForm->StopExtraction();
    // The panes let go of the selected glyph before the set changes.
    OnRelay(RELAY_NOTIFY_PANES, -1);
    std::string warning;
    const Result result = read(warning);
    ReportFailure(result);
    if (result && !warning.empty())
        if (auto* frame = qobject_cast<QMainWindow*>(window()))
            frame->statusBar()->showMessage(QString::fromStdString(warning));
    if (result && extractForm &&
        extractForm->FontList()->selectedIndex >= glyphSet.Count())
        extractForm->FontList()->selectedIndex = -1;
    // Also after a failure: the set is as it was, and the panes show the selection again.
    PostPaneMessage(this, WM_GLYPHS_CHANGED, RELAY_CHANGED_FORM, -1);
    return result ? 1 : 0;
}

// Waits with the window responsive until no extraction runs. The window stays usable
// meanwhile, so "Font 추출" may start a new run: the wait only ends when none runs.
void CBrivoView::WaitForExtraction() {
    if (!extractForm || !extractForm->Running()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    while (extractForm->Running()) {
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (!extractForm->Running()) loop.quit();
        });
        poll.start(20);
        loop.exec();
    }
    QApplication::restoreOverrideCursor();
}

void CBrivoView::ReportFailure(const Result& result) { ShowError(this, result); }

void CBrivoView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (outerSplitter) outerSplitter->setGeometry(rect());
}

}  // namespace brivo
