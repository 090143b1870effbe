#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fontfile/BinaryFontFile.h"
#include "fontfile/TextFontReader.h"
#include "fontfile/TextFontWriter.h"
#include "fontfile/tests/TestFiles.h"
#include "glyph/CharacterSubset.h"
#include "glyph/Cp949.h"

using namespace brivo;

namespace {

constexpr std::time_t kCreateTime = 1206632277;

// A character subset of three glyphs: ASCII 'A', 가 and 힝, 8 x 2 pixels.
void Subset(CGlyphSet& set) {
    set.SetGlyphSize(8, 2);
    set.range = RANGE_CUSTOM;
    set.keepsCodes = true;
    AddGlyph(set, 0x41, 0x10);
    AddGlyph(set, 0xB0A1, 0x20);
    AddGlyph(set, 0xC8FE, 0x30);
}

std::vector<uint16_t> Codes(const CGlyphSet& set) {
    std::vector<uint16_t> codes;
    for (const GlyphPtr& glyph : set.glyphs) codes.push_back(glyph->code);
    return codes;
}

std::vector<std::string> Bits(const CGlyphSet& set) {
    std::vector<std::string> bits;
    for (const GlyphPtr& glyph : set.glyphs)
        bits.emplace_back(reinterpret_cast<const char*>(glyph->bits.get()), set.BytesPerGlyph());
    return bits;
}

class CodeTableTest : public ::testing::Test {
protected:
    void SetUp() override { SingletonTraceStream() = nullptr; }
    TempFolder folder;
};

TEST_F(CodeTableTest, TableFollowsTheArrayUnderItsName) {
    CGlyphSet set;
    Subset(set);
    struct Case {
        TextArrayOptions array;
        bool doubleArray;
        std::vector<std::string> tail;  // the lines from the array's end
    };
    const Case cases[] = {
        {{"font8", CodeIndex::EucKr},
         true,
         {"};", "",
          "/* The EUC-KR code of each glyph above, ascending: find a glyph by binary "
          "search */",
          "const unsigned short font8_codes[3] = {", "0x0041, 0xb0a1, 0xc8fe,", "};"}},
        {{"font8", CodeIndex::Unicode},
         false,
         {"};", "",
          "/* The Unicode character of each glyph above, ascending: find a glyph by "
          "binary search */",
          "const unsigned short font8_codes[3] = {", "0x0041, 0xac00, 0xd79d,", "};"}},
    };
    for (const Case& c : cases) {
        const std::string text = FormatTextFile(set, c.doubleArray, kCreateTime, c.array);
        EXPECT_NE(text.find("/* Font Type  : Custom (3 characters)\r\n"), std::string::npos);
        EXPECT_NE(text.find("/* Data Conut : 3 \r\n"), std::string::npos);
        EXPECT_NE(text.find(c.doubleArray ? "const unsigned char font8[3][2] = {\r\n"
                                          : "const unsigned char font8[3*2] = {\r\n"),
                  std::string::npos);
        std::string tail;
        for (const std::string& line : c.tail) tail += line + "\r\n";
        ASSERT_GE(text.size(), tail.size());
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    }
    // A glyph moved by hand leaves the codes out of order: the table says so instead of
    // promising a binary search, and reads back all the same.
    set.MoveGlyph(0, 2);
    const std::string moved = FormatTextFile(set, true, kCreateTime, {"font8", CodeIndex::EucKr});
    EXPECT_NE(moved.find("/* The EUC-KR code of each glyph above, in glyph order (not ascending: "
                         "search the whole table) */\r\n"
                         "const unsigned short font8_codes[3] = {\r\n"
                         "0xb0a1, 0xc8fe, 0x0041,\r\n"),
              std::string::npos);
    std::vector<GlyphPtr> back = ParseTextFont(moved, 8, 2, RANGE_CUSTOM, false);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[2]->code, 0x41);

    // Eight codes a line.
    CGlyphSet many;
    many.SetGlyphSize(8, 1);
    for (int n = 0; n < 9; ++n) AddGlyph(many, static_cast<uint16_t>(0x30 + n), 0);
    const std::string text = FormatTextFile(many, true, kCreateTime, {"f", CodeIndex::EucKr});
    EXPECT_NE(text.find("0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,\r\n"
                        "0x0038,\r\n};\r\n"),
              std::string::npos);
}

