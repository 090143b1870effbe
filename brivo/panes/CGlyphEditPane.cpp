#include "panes/CGlyphEditPane.h"

#include <QLabel>
#include <QMessageBox>
#include <QSlider>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "evalayout/CEvaLayout.h"
#include "glyph/Cp949.h"
#include "glyph/GlyphCommands.h"
#include "glyph/GlyphSet.h"
#include "panes/CGlyphCanvas.h"
#include "panes/PaneId.h"
#include "panes/PaneLayouts.h"
#include "shell/CImageButton.h"
#include "shell/PaneMessage.h"

namespace brivo {

namespace {

constexpr int kPreviewGap = 5;  // pixels between the zoom slider and the preview

const char* const kModifiedQuestion = "Font가 변경되었습니다. Update를 하시겠습니까?";

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

    canvas = new CGlyphCanvas(this);
    canvas->setProperty("controlId", ID_CANVAS);
    preview = new CGlyphCanvas(this);
    preview->setProperty("controlId", ID_PREVIEW);
    preview->SetCellSize(1);
    // The preview shows the glyph as selected; edits belong on the canvas only.
    preview->setAttribute(Qt::WA_TransparentForMouseEvents);
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

    // The buttons that change the bitmap in place.
    const struct {
        const char* name;
        int id;
        const char* caption;
        int bitmap;
        void (*edit)(CGlyphCanvas&);
    } edits[] = {
        {"up", ID_UP, "", 141, [](CGlyphCanvas& c) { c.Shift(SHIFT_UP); }},
        {"down", ID_DOWN, "", 142, [](CGlyphCanvas& c) { c.Shift(SHIFT_DOWN); }},
        {"left", ID_LEFT, "", 140, [](CGlyphCanvas& c) { c.Shift(SHIFT_LEFT); }},
        {"right", ID_RIGHT, "", 143, [](CGlyphCanvas& c) { c.Shift(SHIFT_RIGHT); }},
        {"mirrorh", ID_MIRROR_H, "Hor Mirror", 149,
         [](CGlyphCanvas& c) { c.Mirror(MIRROR_HORIZONTAL); }},
        {"mirrorv", ID_MIRROR_V, "Ver Mirror", 148,
         [](CGlyphCanvas& c) { c.Mirror(MIRROR_VERTICAL); }},
    };
    CImageButton* mirrorH = nullptr;
    CImageButton* mirrorV = nullptr;
    for (const auto& each : edits) {
        CImageButton* button = AddButton(each.name, each.id, each.caption, each.bitmap);
        connect(button, &CImageButton::clicked, this, [this, edit = each.edit] {
            edit(*canvas);
            canvas->update();
        });
        if (each.id == ID_MIRROR_H) mirrorH = button;
        if (each.id == ID_MIRROR_V) mirrorV = button;
    }
    connect(AddButton("update", ID_UPDATE, "Update", 144), &CImageButton::clicked, this,
            &CGlyphEditPane::OnUpdate);
    connect(AddButton("reset", ID_RESET, "Reset", 147), &CImageButton::clicked, this,
            &CGlyphEditPane::OnReset);

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

int CGlyphEditPane::OnGlyphNotify(intptr_t position) {
    if (canvas->modified && CanWriteBack(currentIndex)) {
        QMessageBox question(QMessageBox::Warning, "Brivo", QString::fromUtf8(kModifiedQuestion),
                             QMessageBox::Yes | QMessageBox::No, this);
        if (question.exec() == QMessageBox::Yes) OnUpdate();
    }
    currentIndex = position >= 0 && position <= INT_MAX ? static_cast<int>(position) : -1;
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
    // A glyph that lost its bitmap gets a new one, so the edit is not dropped.
    CSetGlyphBits(glyphSet, currentIndex, canvas->Bits()).Do();
    PostToOwner(this, WM_GLYPHS_CHANGED, RELAY_CHANGED_FORM, currentIndex);
    canvas->modified = false;
}

void CGlyphEditPane::OnReset() {
    if (!LoadGlyph(canvas, currentIndex)) return;
    ShowLabel(currentIndex);
}

void CGlyphEditPane::ShowLabel(int position) {
    labelText = QString::fromStdString(Cp949ToUtf8(glyphSet.GetLabel(position)));
    label->setText(labelText);
}

}  // namespace brivo
