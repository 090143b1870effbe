#include "fontfile/GfxWriter.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "fontfile/BdfWriter.h"
#include "fontfile/SafeFile.h"
#include "glyph/CharacterSubset.h"
#include "glyph/GlyphSet.h"

namespace brivo {

// --- From the glyph set: cells cropped to their ink ----------------------------------------

Result GfxInputOf(const CGlyphSet& set, GfxFontInput& input, bool proportional) {
    const bool subset = set.range == RANGE_CUSTOM && set.keepsCodes;
    if (!subset && (set.range < RANGE_ASCII || set.range > RANGE_ALL))
        return Result::Failure(
            "a GFX font addresses glyphs by their characters, and these glyphs carry no codes: "
            "give --range, or read the font with its code table");
    bool twoByte = false;
    for (const GlyphPtr& glyph : set.glyphs) twoByte |= glyph != nullptr && glyph->code >= 0x100;
    const int baseline = set.BaselineOrGuess();
    const int originX = set.lineMetrics ? set.lineMetrics->originX : 0;
    input.glyphs.clear();
    input.yAdvance = set.height;
    for (const GlyphPtr& owned : set.glyphs) {
        const CGlyph* glyph = owned.get();
        if (glyph == nullptr || glyph->bits == nullptr) continue;
        GfxGlyph out;
        out.code = glyph->code;
        out.character = CodePointOf(glyph->code, set.range, set.keepsCodes).value_or(0);
        // ASCII beside two-byte characters is drawn in the left half of a full cell.
        out.advance = proportional                              ? set.FontAdvance(glyph)
                      : subset && twoByte && glyph->code < 0x80 ? set.width / 2
                                                                : set.width;
        if (const InkBox ink = set.CurrentInk(glyph); !ink.Empty()) {
            const int top = ink.TopRow(baseline), left = ink.LeftColumn(originX);
            out.xOffset = ink.x;
            out.yOffset = top - baseline;
            out.width = ink.width;
            out.height = ink.height;
            out.bits.assign((out.width * out.height + 7) / 8, 0);
            const int perRow = set.BytesPerRow();
            int n = 0;
            for (int y = top; y < top + ink.height; ++y) {
                const uint8_t* row = glyph->bits.get() + y * perRow;
                for (int x = left; x < left + ink.width; ++x, ++n)
                    if ((row[x >> 3] >> (7 - (x & 7)) & 1) != 0)
                        out.bits[n >> 3] |= static_cast<uint8_t>(0x80 >> (n & 7));
            }
        }
        input.glyphs.push_back(std::move(out));
    }
    return Result::Success();
}

// --- The C text -------------------------------------------------------------------------------

namespace {

constexpr long kMaxGfxBitmap = 65535;  // GFX's 16-bit bitmap offsets

std::string Format(const char* format, long a, long b = 0, long c = 0, long d = 0, long e = 0,
                   long f = 0) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b, c, d, e, f);
    return text;
}

// One GFXfont: glyphs first..last, null where the set has none.
struct FontPart {
    std::string name;
    long first = 0, last = 0;
    std::vector<const GfxGlyph*> glyphs;
};

// Whether every field of the glyph fits its GFXglyph byte; else why not.
Result CheckGlyph(const GfxGlyph& glyph, const std::string& font) {
    const auto fits = [](int value, int low, int high) { return value >= low && value <= high; };
    if (fits(glyph.width, 0, 255) && fits(glyph.height, 0, 255) && fits(glyph.advance, 0, 255) &&
        fits(glyph.xOffset, -128, 127) && fits(glyph.yOffset, -128, 127))
        return Result::Success();
    return Result::Failure(font + ": glyph " + Format("0x%04lX", glyph.code) +
                           " does not fit GFX's bytes (width, height and advance up to 255 "
                           "pixels, offsets -128 to 127): use a smaller size");
}

