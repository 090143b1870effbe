#pragma once

#include <QFrame>
#include <QPointer>

class QImage;

namespace brivo {

class CSplitterBand;

// Edges of a pane or bar in client coordinates; right and bottom are exclusive.
struct SplitRect {
    int left = 0, top = 0, right = 0, bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Holds two panes side by side (vertical split) or one over the other (horizontal split) with
// a 3-pixel bar between them that the user can drag. On resize the left (bottom) pane keeps
// its size; the division is read from the profile at creation and written back when the
// splitter is destroyed.
class CPaneSplitter : public QFrame {
    Q_OBJECT
public:
    // Style bits of Create; the values of the window styles they stand for.
    static constexpr unsigned SPLIT_VERTICAL = 0x1;
    static constexpr unsigned SPLIT_HORIZONTAL = 0x2;
    static constexpr unsigned SPLIT_BORDER = 0x00800000;
    static constexpr unsigned SPLIT_VISIBLE = 0x10000000;

    explicit CPaneSplitter(QWidget* parent = nullptr);
    ~CPaneSplitter() override;

    // Adopts both panes (the parent becomes their owner, see OwnerOf) and places them from the
    // profile. Always returns true.
    bool Create(unsigned style, QWidget* parent, QWidget* firstPane, QWidget* secondPane, int id,
                const QRect& rect, int minFirst, int minSecond);

    // The window a pane sends its notifications to: the window that created its splitter, or
    // its parent when no splitter adopted it.
    static QWidget* OwnerOf(const QWidget* pane);

    // Where the bar starts when the profile has no position yet: the left pane's width or
    // the bottom pane's height. Set before Create; without it, twice the pane's minimum.
    void SetDefaultPosition(int pixels) { defaultPosition = pixels; }
    void SetLiveDrag(bool on) { liveDrag = on; }
    void SetLeftOnly(bool on);
    void SetRightOnly(bool on);
    void SetTopOnly(bool on);

    int Id() const { return id; }
    bool IsVertical() const { return vertical; }
    bool IsDragging() const { return vDragging || hDragging; }
    int LeftWidth() const { return leftWidth; }
    int BottomHeight() const { return bottomHeight; }
    // The feedback band while dragging (null when not dragging or with live dragging).
    QWidget* FeedbackBand() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void InitVertical(int minFirst, int minSecond);
    void InitHorizontal(int minFirst, int minSecond);
    void PlaceVBar(int x);
    void PlaceHBar(int y);
    int ClampX(int x) const;
    int ClampY(int y) const;
    void FillWith(QWidget* pane, QWidget* hidden);
    void SetAlone(bool& flag, bool on);
    int ClampedDragPos(QPoint p) const;
    void MoveBarTo(int pos);
    void DrawBand();
    void EndDrag();
    void WriteProfile() const;

    QPointer<QWidget> left, right, top, bottom;
    int minLeft = 0, minRight = 0, minTop = 0, minBottom = 0;
    unsigned barWidth = 3;
    int id = 0;
    int leftWidth = 0;
    int bottomHeight = 0;
    int defaultPosition = 0;
    SplitRect leftRect, rightRect, topRect, bottomRect;
    SplitRect vBarRect, hBarRect;
    // Drag feedback: the bar position at the start of the drag and the shift since then.
    int trackStart = 0, trackShift = 0;
    bool horizontal = false, vertical = false;
    bool vButtonDown = false, vDragging = false;
    bool leftOnly = false, rightOnly = false;
    bool hButtonDown = false, hDragging = false;
    bool topOnly = false;
    bool liveDrag = false;
    int vLastX = 0;
    int hLastY = 0;
    QPointer<QWidget> prevFocus;
    CSplitterBand* band = nullptr;
};

}  // namespace brivo
