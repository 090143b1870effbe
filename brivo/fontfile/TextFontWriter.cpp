#include "fontfile/TextFontWriter.h"

#include <langinfo.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <functional>

#include "glyph/Cp949.h"
#include "glyph/GlyphSet.h"
#include "safefile/SafeFile.h"

namespace brivo {

namespace {

constexpr const char* kEol = "\r\n";
constexpr int kBytesPerLine = 8;

// The header and notes, as UTF-8 lines; converted to code page 949 as a whole.
std::string Header(const CGlyphSet& set, bool doubleArray, std::time_t now, const std::string& name,
                   BitLayout layout) {
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
    std::snprintf(
        line, sizeof line,
        doubleArray ? "const unsigned char %s[%d][%d] = {" : "const unsigned char %s[%d*%d] = {",
        name.c_str(), count, record);
    add(line);
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
    out(Utf8ToCp949(Header(set, doubleArray, now, array.name, layout)));
    GlyphPacker packer(set.width, set.height, layout);
    std::string text;
    for (int k = 0; k < set.Count(); ++k) {
        const CGlyph* glyph = set.glyphs[k].get();
        FormatGlyph(text, set, k, doubleArray, packer.Pack(glyph ? glyph->bits.get() : nullptr));
        out(text);
    }
    out("};");
    out(kEol);
    if (array.codeTable != CodeIndex::None) out(CodeTable(set, array));
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