TEST_F(CodeTableTest, DefaultOutputHasNoTable) {
    CGlyphSet set;
    Subset(set);
    set.keepsCodes = false;
    const std::string plain = FormatTextFile(set, true, kCreateTime);
    EXPECT_EQ(plain, FormatTextFile(set, true, kCreateTime, TextArrayOptions{}));
    EXPECT_EQ(plain.find("_codes"), std::string::npos);
    EXPECT_NE(plain.find("const unsigned char data_table[3][2] = {"), std::string::npos);
}

TEST_F(CodeTableTest, BadArrayNameIsRefusedBeforeTheFileIsTouched) {
    CGlyphSet set;
    Subset(set);
    const std::string path = folder.File("font.h");
    WriteBytes(path, "keep");
    for (const char* name : {"", "2x", "font-1", "short"}) {
        const Result written = WriteTextFile(set, path, true, {}, {name, CodeIndex::None});
        EXPECT_FALSE(written) << name;
        EXPECT_NE(written.message.find("C identifier"), std::string::npos) << written.message;
    }
    EXPECT_EQ(ReadBytes(path), "keep");
}

// Both kinds of table, both array forms: a subset loads back as Custom with its codes and
// bitmaps, whatever the array is called.
TEST_F(CodeTableTest, SubsetRoundTripsThroughCSource) {
    CGlyphSet set;
    Subset(set);
    for (CodeIndex index : {CodeIndex::EucKr, CodeIndex::Unicode})
        for (bool doubleArray : {true, false}) {
            const std::string path = folder.File("subset.h");
            ASSERT_TRUE(WriteTextFile(set, path, doubleArray, {}, {"menu_font", index}));
            std::optional<TextFileHeader> header;
            ASSERT_TRUE(ReadTextFileHeader(path, header));
            ASSERT_TRUE(header);
            EXPECT_EQ(header->range, RANGE_CUSTOM);
            CGlyphSet back;
            ASSERT_TRUE(ReadTextFile(back, path, 8, 2, RANGE_CUSTOM, doubleArray, false));
            EXPECT_EQ(Codes(back), Codes(set));
            EXPECT_EQ(Bits(back), Bits(set)) << "the table's values are no glyph bytes";
            EXPECT_TRUE(back.keepsCodes);
            back.range = RANGE_CUSTOM;
            EXPECT_EQ(back.GetLabel(1), Utf8ToCp949("가") + "[0xb0a1]");
        }
}

TEST_F(CodeTableTest, FixedRangeWithTableStillReadsWholeAndTakesTheCodes) {
    CGlyphSet set;
    FillRange(set, RANGE_ASCII, false, 8, 1);
    const std::string path = folder.File("ascii.h");
    ASSERT_TRUE(WriteTextFile(set, path, true, {}, {"ascii", CodeIndex::EucKr}));
    CGlyphSet back;
    ASSERT_TRUE(ReadTextFile(back, path, 8, 1, RANGE_ASCII, true, false));
    EXPECT_EQ(Codes(back), Codes(set));
    EXPECT_EQ(Bits(back), Bits(set));
    EXPECT_FALSE(back.keepsCodes);
    // A file without a table loads with the range's codes and keeps none of a former load.
    const std::string plain = folder.File("plain.h");
    ASSERT_TRUE(WriteTextFile(set, plain, true));
    back.keepsCodes = true;
    ASSERT_TRUE(ReadTextFile(back, plain, 8, 1, RANGE_CUSTOM, true, false, false));
    EXPECT_FALSE(back.keepsCodes);
    EXPECT_EQ(back.glyphs[5]->code, 5);
}

