#include "widgets/CWrapCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace brivo {

QRect CWrapCheckBox::TextRect() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
}

int CWrapCheckBox::heightForWidth(int width) const {
    QStyleOptionButton option;
    initStyleOption(&option);
    option.rect = QRect(0, 0, width, 1000);
    const QRect text = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    const int lines = fontMetrics()
                          .boundingRect(QRect(0, 0, text.width(), 100000), kTextFlags, this->text())
                          .height();
    return std::max(lines, QCheckBox::sizeHint().height());
}

void CWrapCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();  // the indicator only; the text follows, wrapped
    painter.drawControl(QStyle::CE_CheckBox, option);
    painter.drawItemText(TextRect(), kTextFlags, palette(), isEnabled(), text(),
                         QPalette::WindowText);
}

}  // namespace brivo
