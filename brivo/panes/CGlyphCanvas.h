#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "glyph/GlyphBitmap.h"

namespace brivo {

// A glyph bitmap drawn as a grid of enlarged cells on a grey ground, painted with the mouse:
// the left button draws with the current tool, the right button with the opposite one. The
// canvas keeps its own copy of the bitmap, in the glyph layout, and edits it through the
// glyph model.
class CGlyphCanvas : public QWidget {
    Q_OBJECT
public:
    enum DrawMode { DRAW_PEN = 0, DRAW_ERASER = 1 };

    static constexpr QRgb kGroundColour = 0xB0B0B0;

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
    // Where the cell grid lies in the widget.
    QRect DrawRect();
    QPoint LastCell() const { return lastCell; }

    int drawMode = DRAW_PEN;
    bool modified = false;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint CellAt(QPoint point);
    // Paints `cell` with the left button's tool (`leftButton`) or the right button's.
    void PaintCell(QPoint cell, bool leftButton);

    int width = 16;
    int height = 16;
    int cellSize = 14;
    std::vector<uint8_t> bits;
    QPoint lastCell{-1, -1};
    QRect drawRect;
};

}  // namespace brivo
