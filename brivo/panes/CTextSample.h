#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QScrollArea;

namespace brivo {

class CGlyphSet;

// A line of sample text drawn with the glyph set: what the user types is shown with the set's
// glyphs in fixed cells or, where the set knows the font's advances, proportional; the
// characters the set lacks are left blank and named below the line.
class CTextSample : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTextId = 1097;
    static constexpr int kProportionalId = 1098;
    static constexpr int kPictureId = 1099;
    static constexpr int kMissingId = 1100;
    static constexpr int kMaxCharacters = 200;
    // The line is magnified to about this height, and never below one screen pixel a pixel.
    static constexpr int kLineHeight = 40;

    // Draws with `glyphSet`, which outlives the widget.
    explicit CTextSample(const CGlyphSet& glyphSet, QWidget* parent = nullptr);

    // Draws the line again from the set as it is now, unless `mayRead` says the set is being
    // filled or written (the line is then drawn on the next Refresh).
    void Refresh();
    std::function<bool()> mayRead;

    QLineEdit* TextEdit() const { return text; }
    QCheckBox* ProportionalBox() const { return proportional; }
    // The line as drawn, `Scale()` screen pixels to a glyph pixel; the note below it.
    const QImage& Picture() const { return picture; }
    int Scale() const { return scale; }
    QString Note() const;

private:
    const CGlyphSet& glyphSet;
    QLineEdit* text = nullptr;
    QCheckBox* proportional = nullptr;
    QScrollArea* scroller = nullptr;
    QLabel* pictureLabel = nullptr;
    QLabel* note = nullptr;
    QImage picture;
    int scale = 1;
};

}  // namespace brivo
