#include "widgets/BrivoBitmaps.h"

#include <QString>

// Resources compiled into a static library must be registered by name from outside any
// namespace, or the linker drops them.
static void InitBrivoResources() { Q_INIT_RESOURCE(brivo); }

namespace brivo {

QImage LoadBitmap(int resourceId) {
    static const bool registered = (InitBrivoResources(), true);
    (void)registered;
    return QImage(QStringLiteral(":/brivo/bitmaps/%1.png").arg(resourceId));
}

QImage KeyedImage(const QImage& image, QRgb keyColour) {
    QImage keyed = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = keyColour & 0xFFFFFF;
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            const QRgb rgb = line[x] & 0xFFFFFF;
            line[x] = rgb == key ? 0 : (0xFF000000 | rgb);
        }
    }
    return keyed;
}

}  // namespace brivo
