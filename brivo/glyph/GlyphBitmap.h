#pragma once

#include <cstdint>

namespace brivo {

// The one place that knows how a glyph bitmap is packed: rows top first, each row
// BytesPerRow(width) bytes, the most significant bit of a byte is the leftmost pixel,
// 1 = ink. The bits after the last pixel of a row are padding and stay 0.
constexpr int BytesPerRow(int width) { return (width + 7) / 8; }
constexpr int BytesPerGlyph(int width, int height) { return height * BytesPerRow(width); }

// Turns one row of a grey image (one byte a pixel, 255 white) into glyph bits: a pixel is
// ink when its grey is below `threshold`. `count` pixels fill ceil(count / 8) bytes of `out`.
void ThresholdRow(const uint8_t* pixels, int count, int threshold, uint8_t* out);
// The same for a whole cell: `out` receives BytesPerGlyph(width, height) bytes.
void ThresholdPixels(const uint8_t* pixels, int width, int height, int threshold, uint8_t* out);

enum ShiftDirection { SHIFT_UP = 0, SHIFT_DOWN = 1, SHIFT_LEFT = 2, SHIFT_RIGHT = 3 };
// Horizontal swaps left and right, vertical swaps top and bottom.
enum MirrorAxis { MIRROR_HORIZONTAL = 0, MIRROR_VERTICAL = 1 };

// Reads the pixels of a bitmap it does not own.
class CGlyphBitmapView {
public:
    CGlyphBitmapView(const uint8_t* bits, int width, int height)
        : bytes(bits), width(width), height(height), bytesPerRow(brivo::BytesPerRow(width)) {}

    int Width() const { return width; }
    int Height() const { return height; }
    int ByteCount() const { return height * bytesPerRow; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

    // Pixels outside the bitmap read blank.
    bool Pixel(int x, int y) const {
        return Contains(x, y) && (bytes[ByteOffset(x, y)] & PixelMask(x)) != 0;
    }

protected:
    int ByteOffset(int x, int y) const { return y * bytesPerRow + x / 8; }
    static uint8_t PixelMask(int x) { return static_cast<uint8_t>(0x80u >> (x % 8)); }

    const uint8_t* bytes;
    int width;
    int height;
    int bytesPerRow;
};

// Reads and edits the pixels of a bitmap it does not own. Edits touch pixels only, never
// the padding bits.
class CGlyphBitmap : public CGlyphBitmapView {
public:
    CGlyphBitmap(uint8_t* bits, int width, int height)
        : CGlyphBitmapView(bits, width, height), bits(bits) {}

    uint8_t* Bits() const { return bits; }

    // Ignored outside the bitmap.
    void SetPixel(int x, int y, bool ink);
    void Clear();
    // Moves every pixel one place; the row or column that comes in is blank.
    void Shift(ShiftDirection direction);
    void Mirror(MirrorAxis axis);

private:
    // Sets every pixel to what `source` (x, y) gives for it, read from a copy of the bitmap.
    template <typename Source>
    void Remap(Source source);

    uint8_t* bits;
};

}  // namespace brivo
