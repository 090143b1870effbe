#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QPoint>

#include "widgets/BrivoBitmaps.h"

namespace brivo {

// A flat push button that shows a bitmap with a transparent key colour, optionally followed by
// its caption. The frame rises while the mouse is over the button and sinks while it is
// pressed or checked. Auto radio buttons and check boxes work in check mode: every click
// toggles the checked state.
class CImageButton : public QAbstractButton {
    Q_OBJECT
public:
    enum ButtonType { BUTTON_PUSH, BUTTON_DEFAULT_PUSH, BUTTON_CHECK_BOX, BUTTON_AUTO_RADIO };
    // The three looks, each with its background and text colour.
    enum Look { LOOK_ACTIVE, LOOK_FOCUSED, LOOK_NORMAL, LOOK_COUNT };
    enum SetBitmapsResult { BITMAP_OK = 0, BITMAP_NO_SIZE = 1, BITMAP_NO_MASK = 2 };

    explicit CImageButton(QWidget* parent = nullptr);
    CImageButton(const QString& caption, ButtonType type, QWidget* parent = nullptr);

    // What the button stood for in its dialog: decides check mode and the default look.
    void SetButtonType(ButtonType type);
    // Loads a bitmap resource (see LoadBitmap). Returns 0, or 1 when the bitmap cannot be
    // read and 2 when its mask cannot be built; on failure the button keeps no image.
    int SetBitmaps(int resourceId, QRgb keyColour = kBitmapKeyColour);
    int SetBitmaps(const QImage& image, QRgb keyColour = kBitmapKeyColour);
    // Only in check mode.
    void SetCheck(bool checked, bool redraw = true);
    bool GetCheck() const { return checkMode && isChecked(); }

    void SetFlat(bool on);
    void SetDrawBorder(bool on);
    void SetFlatFocus(bool on);
    void SetGreyWhenDisabled(bool on);
    void SetDefault(bool on);
    void SetColours(Look look, QColor background, QColor text);
    void ResetColours();

    bool IsCheckMode() const { return checkMode; }
    bool IsDefault() const { return isDefault; }
    bool IsMouseOver() const { return mouseOver; }
    bool HasImage() const { return !image.isNull(); }

    QSize sizeHint() const override;
    // Where the caption is drawn (not pressed): right of the image, or the whole button.
    QRect CaptionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void TrackHover(bool overButton);
    void ClearHover();
    QRect ImageRect(bool pressed) const;
    void DrawFrame(class QPainter& painter, const QRect& rect, bool pressed) const;
    void DrawImage(QPainter& painter, const QRect& rect, bool disabled) const;
    void DrawCaption(QPainter& painter, QRect rect, bool disabled, Look look) const;

    QImage image;  // key-coloured pixels transparent
    QRgb keyColour = kBitmapKeyColour;
    bool flat = true;
    bool drawBorder = true;
    bool flatFocus = false;
    bool greyWhenDisabled = true;
    bool checkMode = false;
    bool isDefault = false;
    bool mouseOver = false;
    QPoint margin{3, 3};
    QPoint pressOffset{1, 1};
    QColor backColour[LOOK_COUNT];
    QColor textColour[LOOK_COUNT];
};

}  // namespace brivo
