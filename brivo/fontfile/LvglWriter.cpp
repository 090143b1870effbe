#include "fontfile/LvglWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <optional>
#include <unordered_set>

#include "fontfile/BdfWriter.h"
#include "fontfile/SafeFile.h"
#include "glyph/GlyphBitmap.h"
#include "glyph/GlyphSet.h"

namespace brivo {

// From the glyph set; the writer below knows nothing of it.
LvglFont LvglFontOfSet(const CGlyphSet& set, bool proportional) {
    LvglFont font;
    font.bpp = set.bpp;
    const int baseline = set.BaselineOrGuess();
    font.lineHeight = set.height;
    font.baseLine = set.height - baseline;
    font.underlineThickness = std::max(1, (set.height + 12) / 24);
    font.underlinePosition = -std::max(0, font.baseLine / 2);
    std::unordered_set<char32_t> taken;
    for (const GlyphPtr& owned : set.glyphs) {
        const CGlyph* glyph = owned.get();
        if (glyph == nullptr || glyph->bits == nullptr) continue;
        const std::optional<char32_t> point = CodePointOf(glyph->code, set.range, set.keepsCodes);
        if (!point || *point == 0 || !taken.insert(*point).second) continue;
        LvglGlyph out;
        out.character = *point;
        // The ASCII of a character subset takes half the cell, as in the BDF form.
        out.advance = proportional ? set.FontAdvance(glyph) : set.CellAdvance(glyph);
        if (const InkBox ink = set.CurrentInk(glyph); !ink.Empty()) {
            out.width = ink.width;
            out.height = ink.height;
            out.left = ink.x;
            out.bottom = ink.y;
            out.coverage = set.BoxValues(glyph, ink);
        }
        font.glyphs.push_back(std::move(out));
    }
    return font;
}

namespace {

// Bits appended most significant first, as LVGL reads them.
class BitWriter {
public:
    void Put(unsigned value, int bits) {
        pending = pending << bits | value;
        pendingBits += bits;
        for (; pendingBits >= 8; pendingBits -= 8)
            bytes.push_back(static_cast<uint8_t>(pending >> (pendingBits - 8)));
    }
    // The next glyph starts on a byte of its own.
    void EndGlyph() {
        if (pendingBits > 0) bytes.push_back(static_cast<uint8_t>(pending << (8 - pendingBits)));
        pendingBits = 0;
    }
    std::size_t Size() const { return bytes.size(); }

