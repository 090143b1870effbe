#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "glyph/CodeRange.h"
#include "glyph/Result.h"

namespace brivo {

class CGlyphSet;

// The code of a character: ASCII 0x00-0x7F as itself, a character of KS X 1001 as its
// two-byte EUC-KR code (lead bytes 0xA1-0xFD). None for anything else.
std::optional<uint16_t> CodeOfCharacter(char32_t character);

// The Unicode character of an ASCII or KS X 1001 code; none for unassigned codes.
std::optional<char32_t> CharacterOfCode(uint16_t code);

// Decodes one UTF-8 character at `at`, moving `at` past it; false for a malformed, overlong
// or surrogate sequence or one beyond U+10FFFF.
bool DecodeUtf8(std::string_view text, std::size_t& at, char32_t& character);
std::string EncodeUtf8(char32_t character);

// Which code a code table lists for each glyph.
enum class CodeIndex { None, EucKr, Unicode };

// A character of a text that has no code, where it first stands.
struct UnmappedCharacter {
    char32_t character = 0;
    std::string source;   // the file name, or "--chars"
    int line = 0;         // from 1
    int column = 0;       // from 1, in characters
    int occurrences = 0;  // how often it stands in the source
};

// The characters a product uses: the distinct characters of UTF-8 texts that are ASCII or
// KS X 1001, plus whole code ranges, as ascending codes. Control characters, line ends and
// the byte-order mark are ignored; characters without a code are collected in Unmapped().
// The longest text file of characters that AddFile reads.
inline constexpr std::size_t kMaxTextFileBytes = std::size_t{16} << 20;

class CCharacterSubset {
public:
    CCharacterSubset();

    // Adds the characters of `utf8`; `source` names it in messages. Text that is not valid
    // UTF-8 is refused ("SOURCE: invalid UTF-8 at byte offset N"), adding nothing.
    Result AddText(std::string_view utf8, const std::string& source);
    // AddText on the whole of a file, or of standard input for "-". Only regular files are
    // read (as InputFile), of at most kMaxTextFileBytes.
    Result AddFile(const std::string& path);
    void AddCodes(const std::vector<uint16_t>& codes);

    std::vector<uint16_t> Codes() const;  // ascending
    int Count() const { return count; }
    const std::vector<UnmappedCharacter>& Unmapped() const { return unmapped; }

private:
    std::vector<bool> present;  // by code
    int count = 0;
    std::vector<UnmappedCharacter> unmapped;
};

// "menu.txt:3:5: 'é' (U+00E9) is not in ASCII or KS X 1001 (2 times)".
std::string DescribeUnmapped(const UnmappedCharacter& character);

// Puts the glyphs in the order of their Unicode characters; glyphs whose code has no
// character (unassigned codes) are taken out. Returns how many were taken out.
int OrderGlyphsByUnicode(CGlyphSet& set);

// Puts the glyphs in the ascending order of their codes (glyphs of one code keep their order),
// so that a table of EUC-KR codes can be searched by halves.
void OrderGlyphsByCode(CGlyphSet& set);

// The code a code table lists for a glyph code (0 where a Unicode table has none), and
// back (none where a Unicode character has no code).
uint16_t IndexCode(uint16_t code, CodeIndex index);
std::optional<uint16_t> CodeFromIndex(uint16_t value, CodeIndex index);

// Whether `name` can name a C array in C and C++ alike: a letter or '_', then letters, digits
// and '_', no keyword of C or C++, at most kMaxIdentifierLength characters (what every C
// compiler tells apart).
constexpr std::size_t kMaxIdentifierLength = 63;
bool IsCIdentifier(std::string_view name);

// How a table of codes without a word of its own (a .idx file) is meant: EUC-KR when every
// value is an assigned ASCII or KS X 1001 code, else Unicode when every value is a character
// with such a code, else None.
CodeIndex GuessCodeIndex(const std::vector<uint16_t>& values);

}  // namespace brivo
