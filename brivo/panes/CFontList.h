#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QImage>
#include <QRawFont>
#include <QStaticText>
#include <QWidget>
#include <atomic>
#include <unordered_map>
#include <vector>

class QScrollBar;

namespace brivo {

class CGlyph;
class CGlyphSet;

// The scrolling grid of a glyph set: every glyph magnified `scale` times with its label
// underneath. It draws straight from the glyph set on every paint and keeps no copy.
// A left press selects a glyph and reports it to the parent with WM_FONTLIST_SELECT; so do
// the arrow keys, Page Up / Page Down (a page of full rows) and Home / End, which scroll the
// selection into view. Enter asks for the selected glyph in the editor (OpenRequested),
// Delete for its removal (RemoveRequested).
class CFontList : public QWidget {
    Q_OBJECT
public:
    static constexpr int kControlId = 1078;

    // Shows `glyphSet`, which outlives the grid.
    explicit CFontList(const CGlyphSet& glyphSet, QWidget* parent = nullptr);

    // Scroll bar back to range 0..0, page 1, position 0 (visible, disabled).
    void ResetScroll();
    // List position under the client point, or -1. A point in the partly visible last row
    // scrolls down one row when `scrollIfPartial` is set.
    int HitTest(int x, int y, bool scrollIfPartial);
    // Cells that are completely visible: full rows x columns.
    int VisibleCount() const;
    // Scrolls so that the row of `selectedIndex` is visible; the caller repaints.
    void EnsureVisible();
    // Scrolls by whole pages for a wheel turn of `delta` (120 per notch).
    void OnMouseWheel(int delta);
    // Selects the glyph at `position` (clamped to the set), scrolls as little as needed to
    // show it whole and tells the parent. Does nothing in an empty set or while busy.
    void MoveSelection(int position);

    // The drawable area left of the scroll bar.
    QSize ClientSize() const;
    int ScrollPos() const;
    int ScrollMax() const { return scrollMax; }  // range maximum: last row + 1
    int ScrollPage() const { return scrollPage; }
    QScrollBar* ScrollBar() const { return bar; }

    // Draws the grid as a paint would into an image of the client size.
    QImage RenderImage();
    // A glyph's label, and the label as the grid shows it: shortened at the front to the
    // width of its cell when it does not fit (the whole label is then in a tooltip).
    QString LabelText(const CGlyph& glyph) const;
    QString ShownLabel(const CGlyph& glyph) const;
    // The magnification and labels the grid draws with at its present size.
    int ShownScale() const { return CellGeometry().scale; }
    bool ShowsLabels() const { return CellGeometry().labels; }

    // Magnification of a glyph where a cell of it fits the grid; a glyph too large for that is
    // drawn smaller, down to one screen pixel per glyph pixel, and without its label when
    // even that leaves no whole cell room (ShownScale, ShowsLabels).
    int scale = 3;
    int selectedIndex = -1;
    int firstVisible = 0;
    QFont labelFont;
    int labelHeight = 20;
    int gapX = 5;
    int gapY = 5;
    // Set by the extraction worker while it fills the set: the grid then does not read the
    // glyph list and draws only the glyphs handed to ShowArrived, on white.
    std::atomic<bool> busy = false;

    // While busy: `glyph` went into the set at the next position (counting from 0 since
    // ForgetArrived); it must stay alive and unchanged until ForgetArrived.
    void ShowArrived(const CGlyph* glyph);
    void ForgetArrived();
    // How many glyphs the grid shows: those that arrived while busy, else the set's.
    int ShownCount() const;

signals:
    // Enter was pressed on the selected glyph at `position`.
    void OpenRequested(int position);
    // Delete was pressed on the selected glyph at `position`.
    void RemoveRequested(int position);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    const CGlyph* ShownGlyph(int position) const;
    std::vector<const CGlyph*> arrived;
    struct Geometry {
        int cw = 0, ch = 0, columns = 0, fullRows = 0;
        int scale = 1;
        bool labels = true;
    };
    Geometry CellGeometry() const;
    // The scroll range for the set's size: every row, a page of the rows drawn.
    void UpdateScrollRange(const Geometry& g);
    void SetScrollRange(int maximum, int page);
    void SetScrollPos(int position);
    void DrawCells(QImage& image);
    // A label laid out once: straight from the fonts' character maps when every character
    // is in the label font or its Korean fallback (cheap enough for a whole page at its
    // first paint), else through the full text layout.
    struct LaidOutLabel {
        std::vector<QGlyphRun> runs;  // glyphs on a baseline at y 0; none: use `text`
        QStaticText text;
        QSizeF size;
        qreal ascent = 0;
    };
    const LaidOutLabel& Label(const CGlyph& glyph, int range);
    bool LayOutFromCharacterMaps(const QString& text, LaidOutLabel& label) const;
    // ShownLabel of the label text `full`, laying out what it returns into `laid`.
    QString Shorten(const QString& full, LaidOutLabel& laid) const;
    void DrawLabel(QPainter& painter, const QRect& strip, const LaidOutLabel& label);
    int LabelRoom() const;  // pixels a label may take
    int LabelRoom(int shownScale) const;

    const CGlyphSet& glyphSet;
    QScrollBar* bar;
    int scrollMax = 0;
    int scrollPage = 1;
    QImage canvas;  // reused between paints while the client size stays the same
    // Laid-out label texts by code and range (custom labels by position), so that a paint
    // neither converts nor lays out text it has shown before.
    std::unordered_map<uint64_t, LaidOutLabel> labels;
    QFont labelsFont;   // the font the cached labels were laid out in
    QRawFont labelRaw;  // labelsFont itself, and what it falls back to for Hangul
    QRawFont labelRawKorean;
    bool labelFontsLoaded = false;
    int labelsRoom = -1;  // and the width they were shortened to
};

}  // namespace brivo
