#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "glyph/GlyphBitmap.h"

using namespace brivo;

namespace {

// A bitmap drawn as text, one string per row, '#' = ink. Packed here bit by bit as the
// binary font files store it, independently of the class under test.
std::vector<uint8_t> Pack(const std::vector<std::string>& rows) {
    const int bytesPerRow = (static_cast<int>(rows[0].size()) + 7) / 8;
    std::vector<uint8_t> bytes(rows.size() * bytesPerRow);
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x)
            if (rows[y][x] == '#') bytes[y * bytesPerRow + x / 8] |= 1 << (7 - x % 8);
    return bytes;
}

std::vector<std::string> Picture(const CGlyphBitmapView& bitmap) {
    std::vector<std::string> rows;
    for (int y = 0; y < bitmap.Height(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < bitmap.Width(); ++x) rows.back() += bitmap.Pixel(x, y) ? '#' : '.';
    }
    return rows;
}

TEST(GlyphBitmapTest, OnePixelLandsInTheByteAndBitOfTheFileLayout) {
    struct Case {
        int width, height, x, y;
        int byte;
        uint8_t value;
    };
    const Case cases[] = {
        {1, 1, 0, 0, 0, 0x80},      {8, 2, 7, 1, 1, 0x01},   {12, 2, 11, 0, 1, 0x10},
        {12, 2, 8, 1, 3, 0x80},     {17, 3, 16, 2, 8, 0x80}, {17, 3, 9, 1, 4, 0x40},
        {16, 16, 15, 15, 31, 0x01},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(BytesPerGlyph(c.width, c.height));
        CGlyphBitmap bitmap(bytes.data(), c.width, c.height);
        bitmap.SetPixel(c.x, c.y, true);
        std::vector<uint8_t> expected(bytes.size());
        expected[c.byte] = c.value;
        EXPECT_EQ(bytes, expected) << c.width << " wide, pixel " << c.x << "," << c.y;
        EXPECT_TRUE(bitmap.Pixel(c.x, c.y));
        bitmap.SetPixel(c.x, c.y, false);
        EXPECT_EQ(bytes, std::vector<uint8_t>(bytes.size()));
    }
}

TEST(GlyphBitmapTest, OutsideReadsBlankAndIgnoresWrites) {
    std::vector<uint8_t> bytes(BytesPerGlyph(12, 2), 0xFF);
    bytes[1] = bytes[3] = 0xF0;  // no padding ink
    CGlyphBitmap bitmap(bytes.data(), 12, 2);
    const std::vector<uint8_t> before = bytes;
    for (auto [x, y] : {std::pair{-1, 0}, {12, 0}, {13, 1}, {0, -1}, {0, 2}, {15, 1}}) {
        EXPECT_FALSE(bitmap.Pixel(x, y)) << x << "," << y;
        bitmap.SetPixel(x, y, true);
    }
    EXPECT_EQ(bytes, before);
}

TEST(GlyphBitmapTest, ShiftsAndMirrorsMovePixelsAndKeepPaddingBlank) {
    struct Case {
        std::vector<std::string> before;
        std::function<void(CGlyphBitmap&)> edit;
        std::vector<std::string> after;
    };
    auto shift = [](ShiftDirection d) { return [d](CGlyphBitmap& b) { b.Shift(d); }; };
    auto mirror = [](MirrorAxis a) { return [a](CGlyphBitmap& b) { b.Mirror(a); }; };
    const std::vector<std::string> ell12 = {"#..........#", "#...........", "############"};
    const std::vector<std::string> ell17 = {"#...............#", "#................",
                                            "#################"};
    const Case cases[] = {
        // Width 1.
        {{"#", ".", "#"}, shift(SHIFT_UP), {".", "#", "."}},
        {{"#", ".", "#"}, shift(SHIFT_DOWN), {".", "#", "."}},
        {{"#", "."}, shift(SHIFT_LEFT), {".", "."}},
        {{"#", "."}, shift(SHIFT_RIGHT), {".", "."}},
        {{"#", "."}, mirror(MIRROR_HORIZONTAL), {"#", "."}},
        {{"#", "."}, mirror(MIRROR_VERTICAL), {".", "#"}},
        // Width 12: the last column leaves into the padding and must not stay there.
        {ell12, shift(SHIFT_UP), {"#...........", "############", "............"}},
        {ell12, shift(SHIFT_DOWN), {"............", "#..........#", "#..........."}},
        {ell12, shift(SHIFT_LEFT), {"..........#.", "............", "###########."}},
        {ell12, shift(SHIFT_RIGHT), {".#..........", ".#..........", ".###########"}},
        {ell12, mirror(MIRROR_HORIZONTAL), {"#..........#", "...........#", "############"}},
        {ell12, mirror(MIRROR_VERTICAL), {"############", "#...........", "#..........#"}},
        // Width 17: one pixel in the third byte of each row.
        {ell17,
         shift(SHIFT_RIGHT),
         {".#...............", ".#...............", ".################"}},
        {ell17, shift(SHIFT_LEFT), {"...............#.", ".................", "################."}},
        {ell17,
         mirror(MIRROR_HORIZONTAL),
         {"#...............#", "................#", "#################"}},
        {ell17,
         mirror(MIRROR_VERTICAL),
         {"#################", "#................", "#...............#"}},
        // Pixels one by one.
        {{"....", "...."}, [](CGlyphBitmap& b) { b.SetPixel(3, 1, true); }, {"....", "...#"}},
        {{"####", "####"}, [](CGlyphBitmap& b) { b.SetPixel(0, 0, false); }, {".###", "####"}},
        {{"#..#", "#..#"}, [](CGlyphBitmap& b) { b.Clear(); }, {"....", "...."}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = Pack(c.before);
        const int width = static_cast<int>(c.before[0].size());
        const int height = static_cast<int>(c.before.size());
        CGlyphBitmap bitmap(bytes.data(), width, height);
        c.edit(bitmap);
        EXPECT_EQ(Picture(bitmap), c.after) << c.before[0];
        // Padding bits are compared too: the packed picture has them 0.
        EXPECT_EQ(bytes, Pack(c.after)) << c.before[0];
    }
}

}  // namespace
