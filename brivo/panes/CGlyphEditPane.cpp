#include "panes/CGlyphEditPane.h"

#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "evalayout/CEvaLayout.h"
#include "glyph/Cp949.h"
#include "glyph/GlyphCommands.h"
#include "glyph/GlyphSet.h"
#include "panes/CGlyphCanvas.h"
#include "panes/CGlyphUndoStack.h"
#include "panes/PaneId.h"
#include "panes/PaneLayouts.h"
#include "widgets/CImageButton.h"
#include "widgets/PaneMessage.h"

namespace brivo {

namespace {

constexpr int kPreviewGap = 5;  // pixels between the zoom slider and the preview, and
                                // between a preview wider than the tools and the surface

const char* const kModifiedQuestion = "Font가 변경되었습니다. Update를 하시겠습니까?";

// The names of the editor's steps in the Edit menu ("실행 취소 좌우 뒤집기").
const char* const kPenStep = "펜으로 그리기";
const char* const kEraserStep = "지우개로 지우기";
const char* const kUpdateStep = "글리프에 반영";
const char* const kResetStep = "편집 되돌리기";

// The column line of the layout with the outer tool columns (1 and 6) widened where a
// captioned button needs more room in this font than its columns 1-3 or 4-6 give it.
std::string FittedColumns(int needLeft, int needRight) {
    const EvaSheet sheet("columns", kGlyphEditLayout[0]);
    const int gap = std::atoi(sheet.Cell(0, 3).c_str());
    EvaSheet columns("columns", kGlyphEditLayout[1]);
    std::vector<std::string> cells(columns.Rows()[0]);
    auto width = [&](int column) { return std::atoi(cells[column + 1].c_str()); };
    const int extraLeft = needLeft - (width(1) + width(2) + width(3) + 2 * gap);
    const int extraRight = needRight - (width(4) + width(5) + width(6) + 2 * gap);
    if (extraLeft > 0) cells[2] = std::to_string(width(1) + extraLeft);
    if (extraRight > 0) cells[7] = std::to_string(width(6) + extraRight);
    std::string line;
    for (const std::string& cell : cells) line += cell + ",";
    return line;
}

}  // namespace

CGlyphEditPane::CGlyphEditPane(CGlyphSet& glyphSet, QWidget* parent)
    : QWidget(parent), glyphSet(glyphSet) {
    MarkPane(this, kPaneId);

    canvas = new CGlyphCanvas;
    canvas->setProperty("controlId", ID_CANVAS);
    surface = new QScrollArea(this);
    surface->setFrameShape(QFrame::NoFrame);
    surface->setWidget(canvas);  // sized by SizeCanvas, not by the scroll area
    QPalette ground = surface->viewport()->palette();
    ground.setColor(QPalette::Window, QColor(CGlyphCanvas::kGroundColour));
    surface->viewport()->setPalette(ground);
    connect(canvas, &CGlyphCanvas::ZoomWheel, this, &CGlyphEditPane::ZoomAt);
    // The keyboard draws on the canvas itself; the surface only scrolls to its cursor.
    canvas->setFocusPolicy(Qt::StrongFocus);
    surface->setFocusPolicy(Qt::NoFocus);
    connect(canvas, &CGlyphCanvas::CursorMoved, this, [this](QRect cell) {
        surface->ensureVisible(cell.center().x(), cell.center().y(), cell.width(), cell.height());
    });
    connect(canvas, &CGlyphCanvas::KeyEdit, this,
            [this](const std::vector<uint8_t>& before, bool modifiedBefore, bool ink) {
                RecordCanvasStep(ink ? "Pen" : "Eraser", {currentIndex, before, modifiedBefore});
            });
    // Anywhere in the window: the zoom is the editor's whichever pane has the keyboard.
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), this, this, &CGlyphEditPane::FitZoom,
                  Qt::WindowShortcut);
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
        if (!fitting) fitZoom = false;
        canvas->SetCellSize(cellSize);
        SizeCanvas();
        canvas->update();
    });

    layout = new CEvaLayout(this);
    layout->BindWidget("fontinfo", label);
    layout->BindWidget("fontctrl", surface);
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
         [](CGlyphCanvas& c) { c.Mirror(MIRROR_HORIZONTAL); }, "좌우 뒤집기"},
        {"mirrorv", ID_MIRROR_V, "Ver Mirror", 148,
         [](CGlyphCanvas& c) { c.Mirror(MIRROR_VERTICAL); }, "상하 뒤집기"},
    };
    CImageButton* mirrorH = nullptr;
    CImageButton* mirrorV = nullptr;
    for (const auto& each : edits) {
        CImageButton* button = AddButton(each.name, each.id, each.caption, each.bitmap);
        connect(button, &CImageButton::clicked, this,
                [this, edit = each.edit, stepName = QString::fromUtf8(each.stepName)] {
                    const GlyphViewState before = CanvasState();
                    edit(*canvas);
                    canvas->update();
                    RecordCanvasStep(stepName, before);
                });
        if (each.id == ID_MIRROR_H) mirrorH = button;
        if (each.id == ID_MIRROR_V) mirrorV = button;
    }
    connect(AddButton("update", ID_UPDATE, "Update", 144), &CImageButton::clicked, this,
            &CGlyphEditPane::OnUpdate);
    connect(AddButton("reset", ID_RESET, "Reset", 147), &CImageButton::clicked, this,
            &CGlyphEditPane::OnReset);

    // Tab goes as the eye does: the tools from the top, the zoom under them, then the canvas.
    QWidget* previous = nullptr;
    for (const int id : std::initializer_list<int>{ID_PEN, ID_ERASER, ID_UP, ID_LEFT, ID_RIGHT,
                                                   ID_DOWN, ID_MIRROR_H, ID_MIRROR_V, ID_UPDATE,
                                                   ID_RESET, ID_ZOOM, ID_CANVAS}) {
        QWidget* next = nullptr;
        for (QWidget* child : findChildren<QWidget*>())
            if (child->property("controlId").toInt() == id) next = child;
        if (previous != nullptr && next != nullptr) setTabOrder(previous, next);
        if (next != nullptr) previous = next;
    }

    sheets.AddSheet(EvaSheet("first"));
    EvaSheet& sheet = sheets.FindSheet("first");
    // The captioned tool buttons get the width their captions need in this font.
    const int needLeft = std::max(pen->sizeHint().width(), mirrorH->sizeHint().width());
    const int needRight = std::max(eraser->sizeHint().width(), mirrorV->sizeHint().width());
    for (const char* line : kGlyphEditLayout)
        sheet.AddRow(line == kGlyphEditLayout[1] ? FittedColumns(needLeft, needRight) : line);
    CheckLayoutsLoaded(sheets, this);
    layout->SetSheet(sheets.SheetAt(0));
}

