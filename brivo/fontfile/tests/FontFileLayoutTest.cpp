#include <cstring>
#include <optional>

#include "fontfile/BinaryFontFile.h"
#include "fontfile/TextFontReader.h"
#include "fontfile/TextFontWriter.h"
#include "fontfile/tests/TestFiles.h"

using namespace brivo;

namespace {

constexpr BitLayout kAllLayouts[] = {
    {ScanOrder::Rows, BitOrder::Msb},    {ScanOrder::Rows, BitOrder::Lsb},
    {ScanOrder::Columns, BitOrder::Msb}, {ScanOrder::Columns, BitOrder::Lsb},
    {ScanOrder::Pages, BitOrder::Msb},   {ScanOrder::Pages, BitOrder::Lsb},
};
constexpr BitLayout kPages{ScanOrder::Pages, BitOrder::Lsb};

class FontFileLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { SingletonTraceStream() = nullptr; }

    TempFolder folder;
};

// FillRange's bitmaps with the padding bits cleared, as an extraction leaves them: only
// pixels travel through a layout other than the default.
void FillRangePixels(CGlyphSet& set, CodeRange range, bool exceptUnused, int width, int height) {
    FillRange(set, range, exceptUnused, width, height);
    std::vector<uint8_t> copy(set.BytesPerGlyph());
    for (const GlyphPtr& glyph : set.glyphs) {
        std::memcpy(copy.data(), glyph->bits.get(), copy.size());
        const CGlyphBitmapView before(copy.data(), width, height);
        CGlyphBitmap bitmap(glyph->bits.get(), width, height);
        bitmap.Clear();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, before.Pixel(x, y));
    }
}

void ExpectSameGlyphs(const CGlyphSet& loaded, const CGlyphSet& saved, const std::string& what) {
    ASSERT_EQ(loaded.Count(), saved.Count()) << what;
    for (int n = 0; n < saved.Count(); ++n) {
        ASSERT_EQ(loaded.glyphs[n]->code, saved.glyphs[n]->code) << what << " glyph " << n;
        ASSERT_EQ(std::memcmp(loaded.glyphs[n]->bits.get(), saved.glyphs[n]->bits.get(),
                              saved.BytesPerGlyph()),
                  0)
            << what << " glyph " << n;
    }
}

TEST_F(FontFileLayoutTest, EveryLayoutRoundTripsThroughBothForms) {
    struct Case {
        CodeRange range;
        bool exceptUnused;
        int width, height;
    };
    const Case cases[] = {
        {RANGE_ASCII, false, 8, 16},
        {RANGE_FULLWIDTH1, true, 12, 12},
        {RANGE_CUSTOM, false, 17, 5},
        {RANGE_CUSTOM, false, 10, 9},
    };
    for (const Case& c : cases) {
        CGlyphSet saved;
        FillRangePixels(saved, c.range == RANGE_CUSTOM ? RANGE_ASCII : c.range, c.exceptUnused,
                        c.width, c.height);
        if (c.range == RANGE_CUSTOM)
            for (const GlyphPtr& glyph : saved.glyphs)
                glyph->code = static_cast<uint16_t>(glyph->index);
        saved.range = c.range;
        for (BitLayout layout : kAllLayouts) {
            const std::string what = std::to_string(c.range) + " " + BitLayoutText(layout);
            const auto record = LayoutBytesPerGlyph(c.width, c.height, layout);

            const std::string binary = folder.File("font.fnt");
            ASSERT_TRUE(WriteFontFile(saved, binary, 3, layout));
            EXPECT_EQ(ReadBytes(binary).size(), 3u + saved.Count() * record) << what;
            CGlyphSet fromBinary;
            std::string warning;
            ASSERT_TRUE(ReadFontFile(fromBinary, binary, c.width, c.height, c.range, 3,
                                     c.exceptUnused, &warning, layout));
            EXPECT_EQ(warning, "") << what;
            ExpectSameGlyphs(fromBinary, saved, what + " .fnt");

            for (bool doubleArray : {true, false}) {
                const std::string text = FormatTextFile(saved, doubleArray, 0, {}, layout);
                EXPECT_NE(text.find("/* Data Length : " + std::to_string(record) + " bytes"),
                          std::string::npos)
                    << what;
                EXPECT_EQ(text.find("Bit Layout") == std::string::npos, layout.IsDefault()) << what;
                // The header says the layout; asking for it explicitly agrees.
                for (std::optional<BitLayout> asked : {std::optional<BitLayout>(), {layout}}) {
                    CGlyphSet fromText;
                    fromText.ReplaceGlyphs(
                        ParseTextFont(text, c.width, c.height, c.range, c.exceptUnused, asked),
                        c.width, c.height, 0);
                    ExpectSameGlyphs(fromText, saved, what + " .h");
                }
            }
        }
    }
}