    std::vector<uint8_t> bytes;

private:
    unsigned pending = 0;
    int pendingBits = 0;
};

// A glyph's values in the code LVGL decompresses: each row XORed with the row above it, then
// the values in a row run: a value, a second equal value switches to one bit a value (1: the
// same again, 0: a new value follows); the eleventh 1 is followed by a 6-bit count N, N - 1
// more of the same value and then a new one.
void CompressGlyph(const LvglGlyph& glyph, int bpp, BitWriter& out) {
    std::vector<uint8_t> values = glyph.coverage;
    for (std::size_t at = values.size(); at-- > static_cast<std::size_t>(glyph.width);)
        values[at] ^= glyph.coverage[at - glyph.width];
    bool repeating = false;
    int repeats = 0;
    uint8_t previous = 0;
    const std::size_t count = values.size();
    for (std::size_t at = 0; at < count;) {
        const uint8_t value = values[at];
        if (!repeating) {
            out.Put(value, bpp);
            repeating = at > 0 && value == previous;
            repeats = 0;
            previous = value;
            ++at;
        } else if (value != previous) {
            out.Put(0, 1);
            out.Put(value, bpp);
            previous = value;
            repeating = false;
            ++at;
        } else {
            out.Put(1, 1);
            ++at;
            if (++repeats < 11) continue;
            std::size_t run = 0;
            while (run < 62 && at + run < count && values[at + run] == previous) ++run;
            out.Put(static_cast<unsigned>(run + 1), 6);
            at += run;
            if (at < count) {
                previous = values[at];
                out.Put(previous, bpp);
                ++at;
            }
            repeating = false;
        }
    }
}

enum class CmapType { Format0Full, SparseFull, Format0Tiny, SparseTiny };

const char* CmapTypeName(CmapType type) {
    switch (type) {
        case CmapType::Format0Full:
            return "LV_FONT_FMT_TXT_CMAP_FORMAT0_FULL";
        case CmapType::SparseFull:
            return "LV_FONT_FMT_TXT_CMAP_SPARSE_FULL";
        case CmapType::Format0Tiny:
            return "LV_FONT_FMT_TXT_CMAP_FORMAT0_TINY";
        case CmapType::SparseTiny:
            return "LV_FONT_FMT_TXT_CMAP_SPARSE_TINY";
    }
    return "";
}

// Characters first to last (indexes into the sorted characters) mapped one way.
struct Cmap {
    std::size_t first = 0, last = 0;
    CmapType type = CmapType::Format0Tiny;
};

// The cmaps that cost the fewest bytes: a run of consecutive characters in a format 0 tiny
// map (no list), up to 256 characters spread over a range in a format 0 full map (a byte per
// character of the range), any characters within 65 536 of the first in a sparse tiny map (16
// bits a character); each map itself costs its struct. The glyphs are in character order, so
// the sparse full map, which reorders them, is never the smaller.
std::vector<Cmap> ChooseCmaps(const std::vector<char32_t>& points) {
    constexpr long kMapBytes = 24;  // lv_font_fmt_txt_cmap_t on a 32-bit target
    constexpr long kNone = std::numeric_limits<long>::max() / 2;
    const std::size_t count = points.size();
    std::vector<long> cost(count + 1, kNone);
    std::vector<Cmap> last(count + 1);
    cost[0] = 0;
    std::size_t runBest = 0;  // the start in the run of consecutive characters that costs least
    std::deque<std::size_t> sparse;  // starts by ascending cost[i] - 2i
    for (std::size_t end = 1; end <= count; ++end) {
        const std::size_t back = end - 1;
        if (back == 0 || points[back] != points[back - 1] + 1 || cost[back] < cost[runBest])
            runBest = back;
        const auto consider = [&](std::size_t from, long bytes, CmapType type) {
            if (cost[from] + bytes < cost[end]) {
                cost[end] = cost[from] + bytes;
                last[end] = Cmap{from, back, type};
            }
        };
        consider(runBest, kMapBytes, CmapType::Format0Tiny);
        for (std::size_t from = end > 256 ? end - 256 : 0; from < end; ++from)
            if (points[back] - points[from] < 65536)
                consider(from, kMapBytes + static_cast<long>(points[back] - points[from] + 1),
                         CmapType::Format0Full);
        const auto key = [&](std::size_t from) { return cost[from] - 2 * static_cast<long>(from); };
        while (!sparse.empty() && key(sparse.back()) >= key(back)) sparse.pop_back();
        sparse.push_back(back);
        while (points[back] - points[sparse.front()] >= 65536) sparse.pop_front();
        consider(sparse.front(), kMapBytes + 2 * static_cast<long>(end - sparse.front()),
                 CmapType::SparseTiny);
    }
    std::vector<Cmap> maps;
    for (std::size_t end = count; end > 0; end = last[end].first) maps.push_back(last[end]);
    std::reverse(maps.begin(), maps.end());
    return maps;
}

// Appends values as C, `perLine` to a line.
template <typename Values>
void AddList(std::string& text, const Values& values, std::size_t perLine) {
    for (std::size_t n = 0; n < values.size(); ++n) {
        text += n % perLine == 0 ? "\n    " : " ";
        text += std::to_string(values[n]);
        text += ',';
    }
    text += '\n';
}

// Appends bytes as C hexadecimal, 16 to a line; the glyphs are most of the file.
void AddHexBytes(std::string& text, const uint8_t* bytes, std::size_t count) {
    static const char kDigits[] = "0123456789abcdef";
    const std::size_t start = text.size();
    text.resize(start + count * 6 + (count + 15) / 16 * 4 + 1);
    char* out = text.data() + start;
    for (std::size_t n = 0; n < count; ++n) {
        if (n % 16 == 0) {
            std::memcpy(out, "\n    ", 5);
            out += 5;
        } else {
            *out++ = ' ';
        }
        const uint8_t value = bytes[n];
        *out++ = '0';
        *out++ = 'x';
        *out++ = kDigits[value >> 4];
        *out++ = kDigits[value & 15];
        *out++ = ',';
    }
    *out++ = '\n';
    text.resize(static_cast<std::size_t>(out - text.data()));
}

std::string CodePointText(char32_t point) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(point));
    return text;
}