CImageButton* CGlyphEditPane::AddButton(const char* layoutName, int id, const char* caption,
                                        int bitmap) {
    auto* button = new CImageButton(QString::fromUtf8(caption), CImageButton::BUTTON_PUSH, this);
    button->setProperty("controlId", id);
    button->SetBitmaps(bitmap);
    button->SetFlatFocus(true);  // the keyboard's place shows on every tool
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
    Arrange();
}

void CGlyphEditPane::Arrange() {
    layout->Resize(width(), height());
    PlacePreview();
    // A preview wider than the tool column takes room from the drawing surface, never from
    // the tools.
    QRect room = surface->geometry();
    room.setLeft(std::max(room.left(), preview->geometry().right() + 1 + kPreviewGap));
    surface->setGeometry(room.normalized());
    if (fitZoom) {
        fitting = true;
        zoom->setValue(FitCellSize());
        fitting = false;
    }
    SizeCanvas();  // also when the zoom stayed: the room may have changed
}

void CGlyphEditPane::PlacePreview() {
    // Centred under the zoom slider; one wider than the slider starts at its left edge.
    const QRect slider = zoom->geometry();
    const int previewWidth = preview->BitmapWidth();
    preview->setGeometry(slider.x() + std::max(0, (slider.width() - previewWidth) / 2),
                         slider.y() + slider.height() + kPreviewGap, previewWidth,
                         preview->BitmapHeight());
}

