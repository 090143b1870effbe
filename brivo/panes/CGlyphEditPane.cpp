#include "panes/CGlyphEditPane.h"

#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSlider>
#include <climits>

#include "evalayout/CEvaLayout.h"
#include "glyph/Cp949.h"
#include "glyph/GlyphCommands.h"
#include "glyph/GlyphSet.h"
#include "panes/CGlyphCanvas.h"
#include "panes/CGlyphUndoStack.h"
#include "panes/PaneId.h"
#include "panes/PaneLayouts.h"
#include "shell/CImageButton.h"
#include "shell/PaneMessage.h"

namespace brivo {

namespace {

constexpr int kPreviewGap = 5;  // pixels between the zoom slider and the preview

const char* const kModifiedQuestion = "Font가 변경되었습니다. Update를 하시겠습니까?";

}  // namespace

CGlyphEditPane::CGlyphEditPane(CGlyphSet& glyphSet, QWidget* parent)
    : QWidget(parent), glyphSet(glyphSet) {
    MarkPane(this, kPaneId);

    canvas = new CGlyphCanvas(this);
    canvas->setProperty("controlId", ID_CANVAS);
    preview = new CGlyphCanvas(this);
    preview->setProperty("controlId", ID_PREVIEW);
    preview->SetCellSize(1);
    // The preview shows the glyph as selected; edits belong on the canvas only.
    preview->setAttribute(Qt::WA_TransparentForMouseEvents);
    canvas->installEventFilter(this);
    label = new QLabel(this);
    label->setProperty("controlId", ID_LABEL);
    label->setAlignment(Qt::AlignCenter);
    zoom = new QSlider(Qt::Horizontal, this);
    zoom->setProperty("controlId", ID_ZOOM);
    zoom->setRange(kMinZoom, kMaxZoom);
    zoom->setPageStep(5);
    zoom->setValue(canvas->CellSize());
    connect(zoom, &QSlider::valueChanged, this, [this](int cellSize) {
        canvas->SetCellSize(cellSize);
        canvas->update();
    });

    layout = new CEvaLayout(this);
    layout->BindWidget("fontinfo", label);
    layout->BindWidget("fontctrl", canvas);
    layout->BindWidget("zoom", zoom);

    pen = AddButton("pen", ID_PEN, "Pen", 146);
    eraser = AddButton("eraser", ID_ERASER, "Eraser", 145);
    pen->SetButtonType(CImageButton::BUTTON_AUTO_RADIO);
    eraser->SetButtonType(CImageButton::BUTTON_AUTO_RADIO);
    connect(pen, &CImageButton::clicked, this, [this] { SelectTool(CGlyphCanvas::DRAW_PEN); });
    connect(eraser, &CImageButton::clicked, this,
            [this] { SelectTool(CGlyphCanvas::DRAW_ERASER); });
    SelectTool(canvas->drawMode);

    // The buttons that change the bitmap in place, with the name of their step.
    const struct {
        const char* name;
        int id;
        const char* caption;
        int bitmap;
        void (*edit)(CGlyphCanvas&);
        const char* stepName;
    } edits[] = {
        {"up", ID_UP, "", 141, [](CGlyphCanvas& c) { c.Shift(SHIFT_UP); }, "위로 밀기"},
        {"down", ID_DOWN, "", 142, [](CGlyphCanvas& c) { c.Shift(SHIFT_DOWN); }, "아래로 밀기"},
        {"left", ID_LEFT, "", 140, [](CGlyphCanvas& c) { c.Shift(SHIFT_LEFT); }, "왼쪽으로 밀기"},
        {"right", ID_RIGHT, "", 143, [](CGlyphCanvas& c) { c.Shift(SHIFT_RIGHT); },
         "오른쪽으로 밀기"},
        {"mirrorh", ID_MIRROR_H, "Hor Mirror", 149,
         [](CGlyphCanvas& c) { c.Mirror(MIRROR_HORIZONTAL); }, "Hor Mirror"},
        {"mirrorv", ID_MIRROR_V, "Ver Mirror", 148,
         [](CGlyphCanvas& c) { c.Mirror(MIRROR_VERTICAL); }, "Ver Mirror"},
    };
    for (const auto& each : edits) {
        connect(AddButton(each.name, each.id, each.caption, each.bitmap), &CImageButton::clicked,
                this, [this, edit = each.edit, stepName = QString::fromUtf8(each.stepName)] {
                    const GlyphViewState before = CanvasState();
                    edit(*canvas);
                    canvas->update();
                    RecordCanvasStep(stepName, before);
                });
    }
    connect(AddButton("update", ID_UPDATE, "Update", 144), &CImageButton::clicked, this,
            &CGlyphEditPane::OnUpdate);
    connect(AddButton("reset", ID_RESET, "Reset", 147), &CImageButton::clicked, this,
            &CGlyphEditPane::OnReset);

    sheets.AddSheet(EvaSheet("first"));
    EvaSheet& sheet = sheets.FindSheet("first");
    for (const char* line : kGlyphEditLayout) sheet.AddRow(line);
    CheckLayoutsLoaded(sheets, this);
    layout->SetSheet(sheets.SheetAt(0));
}

CImageButton* CGlyphEditPane::AddButton(const char* layoutName, int id, const char* caption,
                                        int bitmap) {
    auto* button = new CImageButton(QString::fromUtf8(caption), CImageButton::BUTTON_PUSH, this);
    button->setProperty("controlId", id);
    button->SetBitmaps(bitmap);
    layout->BindWidget(layoutName, button);
    return button;
}

void CGlyphEditPane::SelectTool(int drawMode) {
    canvas->drawMode = drawMode;
    pen->SetCheck(drawMode == CGlyphCanvas::DRAW_PEN);
    eraser->SetCheck(drawMode == CGlyphCanvas::DRAW_ERASER);
}

bool CGlyphEditPane::event(QEvent* event) {
    if (CPaneMessage* message = AsPaneMessage(event);
        message && message->Message() == WM_GLYPH_NOTIFY) {
        message->result = OnGlyphNotify(message->lParam);
        return true;
    }
    return QWidget::event(event);
}

void CGlyphEditPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layout->Resize(width(), height());
    PlacePreview();
}