// The capital A of the classic 5 x 7 LCD font; its table stores it as 7C 12 11 12 7C.
void AddLetterA(CGlyphSet& set) {
    const char* rows[] = {"..#..", ".#.#.", "#...#", "#...#", "#####", "#...#", "#...#", "....."};
    set.SetGlyphSize(5, 8);
    set.range = RANGE_CUSTOM;
    AddGlyph(set, 0, 0);
    CGlyphBitmap bitmap(set.glyphs[0]->bits.get(), 5, 8);
    bitmap.Clear();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 5; ++x) bitmap.SetPixel(x, y, rows[y][x] == '#');
}

TEST_F(FontFileLayoutTest, PagesCarryTheBytesOfAnOledFont) {
    CGlyphSet set;
    AddLetterA(set);
    const std::string binary = folder.File("a.fnt");
    ASSERT_TRUE(WriteFontFile(set, binary, 0, kPages));
    EXPECT_EQ(ReadBytes(binary), "\x7c\x12\x11\x12\x7c");

    const std::string text = FormatTextFile(set, true, 0, {}, kPages);
    EXPECT_NE(text.find("/* Data Length : 5 bytes\r\n/* Bit Layout : pages, LSB first\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("data_table[1][5] = {"), std::string::npos) << text;
    EXPECT_NE(text.find("{0x7c, 0x12, 0x11, 0x12, 0x7c, },"), std::string::npos) << text;
}

TEST_F(FontFileLayoutTest, TheHeaderLineDecidesUnlessALayoutIsAsked) {
    CGlyphSet saved;
    AddLetterA(saved);
    const std::string path = folder.File("a.h");
    ASSERT_TRUE(WriteTextFile(saved, path, true, {}, {}, kPages));
    std::optional<TextFileHeader> header;
    ASSERT_TRUE(ReadTextFileHeader(path, header));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->layout, kPages);

    // Asked for another layout: refused, unless the header is not checked.
    CGlyphSet set;
    const BitLayout rows;
    Result read = ReadTextFile(set, path, 5, 8, RANGE_CUSTOM, true, false, true, nullptr, rows);
    EXPECT_FALSE(read);
    EXPECT_NE(read.message.find("the file says 5 x 8, Custom, pages, LSB first; asked for rows, "
                                "MSB first"),
              std::string::npos)
        << read.message;
    EXPECT_EQ(set.Count(), 0);
    ASSERT_TRUE(ReadTextFile(set, path, 5, 5, RANGE_CUSTOM, true, false, false, nullptr, rows));
    EXPECT_EQ(set.glyphs[0]->bits[0], 0x7c) << "the bytes read as rows";

    // A hand-made file with the line alone is read in its layout too.
    WriteBytes(path, "/* Bit Layout: pages, LSB first */\n{0x7c, 0x12, 0x11, 0x12, 0x7c};\n");
    ASSERT_TRUE(ReadTextFileHeader(path, header));
    EXPECT_FALSE(header);
    ASSERT_TRUE(ReadTextFile(set, path, 5, 8, RANGE_CUSTOM, true, false));
    ExpectSameGlyphs(set, saved, "hand-made");
}

TEST_F(FontFileLayoutTest, ShortFilesCountInRecordsOfTheLayout) {
    // 16 x 12 pages: 32 bytes a glyph, where rows would take 24.
    const BitLayout pages = kPages;
    const std::string path = folder.File("short.fnt");
    WriteBytes(path, std::string(24, '\x01'));
    CGlyphSet set;
    EXPECT_FALSE(ReadFontFile(set, path, 16, 12, RANGE_CUSTOM, 0, false, nullptr, pages));
    WriteBytes(path, std::string(40, '\x01'));
    std::string warning;
    ASSERT_TRUE(ReadFontFile(set, path, 16, 12, RANGE_ASCII, 0, false, &warning, pages));
    EXPECT_NE(warning.find("128 glyphs x 32 bytes"), std::string::npos) << warning;
    // The second glyph got 8 bytes: the top band of its first 8 columns, the rest blank.
    EXPECT_EQ(set.glyphs[1]->bits[0], 0xFF);
    EXPECT_EQ(set.glyphs[1]->bits[1], 0x00);
    EXPECT_EQ(set.glyphs[1]->bits[2], 0x00);
}

}  // namespace
