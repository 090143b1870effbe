#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

#include "evalayout/EvaSheet.h"

class QPlainTextEdit;

namespace brivo {

class CGlyphSet;

class CEvaLayout;
class CTextSample;

// The lower left pane: the selected glyph as a C array definition, ready to paste into
// firmware source, over a line of sample text drawn with the set's glyphs where the pane has
// room for both (kRoomForSample more than the sample line takes). The text is selectable
// with the mouse and the keyboard; inside it the text keys (Ctrl+A, Ctrl+C) select and copy rather
// than reach the window's commands.
class CGlyphInfoPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPaneId = 132;
    static constexpr int kTextId = 1045;
    static constexpr int kRoomForSample = 100;

    // Shows the glyphs of `glyphSet`, which outlives the pane.
    explicit CGlyphInfoPane(const CGlyphSet& glyphSet, QWidget* parent = nullptr);

    // Shows the glyph at `position` of the glyph set; returns 0, or -1 (and shows nothing)
    // when there is no glyph there.
    int OnGlyphNotify(intptr_t position);

    // The text shown, lines ended by CR LF.
    const QString& InfoText() const { return infoText; }

    // The C array definition of the glyph at `position`, or an empty text.
    QString FormatGlyphInfo(intptr_t position) const;

    QPlainTextEdit* TextControl() const { return text; }
    CTextSample* TextSample() const { return sample; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    const CGlyphSet& glyphSet;
    QPlainTextEdit* text = nullptr;
    CTextSample* sample = nullptr;
    EvaSheetSet sheets;
    CEvaLayout* layout = nullptr;
    int sheetShown = 0;
    QString infoText;
};

}  // namespace brivo