void CGlyphEditPane::PlacePreview() {
    const QRect slider = zoom->geometry();
    const int previewWidth = preview->BitmapWidth();
    const int right = slider.x() + slider.width();
    preview->setGeometry((right - previewWidth - slider.x()) / 2 + slider.x(),
                         slider.y() + slider.height() + kPreviewGap, previewWidth,
                         preview->BitmapHeight());
}

bool CGlyphEditPane::eventFilter(QObject* watched, QEvent* event) {
    // A mouse stroke, from press to release, is one step.
    if (watched == canvas && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->buttons() == static_cast<QMouseEvent*>(event)->button()) {
        strokeStart = canvas->Bits();
        strokeModified = canvas->modified;
    } else if (watched == canvas && event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton &&
               !strokeStart.empty()) {
        const bool pen = (canvas->drawMode == CGlyphCanvas::DRAW_PEN) ==
                         (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton);
        RecordCanvasStep(pen ? "Pen" : "Eraser",
                         {currentIndex, std::exchange(strokeStart, {}), strokeModified});
    }
    return QWidget::eventFilter(watched, event);
}

GlyphViewState CGlyphEditPane::CanvasState() const {
    return {currentIndex, canvas->Bits(), canvas->modified};
}

void CGlyphEditPane::RecordCanvasStep(const QString& text, const GlyphViewState& before) {
    if (undoStack == nullptr || !CanWriteBack(currentIndex) || before.canvas == canvas->Bits())
        return;
    undoStack->Record(text, {}, before, CanvasState());
}

void CGlyphEditPane::SettleEdit(bool discardOnNo) {
    if (!canvas->modified || !CanWriteBack(currentIndex)) return;
    QMessageBox question(QMessageBox::Warning, "Brivo", QString::fromUtf8(kModifiedQuestion),
                         QMessageBox::Yes | QMessageBox::No, this);
    if (question.exec() == QMessageBox::Yes)
        OnUpdate();
    else if (discardOnNo)
        OnReset();
}

int CGlyphEditPane::OnGlyphNotify(intptr_t position) {
    SettleEdit(true);
    return ShowGlyph(position >= 0 && position <= INT_MAX ? static_cast<int>(position) : -1);
}

void CGlyphEditPane::ShowState(const GlyphViewState& state) {
    if (ShowGlyph(state.selection) < 0 || state.canvas.size() != canvas->Bits().size()) return;
    canvas->LoadBits(state.canvas.data());
    canvas->modified = state.canvasModified;
}

int CGlyphEditPane::ShowGlyph(int position) {
    currentIndex = position;
    if (!LoadGlyph(canvas, currentIndex)) {
        canvas->ClearBits();
        canvas->update();
        return -1;
    }
    LoadGlyph(preview, currentIndex);
    PlacePreview();
    ShowLabel(currentIndex);
    return 0;
}

bool CGlyphEditPane::LoadGlyph(CGlyphCanvas* target, int position) const {
    const CGlyph* glyph = glyphSet.GlyphAt(position);
    if (glyph == nullptr || glyphSet.width <= 0 || glyphSet.height <= 0) return false;
    target->SetBitmapSize(glyphSet.width, glyphSet.height);
    if (glyph->bits != nullptr) {
        target->LoadBits(glyph->bits);
    } else {
        target->ClearBits();
    }
    target->update();
    return true;
}

bool CGlyphEditPane::CanWriteBack(int position) const {
    // After the set changed its glyph size the edit no longer fits any glyph of it.
    return glyphSet.GlyphAt(position) != nullptr && glyphSet.width == canvas->BitmapWidth() &&
           glyphSet.height == canvas->BitmapHeight();
}

void CGlyphEditPane::OnUpdate() {
    if (!CanWriteBack(currentIndex)) return;
    const GlyphViewState before = CanvasState();
    canvas->modified = false;
    // A glyph that lost its bitmap gets a new one, so the edit is not dropped.
    RunGlyphCommands(
        undoStack, "Update",
        OneCommand(std::make_unique<CSetGlyphBits>(glyphSet, currentIndex, canvas->Bits())), before,
        CanvasState());
    PostToOwner(this, WM_GLYPHS_CHANGED, RELAY_CHANGED_FORM, currentIndex);
}

void CGlyphEditPane::OnReset() {
    const GlyphViewState before = CanvasState();
    if (!LoadGlyph(canvas, currentIndex)) return;
    ShowLabel(currentIndex);
    if (before.canvasModified) RecordCanvasStep("Reset", before);
}

void CGlyphEditPane::ShowLabel(int position) {
    labelText = QString::fromStdString(Cp949ToUtf8(glyphSet.GetLabel(position)));
    label->setText(labelText);
}

}  // namespace brivo
