#include "glyph/BitLayout.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "glyph/Glyph.h"
#include "glyph/GlyphBitmap.h"

namespace brivo {

namespace {

struct ScanInfo {
    ScanOrder scan;
    const char* keyword;
};
constexpr ScanInfo kScans[] = {
    {ScanOrder::Rows, "rows"}, {ScanOrder::Columns, "columns"}, {ScanOrder::Pages, "pages"}};

struct OrderInfo {
    BitOrder order;
    const char* keyword;
    const char* text;
};
constexpr OrderInfo kOrders[] = {{BitOrder::Msb, "msb", "MSB first"},
                                 {BitOrder::Lsb, "lsb", "LSB first"}};

// Calls slot(byte, bit, x, y) for every pixel of a width x height glyph: the byte of the
// packed glyph that holds it and its place among that byte's pixels (0 = first).
template <class Slot>
void ForEachPixel(int width, int height, ScanOrder scan, Slot slot) {
    switch (scan) {
        case ScanOrder::Rows: {
            const int perRow = BytesPerRow(width);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) slot(y * perRow + x / 8, x % 8, x, y);
            return;
        }
        case ScanOrder::Columns: {
            const int perColumn = BytesPerRow(height);  // a column packs as a row would
            for (int x = 0; x < width; ++x)
                for (int y = 0; y < height; ++y) slot(x * perColumn + y / 8, y % 8, x, y);
            return;
        }
        case ScanOrder::Pages:
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) slot(y / 8 * width + x, y % 8, x, y);
            return;
    }
}

uint8_t BitMask(BitOrder order, int place) {
    return static_cast<uint8_t>(order == BitOrder::Msb ? 0x80u >> place : 1u << place);
}

bool SameText(std::string_view a, const char* b) {
    return a.size() == std::strlen(b) && strncasecmp(a.data(), b, a.size()) == 0;
}

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
}

const char* Keyword(ScanOrder scan) {
    for (const ScanInfo& info : kScans)
        if (info.scan == scan) return info.keyword;
    return "";
}

const OrderInfo& Info(BitOrder order) { return order == BitOrder::Msb ? kOrders[0] : kOrders[1]; }

}  // namespace

Result LayoutAtDepth(BitLayout layout, int bpp, BitLayout& packed) {
    if (!IsPixelDepth(bpp))
        return Result::Failure("glyphs have 1, 2, 4 or 8 bits per pixel, not " +
                               std::to_string(bpp));
    if (bpp > 1 && layout.scan != ScanOrder::Rows)
        return Result::Failure("glyphs of " + std::to_string(bpp) +
                               " bits per pixel are packed in rows, not " + Keyword(layout.scan));
    packed = layout;
    packed.bpp = static_cast<uint8_t>(bpp);
    return Result::Success();
}

BitOrder DefaultBitOrder(ScanOrder scan) {
    return scan == ScanOrder::Pages ? BitOrder::Lsb : BitOrder::Msb;
}

int LayoutBytesPerGlyph(int width, int height, BitLayout layout) {
    if (layout.bpp > 1) return height * ((width * layout.bpp + 7) / 8);
    if (layout.scan == ScanOrder::Rows) return BytesPerGlyph(width, height);
    return width * BytesPerRow(height);
}

void PackGlyphBits(const uint8_t* bits, int width, int height, BitLayout layout, uint8_t* packed) {
    const int count = LayoutBytesPerGlyph(width, height, layout);
    if (layout.IsDefault()) {
        std::memcpy(packed, bits, static_cast<std::size_t>(count));
        return;
    }
    std::fill_n(packed, count, 0);
    const CGlyphBitmapView bitmap(bits, width, height);
    ForEachPixel(width, height, layout.scan, [&](int byte, int place, int x, int y) {
        if (bitmap.Pixel(x, y)) packed[byte] |= BitMask(layout.order, place);
    });
}

void UnpackGlyphBits(const uint8_t* packed, int width, int height, BitLayout layout,
                     uint8_t* bits) {
    if (layout.IsDefault()) {
        std::memcpy(bits, packed, static_cast<std::size_t>(BytesPerGlyph(width, height)));
        return;
    }
    CGlyphBitmap bitmap(bits, width, height);
    bitmap.Clear();
    ForEachPixel(width, height, layout.scan, [&](int byte, int place, int x, int y) {
        if (packed[byte] & BitMask(layout.order, place)) bitmap.SetPixel(x, y, true);
    });
}

namespace {

// Calls slot(byte, shift, x, y) for every pixel of a glyph of layout.bpp bits a pixel, in rows:
// the byte that holds it and how far its value is shifted up in that byte.
template <class Slot>
void ForEachValue(int width, int height, BitLayout layout, Slot slot) {
    const int bpp = layout.bpp, perByte = 8 / bpp, perRow = (width * bpp + 7) / 8;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int place = x % perByte;
            slot(y * perRow + x / perByte,
                 layout.order == BitOrder::Msb ? 8 - bpp * (place + 1) : bpp * place, x, y);
        }
}

}  // namespace

