#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "glyph/CharacterSubset.h"
#include "glyph/GlyphSet.h"

using namespace brivo;

namespace {

// Codes from the KS X 1001 code chart (the EUC-KR form: row and cell + 0xA0).
TEST(CharacterSubsetTest, CodesFollowTheKsX1001Chart) {
    struct Case {
        char32_t character;
        std::optional<uint16_t> code;
    };
    const Case cases[] = {
        {U'A', 0x41},
        {U' ', 0x20},
        {U'\u3000', 0xA1A1},        // ideographic space
        {U'\u20AC', 0xA2E6},        // euro sign
        {U'\uFF01', 0xA3A1},        // full-width !
        {U'\u3131', 0xA4A1},        // ㄱ
        {U'\u0391', 0xA5C1},        // Greek Alpha
        {U'\u3041', 0xAAA1},        // ぁ
        {U'\u0410', 0xACA1},        // Cyrillic A
        {U'\uAC00', 0xB0A1},        // 가
        {U'\uD79D', 0xC8FE},        // 힝, the last syllable
        {U'\u4F3D', 0xCAA1},        // 伽, the first hanja
        {U'\u8A70', 0xFDFE},        // 詰, the last hanja
        {U'\uAC01', 0xB0A2},        // 각
        {U'\uB620', std::nullopt},  // 똠: not in KS X 1001
        {U'\u00E9', std::nullopt},  // é
        {U'\U0001F600', std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CodeOfCharacter(c.character), c.code) << std::hex << uint32_t(c.character);
        if (c.code) {
            EXPECT_EQ(CharacterOfCode(*c.code), c.character) << std::hex << *c.code;
        }
    }
    // Unassigned and out-of-range codes have no character.
    for (uint16_t code : {0xA2E9, 0xADA1, 0xC9A1, 0xB0A0, 0xB0FF, 0x80, 0xFEA1})
        EXPECT_FALSE(CharacterOfCode(code).has_value()) << std::hex << code;
}

TEST(CharacterSubsetTest, DistinctCharactersInCodeOrder) {
    struct Case {
        std::string text;
        std::vector<uint16_t> codes;
    };
    const Case cases[] = {
        {"가나다", {0xB0A1, 0xB3AA, 0xB4D9}},
        {"다나가가나", {0xB0A1, 0xB3AA, 0xB4D9}},
        // ASCII comes before KS X 1001; spaces are characters, tabs and line ends are not.
        {"OK 확인\r\n\t취소\n", {0x20, 0x4B, 0x4F, 0xC3EB, 0xC8AE, 0xC0CE, 0xBCD2}},
        // Byte-order mark, control characters, C1 controls and DEL are ignored.
        {"\xEF\xBB\xBF"
         "A\x01\x7F\xC2\x85"
         "B",
         {0x41, 0x42}},
        {"", {}},
    };
    for (const Case& c : cases) {
        CCharacterSubset subset;
        ASSERT_TRUE(subset.AddText(c.text, "t"));
        std::vector<uint16_t> expected = c.codes;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(subset.Codes(), expected) << c.text;
        EXPECT_EQ(subset.Count(), static_cast<int>(expected.size()));
        EXPECT_TRUE(subset.Unmapped().empty());
    }
}

TEST(CharacterSubsetTest, TextsAndRangesMakeOneUnion) {
    CCharacterSubset subset;
    ASSERT_TRUE(subset.AddText("가A", "a"));
    ASSERT_TRUE(subset.AddText("가B", "b"));
    subset.AddCodes({0x41, 0xB0A2});
    EXPECT_EQ(subset.Codes(), (std::vector<uint16_t>{0x41, 0x42, 0xB0A1, 0xB0A2}));
    subset.AddCodes(RangeCodes(RANGE_ASCII, false));
    EXPECT_EQ(subset.Count(), 128 + 2);
}

TEST(CharacterSubsetTest, UnmappedCharactersTellWhereTheyFirstStand) {
    CCharacterSubset subset;
    // Line 2 begins after CR LF, line 3 after a lone CR; the BOM takes no column.
    ASSERT_TRUE(
        subset.AddText("\xEF\xBB\xBF"
                       "a\xC3\xA9\r\n"
                       "xy\xF0\x9F\x98\x80\r"
                       "\xC3\xA9 \xEB\x98\xA0",
                       "menu.txt"));
    ASSERT_EQ(subset.Unmapped().size(), 3u);
    const std::vector<std::string> expected = {
        "menu.txt:1:2: '\xC3\xA9' (U+00E9) is not in ASCII or KS X 1001 (2 times)",
        "menu.txt:2:3: '\xF0\x9F\x98\x80' (U+1F600) is not in ASCII or KS X 1001",
        "menu.txt:3:3: '\xEB\x98\xA0' (U+B620) is not in ASCII or KS X 1001",
    };
    for (std::size_t n = 0; n < expected.size(); ++n)
        EXPECT_EQ(DescribeUnmapped(subset.Unmapped()[n]), expected[n]);
    // The characters that have codes are kept.
    EXPECT_EQ(subset.Codes(), (std::vector<uint16_t>{0x20, 0x61, 0x78, 0x79}));
}

TEST(CharacterSubsetTest, BadUtf8IsRefusedWithItsByteOffset) {
    struct Case {
        std::string text;
        std::size_t offset;
    };
    const Case cases[] = {
        {"ab\xFF", 2},                    // no lead byte
        {"\x80", 0},                      // a continuation byte alone
        {"\xEA\xB0", 0},                  // cut short at the end
        {"x\xEA\x41\x80", 1},             // a lead byte without its continuation
        {"\xC0\xAF", 0},                  // overlong '/'
        {"ok\xED\xA0\x80", 2},            // a surrogate
        {"\xF4\x90\x80\x80", 0},          // beyond U+10FFFF
        {"\xEA\xB0\x80\xE0\x80\x80", 3},  // overlong after a good character
    };
    for (const Case& c : cases) {
        CCharacterSubset subset;
        subset.AddCodes({0x41});
        const Result result = subset.AddText(c.text, "f.txt");
        EXPECT_EQ(result.message,
                  "f.txt: invalid UTF-8 at byte offset " + std::to_string(c.offset));
        EXPECT_EQ(subset.Codes(), std::vector<uint16_t>{0x41}) << "a refused text adds nothing";
    }
}

TEST(CharacterSubsetTest, UnreadableFileIsRefused) {
    CCharacterSubset subset;
    EXPECT_FALSE(subset.AddFile("/nonexistent/menu.txt"));
}

TEST(CharacterSubsetTest, UnicodeOrderDropsCodesWithoutCharacters) {
    CGlyphSet set;
    // EUC-KR order differs from Unicode order for these: ㄱ U+3131, 가 U+AC00, € U+20AC.
    for (uint16_t code : {0xA2E6, 0xA2E9, 0xA4A1, 0xB0A1, 0x41})
        set.glyphs.push_back(NewGlyph(code, 2, static_cast<int>(set.glyphs.size())));
    EXPECT_EQ(OrderGlyphsByUnicode(set), 1);
    std::vector<uint16_t> codes, indexes;
    for (const GlyphPtr& glyph : set.glyphs) {
        codes.push_back(IndexCode(glyph->code, CodeIndex::Unicode));
        indexes.push_back(static_cast<uint16_t>(glyph->index));
    }
    EXPECT_EQ(codes, (std::vector<uint16_t>{0x41, 0x20AC, 0x3131, 0xAC00}));
    EXPECT_EQ(indexes, (std::vector<uint16_t>{0, 1, 2, 3}));
    EXPECT_EQ(CodeFromIndex(0x3131, CodeIndex::Unicode), uint16_t{0xA4A1});
    EXPECT_EQ(CodeFromIndex(0xA4A1, CodeIndex::EucKr), uint16_t{0xA4A1});
}

TEST(CharacterSubsetTest, CodeTableKindIsGuessedFromItsValues) {
    EXPECT_EQ(GuessCodeIndex({0x41, 0xB0A1, 0xC8FE}), CodeIndex::EucKr);
    EXPECT_EQ(GuessCodeIndex({0x41, 0xAC00, 0xD79D}), CodeIndex::Unicode);
    EXPECT_EQ(GuessCodeIndex({0xB620}), CodeIndex::None);
}

TEST(CharacterSubsetTest, ArrayNamesMustBeCIdentifiers) {
    for (const char* good : {"data_table", "_font", "Font16x16", "a", "font_2"})
        EXPECT_TRUE(IsCIdentifier(good)) << good;
    for (const char* bad :
         {"", "9font", "font-16", "font 16", "int", "static", "가", "a.b",
          // keywords of C++ (or of newer C) that a C++ firmware cannot use
          "class", "new", "delete", "this", "template", "namespace", "bool", "true", "nullptr",
          "constexpr", "and", "xor_eq", "char8_t", "co_await", "requires", "typeof", "_BitInt"})
        EXPECT_FALSE(IsCIdentifier(bad)) << bad;
    // Near misses stay names.
    for (const char* good : {"Class", "new_font", "delete2", "_new", "classic", "bool_"})
        EXPECT_TRUE(IsCIdentifier(good)) << good;
    EXPECT_TRUE(IsCIdentifier(std::string(kMaxIdentifierLength, 'x')));
    EXPECT_FALSE(IsCIdentifier(std::string(kMaxIdentifierLength + 1, 'x')));
}

TEST(CharacterSubsetTest, SetKeepingCodesIsNamedAndLabelledByThem) {
    CGlyphSet set;
    set.range = RANGE_CUSTOM;
    set.glyphs.push_back(NewGlyph(0xB0A1, 2, 0));
    EXPECT_EQ(set.GetRangeName(false), "Custom");
    EXPECT_EQ(set.GetLabel(0), "[0]");
    set.keepsCodes = true;
    EXPECT_EQ(set.GetRangeName(false), "Custom (1 characters)");
    EXPECT_EQ(set.GetRangeName(true), "Custom");
    EXPECT_EQ(set.GetLabel(0), "\xB0\xA1[0xb0a1]");
}

}  // namespace
