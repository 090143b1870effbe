#pragma once

#include <QCheckBox>

namespace brivo {

// A check box whose text wraps at words to its width, as a multi-line check box of a dialog
// template does: the indicator on the left, the text beside it on as many lines as it needs.
// A click anywhere on it toggles it.
class CWrapCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

    // Where the text is drawn.
    QRect TextRect() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

private:
    static constexpr int kTextFlags =
        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
};

}  // namespace brivo
