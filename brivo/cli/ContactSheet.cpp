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
constexpr uint8_t kPaper = 255, kInk = 0, kFrame = 160;

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

// The grey of a pixel of the glyph: ink, paper, or between for grey coverage.
uint8_t Shade(const CGlyphSet& set, const CGlyph& glyph, int column, int row) {
    if (glyph.coverage != nullptr) {
        const int most = (1 << set.bpp) - 1;
        const int value = glyph.coverage[static_cast<std::size_t>(row) * set.width + column];
        return static_cast<uint8_t>(kPaper - (kPaper - kInk) * value / most);
    }
    return CGlyphBitmapView(glyph.bits.get(), set.width, set.height).Pixel(column, row) ? kInk
                                                                                        : kPaper;
}

// Paints a glyph's pixel `scale` times magnified with its top-left at (x, y), over anything
// lighter.
void Paint(GrayImage& image, int x, int y, int scale, uint8_t shade) {
    if (shade == kPaper) return;
    for (int dy = 0; dy < scale; ++dy)
        for (int dx = 0; dx < scale; ++dx) {
            uint8_t& pixel = image.At(x + dx, y + dy);
            pixel = std::min(pixel, shade);
        }
}

void DrawGlyph(GrayImage& image, const CGlyphSet& set, const CGlyph* glyph, int left, int top,
               int scale) {
    const int w = set.width * scale, h = set.height * scale;
    for (int x = left - 1; x <= left + w; ++x) image.At(x, top - 1) = image.At(x, top + h) = kFrame;
    for (int y = top - 1; y <= top + h; ++y) image.At(left - 1, y) = image.At(left + w, y) = kFrame;
    if (glyph == nullptr || glyph->bits == nullptr) return;
    for (int row = 0; row < set.height; ++row)
        for (int column = 0; column < set.width; ++column)
            Paint(image, left + column * scale, top + row * scale, scale,
                  Shade(set, *glyph, column, row));
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

int64_t TextLinePixels(const CGlyphSet& set, const std::vector<TextGlyph>& line, int scale) {
    // Ink may stand out of the advances by up to a cell on either side.
    int64_t width = 2 * int64_t{set.width} + 2 * kTextMargin;
    for (const TextGlyph& placed : line) width += std::max<int32_t>(placed.advance, 0);
    return width * scale * (int64_t{set.height} + 2 * kTextMargin) * scale;
}

GrayImage DrawTextLine(const CGlyphSet& set, const std::vector<TextGlyph>& line, int scale,
                       bool cells) {
    const int originX = set.lineMetrics ? set.lineMetrics->originX : 0;
    // The columns of each cell that are drawn: its ink, cut to the advance in fixed cells.
    auto drawnColumns = [&](const TextGlyph& placed) {
        const InkBox ink = set.CurrentInk(placed.glyph);
        const int first = originX + ink.x, end = first + ink.width;
        return std::pair{first, ink.Empty() ? first : cells ? std::min(end, placed.advance) : end};
    };
    // Where each pen stands, and the columns the ink and the advances take.
    std::vector<int> pens;
    int pen = 0, left = 0, right = 0;
    for (const TextGlyph& placed : line) {
        pens.push_back(pen);
        if (const auto [first, end] = drawnColumns(placed); end > first) {
            left = std::min(left, pen - originX + first);
            right = std::max(right, pen - originX + end);
        }
        pen += placed.advance;
        right = std::max(right, pen);
    }
    GrayImage image;
    image.width = (right - left + 2 * kTextMargin) * scale;
    image.height = (set.height + 2 * kTextMargin) * scale;
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, kPaper);
    for (std::size_t n = 0; n < line.size(); ++n) {
        const CGlyph* glyph = line[n].glyph;
        if (glyph == nullptr || glyph->bits == nullptr) continue;
        const auto [first, end] = drawnColumns(line[n]);
        const int cellLeft = pens[n] - originX - left + kTextMargin;
        for (int row = 0; row < set.height; ++row)
            for (int column = first; column < end; ++column)
                Paint(image, (cellLeft + column) * scale, (kTextMargin + row) * scale, scale,
                      Shade(set, *glyph, column, row));
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
