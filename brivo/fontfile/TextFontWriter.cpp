#include "fontfile/TextFontWriter.h"

#include <langinfo.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include "glyph/Cp949.h"
#include "glyph/GlyphSet.h"
#include "safefile/SafeFile.h"

namespace brivo {

namespace {

constexpr const char* kEol = "\r\n";
constexpr int kBytesPerLine = 8;

// The bytes of a proportional font's glyph: its ink box's rows (see CropBitmap).
std::string CroppedBits(const CGlyphSet& set, const CGlyph* glyph, const InkBox& box) {
    const std::vector<uint8_t> bytes =
        CropBitmap(glyph != nullptr ? glyph->bits : nullptr, set.width, set.height,
                   box.LeftColumn(set.lineMetrics ? set.lineMetrics->originX : 0),
                   box.TopRow(set.BaselineOrGuess()), box.width, box.height);
    return std::string(bytes.begin(), bytes.end());
}

// The header and notes, as UTF-8 lines; converted to code page 949 as a whole. A
// proportional font has `totalBytes` in one flat array.
std::string Header(const CGlyphSet& set, bool doubleArray, std::time_t now, const std::string& name,
                   BitLayout layout, std::optional<std::size_t> totalBytes = std::nullopt) {
    const std::string rule = "/" + std::string(91, '*') + "/";
    const int count = set.Count();
    const int record = LayoutBytesPerGlyph(set.width, set.height, layout);
    char line[256];
    std::string text;
    auto add = [&text](const std::string& s) { text += s + kEol; };
    add(rule);
    add("/* ");
    add("/* Font Type  : " + set.GetRangeName(false));
    add("/* Font Info  : " + set.fontDescription);
    add("/* Font Width : " + std::to_string(set.width) + " pixel");
    add("/* Font Height : " + std::to_string(set.height) + " pixel");
    if (totalBytes)
        add("/* Data Length : each glyph its ink box (" + name + "_offsets, " + name + "_metrics)");
    else
        add("/* Data Length : " + std::to_string(record) + " bytes");
    if (!layout.IsDefault()) add("/* Bit Layout : " + BitLayoutText(layout));
    add("/* Data Conut : " + std::to_string(count) + " ");
    add("/* ");
    add("/* Create Time : " + FormatCreateTime(now));
    add(rule);
    add("");
    add("//#include \"stdafx.h\"");
    add("");
    add("//주의사항 : '{0x'란 문자열을 가지고 배열의 처음을 인식합니다");
    add("//           최초로 나오는 '{0x' 이전의 모든 문장은 무시합니다");
    add("//           배열의 처음이 항상 공백없는 '{0x'가 되도록 해주세요");
    add("");
    if (totalBytes)
        std::snprintf(line, sizeof line, "const unsigned char %s[%zu] = {", name.c_str(),
                      std::max<std::size_t>(*totalBytes, 1));
    else
        std::snprintf(line, sizeof line,
                      doubleArray ? "const unsigned char %s[%d][%d] = {"
                                  : "const unsigned char %s[%d*%d] = {",
                      name.c_str(), count, record);
    add(line);
    return text;
}

// The code table after the glyph array, eight codes a line.
std::string CodeTable(const CGlyphSet& set, const TextArrayOptions& array) {
    const bool unicode = array.codeTable == CodeIndex::Unicode;
    std::vector<uint16_t> codes;
    codes.reserve(set.glyphs.size());
    for (const CGlyph* glyph : set.glyphs)
        codes.push_back(glyph != nullptr ? IndexCode(glyph->code, array.codeTable) : 0);
    // Glyphs inserted or moved by hand can leave the codes out of order: then the comment
    // does not promise a binary search.
    const bool ascending =
        std::adjacent_find(codes.begin(), codes.end(), std::greater_equal<>()) == codes.end();
    std::string text = kEol;
    text += unicode ? "/* The Unicode character of each glyph above"
                    : "/* The EUC-KR code of each glyph above";
    text += ascending ? ", ascending: find a glyph by binary search */"
                      : ", in glyph order (not ascending: search the whole table) */";
    text += kEol;
    text += "const unsigned short " + array.name + "_codes[" + std::to_string(set.Count()) +
            "] = {" + kEol;
    char entry[16];
    for (int n = 0; n < set.Count(); ++n) {
        std::snprintf(entry, sizeof entry, "0x%04x,", codes[n]);
        text += entry;
        text += (n + 1) % kBytesPerLine == 0 || n + 1 == set.Count() ? kEol : " ";
    }
    text += "};";
    text += kEol;
    return text;
}

// The font's lines and each glyph's advance and ink box after the glyph array, and in a
// proportional font where each glyph's bytes begin.
std::string MetricsTables(const CGlyphSet& set, const TextArrayOptions& array,
                          const std::vector<GlyphMetrics>& metrics,
                          const std::vector<std::size_t>& offsets) {
    const int baseline = set.BaselineOrGuess();
    const LineMetrics lines =
        set.lineMetrics.value_or(LineMetrics{baseline, set.height - baseline, set.height, 0});
    const std::string count = std::to_string(metrics.size());
    std::string text = kEol;
    text +=
        "/* The font in pixels: ascent, descent, line height; the pen origin in a cell: column, "
        "baseline row */";
    text += kEol;
    char entry[96];
    std::snprintf(entry, sizeof entry, "const short %s_line_metrics[5] = {%d, %d, %d, %d, %d};",
                  array.name.c_str(), lines.ascent, lines.descent, lines.lineHeight, lines.originX,
                  baseline);
    text += entry;
    text += kEol;
    if (array.proportional) {
        text += kEol;
        text += "/* Where the bytes of each glyph above begin */";
        text += kEol;
        text += "const unsigned long " + array.name + "_offsets[" + count + "] = {" + kEol;
        for (std::size_t n = 0; n < offsets.size(); ++n) {
            std::snprintf(entry, sizeof entry, "%zu,", offsets[n]);
            text += entry;
            text += (n + 1) % kBytesPerLine == 0 || n + 1 == offsets.size() ? kEol : " ";
        }
        text += "};";
        text += kEol;
    }
    text += kEol;
    text +=
        "/* Each glyph above in pixels: advance; ink box left (from the pen origin), bottom "
        "(from the baseline, up), width, height */";
    text += kEol;
    text += "const short " + array.name + "_metrics[" + count + "][5] = {" + kEol;
    for (const GlyphMetrics& glyph : metrics) {
        std::snprintf(entry, sizeof entry, "{%d, %d, %d, %d, %d},", glyph.advance, glyph.ink.x,
                      glyph.ink.y, glyph.ink.width, glyph.ink.height);
        text += entry;
        text += kEol;
    }
    text += "};";
    text += kEol;
    return text;
}

// `packed`: the glyph's bytes in the file's layout.
void FormatGlyph(std::string& out, const CGlyphSet& set, int position, bool doubleArray,
                 std::string_view packed) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.clear();
    std::string label = set.GetLabel(position);
    std::erase(label, '\x1a');
    out += "/* character ";
    out += label;
    out += " */";
    out += kEol;