int CGlyphEditPane::FitCellSize() const {
    const QSize room = surface->maximumViewportSize();
    const int cells =
        std::min(room.width() / canvas->BitmapWidth(), room.height() / canvas->BitmapHeight());
    return std::clamp(cells, kMinZoom, kMaxZoom);
}

void CGlyphEditPane::SizeCanvas() {
    const QSize grid = canvas->GridSize();
    const QSize whole = surface->maximumViewportSize();
    const int barWidth = surface->verticalScrollBar()->sizeHint().width();
    const int barHeight = surface->horizontalScrollBar()->sizeHint().height();
    // A scroll bar in one direction takes room from the other, which may then need one too.
    QSize room = whole;
    for (int pass = 0; pass < 2; ++pass) {
        if (grid.width() > room.width()) room.setHeight(whole.height() - barHeight);
        if (grid.height() > room.height()) room.setWidth(whole.width() - barWidth);
    }
    canvas->resize(grid.expandedTo(room));
}

void CGlyphEditPane::ZoomAt(int notches, QPoint at) {
    const QRect before = canvas->DrawRect();
    const QPointF glyphPoint = QPointF(at - before.topLeft()) / canvas->CellSize();
    const QPoint inView = canvas->mapTo(surface->viewport(), at);
    zoom->setValue(zoom->value() + notches);
    const QRect after = canvas->DrawRect();
    surface->horizontalScrollBar()->setValue(
        after.left() + qRound(glyphPoint.x() * canvas->CellSize()) - inView.x());
    surface->verticalScrollBar()->setValue(
        after.top() + qRound(glyphPoint.y() * canvas->CellSize()) - inView.y());
}

void CGlyphEditPane::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) return QWidget::wheelEvent(event);
    wheelRest += event->angleDelta().y();
    const int notches = wheelRest / 120;
    wheelRest -= notches * 120;
    const QRect shown = surface->viewport()->rect();
    if (notches != 0) ZoomAt(notches, canvas->mapFrom(surface->viewport(), shown.center()));
    event->accept();
}

void CGlyphEditPane::FitZoom() {
    fitZoom = true;
    Arrange();
}

void CGlyphEditPane::FocusCanvas() { canvas->setFocus(Qt::OtherFocusReason); }

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
        RecordCanvasStep(QString::fromUtf8(pen ? kPenStep : kEraserStep),
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
    const QSize shown(canvas->BitmapWidth(), canvas->BitmapHeight());
    if (!LoadGlyph(canvas, currentIndex)) {
        canvas->ClearBits();
        canvas->update();
        return -1;
    }
    LoadGlyph(preview, currentIndex);
    // A glyph of another size (a new extraction or file) is fitted to the room again.
    if (QSize(canvas->BitmapWidth(), canvas->BitmapHeight()) != shown) fitZoom = true;
    Arrange();
    ShowLabel(currentIndex);
    return 0;
}

bool CGlyphEditPane::LoadGlyph(CGlyphCanvas* target, int position) const {
    const CGlyph* glyph = glyphSet.GlyphAt(position);
    if (glyph == nullptr || glyphSet.width <= 0 || glyphSet.height <= 0) return false;
    target->SetBitmapSize(glyphSet.width, glyphSet.height);
    if (glyph->bits != nullptr) {
        target->LoadBits(glyph->bits.get());
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
        undoStack, QString::fromUtf8(kUpdateStep),
        OneCommand(std::make_unique<CSetGlyphBits>(glyphSet, currentIndex, canvas->Bits())), before,
        CanvasState());
    PostToOwner(this, WM_GLYPHS_CHANGED, RELAY_CHANGED_FORM, currentIndex);
}

void CGlyphEditPane::OnReset() {
    const GlyphViewState before = CanvasState();
    if (!LoadGlyph(canvas, currentIndex)) return;
    ShowLabel(currentIndex);
    if (before.canvasModified) RecordCanvasStep(QString::fromUtf8(kResetStep), before);
}

void CGlyphEditPane::ShowLabel(int position) {
    labelText = QString::fromStdString(Cp949ToUtf8(glyphSet.GetLabel(position)));
    label->setText(labelText);
}

}  // namespace brivo
