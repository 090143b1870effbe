#include <cstring>
#include <optional>

#include "fontfile/BinaryFontFile.h"
#include "fontfile/TextFontReader.h"
#include "fontfile/TextFontWriter.h"
#include "fontfile/tests/TestFiles.h"

using namespace brivo;

namespace {

// Each glyph as "code:hex bytes", e.g. "1:427e".
std::vector<std::string> Parse(std::string_view text, int width, int height,
                               CodeRange range = RANGE_CUSTOM, bool exceptUnused = false) {
    std::vector<std::string> out;
    const int size = BytesPerGlyph(width, height);
    for (const GlyphPtr& glyph : ParseTextFont(text, width, height, range, exceptUnused)) {
        char item[16];
        std::snprintf(item, sizeof item, "%d:", glyph->code);
        std::string text = item;
        for (int i = 0; i < size; ++i) {
            std::snprintf(item, sizeof item, "%02x", glyph->bits[i]);
            text += item;
        }
        out.push_back(text);
    }
    return out;
}

using Glyphs = std::vector<std::string>;

class TextFontReaderTest : public ::testing::Test {
protected:
    void SetUp() override { SingletonTraceStream() = nullptr; }

    TempFolder folder;
};

// A text, the glyph size, and the Custom glyphs it gives.
struct Case {
    const char* name;
    std::string text;
    int width, height;
    Glyphs glyphs;
};

TEST_F(TextFontReaderTest, LineAndTokenRules) {
    const Case cases[] = {
        {"hand-made one-liner",
         "const unsigned char font[] = {0x18, 0x24, 0x42, 0x7e};",
         8,
         2,
         {"0:1824", "1:427e"}},
        {"blank after the brace never starts", "{ 0x18, 0x24, 0x42, 0x7e};", 8, 2, {}},
        {"last value of a line has no separator", "{0x01,\n0x02, 0x03\n};", 8, 1, {"0:01", "1:02"}},
        {"0X is no byte, 0x1F and 0x1f are", "{0x1F, 0X22, 0x1f,};", 8, 1, {"0:1f", "1:1f"}},
        {"// cuts the line", "{0x01, 0x02, // 0x03,\n};", 8, 1, {"0:01", "1:02"}},
        {"one /* */ pair per line",
         "{0x01, /* 0x02, */ 0x03, /* 0x04, */ 0x05,};",
         8,
         1,
         {"0:01", "1:03"}},
        {"/* without */ keeps the line, its token is skipped",
         "{0x01, /* 0x02, 0x03,};",
         8,
         1,
         {"0:01", "1:03"}},
        {"*/ before /* removes nothing", "{0x01, */ 0x02, /* 0x03,};", 8, 1, {"0:01"}},
        {"declaration dropped up to the last ]",
         "x[2][1] = {0x0a, 0x0b,};",
         8,
         1,
         {"0:0a", "1:0b"}},
        {"lines before {0x are ignored", "0x01, 0x02,\n{0x03,};", 8, 1, {"0:03"}},
        {"the starting line counts as a whole", "0x05, {0x06,};", 8, 1, {"0:05", "1:06"}},
        {"strtol rules",
         "{0x, 0xg1, 0x1FF, -0x01, 0x100000000, -0x80000001, 0xab0x1,};",
         8,
         1,
         {"0:00", "1:00", "2:ff", "3:ff", "4:ff", "5:00", "6:b0"}},
        {"hex digits before 0x are read",
         "{0x01, abc0x12, zz0x12,};",
         8,
         1,
         {"0:01", "1:c0", "2:00"}},
        {"blanks, tabs and CR inside a token",
         "{0x 1 2,\t0x34,0x\r56,};",
         8,
         1,
         {"0:12", "1:34", "2:56"}},
        {"empty and decimal tokens are skipped", "{0x01,,12, x,};", 8, 1, {"0:01"}},
        {"CR LF and bare CR", "{0x01,\r\n0x02,\r0x03,\r\n};", 8, 1, {"0:01", "1:02", "2:03"}},
        {"incomplete last glyph is dropped", "{0x01, 0x02, 0x03,};", 8, 2, {"0:0102"}},
        {"a second /* spoils its token", "{0x01, 0x02 /* a */ 0x03 /* b,};", 8, 1, {"0:01"}},
        {"no data at all", "", 8, 1, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.text, c.width, c.height), c.glyphs) << c.name;
}

TEST_F(TextFontReaderTest, FixedRangesKeepEveryGlyph) {
    // Short data leaves zeros; data beyond the last glyph changes nothing.
    std::string text = "{";
    for (int i = 0; i < 130; ++i) text += "0x" + std::to_string(i % 10 + 1) + ",";
    const Glyphs ascii = Parse(text + "};", 8, 1, RANGE_ASCII);
    ASSERT_EQ(ascii.size(), 128u);
    EXPECT_EQ(ascii[0], "0:01");
    EXPECT_EQ(ascii[127], "127:08");

    const Glyphs hangul = Parse("{0x01, 0x02, 0x03,};", 8, 2, RANGE_HANGUL, true);
    ASSERT_EQ(hangul.size(), 2350u);
    EXPECT_EQ(hangul[0], "45217:0102");
    EXPECT_EQ(hangul[1], "45218:0300");
    EXPECT_EQ(hangul[2349], "51454:0000");
    EXPECT_EQ(Parse("", 8, 1, RANGE_ALL, true).size(), 8366u);
}

TEST_F(TextFontReaderTest, BothFormsReadBackOverWholeRanges) {
    struct Case {
        CodeRange range;
        bool exceptUnused;
        int width, height;
    };
    const Case cases[] = {
        {RANGE_ASCII, false, 8, 16},      {RANGE_HANGUL, false, 16, 16},
        {RANGE_FULLWIDTH1, true, 12, 12}, {RANGE_FULLWIDTH2, false, 17, 5},
        {RANGE_ALL, true, 16, 16},        {RANGE_CUSTOM, false, 3, 9},
    };
    for (const Case& c : cases) {
        CGlyphSet saved;
        FillRange(saved, c.range == RANGE_CUSTOM ? RANGE_HANGUL : c.range, c.exceptUnused, c.width,
                  c.height);
        if (c.range == RANGE_CUSTOM)
            for (const GlyphPtr& glyph : saved.glyphs)
                glyph->code = static_cast<uint16_t>(glyph->index);
        saved.range = c.range;
        for (bool doubleArray : {true, false}) {
            const std::string path = folder.File("font.h");
            ASSERT_TRUE(WriteTextFile(saved, path, doubleArray));

            CGlyphSet loaded;
            loaded.range = RANGE_NONE;
            loaded.fontDescription = "kept";
            ASSERT_TRUE(ReadTextFile(loaded, path, c.width, c.height, c.range, doubleArray,
                                     c.exceptUnused));
            ASSERT_EQ(loaded.Count(), saved.Count()) << c.range << " " << doubleArray;
            EXPECT_EQ(loaded.range, RANGE_NONE);
            EXPECT_EQ(loaded.fontDescription, "kept");
            EXPECT_EQ(loaded.halfWidth, c.range == RANGE_ASCII ? 1 : 0);
            EXPECT_EQ(loaded.height, c.height);
            for (int n = 0; n < saved.Count(); ++n) {
                ASSERT_EQ(loaded.glyphs[n]->code, saved.glyphs[n]->code) << n;
                ASSERT_EQ(loaded.glyphs[n]->index, n);
                ASSERT_EQ(loaded.glyphs[n]->originalIndex, n);
                ASSERT_EQ(std::memcmp(loaded.glyphs[n]->bits.get(), saved.glyphs[n]->bits.get(),
                                      saved.BytesPerGlyph()),
                          0)
                    << c.range << " " << doubleArray << " glyph " << n;
            }
            if (c.range == RANGE_ALL) {
                EXPECT_EQ(loaded.glyphs[94 * 12 - 1]->code, 0xACFE);
                EXPECT_EQ(loaded.glyphs[94 * 12]->code, 0xB0A1);
            }
        }
    }
}

TEST_F(TextFontReaderTest, FlatArrayStartsAtItsDeclaration) {
    const Case cases[] = {
        {"declaration, then values",
         "/* {0x77 in a comment */\nconst unsigned char data_table[2*1] = {\n0x01, 0x02, \n};",
         8,
         1,
         {"0:01", "1:02"}},
        {"values on the declaration line",
         "data_table[2] =  { 0x03, 0x04, };",
         8,
         1,
         {"0:03", "1:04"}},
        {"values before it are no data", "0x09,\ndata_table[1] = {\n0x05,\n};", 8, 1, {"0:05"}},
        {"a declaration in a // comment starts nothing",
         "// data_table[1] = {\n0x05,\n};",
         8,
         1,
         {}},
        {"without = { it is no declaration", "data_table[1];\n0x05,\n};", 8, 1, {}},
        {"{0x before the declaration wins",
         "{0x01,\ndata_table[] = {\n0x02,};",
         8,
         1,
         {"0:01", "1:02"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.text, c.width, c.height), c.glyphs) << c.name;
}

TEST_F(TextFontReaderTest, TheHeaderMustAgreeWithTheLoad) {
    CGlyphSet saved;
    FillRange(saved, RANGE_ALL, true, 8, 16);
    const std::string path = folder.File("all.h");
    ASSERT_TRUE(WriteTextFile(saved, path, true));
    std::optional<TextFileHeader> header;
    ASSERT_TRUE(ReadTextFileHeader(path, header));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->width, 8);
    EXPECT_EQ(header->height, 16);
    EXPECT_EQ(header->range, RANGE_ALL);
    EXPECT_TRUE(header->exceptUnused);

    struct Case {
        int width, height;
        CodeRange range;
        bool exceptUnused;
        const char* refusal;  // "" = loads
    };
    const Case cases[] = {
        {8, 16, RANGE_ALL, true, ""},
        {16, 16, RANGE_ALL, true, "the file says 8 x 16, ALL(ExceptUnused); asked for 16 x 16"},
        {8, 8, RANGE_ALL, false, "the file says 8 x 16, ALL(ExceptUnused); asked for 8 x 8, ALL"},
        {8, 16, RANGE_HANGUL, true, "the file says 8 x 16, ALL(ExceptUnused); asked for 한글"},
        {8, 16, RANGE_CUSTOM, false, "asked for Custom"},
    };
    for (const Case& c : cases) {
        CGlyphSet set;
        FillRange(set, RANGE_ASCII, false, 8, 8);
        const Result result =
            ReadTextFile(set, path, c.width, c.height, c.range, true, c.exceptUnused);
        if (*c.refusal == '\0') {
            EXPECT_TRUE(result) << result.message;
            EXPECT_EQ(set.Count(), saved.Count());
            continue;
        }
        EXPECT_FALSE(result);
        EXPECT_NE(result.message.find(c.refusal), std::string::npos) << result.message;
        EXPECT_NE(result.message.find(path), std::string::npos) << result.message;
        EXPECT_EQ(set.Count(), 128) << "a refused load keeps the set";
        // As asked, whatever the header says.
        EXPECT_TRUE(
            ReadTextFile(set, path, c.width, c.height, c.range, true, c.exceptUnused, false));
    }

    // A header re-saved in UTF-8 still counts.
    WriteBytes(path,
               "/* Font Type  : 한글 (0xB0A0 - 0xC8FF)\n/* Font Width : 16 pixel\n"
               "/* Font Height : 16 pixel\n{0x01,};");
    ASSERT_TRUE(ReadTextFileHeader(path, header));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->range, RANGE_HANGUL);