    if (doubleArray) out += '{';
    for (std::size_t i = 0; i < packed.size(); ++i) {
        if (i > 0 && i % kBytesPerLine == 0) {
            out += kEol;
            if (doubleArray) out += ' ';
        }
        const auto byte = static_cast<uint8_t>(packed[i]);
        const char entry[6] = {'0', 'x', kHex[byte >> 4], kHex[byte & 15], ',', ' '};
        out.append(entry, sizeof entry);
    }
    if (doubleArray) out += "},";
    out += kEol;
    out += kEol;
}

// The encoding of the texts the time locale writes (strftime's names and words).
std::string TimeCodeset() {
    const locale_t time = newlocale(LC_CTYPE_MASK, std::setlocale(LC_TIME, nullptr), nullptr);
    if (time == nullptr) return nl_langinfo(CODESET);
    std::string codeset = nl_langinfo_l(CODESET, time);
    freelocale(time);
    return codeset;
}

}  // namespace

std::string FormatCreateTime(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    char date[64], time[64];
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    if (std::strftime(time, sizeof time, "%X", &local) == 0)
        std::strftime(time, sizeof time, "%H:%M:%S", &local);
    return std::string(date) + " " + ConvertEncoding(time, "UTF-8", TimeCodeset().c_str());
}

void WriteTextTo(const CGlyphSet& set, bool doubleArray, std::time_t now,
                 const std::function<void(std::string_view)>& out, const TextArrayOptions& array,
                 BitLayout layout) {
    const bool proportional = array.metrics && array.proportional;
    // The ink boxes as the bitmaps now are: hand edits keep the cell, not the box.
    std::vector<GlyphMetrics> metrics;
    std::vector<std::size_t> offsets;
    std::size_t totalBytes = 0;
    if (array.metrics) {
        for (const CGlyph* glyph : set.glyphs) {
            const InkBox ink = set.CurrentInk(glyph);
            metrics.push_back({set.FontAdvance(glyph), ink});
            offsets.push_back(totalBytes);
            totalBytes +=
                ink.Empty() ? 0 : static_cast<std::size_t>(ink.height) * BytesPerRow(ink.width);
        }
    }
    out(Utf8ToCp949(Header(set, doubleArray && !proportional, now, array.name, layout,
                           proportional ? std::optional(totalBytes) : std::nullopt)));
    GlyphPacker packer(set.width, set.height, layout);
    std::string text;
    for (int k = 0; k < set.Count(); ++k) {
        const CGlyph* glyph = set.glyphs[k];
        if (proportional)
            FormatGlyph(text, set, k, false, CroppedBits(set, glyph, metrics[k].ink));
        else
            FormatGlyph(text, set, k, doubleArray, packer.Pack(glyph ? glyph->bits : nullptr));
        out(text);
    }
    // C has no empty array: a font of blank glyphs has one byte.
    if (proportional && totalBytes == 0) out(std::string("0x00,") + kEol);
    out("};");
    out(kEol);
    if (array.codeTable != CodeIndex::None) out(CodeTable(set, array));
    if (array.metrics) out(MetricsTables(set, array, metrics, offsets));
}

std::string FormatTextFile(const CGlyphSet& set, bool doubleArray, std::time_t now,
                           const TextArrayOptions& array, BitLayout layout) {
    std::string text;
    WriteTextTo(
        set, doubleArray, now, [&text](std::string_view piece) { text += piece; }, array, layout);
    return text;
}

Result CheckArrayName(const std::string& name, const std::string& what) {
    if (IsCIdentifier(name)) return Result::Success();
    return Result::Failure(what +
                           " must be a C identifier (a letter or '_', then letters, digits "
                           "and '_', at most " +
                           std::to_string(kMaxIdentifierLength) +
                           "; no keyword of C or C++), not \"" + name + "\"");
}

Result WriteTextFile(const CGlyphSet& set, const std::string& path, bool doubleArray,
                     const Clock& clock, const TextArrayOptions& array, BitLayout layout) {
    if (Result name = CheckArrayName(array.name, "the array name"); !name) return name;
    const std::time_t now = clock ? clock() : std::time(nullptr);
    safefile::SafeFileWriter file(path);
    WriteTextTo(
        set, doubleArray, now, [&file](std::string_view piece) { file.Write(piece); }, array,
        layout);
    return Result::FailureIf(ErrorKind::CannotWrite, file.Commit(), path);
}

}  // namespace brivo
