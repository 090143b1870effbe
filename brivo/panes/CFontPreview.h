#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "extract/ExtractWorker.h"
#include "extract/GlyphRasterizer.h"
#include "glyph/LogFont.h"

namespace brivo {

class CGlyphSet;

// Shows a sample text rendered exactly as an extraction would render it (the same
// rasteriser, render mode, fallback fonts, group styles per lead byte, threshold), magnified
// `zoom` times, each character inside a red outline of its cell. Cells too large for the
// preview at that zoom are drawn smaller, shrunk below their own size where need be. The group
// styles come from the glyph set.
class CFontPreview : public QWidget {
    Q_OBJECT
public:
    static constexpr int kControlId = 1013;
    static inline const QString kDefaultText = QStringLiteral("갈괒힓얊꺝이가\nABdefz!@&383");

    // `glyphSet` outlives the preview.
    explicit CFontPreview(const CGlyphSet& glyphSet, QWidget* parent = nullptr);
    ~CFontPreview() override;

    // Draws the preview into an image of the widget's size; the cells drawn are kept in
    // LastCells() (pixel rectangles, outline included).
    QImage RenderImage();
    const std::vector<QRect>& LastCells() const { return cells; }

    // Drawn as an extraction with these settings would draw (their range and codes aside).
    ExtractSettings settings;
    QString previewText = kDefaultText;
    int zoom = 2;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The preview at `zoom` into an image of `imageSize`.
    QImage RenderAt(QSize imageSize, int zoom);
    bool DrawCharacter(QImage& image, uint16_t code, bool twoByte, int x, int y, int zoom);

    const CGlyphSet& glyphSet;
    std::unique_ptr<CGlyphRasterizer> rasterizer;
    std::vector<QRect> cells;
    LogFont selectedFont;  // what the rasteriser holds now, made with these two
    RenderMode selectedMode = RenderMode::Auto;
    bool selectedFallback = true;
    bool fontSelected = false;
};

}  // namespace brivo
