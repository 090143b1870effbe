#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "extract/GlyphRasterizer.h"
#include "glyph/GlyphBitmap.h"
#include "glyph/LogFont.h"

using namespace brivo;

namespace {

// A grey image of the given size, every pixel the given grey.
std::vector<uint8_t> Grey(int width, int height, uint8_t value) {
    return std::vector<uint8_t>(static_cast<std::size_t>(width) * height, value);
}

std::vector<uint8_t> Threshold(const std::vector<uint8_t>& pixels, int width, int height,
                               int threshold) {
    std::vector<uint8_t> out(static_cast<std::size_t>(height) * ((width + 7) / 8), 0xEE);
    ThresholdPixels(pixels.data(), width, height, threshold, out.data());
    return out;
}

TEST(GlyphRasterizerTest, ThresholdPacksRowsMostSignificantBitFirst) {
    struct Case {
        int width;
        uint8_t grey;
        int threshold;
        std::vector<uint8_t> row;  // expected bytes of each row
    };
    const Case cases[] = {
        {16, 0, 128, {0xFF, 0xFF}}, {12, 0, 128, {0xFF, 0xF0}},
        {6, 0, 128, {0xFC}},        {17, 0, 1, {0xFF, 0xFF, 0x80}},
        {8, 128, 128, {0x00}},      {8, 127, 128, {0xFF}},
        {8, 0, 1, {0xFF}},          {8, 1, 1, {0x00}},
        {8, 254, 255, {0xFF}},      {8, 255, 255, {0x00}},
    };
    for (const Case& c : cases) {
        const int height = 3;
        std::vector<uint8_t> expected;
        for (int r = 0; r < height; ++r)
            expected.insert(expected.end(), c.row.begin(), c.row.end());
        EXPECT_EQ(Threshold(Grey(c.width, height, c.grey), c.width, height, c.threshold), expected)
            << "width " << c.width << " grey " << int(c.grey) << " threshold " << c.threshold;
    }
}

class Rendering : public ::testing::Test {
protected:
    // Renders one code with the default face; the bitmap is owned by the caller.
    std::vector<uint8_t> Render(uint16_t code, int width = 16, int height = 16,
                                const LogFont& font = LogFont{}, int offsetX = 0, int offsetY = 0,
                                int threshold = 128) {
        CGlyphRasterizer rasterizer;
        EXPECT_TRUE(rasterizer.SetCellSize(width, height));
        const Result created = rasterizer.CreateFont(font);
        EXPECT_TRUE(created) << created.message;
        GlyphBits bits = rasterizer.RenderGlyph(code, offsetX, offsetY, threshold);
        if (!bits) return {};
        return std::vector<uint8_t>(bits.get(), bits.get() + height * ((width + 7) / 8));
    }

    static int Ink(const std::vector<uint8_t>& bits) {
        int count = 0;
        for (uint8_t byte : bits) count += __builtin_popcount(byte);
        return count;
    }
};

TEST_F(Rendering, DefaultHangulAndAsciiCells) {
    const std::vector<uint8_t> ga = Render(0xB0A1);
    EXPECT_EQ(ga.size(), 32u);
    EXPECT_GT(Ink(ga), 10);
    const std::vector<uint8_t> a = Render('A', 8);
    EXPECT_EQ(a.size(), 16u);
    EXPECT_GT(Ink(a), 5);
}

TEST_F(Rendering, BlankCodes) {
    for (uint16_t code : {0x00, 0x20, 0xA2E8 /* unassigned */})
        EXPECT_EQ(Ink(Render(code)), 0) << code;
}

TEST_F(Rendering, PadBitsStayClearWhatever) {
    LogFont font;
    font.height = -24;
    for (uint16_t code : {0xB0A1, 0xC8FE, 0xA1E1}) {
        const std::vector<uint8_t> bits = Render(code, 12, 16, font, -2, 0, 255);
        for (int r = 0; r < 16; ++r) EXPECT_EQ(bits[r * 2 + 1] & 0x0F, 0) << code << " row " << r;
    }
}

TEST_F(Rendering, OffsetMovesTheCharacter) {
    const std::vector<uint8_t> base = Render(0xB0A1);
    const std::vector<uint8_t> up = Render(0xB0A1, 16, 16, LogFont{}, 0, -4);
    for (int r = 0; r < 12; ++r) {
        EXPECT_EQ(up[r * 2], base[(r + 4) * 2]) << r;
        EXPECT_EQ(up[r * 2 + 1], base[(r + 4) * 2 + 1]) << r;
    }
    for (int r = 12; r < 16; ++r) EXPECT_EQ(up[r * 2] | up[r * 2 + 1], 0) << r;
    EXPECT_EQ(Ink(Render(0xB0A1, 16, 16, LogFont{}, 40, 0)), 0);
}

TEST_F(Rendering, StyleChangesTheInk) {
    const int plain = Ink(Render(0xC7D1));
    LogFont bold;
    bold.weight = 700;
    EXPECT_GT(Ink(Render(0xC7D1, 16, 16, bold)), plain);

    LogFont underline;
    underline.underline = 1;
    LogFont strike;
    strike.strikeOut = 1;
    // The default face's underline lies below its one-em cell: a taller cell shows it.
    EXPECT_GE(Ink(Render(' ', 8, 20, underline)), 6);  // a line under the blank
    EXPECT_GE(Ink(Render(' ', 8, 20, strike)), 6);
    EXPECT_NE(Render(' ', 8, 20, underline), Render(' ', 8, 20, strike));

    LogFont italic;
    italic.italic = 1;
    EXPECT_NE(Render('I', 8, 16, italic), Render('I', 8, 16));
}

TEST_F(Rendering, HeightSignChoosesEmOrCellHeight) {
    // UnDotum's ascent + descent is 1.213 em, so a cell height of 16 is a 13-pixel em.
    LogFont em;
    em.faceName = "UnDotum";
    em.height = -16;
    LogFont cell = em;
    cell.height = 16;
    EXPECT_LT(Ink(Render(0xB0A1, 32, 32, cell)), Ink(Render(0xB0A1, 32, 32, em)));
}

TEST_F(Rendering, UnreadableFontFileIsReported) {
    CGlyphRasterizer rasterizer;
    ASSERT_TRUE(rasterizer.SetCellSize(16, 16));
    LogFont font;
    font.faceName = "/nonexistent/font.ttf";
    EXPECT_FALSE(rasterizer.CreateFont(font));
    font.faceName = "/proc/self/status";  // readable, but no font
    const Result bad = rasterizer.CreateFont(font);
    EXPECT_FALSE(bad);
    EXPECT_NE(bad.message.find("cannot read"), std::string::npos) << bad.message;
    EXPECT_EQ(rasterizer.RenderGlyph(0x41, 0, 0, 128), nullptr);
}

TEST(LogFontTest, DescriptionAndMulDiv) {
    EXPECT_EQ(MulDiv(-16, 72, 96), -12);
    EXPECT_EQ(MulDiv(-13, 72, 96), -10);  // -9.75 rounds away from zero
    EXPECT_EQ(MulDiv(7, 1, 2), 4);
    LogFont font;
    EXPECT_EQ(FontDescriptionText(font), "굴림체, 12");
    font.weight = 700, font.italic = 1, font.underline = 1, font.strikeOut = 1;
    font.faceName = "Foo";
    font.height = -20;
    EXPECT_EQ(FontDescriptionText(font), "Foo, 15, Bold, Italic, Underline, StrikeOut");
}

}  // namespace
