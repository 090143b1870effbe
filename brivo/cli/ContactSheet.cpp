#include "cli/ContactSheet.h"

#include <png.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "fontfile/SafeFile.h"
#include "glyph/GlyphSet.h"

namespace brivo {

namespace {

constexpr int kColumns = 16;
constexpr int kPadding = 4;
constexpr int kNarrowWidth = CLabelPainter::kHeight / 2;
constexpr uint8_t kFrame = 160;

bool IsLeadByte(uint8_t byte) { return byte >= 0x80; }

struct Layout {
    int cellWidth, cellHeight, glyphWidth, glyphHeight, columns, rows;
};

Layout SheetLayout(const CGlyphSet& set, int scale) {
    Layout layout{};
    layout.glyphWidth = set.width * scale;
    layout.glyphHeight = set.height * scale;
    int labelWidth = 0;
    for (int n = 0; n < set.Count(); ++n)
        labelWidth = std::max(labelWidth, CLabelPainter::TextWidth(set.GetLabel(n)));
    layout.cellWidth = std::max(layout.glyphWidth + 2, labelWidth) + 2 * kPadding;
    layout.cellHeight = layout.glyphHeight + 2 + CLabelPainter::kHeight + 3 * kPadding;
    layout.columns = std::clamp(set.Count(), 1, kColumns);
    layout.rows = std::max(1, (set.Count() + kColumns - 1) / kColumns);
    return layout;
}

void DrawGlyph(GrayImage& image, const CGlyphSet& set, const CGlyph* glyph, int left, int top,
               int scale) {
    const int w = set.width * scale, h = set.height * scale;
    for (int x = left - 1; x <= left + w; ++x) image.At(x, top - 1) = image.At(x, top + h) = kFrame;
    for (int y = top - 1; y <= top + h; ++y) image.At(left - 1, y) = image.At(left + w, y) = kFrame;
    if (glyph == nullptr || glyph->bits == nullptr) return;
    for (int row = 0; row < set.height; ++row)
        for (int column = 0; column < set.width; ++column)
            PaintPixel(image, left + column * scale, top + row * scale, scale,
                       PixelShade(set, *glyph, column, row));
}

}  // namespace

CLabelPainter::CLabelPainter() {
    LogFont font;
    font.height = -kHeight;
    // Hinted monochrome keeps every stroke of a 12-pixel label; a threshold of the greyscale
    // form can drop a thin one and write another character (개 as 가).
    wide.SetRenderMode(RenderMode::Mono);
    narrow.SetRenderMode(RenderMode::Mono);
    ready = wide.SetCellSize(kHeight, kHeight) && narrow.SetCellSize(kNarrowWidth, kHeight) &&
            wide.CreateFont(font) && narrow.CreateFont(font);
}

int CLabelPainter::TextWidth(std::string_view label) {
    int width = 0;
    for (std::size_t i = 0; i < label.size(); ++i) {
        const bool pair = IsLeadByte(label[i]) && i + 1 < label.size();
        width += pair ? kHeight : kNarrowWidth;
        i += pair ? 1 : 0;
    }
    return width;
}

void CLabelPainter::Draw(GrayImage& image, int x, int y, std::string_view label) {
    if (!ready) return;
    for (std::size_t i = 0; i < label.size(); ++i) {
        const auto byte = static_cast<uint8_t>(label[i]);
        const bool pair = IsLeadByte(byte) && i + 1 < label.size();
        const uint16_t code = pair ? static_cast<uint16_t>(byte << 8 | uint8_t(label[++i])) : byte;
        CGlyphRasterizer& painter = pair ? wide : narrow;
        const int cellWidth = pair ? kHeight : kNarrowWidth;
        const GlyphBits bits = painter.RenderGlyph(code, 0, 0, kDefaultThreshold);
        if (bits) {
            const CGlyphBitmapView bitmap(bits.get(), cellWidth, kHeight);
            for (int row = 0; row < kHeight; ++row)
                for (int column = 0; column < cellWidth; ++column)
                    if (bitmap.Pixel(column, row)) image.At(x + column, y + row) = kInk;
        }
        x += cellWidth;
    }
}

int64_t ContactSheetPixels(const CGlyphSet& set, int scale) {
    const Layout layout = SheetLayout(set, scale);
    return int64_t{layout.cellWidth} * layout.columns * layout.cellHeight * layout.rows;
}

GrayImage DrawContactSheet(const CGlyphSet& set, int scale, CLabelPainter* labels) {
    const Layout layout = SheetLayout(set, scale);
    GrayImage image;
    image.width = layout.cellWidth * layout.columns;
    image.height = layout.cellHeight * layout.rows;
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, kPaper);
    for (int n = 0; n < set.Count(); ++n) {
        const int cellLeft = (n % kColumns) * layout.cellWidth;
        const int cellTop = (n / kColumns) * layout.cellHeight;
        const int glyphLeft = cellLeft + (layout.cellWidth - layout.glyphWidth) / 2;
        DrawGlyph(image, set, set.GlyphAt(n), glyphLeft, cellTop + kPadding + 1, scale);
        if (labels == nullptr) continue;
        const std::string label = set.GetLabel(n);
        labels->Draw(image, cellLeft + (layout.cellWidth - CLabelPainter::TextWidth(label)) / 2,
                     cellTop + 2 * kPadding + 2 + layout.glyphHeight, label);
    }
    return image;
}

Result WritePng(const GrayImage& image, const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_GRAY;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, image.pixels.data(), 0, nullptr))
        return Result::Failure(std::string("cannot make the PNG image: ") + png.message);
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, image.pixels.data(), 0, nullptr))
        return Result::Failure(std::string("cannot make the PNG image: ") + png.message);
    bytes.resize(size);
    return ReplaceFileContents(path, bytes);
}

}  // namespace brivo
