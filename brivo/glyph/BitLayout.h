#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
enum class ScanOrder : uint8_t { Rows, Columns, Pages };
enum class BitOrder : uint8_t { Msb, Lsb };

struct BitLayout {
    ScanOrder scan = ScanOrder::Rows;
    BitOrder order = BitOrder::Msb;

    bool operator==(const BitLayout&) const = default;
    bool IsDefault() const { return *this == BitLayout{}; }
};

// msb, except for pages: lsb, the top pixel in bit 0 as the controllers take a page byte.
BitOrder DefaultBitOrder(ScanOrder scan);

int LayoutBytesPerGlyph(int width, int height, BitLayout layout);

// Converts one glyph from the memory form `bits` into `layout` in `packed`, which holds
// LayoutBytesPerGlyph bytes. The default layout is copied byte for byte.
void PackGlyphBits(const uint8_t* bits, int width, int height, BitLayout layout, uint8_t* packed);

// The other way: `bits` (BytesPerGlyph bytes) from `packed`; padding bits are not read.
void UnpackGlyphBits(const uint8_t* packed, int width, int height, BitLayout layout, uint8_t* bits);

// Packs glyphs of one size into one layout, one at a time, for the file writers.
class GlyphPacker {
public:
    GlyphPacker(int width, int height, BitLayout layout);

    std::size_t ByteCount() const { return packed.size(); }
    // The bytes of `bits` (memory form) in the layout; zeros for null. Valid until the
    // next call.
    std::string_view Pack(const uint8_t* bits);

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

// "pages, LSB first": the text of a C source file's "Bit Layout" line.
std::string BitLayoutText(BitLayout layout);
// Reads BitLayoutText back, ignoring case and surrounding blanks.
std::optional<BitLayout> BitLayoutFromText(std::string_view text);

}  // namespace brivo