TEST_F(CodeTableTest, FntSidecarRoundTrips) {
    CGlyphSet set;
    Subset(set);
    const std::string fnt = folder.File("menu.fnt");
    EXPECT_EQ(CodeIndexPath(fnt), folder.File("menu.idx"));
    for (CodeIndex index : {CodeIndex::EucKr, CodeIndex::Unicode}) {
        ASSERT_TRUE(WriteFontFile(set, fnt, 0));
        ASSERT_TRUE(WriteCodeIndexFile(set, CodeIndexPath(fnt), index));
        const std::string idx = ReadBytes(CodeIndexPath(fnt));
        EXPECT_EQ(idx, index == CodeIndex::EucKr ? std::string("\x41\x00\xa1\xb0\xfe\xc8", 6)
                                                 : std::string("\x41\x00\x00\xac\x9d\xd7", 6));
        CGlyphSet back;
        ASSERT_TRUE(ReadFontFile(back, fnt, 8, 2, RANGE_CUSTOM, 0, false));
        ASSERT_TRUE(ReadCodeIndexFile(back, CodeIndexPath(fnt)));
        EXPECT_EQ(Codes(back), Codes(set));
        EXPECT_EQ(Bits(back), Bits(set));
    }
    // A table that does not fit the glyphs changes nothing.
    WriteBytes(CodeIndexPath(fnt), std::string("\x41\x00", 2));
    CGlyphSet back;
    ASSERT_TRUE(ReadFontFile(back, fnt, 8, 2, RANGE_CUSTOM, 0, false));
    const Result short_ = ReadCodeIndexFile(back, CodeIndexPath(fnt));
    EXPECT_NE(short_.message.find("holds 2 bytes, not two for each of the 3 glyphs"),
              std::string::npos)
        << short_.message;
    EXPECT_EQ(Codes(back), (std::vector<uint16_t>{0, 1, 2}));
}

// Firmware finds glyphs by a binary search on the table: a table it cannot search that way
// still loads, with a note of what is wrong with it.
TEST_F(CodeTableTest, TablesThatBreakABinarySearchAreNoted) {
    struct Case {
        const char* values;  // three codes, as C source writes them
        const char* note;    // "" for none
    };
    const Case cases[] = {
        {"0x0041, 0xb0a1, 0xc8fe", ""},
        {"0x0041, 0xb0a1, 0xb0a1", "the code table has 1 repeated value: a binary search"},
        {"0xb0a1, 0x0041, 0xc8fe", "the code table has 1 value below the one before it"},
        {"0x0041, 0xb000, 0xc8fe", "the code table has 1 value that is no code"},
        {"0xc8fe, 0xb0a1, 0xb0a1",
         "has 1 repeated value, 1 value below the one before it: a binary search on it can "
         "miss glyphs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.values);
        const std::string source = folder.File("t.h");
        WriteBytes(source, std::string("const unsigned char t[3][2] = {\n{0x01, 0x02,},\n"
                                       "{0x03, 0x04,},\n{0x05, 0x06,},\n};\n"
                                       "const unsigned short t_codes[3] = {\n") +
                               c.values + ",\n};\n");
        CGlyphSet set;
        std::string warning = "stale";
        ASSERT_TRUE(ReadTextFile(set, source, 8, 2, RANGE_CUSTOM, true, false, true, &warning));
        EXPECT_EQ(warning.empty(), *c.note == '\0') << warning;
        EXPECT_NE(warning.find(c.note), std::string::npos) << warning;

        // The same values as a .idx file beside a .fnt file, where they are codes at all.
        std::string idx;
        for (const char* at = c.values; *at != '\0'; at += std::min<std::size_t>(8, strlen(at))) {
            const auto value = static_cast<uint16_t>(std::stoul(std::string(at, 6), nullptr, 16));
            idx += static_cast<char>(value & 0xFF);
            idx += static_cast<char>(value >> 8);
        }
        WriteBytes(folder.File("t.idx"), idx);
        CGlyphSet back;
        ASSERT_TRUE(ReadTextFile(back, source, 8, 2, RANGE_CUSTOM, true, false));
        warning = "stale";
        if (std::string(c.note).find("no code") != std::string::npos) continue;
        ASSERT_TRUE(ReadCodeIndexFile(back, folder.File("t.idx"), &warning));
        EXPECT_EQ(warning.empty(), *c.note == '\0') << warning;
        EXPECT_NE(warning.find(c.note), std::string::npos) << warning;
    }
}

}  // namespace