Result CheckFont(const LvglFont& font) {
    if (font.bpp != 1 && font.bpp != 2 && font.bpp != 4 && font.bpp != 8)
        return Result::Failure("LVGL fonts have 1, 2, 4 or 8 bits per pixel, not " +
                               std::to_string(font.bpp));
    if (font.glyphs.empty()) return Result::Failure("no glyph has a Unicode character");
    if (font.glyphs.size() > 65535)
        return Result::Failure("an LVGL font holds at most 65 535 glyphs");
    for (const LvglGlyph& glyph : font.glyphs) {
        const std::string what = "LVGL cannot hold " + CodePointText(glyph.character) + ": ";
        if (glyph.width > 255 || glyph.height > 255)
            return Result::Failure(what + "its ink box is over 255 pixels");
        if (glyph.advance < 0 || glyph.advance > 255)
            return Result::Failure(what + "its advance is over 255 pixels");
        if (glyph.left < -128 || glyph.left > 127 || glyph.bottom < -128 || glyph.bottom > 127)
            return Result::Failure(what + "its ink box is over 127 pixels off its origin");
        if (glyph.coverage.size() != static_cast<std::size_t>(glyph.width) * glyph.height)
            return Result::Failure(what + "its bitmap is not its ink box");
    }
    return Result::Success();
}

}  // namespace

