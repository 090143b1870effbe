#include "fontfile/BdfWriter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <unordered_set>
#include <vector>

#include "glyph/CharacterSubset.h"
#include "glyph/GlyphBitmap.h"
#include "glyph/GlyphSet.h"
#include "safefile/SafeFile.h"

namespace brivo {

namespace {

// Letters, digits and a few signs; anything else would break the fields of an XLFD name.
std::string XlfdField(std::string_view text) {
    std::string field;
    for (const char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == ' ' || c == '_' || c == '.';
        field += plain ? c : '_';
    }
    return field.empty() ? "brivo" : field;
}

// "uniAC00", or for an unencoded glyph its position and code, "glyph7_B0A1".
std::string GlyphName(std::optional<char32_t> point, uint16_t code, int position) {
    char name[32];
    if (point)
        std::snprintf(name, sizeof name, *point > 0xFFFF ? "u%05X" : "uni%04X",
                      static_cast<unsigned>(*point));
    else
        std::snprintf(name, sizeof name, "glyph%d_%04X", position, code);
    return name;
}

// Printable ASCII, as BDF asks: other characters of the UTF-8 text become \uXXXX
// (\UXXXXXXXX beyond the Basic Multilingual Plane), control characters and stray bytes '?'.
std::string AsciiText(std::string_view utf8) {
    std::string text;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (lead < 0x80) {
            text += lead >= 0x20 && lead < 0x7F ? static_cast<char>(lead) : '?';
            ++at;
            continue;
        }
        char32_t point = lead & (0x7F >> length);
        bool valid = lead >= 0xC0 && at + length <= utf8.size();
        for (std::size_t i = 1; valid && i < length; ++i) {
            const auto next = static_cast<unsigned char>(utf8[at + i]);
            valid = (next & 0xC0) == 0x80;
            point = point << 6 | (next & 0x3F);
        }
        if (!valid) {
            text += '?';
            ++at;
            continue;
        }
        char escape[16];
        std::snprintf(escape, sizeof escape, point > 0xFFFF ? "\\U%08X" : "\\u%04X",
                      static_cast<unsigned>(point));
        text += escape;
        at += length;
    }
    return text;
}

// Whether the glyph has ink at or right of column `from`.
bool HasInkFrom(const CGlyphSet& set, const CGlyph* glyph, int from) {
    if (glyph == nullptr || glyph->bits == nullptr) return false;
    const CGlyphBitmapView bitmap(glyph->bits.get(), set.width, set.height);
    for (int y = 0; y < set.height; ++y)
        for (int x = from; x < set.width; ++x)
            if (bitmap.Pixel(x, y)) return true;
    return false;
}

// The pixels of the box `width` x `height` whose top-left is cell pixel (left, top): rows top
// first, ceil(width/8) bytes each in hexadecimal.
void AddBitmap(std::string& out, const CGlyphSet& set, const CGlyph* glyph, int left, int top,
               int width, int height) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::vector<uint8_t> bytes = CropBitmap(glyph != nullptr ? glyph->bits.get() : nullptr,
                                                  set.width, set.height, left, top, width, height);
    const int perRow = BytesPerRow(width);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out += kHex[bytes[i] >> 4];
        out += kHex[bytes[i] & 15];
        if ((i + 1) % perRow == 0) out += '\n';
    }
}

}  // namespace

std::optional<char32_t> CodePointOf(uint16_t code, CodeRange range, bool keepsCodes) {
    const bool subset = range == RANGE_CUSTOM && keepsCodes;
    if (range == RANGE_ASCII || (subset && code < 0x80))
        return code < 0x80 ? std::optional<char32_t>(code) : std::nullopt;
    if (!subset && (range < RANGE_HANGUL || range > RANGE_ALL)) return std::nullopt;
    if (code < 0x100) return std::nullopt;
    return CharacterOfCode(code);
}

namespace {

// Where a glyph stands in the font: its advance and the box of its bitmap.
struct Placement {
    int advance = 0;
    InkBox box;
};

// A cell as it is, or in a proportional font its ink and the font's advance.
Placement Place(const CGlyphSet& set, const CGlyph* glyph, bool proportional) {
    if (proportional) return {set.FontAdvance(glyph), set.CurrentInk(glyph)};
    // A half-width glyph keeps ink that reaches into the right half: it overhangs.
    const int halfWidth = set.width / 2;
    const bool half = set.IsHalfWidthGlyph(glyph);
    const int columns = half && !HasInkFrom(set, glyph, halfWidth) ? halfWidth : set.width;
    const int descent = set.height - set.BaselineOrGuess();
    return {set.CellAdvance(glyph), InkBox{0, -descent, columns, set.height}};
}

std::string BoxText(const InkBox& box) {
    return std::to_string(box.width) + " " + std::to_string(box.height) + " " +
           std::to_string(box.x) + " " + std::to_string(box.y);
}

}  // namespace

