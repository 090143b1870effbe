#include "widgets/CImageButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace brivo {
namespace {

// Top and left edges in one colour, bottom and right in the other.
void Draw3dRect(QPainter& painter, const QRect& r, QColor topLeft, QColor bottomRight) {
    painter.fillRect(r.left(), r.top(), r.width() - 1, 1, topLeft);
    painter.fillRect(r.left(), r.top(), 1, r.height() - 1, topLeft);
    painter.fillRect(r.left(), r.bottom(), r.width(), 1, bottomRight);
    painter.fillRect(r.right(), r.top(), 1, r.height(), bottomRight);
}

// The image's opaque pixels in one colour: the pixels that the disabled look embosses. Pixels
// that are white once the image lies on white count as background too.
QImage Silhouette(const QImage& image, QColor colour) {
    QImage shape(image.size(), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            const bool ink = qAlpha(pixel) != 0 && (pixel & 0xFFFFFF) != 0xFFFFFF;
            shape.setPixel(x, y, ink ? colour.rgb() : 0);
        }
    }
    return shape;
}

}  // namespace

CImageButton::CImageButton(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    ResetColours();
}

CImageButton::CImageButton(const QString& caption, ButtonType type, QWidget* parent)
    : CImageButton(parent) {
    setText(caption);
    SetButtonType(type);
}

void CImageButton::SetButtonType(ButtonType type) {
    checkMode = type == BUTTON_CHECK_BOX || type == BUTTON_AUTO_RADIO;
    setCheckable(checkMode);
    setAutoExclusive(false);  // the owning pane keeps its radio buttons exclusive itself
    if (type == BUTTON_PUSH || type == BUTTON_DEFAULT_PUSH) isDefault = type == BUTTON_DEFAULT_PUSH;
    update();
}

int CImageButton::SetBitmaps(int resourceId, QRgb key) {
    return SetBitmaps(LoadBitmap(resourceId), key);
}

int CImageButton::SetBitmaps(const QImage& source, QRgb key) {
    image = QImage();
    int result = BITMAP_OK;
    if (source.isNull() || source.width() <= 0 || source.height() <= 0) {
        result = BITMAP_NO_SIZE;
    } else {
        QImage keyed = KeyedImage(source, key);
        if (keyed.isNull()) {
            result = BITMAP_NO_MASK;
        } else {
            image = keyed;
            keyColour = key;
        }
    }
    updateGeometry();
    update();
    return result;
}

void CImageButton::SetCheck(bool checked, bool redraw) {
    if (!checkMode) return;
    setChecked(checked);
    if (redraw) update();
}

void CImageButton::SetFlat(bool on) {
    flat = on;
    update();
}

void CImageButton::SetDrawBorder(bool on) {
    drawBorder = on;
    update();
}

void CImageButton::SetFlatFocus(bool on) {
    flatFocus = on;
    update();
}

void CImageButton::SetGreyWhenDisabled(bool on) {
    greyWhenDisabled = on;
    update();
}

void CImageButton::SetDefault(bool on) {
    isDefault = on;
    update();
}

void CImageButton::SetColours(Look look, QColor back, QColor fore) {
    backColour[look] = back;
    textColour[look] = fore;
    update();
}

void CImageButton::ResetColours() {
    for (int look = 0; look < LOOK_COUNT; ++look) {
        backColour[look] = palette().color(QPalette::Button);
        textColour[look] = palette().color(QPalette::ButtonText);
    }
    update();
}

QSize CImageButton::sizeHint() const {
    const QSize textSize = text().isEmpty() ? QSize() : fontMetrics().size(0, text());
    const int width =
        2 * margin.x() + image.width() + textSize.width() + (text().isEmpty() ? 0 : 2 * margin.x());
    const int height = 2 * margin.y() + std::max(image.height(), textSize.height());
    return {width, height};
}

QRect CImageButton::ImageRect(bool pressed) const {
    const int top = (height() - image.height()) / 2;
    const int left = text().isEmpty() ? (width() - image.width()) / 2 : margin.x();
    QRect r(left, top, image.width(), image.height());
    if (pressed && !checkMode) r.translate(pressOffset);
    return r;
}

QRect CImageButton::CaptionRect() const {
    QRect r = rect();
    if (!image.isNull() && !text().isEmpty()) r.setLeft(margin.x() + image.width());
    return r;
}

