#include "glyph/CharacterSubset.h"

#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "glyph/GlyphSet.h"
#include "glyph/InputFile.h"

namespace brivo {

namespace {

constexpr uint8_t kFirstLead = 0xA1, kLastLead = 0xFD;

// KS X 1001 both ways, built once with iconv's code page 949 (the conversion that decides
// which glyph a code is drawn with): the character of each two-byte code, and the code of
// each character of the Basic Multilingual Plane (0: none). This is the one table of
// assigned codes: 8226 of them, KS X 1001 with the euro and registered signs of 1998, but
// not the postal mark 0xA2E8 that code page 949 leaves out.
struct KsTables {
    std::vector<char32_t> characterOf;  // by (lead - 0xA1) * 94 + trail - 0xA1
    std::vector<uint16_t> codeOf;       // by character

    KsTables() : characterOf((kLastLead - kFirstLead + 1) * kTrailsPerLead, 0), codeOf(0x10000, 0) {
        iconv_t cd = iconv_open("UTF-32LE", "CP949");
        if (cd == reinterpret_cast<iconv_t>(-1)) return;
        for (int lead = kFirstLead; lead <= kLastLead; ++lead)
            for (int trail = kFirstTrail; trail <= kLastTrail; ++trail) {
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                unsigned char out[4] = {};
                char* inPtr = in;
                char* outPtr = reinterpret_cast<char*>(out);
                std::size_t inLeft = 2, outLeft = 4;
                if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
                    outLeft != 0) {
                    iconv(cd, nullptr, nullptr, nullptr, nullptr);
                    continue;
                }
                const char32_t c = out[0] | out[1] << 8 | out[2] << 16 | char32_t{out[3]} << 24;
                if (c < 0x80 || c > 0xFFFF) continue;
                const auto code = static_cast<uint16_t>(lead << 8 | trail);
                characterOf[(lead - kFirstLead) * kTrailsPerLead + trail - kFirstTrail] = c;
                if (codeOf[c] == 0) codeOf[c] = code;
            }
        iconv_close(cd);
    }
};

const KsTables& Tables() {
    static const KsTables tables;
    return tables;
}

}  // namespace

bool DecodeUtf8(std::string_view text, std::size_t& at, char32_t& character) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char first = byte(at);
    if (first < 0x80) {
        character = first;
        ++at;
        return true;
    }
    int length = 0;
    char32_t minimum = 0;
    if ((first & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, character = first & 0x1F;
    } else if ((first & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, character = first & 0x0F;
    } else if ((first & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, character = first & 0x07;
    } else {
        return false;
    }
    if (at + length > text.size()) return false;
    for (int k = 1; k < length; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80) return false;
        character = character << 6 | (byte(at + k) & 0x3F);
    }
    if (character < minimum || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF))
        return false;
    at += length;
    return true;
}

namespace {

bool IsIgnored(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xFEFF || c == 0x2028 || c == 0x2029;
}

}  // namespace

std::string EncodeUtf8(char32_t c) {
    std::string text;
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | c >> 6);
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | c >> 12);
        text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | c >> 18);
        text += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
    return text;
}

std::optional<uint16_t> CodeOfCharacter(char32_t character) {
    if (character < 0x80) return static_cast<uint16_t>(character);
    if (character > 0xFFFF) return std::nullopt;
    const uint16_t code = Tables().codeOf[character];
    return code != 0 ? std::optional<uint16_t>(code) : std::nullopt;
}

std::optional<char32_t> CharacterOfCode(uint16_t code) {
    if (code < 0x80) return code;
    const int lead = code >> 8, trail = code & 0xFF;
    if (lead < kFirstLead || lead > kLastLead || trail < kFirstTrail || trail > kLastTrail)
        return std::nullopt;
    const char32_t c =
        Tables().characterOf[(lead - kFirstLead) * kTrailsPerLead + trail - kFirstTrail];
    return c != 0 ? std::optional<char32_t>(c) : std::nullopt;
}

CCharacterSubset::CCharacterSubset() : present(0x10000, false) {}

Result CCharacterSubset::AddText(std::string_view utf8, const std::string& source) {
    // Checked whole first, so that a refused text adds nothing.
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c;
        if (!DecodeUtf8(utf8, at, c))
            return Result::Failure(source + ": invalid UTF-8 at byte offset " + std::to_string(at));
    }
    const KsTables& tables = Tables();
    std::unordered_map<char32_t, std::size_t> unmappedHere;  // into `unmapped`
    int line = 1, column = 0;
    bool afterCr = false;
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        DecodeUtf8(utf8, at, c);
        if (c == '\n' || c == '\r') {
            if (!(c == '\n' && afterCr)) ++line, column = 0;
            afterCr = c == '\r';
            continue;
        }
        afterCr = false;
        if (c == 0xFEFF) continue;  // not counted as a column either
        ++column;
        if (IsIgnored(c)) continue;
        const uint16_t code = c < 0x80      ? static_cast<uint16_t>(c)
                              : c <= 0xFFFF ? tables.codeOf[c]
                                            : 0;
        if (code != 0) {
            if (!present[code]) ++count;
            present[code] = true;
            continue;
        }
        const auto [known, added] = unmappedHere.try_emplace(c, unmapped.size());
        if (added)
            unmapped.push_back({c, source, line, column, 1});
        else
            ++unmapped[known->second].occurrences;
    }
    return Result::Success();
}