void WriteBdfTo(const CGlyphSet& set, std::string_view family,
                const std::function<void(std::string_view)>& out, bool proportional) {
    const int width = set.width, height = set.height;
    const int baseline = set.BaselineOrGuess();
    const int descent = height - baseline, ascent = baseline;
    std::vector<Placement> placements;
    placements.reserve(set.glyphs.size());
    for (const GlyphPtr& glyph : set.glyphs)
        placements.push_back(Place(set, glyph.get(), proportional));
    // The cell, or in a proportional font the box around all ink.
    InkBox bounds{0, -descent, width, height};
    if (proportional) {
        int left = INT_MAX, bottom = INT_MAX, right = INT_MIN, top = INT_MIN;
        for (const Placement& placed : placements) {
            if (placed.box.Empty()) continue;
            left = std::min(left, placed.box.x);
            bottom = std::min(bottom, placed.box.y);
            right = std::max(right, placed.box.x + placed.box.width);
            top = std::max(top, placed.box.y + placed.box.height);
        }
        if (left < right) bounds = InkBox{left, bottom, right - left, top - bottom};
    }
    // A character subset of ASCII and two-byte characters has glyphs of two widths, a
    // proportional font of many.
    long advances = 0;
    bool sameAdvance = true;
    for (const Placement& placed : placements) {
        advances += placed.advance;
        sameAdvance = sameAdvance && placed.advance == placements.front().advance;
    }
    const std::string spacing = !sameAdvance ? "P" : proportional ? "M" : "C";
    const long averageWidth =
        set.Count() == 0 ? width * 10L : std::lround(advances * 10.0 / set.Count());
    const std::string name = XlfdField(family);
    const bool bold = set.fontDescription.find(", Bold") != std::string::npos;
    const bool italic = set.fontDescription.find(", Italic") != std::string::npos;
    const std::string weight = bold ? "Bold" : "Medium", slant = italic ? "I" : "R";
    const std::string h = std::to_string(height);
    const std::string average = std::to_string(averageWidth);

    const std::string properties[] = {
        "FOUNDRY \"Brivo\"",
        "FAMILY_NAME \"" + name + "\"",
        "WEIGHT_NAME \"" + weight + "\"",
        "SLANT \"" + slant + "\"",
        "SETWIDTH_NAME \"Normal\"",
        "ADD_STYLE_NAME \"\"",
        "PIXEL_SIZE " + h,
        "POINT_SIZE " + h + "0",
        "RESOLUTION_X 72",
        "RESOLUTION_Y 72",
        "SPACING \"" + spacing + "\"",
        "AVERAGE_WIDTH " + average,
        "CHARSET_REGISTRY \"ISO10646\"",
        "CHARSET_ENCODING \"1\"",
        "FONT_ASCENT " + std::to_string(ascent),
        "FONT_DESCENT " + std::to_string(descent),
    };

    std::string text;
    auto add = [&text](const std::string& line) { text += line + "\n"; };
    add("STARTFONT 2.1");
    if (!set.fontDescription.empty()) add("COMMENT " + AsciiText(set.fontDescription));
    add("COMMENT " + AsciiText(set.GetRangeName(false)));
    add("FONT -Brivo-" + name + "-" + weight + "-" + slant + "-Normal--" + h + "-" + h +
        "0-72-72-" + spacing + "-" + average + "-ISO10646-1");
    add("SIZE " + h + " 72 72");
    add("FONTBOUNDINGBOX " + BoxText(bounds));
    add("STARTPROPERTIES " + std::to_string(std::size(properties)));
    for (const std::string& property : properties) add(property);
    add("ENDPROPERTIES");
    add("CHARS " + std::to_string(set.Count()));
    out(text);

    std::unordered_set<char32_t> encoded;
    for (int position = 0; position < set.Count(); ++position) {
        const CGlyph* glyph = set.glyphs[position].get();
        std::optional<char32_t> point;
        if (glyph != nullptr) point = CodePointOf(glyph->code, set.range, set.keepsCodes);
        if (point && !encoded.insert(*point).second) point.reset();
        const Placement& placed = placements[position];
        const InkBox& box = placed.box;
        const int originX = proportional && set.lineMetrics ? set.lineMetrics->originX : 0;
        text.clear();
        add("STARTCHAR " + GlyphName(point, glyph != nullptr ? glyph->code : 0, position));
        add("ENCODING " + (point ? std::to_string(*point) : std::string("-1")));
        // Scalable width in 1/1000 of the size; the size is the height at 72 dpi.
        add("SWIDTH " + std::to_string(std::lround(placed.advance * 1000.0 / height)) + " 0");
        add("DWIDTH " + std::to_string(placed.advance) + " 0");
        add("BBX " + BoxText(box));
        add("BITMAP");
        AddBitmap(text, set, glyph, box.LeftColumn(originX), box.TopRow(baseline), box.width,
                  box.height);
        add("ENDCHAR");
        out(text);
    }
    out("ENDFONT\n");
}

std::string FormatBdf(const CGlyphSet& set, std::string_view family, bool proportional) {
    std::string text;
    WriteBdfTo(
        set, family, [&text](std::string_view piece) { text += piece; }, proportional);
    return text;
}

Result WriteBdfFile(const CGlyphSet& set, const std::string& path, bool proportional) {
    return WriteNamedBdfFile(set, path, std::filesystem::path(path).stem().string(), proportional);
}

Result WriteNamedBdfFile(const CGlyphSet& set, const std::string& path, const std::string& family,
                         bool proportional) {
    safefile::SafeFileWriter file(path);
    WriteBdfTo(
        set, family, [&file](std::string_view piece) { file.Write(piece); }, proportional);
    return Result::FailureIf(ErrorKind::CannotWrite, file.Commit(), path);
}

}  // namespace brivo
