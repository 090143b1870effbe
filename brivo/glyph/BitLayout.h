#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "glyph/Result.h"

namespace brivo {

// How the pixels of a glyph are packed into the bytes of a file. In memory a glyph is
// always in the default layout (see GlyphBitmap.h); files may take another one:
// - rows: row after row, top first; each row ceil(width/8) bytes, pixels left to right;
// - columns: column after column, left first; each column ceil(height/8) bytes, pixels top
//   to bottom;
// - pages: band after band of 8 rows, top first; each band one byte per column, left to
//   right, pixels top to bottom (how monochrome OLED/LCD controllers such as the SSD1306
//   address their memory).
// The bit order says where the first pixel of a byte (leftmost in rows, topmost otherwise)
// goes: msb = bit 7, lsb = bit 0; the following pixels take the next bits down or up. The
// bits after the last pixel of a row, column or band are padding and written as 0.
// Glyphs of more than one bit a pixel (grey coverage, 0 to 2^bpp - 1) are packed in rows only,
// 8 / bpp pixels a byte, the first in the byte's top bits (msb) or bottom bits (lsb).
enum class ScanOrder : uint8_t { Rows, Columns, Pages };
enum class BitOrder : uint8_t { Msb, Lsb };

struct BitLayout {
    ScanOrder scan = ScanOrder::Rows;
    BitOrder order = BitOrder::Msb;
    uint8_t bpp = 1;  // bits per pixel: 1, 2, 4 or 8

    bool operator==(const BitLayout&) const = default;
    bool IsDefault() const { return *this == BitLayout{}; }
};

// Whether glyphs of `bpp` bits a pixel can be packed: 1, 2, 4 or 8.
constexpr bool IsPixelDepth(int bpp) { return bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8; }

// `layout` for glyphs of `bpp` bits a pixel, which a file packs in rows when there are more
// than 1; refused for a depth that is not 1, 2, 4 or 8, or columns or pages of grey glyphs.
Result LayoutAtDepth(BitLayout layout, int bpp, BitLayout& packed);

// msb, except for pages: lsb, the top pixel in bit 0 as the controllers take a page byte.
BitOrder DefaultBitOrder(ScanOrder scan);

int LayoutBytesPerGlyph(int width, int height, BitLayout layout);

// Converts one glyph from the memory form `bits` into `layout` in `packed`, which holds
// LayoutBytesPerGlyph bytes. The default layout is copied byte for byte.
void PackGlyphBits(const uint8_t* bits, int width, int height, BitLayout layout, uint8_t* packed);

// The other way: `bits` (BytesPerGlyph bytes) from `packed`; padding bits are not read.
void UnpackGlyphBits(const uint8_t* packed, int width, int height, BitLayout layout, uint8_t* bits);

// The same for a glyph of more than one bit a pixel: `coverage` holds a byte a pixel (0 to
// 2^bpp - 1), rows top first; the layout is rows of layout.bpp bits a pixel.
void PackGlyphCoverage(const uint8_t* coverage, int width, int height, BitLayout layout,
                       uint8_t* packed);
void UnpackGlyphCoverage(const uint8_t* packed, int width, int height, BitLayout layout,
                         uint8_t* coverage);

class CGlyph;

// Unpacks one glyph of a file in `layout` into `glyph`, whose bitmap is of the size: its bits,
// or at more than one bit a pixel its coverage (see CGlyph::SetCoverage).
void UnpackGlyph(const uint8_t* packed, int width, int height, BitLayout layout, CGlyph& glyph);

// Packs glyphs of one size into one layout, one at a time, for the file writers.
class GlyphPacker {
public:
    GlyphPacker(int width, int height, BitLayout layout);

    std::size_t ByteCount() const { return packed.size(); }
    // The bytes of the glyph in the layout: its bitmap, or at more than one bit a pixel its
    // coverage (a glyph without coverage, drawn by hand, in full ink); zeros for null. Valid
    // until the next call.
    std::string_view Pack(const CGlyph* glyph);

private:
    int width, height;
    BitLayout layout;
    std::vector<uint8_t> packed;
};

// Names on the command line: rows, columns, pages; msb, lsb.
std::optional<ScanOrder> ScanFromKeyword(std::string_view keyword);
std::optional<BitOrder> BitOrderFromKeyword(std::string_view keyword);
std::vector<std::string> ScanKeywords();
std::vector<std::string> BitOrderKeywords();

// "pages, LSB first", "rows, MSB first, 4 bits per pixel": the text of a C source file's "Bit
// Layout" line.
std::string BitLayoutText(BitLayout layout);
// Reads BitLayoutText back, ignoring case and surrounding blanks.
std::optional<BitLayout> BitLayoutFromText(std::string_view text);

}  // namespace brivo
