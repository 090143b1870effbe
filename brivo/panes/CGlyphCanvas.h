#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "glyph/GlyphBitmap.h"

namespace brivo {

// A glyph bitmap drawn as a grid of enlarged cells on a grey ground, painted with the mouse:
// the left button draws with the current tool, the right button with the opposite one. The
// canvas keeps its own copy of the bitmap, in the glyph layout, and edits it through the
// glyph model. With the keyboard, the arrow keys move a cursor cell, Space turns its pixel
// over and Shift+arrow moves the cursor painting with the current tool; each such key is one
// KeyEdit.
class CGlyphCanvas : public QWidget {
    Q_OBJECT
public:
    enum DrawMode { DRAW_PEN = 0, DRAW_ERASER = 1 };

    static constexpr QRgb kGroundColour = 0xB0B0B0;
    // The smallest cell size drawn with grid lines.
    static constexpr int kGridLineCell = 4;

    explicit CGlyphCanvas(QWidget* parent = nullptr);

    // Ignored unless both are positive. A new size starts from a blank bitmap.
    void SetBitmapSize(int newWidth, int newHeight);
    // Copies one bitmap of the current size from `source`; does nothing for a null source.
    void LoadBits(const uint8_t* source);
    void ClearBits();
    // Screen pixels per glyph pixel, 1 or more.
    void SetCellSize(int n);

    int GetCell(int x, int y) const;
    void SetCell(int x, int y, int value);
    void Shift(ShiftDirection direction);
    void Mirror(MirrorAxis axis);
    // The canvas's bitmap, to read or to edit (an edit through it does not set `modified`).
    CGlyphBitmapView View() const { return {bits.data(), width, height}; }
    CGlyphBitmap Bitmap() { return {bits.data(), width, height}; }

    int BitmapWidth() const { return width; }
    int BitmapHeight() const { return height; }
    int BytesPerRow() const { return brivo::BytesPerRow(width); }
    const std::vector<uint8_t>& Bits() const { return bits; }
    int CellSize() const { return cellSize; }
    // The size of the cell grid at the current cell size.
    QSize GridSize() const { return {width * cellSize, height * cellSize}; }
    // Where the cell grid lies in the widget.
    QRect DrawRect();
    QPoint LastCell() const { return lastCell; }
    // The cell the keyboard works on; it stays inside the bitmap.
    QPoint CursorCell() const { return cursorCell; }
    void SetCursorCell(QPoint cell);

    int drawMode = DRAW_PEN;
    bool modified = false;

signals:
    // The wheel turned `notches` (positive away from the user) with Ctrl held over `at`.
    void ZoomWheel(int notches, QPoint at);
    // A key changed the bitmap, which was `before` (modified as `modifiedBefore`); `ink` is
    // what it painted.
    void KeyEdit(const std::vector<uint8_t>& before, bool modifiedBefore, bool ink);
    // The cursor cell moved to `cell` (canvas coordinates of its rectangle).
    void CursorMoved(QRect cell);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QPoint CellAt(QPoint point);
    // The cursor cell's rectangle in the widget.
    QRect CursorRect();
    // Paints `cell` with the left button's tool (`leftButton`) or the right button's.
    void PaintCell(QPoint cell, bool leftButton);

    int width = 16;
    int height = 16;
    int cellSize = 14;
    std::vector<uint8_t> bits;
    QPoint lastCell{-1, -1};
    QPoint cursorCell{0, 0};
    QRect drawRect;
    int wheelRest = 0;  // wheel turn short of a whole notch
};

}  // namespace brivo
