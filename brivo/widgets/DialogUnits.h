#pragma once

#include <QFontMetrics>
#include <QRect>
#include <QWidget>

namespace brivo {

// Converts dialog-template positions (dialog units) to pixels from the dialog's font: a
// horizontal unit is a quarter of the average character width, a vertical one an eighth of
// the character height.
class DialogUnits {
public:
    explicit DialogUnits(const QWidget* dialog)
        : charWidth(QFontMetrics(dialog->font()).averageCharWidth()),
          charHeight(QFontMetrics(dialog->font()).height()) {}

    int X(int units) const { return units * charWidth / 4; }
    int Y(int units) const { return units * charHeight / 8; }
    QRect Rect(int x, int y, int width, int height) const {
        return QRect(X(x), Y(y), X(width), Y(height));
    }
    // Places `widget` at the template position and tags it with its control id (0: none).
    template <typename Widget>
    Widget* Place(Widget* widget, int id, int x, int y, int width, int height) const {
        widget->setGeometry(Rect(x, y, width, height));
        if (id != 0) widget->setProperty("controlId", id);
        return widget;
    }

private:
    int charWidth;
    int charHeight;
};

// The child of `parent` that carries control id `id`, or null.
inline QWidget* FindControl(const QWidget* parent, int id) {
    for (QWidget* child : parent->findChildren<QWidget*>())
        if (child->property("controlId").toInt() == id) return child;
    return nullptr;
}

}  // namespace brivo
