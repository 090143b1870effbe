#include "panes/CGlyphCanvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "glyph/GlyphBitmap.h"

namespace brivo {

CGlyphCanvas::CGlyphCanvas(QWidget* parent)
    : QWidget(parent), bits(static_cast<size_t>(BytesPerGlyph(width, height))) {}

void CGlyphCanvas::SetBitmapSize(int newWidth, int newHeight) {
    if (newWidth <= 0 || newHeight <= 0) return;
    if (newWidth != width || newHeight != height) {
        width = newWidth;
        height = newHeight;
        bits.assign(static_cast<size_t>(BytesPerGlyph(width, height)), 0);
    }
    drawRect = QRect();
}

void CGlyphCanvas::LoadBits(const uint8_t* source) {
    if (source == nullptr) return;
    std::copy_n(source, bits.size(), bits.begin());
    modified = false;
}

void CGlyphCanvas::ClearBits() {
    Bitmap().Clear();
    modified = false;
}

void CGlyphCanvas::SetCellSize(int n) {
    if (n < 1) return;
    cellSize = n;
    drawRect = QRect();
}

int CGlyphCanvas::GetCell(int x, int y) const { return View().Pixel(x, y) ? 1 : 0; }

void CGlyphCanvas::SetCell(int x, int y, int value) {
    if (!View().Contains(x, y)) return;
    Bitmap().SetPixel(x, y, value != 0);
    modified = true;
}

void CGlyphCanvas::Shift(ShiftDirection direction) {
    Bitmap().Shift(direction);
    modified = true;
}

void CGlyphCanvas::Mirror(MirrorAxis axis) {
    Bitmap().Mirror(axis);
    modified = true;
}

QRect CGlyphCanvas::DrawRect() {
    if (drawRect.isEmpty()) {
        const int gridWidth = width * cellSize;
        const int gridHeight = height * cellSize;
        drawRect = QRect((QWidget::width() - gridWidth) / 2, (QWidget::height() - gridHeight) / 2,
                         gridWidth, gridHeight);
    }
    return drawRect;
}

void CGlyphCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(kGroundColour));
    const QRect grid = DrawRect();
    // From cell size 2 up, a one-pixel gap on the right and bottom of each cell is the grid.
    const int cell = cellSize >= 2 ? cellSize - 1 : cellSize;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            painter.fillRect(grid.left() + x * cellSize, grid.top() + y * cellSize, cell, cell,
                             GetCell(x, y) ? Qt::black : Qt::white);
        }
    }
}

void CGlyphCanvas::resizeEvent(QResizeEvent*) {
    drawRect = QRect();
    update();
}

QPoint CGlyphCanvas::CellAt(QPoint point) {
    const QRect grid = DrawRect();
    // Division truncates towards zero: up to one cell left of or above the grid still hits
    // column or row 0.
    return {(point.x() - grid.left()) / cellSize, (point.y() - grid.top()) / cellSize};
}

void CGlyphCanvas::PaintCell(QPoint cell, bool leftButton) {
    const int ink = (drawMode == DRAW_PEN) == leftButton ? 1 : 0;
    if (GetCell(cell.x(), cell.y()) != ink) SetCell(cell.x(), cell.y(), ink);
    update();
}

void CGlyphCanvas::mousePressEvent(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    if (!left && event->button() != Qt::RightButton) return;
    lastCell = CellAt(event->position().toPoint());
    PaintCell(lastCell, left);
}

void CGlyphCanvas::mouseMoveEvent(QMouseEvent* event) {
    // Only a drag with exactly one button and neither Shift nor Control paints.
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) return;
    const Qt::MouseButtons buttons = event->buttons();
    if (buttons != Qt::LeftButton && buttons != Qt::RightButton) return;
    const QPoint cell = CellAt(event->position().toPoint());
    if (cell == lastCell) return;
    lastCell = cell;
    PaintCell(cell, buttons == Qt::LeftButton);
}

void CGlyphCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
        lastCell = {-1, -1};
    }
}

}  // namespace brivo
