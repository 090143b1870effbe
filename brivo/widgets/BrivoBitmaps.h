#pragma once

#include <QColor>
#include <QImage>

namespace brivo {

// Key colour of every bitmap of the program: these pixels show the background.
inline constexpr QRgb kBitmapKeyColour = 0xFF00FF;

// The bitmap resource with that id (136-139 toolbar images, 140-155 button images), or a
// null image when there is none.
QImage LoadBitmap(int resourceId);

// A copy of the image in which every pixel of the key colour is transparent and all others
// are opaque, black included.
QImage KeyedImage(const QImage& image, QRgb keyColour = kBitmapKeyColour);

}  // namespace brivo
