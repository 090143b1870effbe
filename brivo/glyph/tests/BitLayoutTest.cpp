#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "glyph/BitLayout.h"
#include "glyph/GlyphBitmap.h"

using namespace brivo;

namespace {

constexpr BitLayout kRowsMsb{ScanOrder::Rows, BitOrder::Msb};
constexpr BitLayout kRowsLsb{ScanOrder::Rows, BitOrder::Lsb};
constexpr BitLayout kColumnsMsb{ScanOrder::Columns, BitOrder::Msb};
constexpr BitLayout kColumnsLsb{ScanOrder::Columns, BitOrder::Lsb};
constexpr BitLayout kPagesMsb{ScanOrder::Pages, BitOrder::Msb};
constexpr BitLayout kPagesLsb{ScanOrder::Pages, BitOrder::Lsb};
constexpr BitLayout kAllLayouts[] = {kRowsMsb,    kRowsLsb,  kColumnsMsb,
                                     kColumnsLsb, kPagesMsb, kPagesLsb};

// The memory form of a picture drawn as text, '#' = ink, one string per row.
std::vector<uint8_t> MemoryBits(const std::vector<std::string>& rows) {
    const int width = static_cast<int>(rows[0].size());
    std::vector<uint8_t> bits(BytesPerGlyph(width, static_cast<int>(rows.size())));
    CGlyphBitmap bitmap(bits.data(), width, static_cast<int>(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            bitmap.SetPixel(static_cast<int>(x), static_cast<int>(y), rows[y][x] == '#');
    return bits;
}

std::vector<uint8_t> Packed(const std::vector<std::string>& rows, BitLayout layout) {
    const int width = static_cast<int>(rows[0].size()), height = static_cast<int>(rows.size());
    std::vector<uint8_t> packed(LayoutBytesPerGlyph(width, height, layout), 0xEE);
    PackGlyphBits(MemoryBits(rows).data(), width, height, layout, packed.data());
    return packed;
}

// 10 x 9: the four corners and one pixel inside, so every layout crosses a byte boundary
// both ways.
const std::vector<std::string> kCorners = {
    "#........#", ".#........", "..........", "..........", "..........",
    "..........", "..........", "..........", "#........#",
};

// The capital A of the classic 5 x 7 LCD font, whose table stores it as the column bytes
// 7C 12 11 12 7C with the top pixel in bit 0.
const std::vector<std::string> kLetterA = {
    "..#..", ".#.#.", "#...#", "#...#", "#####", "#...#", "#...#", ".....",
};

TEST(BitLayoutTest, KnownGlyphsPackToTheBytesOfEachLayout) {
    struct Case {
        const std::vector<std::string>* picture;
        BitLayout layout;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        // Rows: 2 bytes per row.
        {&kCorners,
         kRowsMsb,
         {0x80, 0x40, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x40}},
        {&kCorners,
         kRowsLsb,
         {0x01, 0x02, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x02}},
        // Columns: 2 bytes per column (rows 0-7, then row 8).
        {&kCorners, kColumnsMsb, {0x80, 0x80, 0x40, 0, 0, 0, 0, 0, 0,    0,
                                  0,    0,    0,    0, 0, 0, 0, 0, 0x80, 0x80}},
        {&kCorners, kColumnsLsb, {0x01, 0x01, 0x02, 0, 0, 0, 0, 0, 0,    0,
                                  0,    0,    0,    0, 0, 0, 0, 0, 0x01, 0x01}},
        // Pages: 10 bytes for rows 0-7, then 10 for row 8.
        {&kCorners, kPagesLsb, {0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0x01,
                                0x01, 0,    0, 0, 0, 0, 0, 0, 0, 0x01}},
        {&kCorners, kPagesMsb, {0x80, 0x40, 0, 0, 0, 0, 0, 0, 0, 0x80,
                                0x80, 0,    0, 0, 0, 0, 0, 0, 0, 0x80}},
        {&kLetterA, kPagesLsb, {0x7C, 0x12, 0x11, 0x12, 0x7C}},
        {&kLetterA, kColumnsLsb, {0x7C, 0x12, 0x11, 0x12, 0x7C}},
        {&kLetterA, kColumnsMsb, {0x3E, 0x48, 0x88, 0x48, 0x3E}},
        {&kLetterA, kRowsMsb, {0x20, 0x50, 0x88, 0x88, 0xF8, 0x88, 0x88, 0x00}},
        {&kLetterA, kRowsLsb, {0x04, 0x0A, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x00}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Packed(*c.picture, c.layout), c.bytes) << BitLayoutText(c.layout);
}

TEST(BitLayoutTest, EveryLayoutRoundTripsAnyBitmap) {
    std::mt19937 random(18);
    const std::pair<int, int> sizes[] = {{1, 1},  {8, 8},  {5, 8},   {10, 9},   {16, 16},
                                         {17, 3}, {3, 17}, {24, 12}, {256, 256}};
    for (const auto& [width, height] : sizes) {
        // Random ink, padding bits clear as in memory.
        std::vector<uint8_t> bits(BytesPerGlyph(width, height));
        CGlyphBitmap bitmap(bits.data(), width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, random() % 2 != 0);
        for (BitLayout layout : kAllLayouts) {
            std::vector<uint8_t> packed(LayoutBytesPerGlyph(width, height, layout));
            PackGlyphBits(bits.data(), width, height, layout, packed.data());
            std::vector<uint8_t> back(bits.size(), 0xA5);
            UnpackGlyphBits(packed.data(), width, height, layout, back.data());
            EXPECT_EQ(back, bits) << width << "x" << height << " " << BitLayoutText(layout);
        }
    }
}

TEST(BitLayoutTest, PaddingBitsOfAFileAreIgnored) {
    // A row of 5 pixels, LSB first: bits 7-5 are padding.
    const uint8_t row[] = {0xFF};
    uint8_t back = 0;
    UnpackGlyphBits(row, 5, 1, kRowsLsb, &back);
    EXPECT_EQ(back, 0xF8);
    // Columns of 3 pixels, MSB first: bits 4-0 are padding; column 1 holds padding only.
    const uint8_t columns[] = {0xFF, 0x1F, 0x80};
    uint8_t rows[3] = {};
    UnpackGlyphBits(columns, 3, 3, kColumnsMsb, rows);
    EXPECT_EQ(std::vector<uint8_t>(rows, rows + 3), (std::vector<uint8_t>{0xA0, 0x80, 0x80}));
}

TEST(BitLayoutTest, NamesAndHeaderTextReadBack) {
    for (BitLayout layout : kAllLayouts)
        EXPECT_EQ(BitLayoutFromText(BitLayoutText(layout)), layout) << BitLayoutText(layout);
    EXPECT_EQ(BitLayoutText(kPagesLsb), "pages, LSB first");
    EXPECT_EQ(BitLayoutFromText("  Columns ,msb FIRST "), kColumnsMsb);
    for (const char* bad : {"", "pages", "pages LSB first", "diagonal, LSB first", "rows, lsb"})
        EXPECT_FALSE(BitLayoutFromText(bad)) << bad;
    EXPECT_EQ(DefaultBitOrder(ScanOrder::Pages), BitOrder::Lsb);
    EXPECT_EQ(DefaultBitOrder(ScanOrder::Columns), BitOrder::Msb);
}

}  // namespace