    // Files without all three lines (hand-made, other tools) load as before.
    for (const char* text :
         {"{0x01,};", "/* Font Width : 16 pixel\n/* Font Height : 16 pixel\n{0x01,};",
          "/* Font Type  : ASCII (0x00 - 0x7F)\n/* Font Width : 8 pixel\n{0x01,};"}) {
        WriteBytes(path, text);
        ASSERT_TRUE(ReadTextFileHeader(path, header));
        EXPECT_FALSE(header) << text;
        CGlyphSet set;
        EXPECT_TRUE(ReadTextFile(set, path, 8, 1, RANGE_CUSTOM, true, false)) << text;
    }
}

TEST_F(TextFontReaderTest, RefusedLoadsLeaveTheSetAsItWas) {
    CGlyphSet set;
    FillRange(set, RANGE_HANGUL, false, 16, 16);
    const std::string text = folder.File("ok.h");
    WriteBytes(text, "{0x01,};");
    struct Case {
        std::string path;
        int width, height;
        int range;
        const char* mentions;
    };
    const Case cases[] = {
        {folder.File("missing.h"), 16, 16, RANGE_HANGUL, "cannot open"},
        {folder.path.string(), 16, 16, RANGE_CUSTOM, "folder"},
        {text, 0, 16, RANGE_HANGUL, "size"},
        {text, 16, 257, RANGE_HANGUL, "size"},
        {text, 16, 16, RANGE_NONE, "range"},
        {text, 16, 16, 7, "range"},
    };
    for (const Case& c : cases) {
        for (bool binary : {false, true}) {
            const auto range = static_cast<CodeRange>(c.range);
            const Result result =
                binary ? ReadFontFile(set, c.path, c.width, c.height, range, 0, false)
                       : ReadTextFile(set, c.path, c.width, c.height, range, true, false);
            EXPECT_FALSE(result);
            EXPECT_NE(result.message.find(c.mentions), std::string::npos) << result.message;
            ASSERT_EQ(set.Count(), 2350);
            EXPECT_EQ(set.width, 16);
            EXPECT_EQ(set.glyphs[1]->bits[0], 7);
        }
    }
}

}  // namespace