// The C text of one font; fails where its bitmap would pass `maxBitmap` bytes.
Result AddFont(const FontPart& part, int yAdvance, long maxBitmap, bool unicode,
               std::string& text) {
    std::vector<uint8_t> bitmap;
    std::vector<long> offsets;
    for (const GfxGlyph* glyph : part.glyphs) {
        offsets.push_back(static_cast<long>(bitmap.size()));
        if (glyph == nullptr) continue;
        if (Result fits = CheckGlyph(*glyph, part.name); !fits) return fits;
        bitmap.insert(bitmap.end(), glyph->bits.begin(), glyph->bits.end());
    }
    if (static_cast<long>(bitmap.size()) > maxBitmap)
        return Result::Failure(part.name + ": its bitmap would take " +
                               std::to_string(bitmap.size()) +
                               " bytes, and GFX's 16-bit offsets reach 65535: use a smaller size "
                               "or fewer characters, or --format gfx-unicode for TFT_eSPI");
    if (yAdvance > 255)
        return Result::Failure(part.name + ": a line height of " + std::to_string(yAdvance) +
                               " does not fit GFX's yAdvance byte (up to 255)");

    static constexpr char kHex[] = "0123456789ABCDEF";
    // Six characters a byte and a line a glyph: reserved at once rather than copied as it grows
    // (by doubling at least, as the fonts of a set follow one another).
    const std::size_t needed = text.size() + bitmap.size() * 6 + part.glyphs.size() * 64 + 1024;
    if (needed > text.capacity()) text.reserve(std::max(needed, text.capacity() * 2));
    text += "const uint8_t " + part.name + "_bitmaps[] PROGMEM = {";
    for (std::size_t n = 0; n < bitmap.size(); ++n) {
        text += n % 16 == 0 ? "\n    0x" : " 0x";
        text += kHex[bitmap[n] >> 4];
        text += kHex[bitmap[n] & 15];
        text += ',';
    }
    if (bitmap.empty()) text += "0x00";  // C has no empty arrays
    text += "\n};\n\nconst GFXglyph " + part.name + "_glyphs[] PROGMEM = {\n";
    int empty = 0;
    char line[96];
    for (std::size_t n = 0; n < part.glyphs.size(); ++n) {
        const GfxGlyph* glyph = part.glyphs[n];
        if (glyph == nullptr) {  // eight to a line
            std::snprintf(line, sizeof line, "%s{%ld, 0, 0, 0, 0, 0},",
                          ++empty % 8 == 1 ? "    " : " ", offsets[n]);
            text += line;
            if (empty % 8 == 0 || n + 1 == part.glyphs.size() || part.glyphs[n + 1] != nullptr)
                text += '\n', empty = 0;
            continue;
        }
        const unsigned code = unicode ? static_cast<unsigned>(glyph->character) : glyph->code;
        std::snprintf(line, sizeof line,
                      unicode ? "    {%ld, %d, %d, %d, %d, %d}, /* U+%04X"
                              : "    {%ld, %d, %d, %d, %d, %d}, /* 0x%02X",
                      offsets[n], glyph->width, glyph->height, glyph->advance, glyph->xOffset,
                      glyph->yOffset, code);
        text += line;
        if (glyph->character >= 0x20 && glyph->character != 0x7F)
            text += " " + EncodeUtf8(glyph->character);
        text += " */\n";
    }
    text += "};\n\nconst GFXfont " + part.name + " PROGMEM = {(uint8_t*)" + part.name +
            "_bitmaps, (GFXglyph*)" + part.name + "_glyphs, " +
            Format("0x%02lX, 0x%02lX, %ld};\n\n", part.first, part.last, yAdvance);
    return Result::Success();
}

std::string Preamble(const std::string& what) {
    return "/* " + what +
           " */\n"
           "/* Include it once, after the header that declares GFXglyph and GFXfont. */\n\n"
           "#include <stdint.h>\n\n"
           "#ifndef PROGMEM\n#define PROGMEM\n#endif\n\n";
}

// The picker of a lead byte's font and the EUC-KR walk that draws with it.
std::string Picker(const std::string& name, const std::map<int, FontPart>& leads, bool ascii) {
    std::string text =
        "/* The font of the characters whose first byte is `lead`: ASCII below 0x80, else the\n"
        "   EUC-KR lead byte's, whose glyphs GFX finds by the trail byte; 0 for none. */\n"
        "const GFXfont* " +
        name + "_font(uint8_t lead) {\n    switch (lead) {\n";
    for (const auto& [lead, part] : leads)
        text += Format("    case 0x%02lX:\n", lead) + "        return &" + part.name + ";\n";
    text += std::string("    default:\n        return ") +
            (ascii ? "lead < 0x80 ? &" + name + " : 0;\n" : "0;\n") + "    }\n}\n\n";
    text +=
        "/* Draws EUC-KR text: hands `write` each character's font and the byte GFX addresses\n"
        "   it by (the trail byte of a two-byte character); with Adafruit GFX, `write` sets the\n"
        "   font and writes the byte. Characters without a font here are left out. */\n"
        "void " +
        name +
        "_draw(const char* text, void (*write)(void* display, const GFXfont* font, uint8_t c),\n"
        "    void* display) {\n"
        "    const unsigned char* at = (const unsigned char*)text;\n"
        "    while (*at != 0) {\n"
        "        const GFXfont* font = " +
        name +
        "_font(at[0]);\n"
        "        uint8_t c = at[0];\n"
        "        if (c >= 0x80) {\n"
        "            if (at[1] == 0) break;\n"
        "            c = *++at;\n"
        "        }\n"
        "        ++at;\n"
        "        if (font != 0) write(display, font, c);\n"
        "    }\n"
        "}\n";
    return text;
}

}  // namespace

