#include "fontfile/TextFontWriter.h"

#include <langinfo.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

// The bytes of a proportional font's glyph: its ink box's rows, packed in `layout` (rows).
std::string CroppedBits(const CGlyphSet& set, const CGlyph* glyph, const InkBox& box,
                        BitLayout layout) {
    if (box.Empty()) return {};
    const std::vector<uint8_t> values = set.BoxValues(glyph, box);
    std::string bytes(static_cast<std::size_t>(LayoutBytesPerGlyph(box.width, box.height, layout)),
                      '\0');
    PackGlyphCoverage(values.data(), box.width, box.height, layout,
                      reinterpret_cast<uint8_t*>(bytes.data()));
    return bytes;
}

// NAME in capitals, the stem of the guard and the size macros.
std::string MacroStem(const std::string& name) {
    std::string stem = name;
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return stem;
}

// What follows an array's declarator in a firmware build: its placement and, for `static`,
// NAME_UNUSED (C warns of a static const array that a translation unit does not use).
std::string Attributes(const TextArrayOptions& array, bool definition) {
    const FirmwareOptions& firmware = array.firmware;
    std::string text;
    if (firmware.isStatic) text += " " + MacroStem(array.name) + "_UNUSED";
    if (definition && !firmware.section.empty())
        text += " __attribute__((section(\"" + firmware.section + "\")))";
    if (firmware.progmem) text += " PROGMEM";
    return text;
}

// "const unsigned char NAME[COUNT][BYTES]" with what a firmware build puts around it.
std::string Declaration(const CGlyphSet& set, bool doubleArray, const TextArrayOptions& array,
                        int record, bool definition) {
    char line[256];
    std::snprintf(line, sizeof line,
                  doubleArray ? "const unsigned char %s[%d][%d]" : "const unsigned char %s[%d*%d]",
                  array.name.c_str(), set.Count(), record);
    return (array.firmware.isStatic ? "static " : "") + std::string(line) +
           Attributes(array, definition);
}

std::string CodesDeclaration(const CGlyphSet& set, const TextArrayOptions& array, bool definition) {
    return (array.firmware.isStatic ? "static " : "") + std::string("const unsigned short ") +
           array.name + "_codes[" + std::to_string(set.Count()) + "]" +
           Attributes(array, definition);
}

// The header and notes, as UTF-8 lines; converted to code page 949 as a whole. A firmware
// build frames the description as one comment (the classic lines open a comment each, which
// compilers warn of), and opens the guard, the includes and the attribute macro. A
// proportional font has `totalBytes` in one flat array.
std::string Header(const CGlyphSet& set, bool doubleArray, CreateTime now,
                   const TextArrayOptions& array, BitLayout layout, const std::string& header,
                   std::optional<std::size_t> totalBytes = std::nullopt) {
    const FirmwareOptions& firmware = array.firmware;
    const bool framed = firmware.Any();
    const std::string stars(91, '*');
    const std::string lead = framed ? " * " : "/* ";
    const int count = set.Count();
    const int record = LayoutBytesPerGlyph(set.width, set.height, layout);
    std::string text;
    auto add = [&text](const std::string& s) { text += s + kEol; };
    auto item = [&](std::string s) {
        // A "*/" of a font's name would end the comment early.
        if (framed)
            for (std::size_t at; (at = s.find("*/")) != std::string::npos;) s.insert(at + 1, " ");
        add(lead + s);
    };
    add(framed ? "/*" + stars : "/" + stars + "/");
    item("");
    item("Font Type  : " + set.GetRangeName(false));
    item("Font Info  : " + set.fontDescription);
    item("Font Width : " + std::to_string(set.width) + " pixel");
    item("Font Height : " + std::to_string(set.height) + " pixel");
    if (totalBytes)
        item("Data Length : each glyph its ink box (" + array.name + "_offsets, " + array.name +
             "_metrics)");
    else
        item("Data Length : " + std::to_string(record) + " bytes");
    if (!layout.IsDefault()) item("Bit Layout : " + BitLayoutText(layout));
    item("Data Conut : " + std::to_string(count) + " ");
    item("");
    item("Create Time : " + FormatCreateTime(now));
    add(framed ? " " + stars + "/" : "/" + stars + "/");
    add("");
    add("//#include \"stdafx.h\"");
    add("");
    add("//주의사항 : '{0x'란 문자열을 가지고 배열의 처음을 인식합니다");
    add("//           최초로 나오는 '{0x' 이전의 모든 문장은 무시합니다");
    add("//           배열의 처음이 항상 공백없는 '{0x'가 되도록 해주세요");
    add("");
    const std::string stem = MacroStem(array.name);
    if (firmware.guard && !firmware.split) {
        add("#ifndef " + stem + "_H");
        add("#define " + stem + "_H");
        add("");
    }
    if (!header.empty()) {
        add("#include \"" + header + "\"");
        add("");
    } else if (firmware.progmem) {
        add("#include <avr/pgmspace.h>");
        add("");
    }
    if (firmware.isStatic) {
        add("#if defined(__GNUC__)");
        add("#define " + stem + "_UNUSED __attribute__((unused))");
        add("#else");
        add("#define " + stem + "_UNUSED");
        add("#endif");
        add("");
    }
    if (totalBytes)
        add((firmware.isStatic ? "static " : "") + std::string("const unsigned char ") +
            array.name + "[" + std::to_string(std::max<std::size_t>(*totalBytes, 1)) + "]" +
            Attributes(array, true) + " = {");
    else
        add(Declaration(set, doubleArray, array, record, true) + " = {");
    return text;
}