namespace {

// The font's lines and every glyph's advance and ink box as a C source file's tables say
// them, read back from the file.
TEST_F(TextFontReaderTest, MetricsTablesReadBackWithTheGlyphs) {
    for (const bool doubleArray : {true, false})
        for (const CodeIndex codes : {CodeIndex::None, CodeIndex::EucKr}) {
            SCOPED_TRACE(std::string(doubleArray ? "2d" : "1d") +
                         (codes == CodeIndex::None ? "" : ", code table"));
            CGlyphSet set;
            set.SetGlyphSize(12, 10);
            set.range = RANGE_CUSTOM;
            for (uint16_t code : {0xB0A1, 0xB0A2, 0xB0A3}) {
                set.InsertGlyphAt(set.Count(),
                                  NewGlyph(code, set.BytesPerGlyph(), set.Count(), set.Count()));
            }
            set.baseline = 8;
            set.lineMetrics = LineMetrics{7, 3, 11, 1};
            // A 'T' (ink from column 2 to 10, rows 1 to 8), a dot below the baseline, a blank.
            CGlyphBitmap tee(set.glyphs[0]->bits.get(), 12, 10);
            for (int x = 2; x <= 10; ++x) tee.SetPixel(x, 1, true);
            for (int y = 1; y <= 8; ++y) tee.SetPixel(6, y, true);
            CGlyphBitmap(set.glyphs[1]->bits.get(), 12, 10).SetPixel(11, 9, true);
            set.glyphs[0]->metrics = {13, {0, 0, 1, 1}};  // a stale box: the bitmap decides
            set.glyphs[1]->metrics.advance = 9;           // the other two advance by the cell

            TextArrayOptions array;
            array.codeTable = codes;
            array.metrics = true;
            const std::string path = folder.File("metrics.h");
            ASSERT_TRUE(WriteTextFile(
                set, path, doubleArray, [] { return 0; }, array));
            const std::string text = ReadBytes(path);
            EXPECT_NE(text.find("data_table_line_metrics[5] = {7, 3, 11, 1, 8};"),
                      std::string::npos);
            EXPECT_NE(text.find("{13, 1, -1, 9, 8},\r\n{9, 10, -2, 1, 1},\r\n{12, 0, 0, 0, 0},"),
                      std::string::npos)
                << text.substr(text.find("_metrics[3]"));

            CGlyphSet read;
            ASSERT_TRUE(ReadTextFile(read, path, 12, 10, RANGE_CUSTOM, doubleArray, false));
            ASSERT_EQ(read.Count(), 3);
            EXPECT_EQ(read.baseline, 8);
            EXPECT_EQ(read.lineMetrics, set.lineMetrics);
            const GlyphMetrics expected[] = {
                {13, {1, -1, 9, 8}}, {9, {10, -2, 1, 1}}, {12, {0, 0, 0, 0}}};
            for (int n = 0; n < 3; ++n) {
                EXPECT_EQ(read.glyphs[n]->metrics, expected[n]) << n;
                EXPECT_EQ(read.CurrentInk(read.glyphs[n].get()), expected[n].ink) << n;
                EXPECT_EQ(std::memcmp(read.glyphs[n]->bits.get(), set.glyphs[n]->bits.get(), 20), 0)
                    << n;
            }
        }
}

}  // namespace