Result FormatLvglFont(const LvglFont& font, const std::string& name, bool compress,
                      std::string& text) {
    if (Result check = CheckFont(font); !check) return check;
    compress = compress && LvglCompresses(font.bpp);
    std::vector<const LvglGlyph*> glyphs;
    for (const LvglGlyph& glyph : font.glyphs) glyphs.push_back(&glyph);
    std::sort(glyphs.begin(), glyphs.end(),
              [](const LvglGlyph* a, const LvglGlyph* b) { return a->character < b->character; });
    std::vector<char32_t> points;
    for (const LvglGlyph* glyph : glyphs) {
        if (!points.empty() && points.back() == glyph->character)
            return Result::Failure("two glyphs for " + CodePointText(glyph->character));
        points.push_back(glyph->character);
    }

    BitWriter bits;
    std::vector<std::size_t> starts;
    for (const LvglGlyph* glyph : glyphs) {
        starts.push_back(bits.Size());
        if (compress)
            CompressGlyph(*glyph, font.bpp, bits);
        else
            for (const uint8_t value : glyph->coverage) bits.Put(value, font.bpp);
        bits.EndGlyph();
    }
    // LVGL reads a byte ahead while it decompresses the last glyph.
    if (compress) bits.Put(0, 8);
    if (bits.Size() > 0xFFFFF)
        return Result::Failure("the glyphs take " + std::to_string(bits.Size()) +
                               " bytes; an LVGL font holds at most 1 MiB (make it of fewer or "
                               "smaller glyphs)");
    const std::vector<Cmap> maps = ChooseCmaps(points);
    if (maps.size() > 511)
        return Result::Failure("the characters need " + std::to_string(maps.size()) +
                               " cmaps; an LVGL font holds at most 511");

    char line[512];
    // The bytes as hexadecimal and a descriptor line per glyph, the cmaps' lists: reserved at
    // once, so that megabytes of text are not copied as they grow.
    text.clear();
    text.reserve(bits.Size() * 6 + bits.Size() / 4 + glyphs.size() * 160 + points.size() * 8 +
                 4096);
    text += "/* LVGL font " + name + ": " + std::to_string(glyphs.size()) + " glyphs, " +
            std::to_string(font.bpp) + " bpp" + (compress ? ", compressed" : "") +
            ". For LVGL v9 (lv_font_fmt_txt); declare it with LV_FONT_DECLARE(" + name +
            "). */\n\n"
            "#ifdef LV_LVGL_H_INCLUDE_SIMPLE\n#include \"lvgl.h\"\n#else\n"
            "#include \"lvgl/lvgl.h\"\n#endif\n\n";
    if (compress)
        text += "#if !LV_USE_FONT_COMPRESSED\n#error \"" + name +
                " is compressed: set LV_USE_FONT_COMPRESSED to 1 in lv_conf.h\"\n#endif\n\n";
    text += "static const uint8_t glyph_bitmap[] = {";
    for (std::size_t n = 0; n < glyphs.size(); ++n) {
        const std::size_t end = n + 1 < glyphs.size() ? starts[n + 1] : bits.Size();
        text += "\n    /* " + CodePointText(glyphs[n]->character) + " */";
        AddHexBytes(text, bits.bytes.data() + starts[n], end - starts[n]);
    }
    if (bits.Size() == 0) text += "    0,\n";  // no glyph has ink: C has no empty arrays
    text +=
        "};\n\nstatic const lv_font_fmt_txt_glyph_dsc_t glyph_dsc[] = {\n"
        "    {.bitmap_index = 0, .adv_w = 0, .box_w = 0, .box_h = 0, .ofs_x = 0, .ofs_y = 0},\n";
    for (std::size_t n = 0; n < glyphs.size(); ++n) {
        const LvglGlyph& glyph = *glyphs[n];
        std::snprintf(line, sizeof line,
                      "    {.bitmap_index = %zu, .adv_w = %d, .box_w = %d, .box_h = %d, "
                      ".ofs_x = %d, .ofs_y = %d}, /* %s */\n",
                      starts[n], glyph.advance * 16, glyph.width, glyph.height, glyph.left,
                      glyph.bottom, CodePointText(glyph.character).c_str());
        text += line;
    }
    text += "};\n\n";

    std::string table = "static const lv_font_fmt_txt_cmap_t cmaps[] = {\n";
    for (std::size_t n = 0; n < maps.size(); ++n) {
        const Cmap& map = maps[n];
        const char32_t start = points[map.first];
        const std::size_t listLength = map.last - map.first + 1;
        std::string unicodeList = "NULL", offsetList = "NULL";
        if (map.type == CmapType::SparseTiny) {
            std::vector<uint32_t> offsets;
            for (std::size_t at = map.first; at <= map.last; ++at)
                offsets.push_back(points[at] - start);
            unicodeList = "unicode_list_" + std::to_string(n);
            text += "static const uint16_t " + unicodeList + "[] = {";
            AddList(text, offsets, 12);
            text += "};\n\n";
        } else if (map.type == CmapType::Format0Full) {
            std::vector<uint8_t> offsets(points[map.last] - start + 1, 0);
            for (std::size_t at = map.first; at <= map.last; ++at)
                offsets[points[at] - start] = static_cast<uint8_t>(at - map.first);
            offsetList = "glyph_id_ofs_list_" + std::to_string(n);
            text += "static const uint8_t " + offsetList + "[] = {";
            AddList(text, offsets, 16);
            text += "};\n\n";
        }
        std::snprintf(line, sizeof line,
                      "    {.range_start = %u, .range_length = %u, .glyph_id_start = %zu,\n",
                      static_cast<unsigned>(start),
                      static_cast<unsigned>(points[map.last] - start + 1), map.first + 1);
        table += line;
        table += "     .unicode_list = " + unicodeList + ", .glyph_id_ofs_list = " + offsetList +
                 ",\n     .list_length = " +
                 std::to_string(map.type == CmapType::SparseTiny ? listLength : 0) +
                 ", .type = " + CmapTypeName(map.type) + "},\n";
    }
    text += table + "};\n\n";

    std::snprintf(line, sizeof line,
                  "static const lv_font_fmt_txt_dsc_t font_dsc = {\n"
                  "    .glyph_bitmap = glyph_bitmap,\n    .glyph_dsc = glyph_dsc,\n"
                  "    .cmaps = cmaps,\n    .kern_dsc = NULL,\n    .kern_scale = 0,\n"
                  "    .cmap_num = %zu,\n    .bpp = %d,\n    .kern_classes = 0,\n"
                  "    .bitmap_format = %s,\n};\n\n",
                  maps.size(), font.bpp,
                  compress ? "LV_FONT_FMT_TXT_COMPRESSED" : "LV_FONT_FMT_TXT_PLAIN");
    text += line;
    text += "const lv_font_t " + name + " = {\n";
    std::snprintf(line, sizeof line,
                  "    .get_glyph_dsc = lv_font_get_glyph_dsc_fmt_txt,\n"
                  "    .get_glyph_bitmap = lv_font_get_bitmap_fmt_txt,\n"
                  "    .line_height = %d,\n    .base_line = %d,\n"
                  "    .subpx = LV_FONT_SUBPX_NONE,\n"
                  "    .underline_position = %d,\n    .underline_thickness = %d,\n",
                  font.lineHeight, font.baseLine, font.underlinePosition, font.underlineThickness);
    text += line;
    text += "    .dsc = &font_dsc,\n    .fallback = NULL,\n    .user_data = NULL,\n};\n";
    return Result::Success();
}

Result WriteLvglFont(const LvglFont& font, const std::string& name, bool compress,
                     const std::string& path) {
    std::string text;
    if (Result made = FormatLvglFont(font, name, compress, text); !made) return made;
    return ReplaceFileContents(path, text);
}

}  // namespace brivo