// The code table after the glyph array, eight codes a line.
std::string CodeTable(const CGlyphSet& set, const TextArrayOptions& array) {
    const bool unicode = array.codeTable == CodeIndex::Unicode;
    std::vector<uint16_t> codes;
    codes.reserve(set.glyphs.size());
    for (const GlyphPtr& glyph : set.glyphs)
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
    text += CodesDeclaration(set, array, true) + " = {" + kEol;
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
    // Declared as the glyph array is: static, in a section, in AVR flash.
    const std::string prefix = array.firmware.isStatic ? "static const " : "const ";
    const std::string attributes = Attributes(array, true);
    std::snprintf(entry, sizeof entry, " = {%d, %d, %d, %d, %d};", lines.ascent, lines.descent,
                  lines.lineHeight, lines.originX, baseline);
    text += prefix + "short " + array.name + "_line_metrics[5]" + attributes + entry;
    text += kEol;
    if (array.proportional) {
        text += kEol;
        text += "/* Where the bytes of each glyph above begin */";
        text += kEol;
        text += prefix + "unsigned long " + array.name + "_offsets[" + count + "]" + attributes +
                " = {" + kEol;
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
    text +=
        prefix + "short " + array.name + "_metrics[" + count + "][5]" + attributes + " = {" + kEol;
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

// Each glyph's advance and ink box (the ink as the bitmaps now are: hand edits keep the cell,
// not the box) and in a proportional font where its bytes begin; none without metrics.
struct GlyphTables {
    std::vector<GlyphMetrics> metrics;
    std::vector<std::size_t> offsets;
    std::size_t totalBytes = 0;  // of a proportional font's one flat array
};

GlyphTables MeasureGlyphs(const CGlyphSet& set, const TextArrayOptions& array, BitLayout layout) {
    GlyphTables tables;
    if (!array.metrics) return tables;
    for (const GlyphPtr& glyph : set.glyphs) {
        const InkBox ink = set.CurrentInk(glyph.get());
        tables.metrics.push_back({set.FontAdvance(glyph.get()), ink});
        tables.offsets.push_back(tables.totalBytes);
        tables.totalBytes += ink.Empty() ? 0 : LayoutBytesPerGlyph(ink.width, ink.height, layout);
    }
    return tables;
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

std::string FormatCreateTime(CreateTime now) {
    std::tm when{};
    char date[64], time[64];
    if (now.utc) {
        gmtime_r(&now.time, &when);
        std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S UTC", &when);
        return date;
    }
    localtime_r(&now.time, &when);
    std::strftime(date, sizeof date, "%Y-%m-%d", &when);
    if (std::strftime(time, sizeof time, "%X", &when) == 0)
        std::strftime(time, sizeof time, "%H:%M:%S", &when);
    return std::string(date) + " " + ConvertEncoding(time, "UTF-8", TimeCodeset().c_str());
}

Result CreateTimeNow(CreateTime& now) {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch == nullptr || *epoch == '\0') {
        now = CreateTime(std::time(nullptr));
        return Result::Success();
    }
    // Up to the last second of the year 9999.
    constexpr std::time_t kLast = 253402300799;
    std::time_t seconds = 0;
    const char* end = epoch + std::strlen(epoch);
    const auto [stop, error] = std::from_chars(epoch, end, seconds);
    if (error != std::errc() || stop != end || seconds < 0 || seconds > kLast)
        return Result::Failure(std::string("SOURCE_DATE_EPOCH must be the seconds since "
                                           "1970-01-01 00:00 UTC as a whole number, not \"") +
                               epoch + "\"");
    now = CreateTime(seconds, true);
    return Result::Success();
}

Result CheckFirmwareOptions(const FirmwareOptions& firmware) {
    if (firmware.isStatic && firmware.split)
        return Result::Failure(
            "--static and --split do not go together: a split font's data is shared through "
            "its header");
    if (!firmware.section.empty() && firmware.progmem)
        return Result::Failure("--section and --progmem both place the data: give one of them");
    const bool named = std::all_of(firmware.section.begin(), firmware.section.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("._$-", c) != nullptr;
    });
    if (!named || firmware.section.size() > 255)
        return Result::Failure(
            "--section must be a section name of letters, digits and "
            "\"._$-\", not \"" +
            firmware.section + "\"");
    return Result::Success();
}

SplitPaths SplitFilePaths(const std::string& path) {
    const std::filesystem::path given(path);
    std::string extension = given.extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string stem = (given.parent_path() / given.stem()).string();
    const bool header = extension.empty() || extension == ".h" || extension == ".hpp";
    return {stem + ".h", header ? stem + ".c" : path};
}

void WriteTextTo(const CGlyphSet& set, bool doubleArray, CreateTime now,
                 const std::function<void(std::string_view)>& out, const TextArrayOptions& array,
                 BitLayout layout, const std::string& header) {
    const bool proportional = array.metrics && array.proportional;
    layout.bpp = static_cast<uint8_t>(set.bpp);  // checked by WriteTextFile
    const GlyphTables tables = MeasureGlyphs(set, array, layout);
    const std::vector<GlyphMetrics>& metrics = tables.metrics;
    const std::vector<std::size_t>& offsets = tables.offsets;
    const std::size_t totalBytes = tables.totalBytes;
    out(Utf8ToCp949(Header(set, doubleArray && !proportional, now, array, layout, header,
                           proportional ? std::optional(totalBytes) : std::nullopt)));
    GlyphPacker packer(set.width, set.height, layout);
    std::string text;
    for (int k = 0; k < set.Count(); ++k) {
        const CGlyph* glyph = set.glyphs[k].get();
        if (proportional)
            FormatGlyph(text, set, k, false, CroppedBits(set, glyph, metrics[k].ink, layout));
        else
            FormatGlyph(text, set, k, doubleArray, packer.Pack(glyph));
        out(text);
    }
    // C has no empty array: a font of blank glyphs has one byte.
    if (proportional && totalBytes == 0) out(std::string("0x00,") + kEol);
    out("};");
    out(kEol);
    if (array.codeTable != CodeIndex::None) out(CodeTable(set, array));
    if (array.metrics) out(MetricsTables(set, array, metrics, offsets));
    if (array.firmware.guard && !array.firmware.split) {
        out(kEol);
        out("#endif /* " + MacroStem(array.name) + "_H */" + kEol);
    }
}

std::string FormatTextFile(const CGlyphSet& set, bool doubleArray, CreateTime now,
                           const TextArrayOptions& array, BitLayout layout) {
    std::string text;
    WriteTextTo(
        set, doubleArray, now, [&text](std::string_view piece) { text += piece; }, array, layout);
    return text;
}

std::string FormatSplitHeader(const CGlyphSet& set, bool doubleArray, const TextArrayOptions& array,
                              BitLayout layout) {
    layout.bpp = static_cast<uint8_t>(set.bpp);
    const std::string stem = MacroStem(array.name);
    const int record = LayoutBytesPerGlyph(set.width, set.height, layout);
    std::string text;
    auto add = [&text](const std::string& s) { text += s + kEol; };
    add("/* " + std::to_string(set.Count()) + " glyphs of " + std::to_string(set.width) + " x " +
        std::to_string(set.height) + " pixels, " +
        (array.metrics && array.proportional ? "each cropped to its ink"
                                             : std::to_string(record) + " bytes each") +
        (array.codeTable == CodeIndex::None ? "" : ", and their codes") +
        (array.metrics ? ", and their metrics" : "") + " */");
    add("#ifndef " + stem + "_H");
    add("#define " + stem + "_H");
    add("");
    if (array.firmware.progmem) {
        add("#include <avr/pgmspace.h>");
        add("");
    }
    add("#ifdef __cplusplus");
    add("extern \"C\" {");
    add("#endif");
    add("");
    const bool proportional = array.metrics && array.proportional;
    const std::string count = std::to_string(set.Count());
    const std::string attributes = Attributes(array, false);
    add("#define " + stem + "_WIDTH " + std::to_string(set.width));
    add("#define " + stem + "_HEIGHT " + std::to_string(set.height));
    if (proportional) {
        // Each glyph is its ink box, found through NAME_offsets.
        const std::size_t bytes =
            std::max<std::size_t>(MeasureGlyphs(set, array, layout).totalBytes, 1);
        add("#define " + stem + "_BYTES " + std::to_string(bytes));
        add("#define " + stem + "_COUNT " + count);
        add("");
        add("extern const unsigned char " + array.name + "[" + std::to_string(bytes) + "]" +
            attributes + ";");
    } else {
        add("#define " + stem + "_GLYPH_BYTES " + std::to_string(record));
        add("#define " + stem + "_COUNT " + count);
        add("");
        add("extern " + Declaration(set, doubleArray, array, record, false) + ";");
    }
    if (array.codeTable != CodeIndex::None)
        add("extern " + CodesDeclaration(set, array, false) + ";");
    if (array.metrics) {
        add("extern const short " + array.name + "_line_metrics[5]" + attributes + ";");
        if (proportional)
            add("extern const unsigned long " + array.name + "_offsets[" + count + "]" +
                attributes + ";");
        add("extern const short " + array.name + "_metrics[" + count + "][5]" + attributes + ";");
    }
    add("");
    add("#ifdef __cplusplus");
    add("}");
    add("#endif");
    add("");
    add("#endif /* " + stem + "_H */");
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
    if (Result firmware = CheckFirmwareOptions(array.firmware); !firmware) return firmware;
    BitLayout packed;
    if (Result depth = LayoutAtDepth(layout, set.bpp, packed); !depth) return depth;
    CreateTime now(clock ? clock() : 0);
    if (!clock)
        if (Result time = CreateTimeNow(now); !time) return time;
    if (!array.firmware.split) {
        safefile::SafeFileWriter file(path);
        WriteTextTo(
            set, doubleArray, now, [&file](std::string_view piece) { file.Write(piece); }, array,
            layout);
        return Result::FailureIf(ErrorKind::CannotWrite, file.Commit(), path);
    }
    const SplitPaths paths = SplitFilePaths(path);
    const std::string include = std::filesystem::path(paths.header).filename().string();
    if (!std::all_of(include.begin(), include.end(),
                     [](char c) { return c > 0x20 && c < 0x7F && c != '"' && c != '\\'; }))
        return Result::Failure("--split: the header " + paths.header +
                               " cannot be named in an #include line; give the output a name "
                               "of ASCII letters, digits and punctuation");
    safefile::SafeFileWriter header(paths.header), data(paths.data);
    header.Write(FormatSplitHeader(set, doubleArray, array, layout));
    WriteTextTo(
        set, doubleArray, now, [&data](std::string_view piece) { data.Write(piece); }, array,
        layout, include);
    const std::string failed = safefile::SafeFileWriter::CommitTogether({&header, &data});
    return Result::FailureIf(ErrorKind::CannotWrite, failed,
                             header.Ok() ? paths.data : paths.header);
}

}  // namespace brivo
