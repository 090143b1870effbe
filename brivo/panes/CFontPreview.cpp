#include "panes/CFontPreview.h"

#include <QPainter>
#include <algorithm>
#include <memory>

#include "glyph/Cp949.h"
#include "glyph/GlyphSet.h"

namespace brivo {

namespace {

constexpr int kMaxCell = 256;
const QString kNoFont = QStringLiteral("Font가 정의되지 않았습니다");

bool SameFont(const LogFont& a, const LogFont& b) {
    return a.height == b.height && a.width == b.width && a.weight == b.weight &&
           a.italic == b.italic && a.underline == b.underline && a.strikeOut == b.strikeOut &&
           a.faceName == b.faceName;
}

}  // namespace

CFontPreview::CFontPreview(const CGlyphSet& glyphSet, QWidget* parent)
    : QWidget(parent), glyphSet(glyphSet), rasterizer(std::make_unique<CGlyphRasterizer>()) {
    setProperty("controlId", kControlId);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CFontPreview::~CFontPreview() = default;

void CFontPreview::paintEvent(QPaintEvent*) {
    const QImage image = RenderImage();
    QPainter(this).drawImage(0, 0, image);
}

QImage CFontPreview::RenderImage() {
    // A cell larger than the preview at the chosen zoom is drawn at a smaller zoom, down to
    // one; one larger even then is drawn at one into a larger image shrunk to fit.
    const QSize room = size();
    int shown = std::max(zoom, 1);
    while (shown > 1 && (settings.fontSizeX * shown > room.width() ||
                         settings.fontSizeY * shown > room.height()))
        --shown;
    if (settings.fontSizeX < 1 || settings.fontSizeY < 1 || room.isEmpty() ||
        (settings.fontSizeX <= room.width() && settings.fontSizeY <= room.height()))
        return RenderAt(room, shown);
    const double shrink = std::min(double(room.width()) / settings.fontSizeX,
                                   double(room.height()) / settings.fontSizeY);
    const QImage whole = RenderAt((QSizeF(room) / shrink).toSize().expandedTo(room), 1);
    const double sx = double(room.width()) / whole.width();
    const double sy = double(room.height()) / whole.height();
    for (QRect& cell : cells)
        cell = QRectF(cell.x() * sx, cell.y() * sy, cell.width() * sx, cell.height() * sy)
                   .toAlignedRect() &
               QRect(QPoint(), room);
    return whole.scaled(room, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage CFontPreview::RenderAt(QSize imageSize, int zoom) {
    QImage image(imageSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    cells.clear();
    const std::string bytes = Utf8ToCp949(previewText.toStdString());
    const int lineHeight = zoom * settings.fontSizeY;
    const int wideCell = settings.fontSizeX * zoom;
    const int narrowCell = (settings.fontSizeX * zoom) / 2;
    int x = 0, y = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint8_t byte = static_cast<uint8_t>(bytes[i]);
        if (byte == '\r' || byte == '\n') {
            x = 0;
            y += lineHeight;
            continue;
        }
        const bool twoByte = byte >= 0x80;
        if (twoByte && i + 1 >= bytes.size()) break;  // a lead byte without its trail
        const int wrapWidth = twoByte ? wideCell : (settings.fontSizeX / 2) * zoom;
        if (x > 0 && x + wrapWidth > image.width()) {
            x = 0;
            y += lineHeight;
        }
        const uint16_t code =
            twoByte ? static_cast<uint16_t>(byte << 8 | static_cast<uint8_t>(bytes[i + 1])) : byte;
        if (!DrawCharacter(image, code, twoByte, x, y, zoom)) {
            QPainter painter(&image);
            painter.drawText(0, painter.fontMetrics().ascent(), kNoFont);
            break;
        }
        const int cellWidth = twoByte ? wideCell : narrowCell;
        x += cellWidth - 1;  // neighbouring cells share their border line
        if (twoByte) ++i;
    }
    return image;
}

// Renders one character with its top-left at (x, y). False when the font cannot be created.
bool CFontPreview::DrawCharacter(QImage& image, uint16_t code, bool twoByte, int x, int y,
                                 int zoom) {
    const int width = twoByte ? settings.fontSizeX : settings.fontSizeX / 2;
    const int height = settings.fontSizeY;
    const int right = twoByte ? x + settings.fontSizeX * zoom : x + (settings.fontSizeX * zoom) / 2;
    // Cells the extraction would refuse are not drawn either.
    if (width < 1 || height < 1 || width > kMaxCell || height > kMaxCell || zoom < 1) return true;

    LogFont wanted = settings.logFont;
    if (twoByte) glyphSet.ApplyGroupStyle(wanted, static_cast<uint8_t>(code >> 8));
    if (!fontSelected || !SameFont(wanted, selectedFont) || settings.renderMode != selectedMode ||
        settings.fallback != selectedFallback) {
        fontSelected = false;
        rasterizer->SetRenderMode(settings.renderMode);
        rasterizer->SetFallback(settings.fallback);
        if (!rasterizer->CreateFont(wanted)) return false;
        selectedFont = wanted;
        selectedMode = settings.renderMode;
        selectedFallback = settings.fallback;
        fontSelected = true;
    }
    if (!rasterizer->SetCellSize(width, height)) return true;
    GlyphBits bits =
        rasterizer->RenderGlyph(code, settings.offsetX, settings.offsetY, settings.threshold);
    if (!bits) return false;

    QPainter painter(&image);
    const CGlyphBitmapView bitmap(bits.get(), width, height);
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            painter.fillRect(x + column * zoom, y + row * zoom, zoom, zoom,
                             bitmap.Pixel(column, row) ? Qt::black : Qt::white);
    const QRect cell(x, y, right - x, height * zoom);
    painter.setPen(QColor(255, 0, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(cell.adjusted(0, 0, -1, -1));
    cells.push_back(cell);
    return true;
}

}  // namespace brivo
