#include "panes/CGlyphCanvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
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
        cursorCell = {std::min(cursorCell.x(), width - 1), std::min(cursorCell.y(), height - 1)};
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
        const QSize grid = GridSize();
        drawRect = QRect((QWidget::width() - grid.width()) / 2,
                         (QWidget::height() - grid.height()) / 2, grid.width(), grid.height());
    }
    return drawRect;
}

void CGlyphCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect exposed = event->rect();
    painter.fillRect(exposed, QColor(kGroundColour));
    const QRect grid = DrawRect();
    // From cell size 4 up, a one-pixel gap on the right and bottom of each cell is the grid;
    // smaller cells would lose a third or more of their ink to it.
    const int cell = cellSize >= kGridLineCell ? cellSize - 1 : cellSize;
    // Only the cells in the exposed part: a large glyph at high zoom has most of them
    // scrolled out of sight.
    const int x0 = std::max(0, (exposed.left() - grid.left()) / cellSize);
    const int x1 = std::min(width, (exposed.right() - grid.left()) / cellSize + 1);
    const int y0 = std::max(0, (exposed.top() - grid.top()) / cellSize);
    const int y1 = std::min(height, (exposed.bottom() - grid.top()) / cellSize + 1);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            painter.fillRect(grid.left() + x * cellSize, grid.top() + y * cellSize, cell, cell,
                             GetCell(x, y) ? Qt::black : Qt::white);
        }
    }
    // With the keyboard here, the cursor cell is framed in red over its pixel, and the
    // canvas in the highlight colour.
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRect(QRectF(grid).adjusted(-2, -2, 1, 1));
        const int frame = std::max(1, cellSize / 6);
        painter.setPen(QPen(QColor(255, 0, 0), frame, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        const QRect at = CursorRect();
        painter.drawRect(QRectF(at).adjusted(frame / 2.0, frame / 2.0, -frame / 2.0, -frame / 2.0));
    }
}

QRect CGlyphCanvas::CursorRect() {
    const QRect grid = DrawRect();
    return {grid.left() + cursorCell.x() * cellSize, grid.top() + cursorCell.y() * cellSize,
            std::max(cellSize, 3), std::max(cellSize, 3)};
}

void CGlyphCanvas::SetCursorCell(QPoint cell) {
    const QPoint inside(std::clamp(cell.x(), 0, width - 1), std::clamp(cell.y(), 0, height - 1));
    if (inside == cursorCell) return;
    update(CursorRect().adjusted(-2, -2, 2, 2));
    cursorCell = inside;
    update(CursorRect().adjusted(-2, -2, 2, 2));
    emit CursorMoved(CursorRect());
}

void CGlyphCanvas::keyPressEvent(QKeyEvent* event) {
    QPoint step;
    switch (event->key()) {
        case Qt::Key_Left:
            step = {-1, 0};
            break;
        case Qt::Key_Right:
            step = {1, 0};
            break;
        case Qt::Key_Up:
            step = {0, -1};
            break;
        case Qt::Key_Down:
            step = {0, 1};
            break;
        case Qt::Key_Space: {
            if (event->modifiers() & ~Qt::KeypadModifier) return QWidget::keyPressEvent(event);
            const std::vector<uint8_t> before = bits;
            const bool modifiedBefore = modified;
            const int ink = GetCell(cursorCell.x(), cursorCell.y()) ? 0 : 1;
            SetCell(cursorCell.x(), cursorCell.y(), ink);
            update(CursorRect().adjusted(-2, -2, 2, 2));
            emit KeyEdit(before, modifiedBefore, ink != 0);
            return;
        }
        default:
            return QWidget::keyPressEvent(event);
    }
    const Qt::KeyboardModifiers held = event->modifiers() & ~Qt::KeypadModifier;
    if (held != Qt::NoModifier && held != Qt::ShiftModifier) return QWidget::keyPressEvent(event);
    // Shift draws: the cell the cursor leaves and the one it reaches take the tool's ink.
    if (held == Qt::ShiftModifier) {
        const std::vector<uint8_t> before = bits;
        const bool modifiedBefore = modified;
        const int ink = drawMode == DRAW_PEN ? 1 : 0;
        SetCell(cursorCell.x(), cursorCell.y(), ink);
        SetCursorCell(cursorCell + step);
        SetCell(cursorCell.x(), cursorCell.y(), ink);
        update();
        if (before != bits) emit KeyEdit(before, modifiedBefore, ink != 0);
        return;
    }
    SetCursorCell(cursorCell + step);
}

void CGlyphCanvas::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void CGlyphCanvas::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
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
    if (View().Contains(lastCell.x(), lastCell.y())) SetCursorCell(lastCell);
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

void CGlyphCanvas::wheelEvent(QWheelEvent* event) {
    // Without Ctrl the wheel belongs to whatever scrolls the canvas.
    if (!(event->modifiers() & Qt::ControlModifier)) return event->ignore();
    // Fine-grained wheels (touchpads) add up to whole notches.
    wheelRest += event->angleDelta().y();
    const int notches = wheelRest / 120;
    wheelRest -= notches * 120;
    if (notches != 0) emit ZoomWheel(notches, event->position().toPoint());
    event->accept();
}

}  // namespace brivo