Result FormatGfx(const GfxFontInput& font, const std::string& name, std::string& text) {
    std::map<uint16_t, const GfxGlyph*> byCode;
    for (const GfxGlyph& glyph : font.glyphs) byCode.emplace(glyph.code, &glyph);
    FontPart ascii{name, 0x7F, 0x1F, {}};
    std::map<int, FontPart> leads;
    for (const auto& [code, glyph] : byCode) {
        const int lead = code >> 8, trail = code & 0xFF;
        // '\n' and '\r' move GFX's cursor; the other controls draw nothing.
        if (code >= 0x20 && code < 0x7F) {
            ascii.first = std::min<long>(ascii.first, code);
            ascii.last = std::max<long>(ascii.last, code);
        } else if (lead >= kFirstTrail && lead <= kLastTrail && trail >= kFirstTrail &&
                   trail <= kLastTrail && !leads.count(lead)) {
            leads[lead] = {name + Format("_%02lX", lead), kFirstTrail, kLastTrail, {}};
        }
    }
    const bool hasAscii = ascii.first <= ascii.last;
    if (!hasAscii && leads.empty())
        return Result::Failure("no glyph has an ASCII or KS X 1001 code a GFX font can hold");
    text = Preamble("Adafruit GFX font" + std::string(leads.empty() ? "" : "s") + " " + name);
    if (hasAscii) {
        for (long code = ascii.first; code <= ascii.last; ++code) {
            const auto found = byCode.find(static_cast<uint16_t>(code));
            ascii.glyphs.push_back(found == byCode.end() ? nullptr : found->second);
        }
        if (Result added = AddFont(ascii, font.yAdvance, kMaxGfxBitmap, false, text); !added)
            return added;
    }
    for (auto& [lead, part] : leads) {
        for (int trail = kFirstTrail; trail <= kLastTrail; ++trail) {
            const auto found = byCode.find(static_cast<uint16_t>(lead << 8 | trail));
            part.glyphs.push_back(found == byCode.end() ? nullptr : found->second);
        }
        if (Result added = AddFont(part, font.yAdvance, kMaxGfxBitmap, false, text); !added)
            return added;
    }
    if (!leads.empty()) text += Picker(name, leads, hasAscii);
    return Result::Success();
}

Result FormatGfxUnicode(const GfxFontInput& font, const std::string& name, std::string& text) {
    std::map<char32_t, const GfxGlyph*> byCharacter;
    for (const GfxGlyph& glyph : font.glyphs)
        if (glyph.character >= 0x20 && glyph.character != 0x7F)
            byCharacter.emplace(glyph.character, &glyph);
    if (byCharacter.empty()) return Result::Failure("no glyph has a character a GFX font can hold");
    FontPart part{name,
                  static_cast<long>(byCharacter.begin()->first),
                  static_cast<long>(byCharacter.rbegin()->first),
                  {}};
    if (part.last > 0xFFFF)
        return Result::Failure(Format("U+%04lX", part.last) +
                               " is beyond the 16-bit first and last of a GFX font");
    for (long c = part.first; c <= part.last; ++c) {
        const auto found = byCharacter.find(static_cast<char32_t>(c));
        part.glyphs.push_back(found == byCharacter.end() ? nullptr : found->second);
    }
    text = Preamble("TFT_eSPI GFX font " + name +
                    ", addressed by Unicode (GFXglyph with a 32-bit bitmapOffset)");
    return AddFont(part, font.yAdvance, 0xFFFFFFFFL, true, text);
}

Result WriteGfxFile(const CGlyphSet& set, const std::string& path, const std::string& name,
                    bool unicode, bool proportional) {
    GfxFontInput input;
    if (Result made = GfxInputOf(set, input, proportional); !made) return made;
    std::string text;
    if (Result formatted =
            unicode ? FormatGfxUnicode(input, name, text) : FormatGfx(input, name, text);
        !formatted)
        return formatted;
    return ReplaceFileContents(path, text);
}

}  // namespace brivo