Result CCharacterSubset::AddFile(const std::string& path) {
    InputFile file;
    const bool standardInput = path == "-";
    if (Result opened = standardInput ? file.OpenStandardInput() : file.Open(path); !opened)
        return opened;
    const std::string source = standardInput ? "standard input" : path;
    const std::string tooLong =
        source + ": more than 16 MiB; a text of characters to extract " + "may take at most 16 MiB";
    if (file.Size() > kMaxTextFileBytes)
        return Result::Failure(ErrorKind::CannotRead, tooLong, path);
    // One byte more than allowed tells a text that is too long from one that fits exactly.
    std::string text;
    char chunk[1 << 16];
    while (text.size() <= kMaxTextFileBytes) {
        const std::size_t got = file.Read(chunk, sizeof chunk);
        if (got == 0) break;
        text.append(chunk, got);
    }
    if (Result read = file.Status(); !read) return read;
    if (text.size() > kMaxTextFileBytes)
        return Result::Failure(ErrorKind::CannotRead, tooLong, path);
    return AddText(text, source);
}

void CCharacterSubset::AddCodes(const std::vector<uint16_t>& codes) {
    for (uint16_t code : codes) {
        if (!present[code]) ++count;
        present[code] = true;
    }
}

std::vector<uint16_t> CCharacterSubset::Codes() const {
    std::vector<uint16_t> codes;
    codes.reserve(count);
    for (std::size_t code = 0; code < present.size(); ++code)
        if (present[code]) codes.push_back(static_cast<uint16_t>(code));
    return codes;
}

std::string DescribeUnmapped(const UnmappedCharacter& u) {
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(u.character));
    std::string text = u.source + ":" + std::to_string(u.line) + ":" + std::to_string(u.column) +
                       ": '" + EncodeUtf8(u.character) + "' (" + number +
                       ") is not in ASCII or KS X 1001";
    if (u.occurrences > 1) text += " (" + std::to_string(u.occurrences) + " times)";
    return text;
}

int OrderGlyphsByUnicode(CGlyphSet& set) {
    std::vector<std::pair<char32_t, GlyphPtr>> kept;
    int dropped = 0;
    for (GlyphPtr& glyph : set.glyphs) {
        const std::optional<char32_t> c =
            glyph != nullptr ? CharacterOfCode(glyph->code) : std::nullopt;
        if (c)
            kept.emplace_back(*c, std::move(glyph));
        else
            ++dropped;
    }
    set.glyphs.clear();
    std::stable_sort(kept.begin(), kept.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [c, glyph] : kept) {
        glyph->index = static_cast<int32_t>(set.glyphs.size());
        set.glyphs.push_back(std::move(glyph));
    }
    return dropped;
}

void OrderGlyphsByCode(CGlyphSet& set) {
    const auto code = [](const GlyphPtr& glyph) { return glyph != nullptr ? glyph->code : 0; };
    std::stable_sort(set.glyphs.begin(), set.glyphs.end(),
                     [&](const GlyphPtr& a, const GlyphPtr& b) { return code(a) < code(b); });
    for (std::size_t n = 0; n < set.glyphs.size(); ++n)
        if (set.glyphs[n] != nullptr) set.glyphs[n]->index = static_cast<int32_t>(n);
}

uint16_t IndexCode(uint16_t code, CodeIndex index) {
    if (index != CodeIndex::Unicode) return code;
    return static_cast<uint16_t>(CharacterOfCode(code).value_or(0));
}

std::optional<uint16_t> CodeFromIndex(uint16_t value, CodeIndex index) {
    if (index != CodeIndex::Unicode) return value;
    return CodeOfCharacter(value);
}

CodeIndex GuessCodeIndex(const std::vector<uint16_t>& values) {
    const auto all = [&](auto test) { return std::all_of(values.begin(), values.end(), test); };
    if (all([](uint16_t v) { return CharacterOfCode(v).has_value(); })) return CodeIndex::EucKr;
    if (all([](uint16_t v) { return CodeOfCharacter(v).has_value(); })) return CodeIndex::Unicode;
    return CodeIndex::None;
}

bool IsCIdentifier(std::string_view name) {
    // The keywords of C (up to C23) and of C++ (up to C++20, alternative operator names
    // included): the arrays are included from C++ firmware as often as from C.
    static constexpr std::string_view kKeywords[] = {
        // C
        "auto", "break", "case", "char", "const", "continue", "default", "do", "double", "else",
        "enum", "extern", "float", "for", "goto", "if", "inline", "int", "long", "register",
        "restrict", "return", "short", "signed", "sizeof", "static", "struct", "switch", "typedef",
        "union", "unsigned", "void", "volatile", "while", "_Bool", "_Complex", "_Alignas",
        "_Alignof", "_Atomic", "_Generic", "_Noreturn", "_Static_assert", "_Thread_local",
        "_Imaginary", "_BitInt", "_Decimal32", "_Decimal64", "_Decimal128", "typeof",
        "typeof_unqual",
        // C++ (some are C23's too)
        "alignas", "alignof", "and", "and_eq", "asm", "bitand", "bitor", "bool", "catch", "char8_t",
        "char16_t", "char32_t", "class", "compl", "concept", "consteval", "constexpr", "constinit",
        "const_cast", "co_await", "co_return", "co_yield", "decltype", "delete", "dynamic_cast",
        "explicit", "export", "false", "friend", "mutable", "namespace", "new", "noexcept", "not",
        "not_eq", "nullptr", "operator", "or", "or_eq", "private", "protected", "public",
        "reinterpret_cast", "requires", "static_assert", "static_cast", "template", "this",
        "thread_local", "throw", "true", "try", "typeid", "typename", "using", "virtual", "wchar_t",
        "xor", "xor_eq"};
    if (name.empty() || name.size() > kMaxIdentifierLength) return false;
    const auto letter = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    };
    if (!letter(name[0])) return false;
    for (char c : name)
        if (!letter(c) && !(c >= '0' && c <= '9')) return false;
    return std::find(std::begin(kKeywords), std::end(kKeywords), name) == std::end(kKeywords);
}

}  // namespace brivo