void PackGlyphCoverage(const uint8_t* coverage, int width, int height, BitLayout layout,
                       uint8_t* packed) {
    std::fill_n(packed, LayoutBytesPerGlyph(width, height, layout), 0);
    const unsigned most = (1u << layout.bpp) - 1;
    ForEachValue(width, height, layout, [&](int byte, int shift, int x, int y) {
        packed[byte] |= static_cast<uint8_t>(
            std::min<unsigned>(coverage[static_cast<std::size_t>(y) * width + x], most) << shift);
    });
}

void UnpackGlyphCoverage(const uint8_t* packed, int width, int height, BitLayout layout,
                         uint8_t* coverage) {
    const unsigned most = (1u << layout.bpp) - 1;
    ForEachValue(width, height, layout, [&](int byte, int shift, int x, int y) {
        coverage[static_cast<std::size_t>(y) * width + x] =
            static_cast<uint8_t>(packed[byte] >> shift & most);
    });
}

void UnpackGlyph(const uint8_t* packed, int width, int height, BitLayout layout, CGlyph& glyph) {
    if (layout.bpp == 1) {
        UnpackGlyphBits(packed, width, height, layout, glyph.bits.get());
        return;
    }
    GlyphBits values = NewBits(static_cast<std::size_t>(width) * height);
    UnpackGlyphCoverage(packed, width, height, layout, values.get());
    glyph.SetCoverage(std::move(values), width, height);
}

GlyphPacker::GlyphPacker(int width, int height, BitLayout layout)
    : width(width),
      height(height),
      layout(layout),
      packed(static_cast<std::size_t>(std::max(0, LayoutBytesPerGlyph(width, height, layout)))) {}

std::string_view GlyphPacker::Pack(const CGlyph* glyph) {
    if (glyph == nullptr || glyph->bits == nullptr) {
        std::fill(packed.begin(), packed.end(), 0);
    } else if (layout.bpp == 1) {
        PackGlyphBits(glyph->bits.get(), width, height, layout, packed.data());
    } else if (glyph->coverage != nullptr) {
        PackGlyphCoverage(glyph->coverage.get(), width, height, layout, packed.data());
    } else {
        const std::vector<uint8_t> full =
            CoverageOfBits(glyph->bits.get(), width, height, layout.bpp);
        PackGlyphCoverage(full.data(), width, height, layout, packed.data());
    }
    return {reinterpret_cast<const char*>(packed.data()), packed.size()};
}

std::optional<ScanOrder> ScanFromKeyword(std::string_view keyword) {
    for (const ScanInfo& info : kScans)
        if (SameText(keyword, info.keyword)) return info.scan;
    return std::nullopt;
}

std::optional<BitOrder> BitOrderFromKeyword(std::string_view keyword) {
    for (const OrderInfo& info : kOrders)
        if (SameText(keyword, info.keyword)) return info.order;
    return std::nullopt;
}

std::vector<std::string> ScanKeywords() {
    std::vector<std::string> keywords;
    for (const ScanInfo& info : kScans) keywords.emplace_back(info.keyword);
    return keywords;
}

std::vector<std::string> BitOrderKeywords() {
    std::vector<std::string> keywords;
    for (const OrderInfo& info : kOrders) keywords.emplace_back(info.keyword);
    return keywords;
}

std::string BitLayoutText(BitLayout layout) {
    std::string text = std::string(Keyword(layout.scan)) + ", " + Info(layout.order).text;
    if (layout.bpp > 1) text += ", " + std::to_string(layout.bpp) + " bits per pixel";
    return text;
}

std::optional<BitLayout> BitLayoutFromText(std::string_view text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    const std::optional<ScanOrder> scan = ScanFromKeyword(TrimBlanks(text.substr(0, comma)));
    std::string_view orderText = TrimBlanks(text.substr(comma + 1));
    uint8_t bpp = 1;
    if (const std::size_t depth = orderText.find(','); depth != std::string_view::npos) {
        const std::string_view depthText = TrimBlanks(orderText.substr(depth + 1));
        orderText = TrimBlanks(orderText.substr(0, depth));
        constexpr std::string_view kSuffix = " bits per pixel";
        if (depthText.size() != 1 + kSuffix.size() ||
            !SameText(depthText.substr(1), kSuffix.data()))
            return std::nullopt;
        bpp = static_cast<uint8_t>(depthText[0] - '0');
        if (bpp < 2 || !IsPixelDepth(bpp) || !scan || *scan != ScanOrder::Rows) return std::nullopt;
    }
    for (const OrderInfo& info : kOrders)
        if (scan && SameText(orderText, info.text)) return BitLayout{*scan, info.order, bpp};
    return std::nullopt;
}

}  // namespace brivo
