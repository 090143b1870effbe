#include "fontfile/BdfWriter.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <unordered_set>

#include "glyph/Cp949.h"
#include "glyph/GlyphSet.h"
#include "safefile/SafeFile.h"

namespace brivo {

namespace {

// The one code point `utf8` holds, or none.
std::optional<char32_t> SingleCodePoint(std::string_view utf8) {
    if (utf8.empty()) return std::nullopt;
    const auto lead = static_cast<unsigned char>(utf8[0]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (utf8.size() != length) return std::nullopt;
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
        point = point << 6 | (static_cast<unsigned char>(utf8[i]) & 0x3F);
    return point;
}

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

// Rows top first, ceil(width/8) bytes each in hexadecimal, the padding bits cleared.
void AddBitmap(std::string& out, const CGlyphSet& set, const CGlyph* glyph) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const int perRow = set.BytesPerRow();
    const int spare = perRow * 8 - set.width;
    const auto lastMask = static_cast<uint8_t>(0xFF << spare);
    for (int y = 0; y < set.height; ++y) {
        for (int i = 0; i < perRow; ++i) {
            uint8_t byte =
                glyph != nullptr && glyph->bits != nullptr ? glyph->bits[y * perRow + i] : 0;
            if (i == perRow - 1) byte &= lastMask;
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
        out += '\n';
    }
}

}  // namespace

std::optional<char32_t> CodePointOf(uint16_t code, CodeRange range, bool keepsCodes) {
    const bool subset = range == RANGE_CUSTOM && keepsCodes;
    if (range == RANGE_ASCII || (subset && code < 0x80))
        return code < 0x80 ? std::optional<char32_t>(code) : std::nullopt;
    if (!subset && (range < RANGE_HANGUL || range > RANGE_ALL)) return std::nullopt;
    if (code < 0x100) return std::nullopt;
    const char bytes[] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    const std::optional<char32_t> point = SingleCodePoint(Cp949ToUtf8(std::string_view(bytes, 2)));
    // An unassigned code converts to '?' characters.
    if (point == U'?') return std::nullopt;
    return point;
}

void WriteBdfTo(const CGlyphSet& set, std::string_view family,
                const std::function<void(std::string_view)>& out) {
    const int width = set.width, height = set.height;
    const int descent = height / 8, ascent = height - descent;
    const std::string name = XlfdField(family);
    const bool bold = set.fontDescription.find(", Bold") != std::string::npos;
    const bool italic = set.fontDescription.find(", Italic") != std::string::npos;
    const std::string weight = bold ? "Bold" : "Medium", slant = italic ? "I" : "R";
    const std::string w = std::to_string(width), h = std::to_string(height);
    const std::string bbx = w + " " + h + " 0 " + std::to_string(-descent);

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
        "SPACING \"C\"",
        "AVERAGE_WIDTH " + w + "0",
        "CHARSET_REGISTRY \"ISO10646\"",
        "CHARSET_ENCODING \"1\"",
        "FONT_ASCENT " + std::to_string(ascent),
        "FONT_DESCENT " + std::to_string(descent),
    };

    std::string text;
    auto add = [&text](const std::string& line) { text += line + "\n"; };
    add("STARTFONT 2.1");
    if (!set.fontDescription.empty()) add("COMMENT " + set.fontDescription);
    add("COMMENT " + set.GetRangeName(false));
    add("FONT -Brivo-" + name + "-" + weight + "-" + slant + "-Normal--" + h + "-" + h +
        "0-72-72-C-" + w + "0-ISO10646-1");
    add("SIZE " + h + " 72 72");
    add("FONTBOUNDINGBOX " + bbx);
    add("STARTPROPERTIES " + std::to_string(std::size(properties)));
    for (const std::string& property : properties) add(property);
    add("ENDPROPERTIES");
    add("CHARS " + std::to_string(set.Count()));
    out(text);

    // Scalable width in 1/1000 of the size; the size is the height at 72 dpi.
    const std::string swidth =
        "SWIDTH " + std::to_string(std::lround(width * 1000.0 / height)) + " 0";
    std::unordered_set<char32_t> encoded;
    for (int position = 0; position < set.Count(); ++position) {
        const CGlyph* glyph = set.glyphs[position];
        std::optional<char32_t> point;
        if (glyph != nullptr) point = CodePointOf(glyph->code, set.range, set.keepsCodes);
        if (point && !encoded.insert(*point).second) point.reset();
        text.clear();
        add("STARTCHAR " + GlyphName(point, glyph != nullptr ? glyph->code : 0, position));
        add("ENCODING " + (point ? std::to_string(*point) : std::string("-1")));
        add(swidth);
        add("DWIDTH " + w + " 0");
        add("BBX " + bbx);
        add("BITMAP");
        AddBitmap(text, set, glyph);
        add("ENDCHAR");
        out(text);
    }
    out("ENDFONT\n");
}

std::string FormatBdf(const CGlyphSet& set, std::string_view family) {
    std::string text;
    WriteBdfTo(set, family, [&text](std::string_view piece) { text += piece; });
    return text;
}

Result WriteBdfFile(const CGlyphSet& set, const std::string& path) {
    safefile::SafeFileWriter file(path);
    WriteBdfTo(set, std::filesystem::path(path).stem().string(),
               [&file](std::string_view piece) { file.Write(piece); });
    return Result::FailureIf(ErrorKind::CannotWrite, file.Commit(), path);
}

}  // namespace brivo
