#include "fontfile/TextFontWriter.h"

#include <langinfo.h>

#include <clocale>
#include <cstdio>

#include "glyph/Cp949.h"
#include "glyph/GlyphSet.h"
#include "safefile/SafeFile.h"

namespace brivo {

namespace {

constexpr const char* kEol = "\r\n";
constexpr int kBytesPerLine = 8;

// The header and notes, as UTF-8 lines; converted to code page 949 as a whole.
std::string Header(const CGlyphSet& set, bool doubleArray, std::time_t now) {
    const std::string rule = "/" + std::string(91, '*') + "/";
    const int count = set.Count();
    const int record = set.BytesPerGlyph();
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
    std::snprintf(line, sizeof line,
                  doubleArray ? "const unsigned char data_table[%d][%d] = {"
                              : "const unsigned char data_table[%d*%d] = {",
                  count, record);
    add(line);
    return text;
}

void FormatGlyph(std::string& out, const CGlyphSet& set, int position, bool doubleArray) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.clear();
    std::string label = set.GetLabel(position);
    std::erase(label, '\x1a');
    out += "/* character ";
    out += label;
    out += " */";
    out += kEol;

    const CGlyph* glyph = set.glyphs[position];
    const uint8_t* bits = glyph != nullptr ? glyph->bits : nullptr;
    const int count = set.BytesPerGlyph();
    if (doubleArray) out += '{';
    for (int i = 0; i < count; ++i) {
        if (i > 0 && i % kBytesPerLine == 0) {
            out += kEol;
            if (doubleArray) out += ' ';
        }
        const uint8_t byte = bits != nullptr ? bits[i] : 0;
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
                 const std::function<void(std::string_view)>& out) {
    out(Utf8ToCp949(Header(set, doubleArray, now)));
    std::string glyph;
    for (int k = 0; k < set.Count(); ++k) {
        FormatGlyph(glyph, set, k, doubleArray);
        out(glyph);
    }
    out("};");
    out(kEol);
}

std::string FormatTextFile(const CGlyphSet& set, bool doubleArray, std::time_t now) {
    std::string text;
    WriteTextTo(set, doubleArray, now, [&text](std::string_view piece) { text += piece; });
    return text;
}

Result WriteTextFile(const CGlyphSet& set, const std::string& path, bool doubleArray,
                     const Clock& clock) {
    const std::time_t now = clock ? clock() : std::time(nullptr);
    safefile::SafeFileWriter file(path);
    WriteTextTo(set, doubleArray, now, [&file](std::string_view piece) { file.Write(piece); });
    return Result::FailureIf(ErrorKind::CannotWrite, file.Commit(), path);
}

}  // namespace brivo