void CImageButton::DrawFrame(QPainter& painter, const QRect& r, bool pressed) const {
    const QPalette& pal = palette();
    if (pressed) {
        if (!flat) {
            painter.setPen(pal.color(QPalette::Dark));
            painter.drawRect(r.adjusted(0, 0, -1, -1));
        } else if (drawBorder) {
            Draw3dRect(painter, r, pal.color(QPalette::Dark), pal.color(QPalette::Light));
        }
        return;
    }
    if (!flat) {
        Draw3dRect(painter, r, pal.color(QPalette::Light), pal.color(QPalette::Shadow));
        Draw3dRect(painter, r.adjusted(1, 1, -1, -1), pal.color(QPalette::Midlight),
                   pal.color(QPalette::Dark));
    } else if (mouseOver && drawBorder) {
        Draw3dRect(painter, r, pal.color(QPalette::Light), pal.color(QPalette::Dark));
    }
}

void CImageButton::DrawImage(QPainter& painter, const QRect& r, bool disabled) const {
    if (!disabled || !greyWhenDisabled) {
        painter.drawImage(r.topLeft(), image);
        return;
    }
    // Embossed: the shape in the highlight colour one pixel down and right, then in the
    // shadow colour in place.
    painter.drawImage(r.topLeft() + QPoint(1, 1),
                      Silhouette(image, palette().color(QPalette::Light)));
    painter.drawImage(r.topLeft(), Silhouette(image, palette().color(QPalette::Dark)));
}

void CImageButton::DrawCaption(QPainter& painter, QRect r, bool disabled, Look look) const {
    const int flags = Qt::AlignCenter | Qt::TextWordWrap;
    if (disabled) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(r.translated(1, 1), flags, text());
        painter.setPen(palette().color(QPalette::Dark));
    } else {
        painter.setPen(textColour[look]);
    }
    painter.drawText(r, flags, text());
}

void CImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool pressed = isDown() || (checkMode && isChecked());
    const bool focused = hasFocus();
    const bool disabled = !isEnabled();

    QRect r = rect();
    if (!flat && (focused || isDefault)) {
        painter.setPen(Qt::black);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
    }
    const Look look = (mouseOver || pressed) ? LOOK_ACTIVE : focused ? LOOK_FOCUSED : LOOK_NORMAL;
    painter.fillRect(r, backColour[look]);
    DrawFrame(painter, r, pressed);

    QRect captionRect = CaptionRect();
    if (!image.isNull()) DrawImage(painter, ImageRect(pressed), disabled);
    if (!text().isEmpty()) {
        if (pressed && !checkMode) captionRect.translate(pressOffset);
        DrawCaption(painter, captionRect, disabled, look);
    }
    if (focused && (!flat || flatFocus)) {
        QPen pen(palette().color(QPalette::ButtonText), 1, Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

void CImageButton::TrackHover(bool overButton) {
    if (!flat) return;
    // Dragging in from elsewhere with the button held does not light the button up.
    if ((QApplication::mouseButtons() & Qt::LeftButton) && !mouseOver) return;
    if (!overButton) {
        ClearHover();
        return;
    }
    if (mouseOver || !isEnabled()) return;
    mouseOver = true;
    update();
}

void CImageButton::ClearHover() {
    if (!mouseOver) return;
    mouseOver = false;
    update();
}

void CImageButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    TrackHover(true);
}

void CImageButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    ClearHover();
}

void CImageButton::mouseMoveEvent(QMouseEvent* event) {
    QAbstractButton::mouseMoveEvent(event);
    TrackHover(rect().contains(event->position().toPoint()));
}

void CImageButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // A quick second click is a click of its own, not a double-click.
    mousePressEvent(event);
}

void CImageButton::focusOutEvent(QFocusEvent* event) {
    QAbstractButton::focusOutEvent(event);
    ClearHover();
}

void CImageButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    switch (event->type()) {
        case QEvent::ActivationChange:
            if (!isActiveWindow()) ClearHover();
            break;
        case QEvent::EnabledChange:
            if (!isEnabled()) ClearHover();
            break;
        case QEvent::PaletteChange:
            ResetColours();
            break;
        default:
            break;
    }
}

}  // namespace brivo
