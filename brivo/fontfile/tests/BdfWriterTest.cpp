// The BDF output read back by FreeType's BDF driver.
#include <ft2build.h>

#include "fontfile/BdfWriter.h"
#include FT_FREETYPE_H
#include FT_BDF_H

#include <algorithm>
#include <cstring>
#include <memory>

#include "fontfile/tests/TestFiles.h"

using namespace brivo;

namespace {

class BdfWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        SingletonTraceStream() = nullptr;
        ASSERT_EQ(FT_Init_FreeType(&library), 0);
    }
    void TearDown() override {
        if (face != nullptr) FT_Done_Face(face);
        FT_Done_FreeType(library);
    }

    // Opens the file as FreeType would for any application.
    void Open(const std::string& path) {
        if (face != nullptr) FT_Done_Face(face);
        face = nullptr;
        ASSERT_EQ(FT_New_Face(library, path.c_str(), 0, &face), 0) << path;
        ASSERT_EQ(FT_Select_Charmap(face, FT_ENCODING_UNICODE), 0);
        ASSERT_EQ(face->num_fixed_sizes, 1);
        ASSERT_EQ(FT_Select_Size(face, 0), 0);
    }

    std::string Property(const char* name) {
        BDF_PropertyRec property{};
        if (FT_Get_BDF_Property(face, name, &property) != 0) return "(none)";
        if (property.type == BDF_PROPERTY_TYPE_ATOM) return property.u.atom;
        return std::to_string(property.type == BDF_PROPERTY_TYPE_INTEGER ? property.u.integer
                                                                         : property.u.cardinal);
    }

    // Whether the glyph FreeType gives for `point` is the cell of `glyph`, pixel for pixel.
    ::testing::AssertionResult SameBitmap(char32_t point, const CGlyphSet& set, const CGlyph& glyph,
                                          int ascent) {
        if (FT_Load_Char(face, point, FT_LOAD_DEFAULT) != 0)
            return ::testing::AssertionFailure()
                   << "no glyph for U+" << std::hex << static_cast<unsigned>(point);
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (slot->format != FT_GLYPH_FORMAT_BITMAP || bitmap.pixel_mode != FT_PIXEL_MODE_MONO ||
            static_cast<int>(bitmap.width) != set.width ||
            static_cast<int>(bitmap.rows) != set.height || slot->bitmap_left != 0 ||
            slot->bitmap_top != ascent || slot->advance.x != set.width * 64)
            return ::testing::AssertionFailure()
                   << "U+" << std::hex << static_cast<unsigned>(point) << std::dec << ": "
                   << bitmap.width << "x" << bitmap.rows << " at " << slot->bitmap_left << ","
                   << slot->bitmap_top;
        const CGlyphBitmapView cell(glyph.bits.get(), set.width, set.height);
        for (int y = 0; y < set.height; ++y)
            for (int x = 0; x < set.width; ++x) {
                const bool ink = bitmap.buffer[y * bitmap.pitch + x / 8] & (0x80 >> (x % 8));
                if (ink != cell.Pixel(x, y))
                    return ::testing::AssertionFailure()
                           << "U+" << std::hex << static_cast<unsigned>(point) << std::dec
                           << " pixel " << x << "," << y;
            }
        return ::testing::AssertionSuccess();
    }

    FT_Library library = nullptr;
    FT_Face face = nullptr;
    TempFolder folder;
};

TEST_F(BdfWriterTest, FreeTypeReadsEveryGlyphBack) {
    struct Case {
        CodeRange range;
        bool exceptUnused;
        int width, height;
        int encoded;  // glyphs with a Unicode character
    };
    const Case cases[] = {
        {RANGE_ASCII, false, 8, 16, 128},
        {RANGE_HANGUL, false, 16, 16, 2350},
        {RANGE_FULLWIDTH1, true, 12, 12, 988},  // KS X 1001:1998 assigns 988 of the 1128 codes
        {RANGE_ASCII, false, 5, 7, 128},
    };
    for (const Case& c : cases) {
        CGlyphSet set;
        FillRange(set, c.range, c.exceptUnused, c.width, c.height);
        set.fontDescription = "굴림체, 12";
        const std::string path = folder.File("font.bdf");
        ASSERT_TRUE(WriteBdfFile(set, path));
        Open(path);
        EXPECT_EQ(face->available_sizes[0].height, c.height);
        EXPECT_EQ(face->available_sizes[0].width, c.width);
        EXPECT_STREQ(face->family_name, "font");
        EXPECT_EQ(Property("CHARSET_REGISTRY"), "ISO10646");
        EXPECT_EQ(Property("CHARSET_ENCODING"), "1");
        const int descent = c.height / 8;
        EXPECT_EQ(Property("FONT_ASCENT"), std::to_string(c.height - descent));
        EXPECT_EQ(Property("FONT_DESCENT"), std::to_string(descent));

        int encoded = 0;
        for (const GlyphPtr& glyph : set.glyphs) {
            const std::optional<char32_t> point = CodePointOf(glyph->code, set.range);
            if (!point) continue;
            ++encoded;
            ASSERT_TRUE(SameBitmap(*point, set, *glyph, c.height - descent))
                << "code 0x" << std::hex << glyph->code;
        }
        EXPECT_EQ(encoded, c.encoded) << c.range;
        // Every glyph is in the font, encoded or not.
        EXPECT_GE(face->num_glyphs, set.Count());
    }
}

TEST_F(BdfWriterTest, KsX1001CodesBecomeTheirUnicodeCharacters) {
    struct Case {
        uint16_t code;
        CodeRange range;
        std::optional<char32_t> point;
    };
    const Case cases[] = {
        {0x41, RANGE_ASCII, U'A'},
        {0x00, RANGE_ASCII, U'\0'},
        {0xB0A1, RANGE_HANGUL, U'가'},
        {0xC8FE, RANGE_HANGUL, U'힝'},
        {0xA1A1, RANGE_FULLWIDTH1, U'\u3000'},
        {0xA3C1, RANGE_ALL, U'Ａ'},
        {0xA4A1, RANGE_ALL, U'ㄱ'},
        {0xCAA1, RANGE_FULLWIDTH2, U'伽'},
        {0xA2E8, RANGE_ALL, std::nullopt},  // unassigned
        {0xC9A1, RANGE_FULLWIDTH2, std::nullopt},
        {0x0041, RANGE_CUSTOM, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CodePointOf(c.code, c.range), c.point) << std::hex << c.code;

    // In the file: 가 at U+AC00, the unassigned code unencoded.
    CGlyphSet set;
    set.SetGlyphSize(16, 16);
    set.range = RANGE_ALL;
    AddGlyph(set, 0xB0A1, 1);
    AddGlyph(set, 0xA2E8, 2);
    const std::string text = FormatBdf(set, "menu-font\"");
    EXPECT_NE(text.find("STARTCHAR uniAC00\nENCODING 44032\nSWIDTH 1000 0\nDWIDTH 16 0\n"
                        "BBX 16 16 0 -2\nBITMAP\n0102\n0304\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("STARTCHAR glyph1_A2E8\nENCODING -1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("FONT -Brivo-menu_font_-Medium-R-Normal--16-160-72-72-C-160-ISO10646-1\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.substr(0, 16), "STARTFONT 2.1\nCO");
    EXPECT_EQ(text.substr(text.size() - 8), "ENDFONT\n");
}

// A character subset of ASCII and Hangul: ASCII advances half the cell (its box the left
// half unless ink reaches further), on the baseline the glyphs were drawn on; the face's name
// in the comment escaped, so that the file stays ASCII.
TEST_F(BdfWriterTest, MixedSubsetAdvancesAsciiHalfTheCell) {
    CGlyphSet set;
    set.SetGlyphSize(16, 16);
    set.range = RANGE_CUSTOM;
    set.keepsCodes = true;
    set.baseline = 13;
    set.fontDescription = "굴림체, 12";
    struct Case {
        uint16_t code;
        char32_t point;
        uint8_t left, right;  // the two bytes of every row
        int advance, boxWidth;
    };
    const Case cases[] = {
        {'A', U'A', 0x81, 0x00, 8, 8},
        {'W', U'W', 0xFF, 0x80, 8, 16},  // ink in column 8: kept, overhanging
        {0xB0A1, U'가', 0x01, 0x80, 16, 16},
    };
    for (const Case& c : cases) {
        GlyphPtr glyph = NewGlyph(c.code, 32);
        for (int row = 0; row < 16; ++row)
            glyph->bits[2 * row] = c.left, glyph->bits[2 * row + 1] = c.right;
        set.SetGlyphAt(set.Count(), std::move(glyph));
    }
    const std::string path = folder.File("mixed.bdf");
    ASSERT_TRUE(WriteBdfFile(set, path));
    const std::string text = FormatBdf(set, "mixed");
    EXPECT_NE(text.find("COMMENT \\uAD74\\uB9BC\\uCCB4, 12\n"), std::string::npos) << text;
    EXPECT_EQ(std::count_if(text.begin(), text.end(),
                            [](char ch) { return ch != '\n' && (ch < 0x20 || ch > 0x7E); }),
              0);
    Open(path);
    EXPECT_EQ(Property("SPACING"), "P");
    EXPECT_EQ(Property("FONT_ASCENT"), "13");
    EXPECT_EQ(Property("FONT_DESCENT"), "3");
    for (const Case& c : cases) {
        ASSERT_EQ(FT_Load_Char(face, c.point, FT_LOAD_DEFAULT), 0);
        const FT_GlyphSlot slot = face->glyph;
        EXPECT_EQ(slot->advance.x, c.advance * 64) << c.code;
        EXPECT_EQ(static_cast<int>(slot->bitmap.width), c.boxWidth) << c.code;
        EXPECT_EQ(slot->bitmap_top, 13) << c.code;
        EXPECT_EQ(slot->bitmap.buffer[0], c.left) << c.code;
        if (c.boxWidth > 8) {
            EXPECT_EQ(slot->bitmap.buffer[1], c.right) << c.code;
        }
    }
}

TEST_F(BdfWriterTest, PaddingBitsStayOutOfTheRows) {
    CGlyphSet set;
    set.SetGlyphSize(5, 2);
    set.range = RANGE_ASCII;
    AddGlyph(set, 'x', 0xFF);  // bytes FF 00: the three padding bits of row 0 set
    const std::string text = FormatBdf(set, "x");
    EXPECT_NE(text.find("BITMAP\nF8\n00\nENDCHAR\n"), std::string::npos) << text;
    EXPECT_NE(text.find("SWIDTH 2500 0\nDWIDTH 5 0\nBBX 5 2 0 0\n"), std::string::npos) << text;
}

}  // namespace
