// The default face against references this program did not produce: exact bitmaps checked
// by eye when they were frozen (and matching Pillow's FreeType rendering with the same
// flags), the cell edges, and fontconfig's own view of which characters the installed fonts
// have.

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <iconv.h>

#include <memory>
#include <string>
#include <vector>

#include "extract/ExtractWorker.h"
#include "extract/GlyphRasterizer.h"
#include "glyph/GlyphSet.h"

using namespace brivo;

namespace {

struct Golden {
    uint16_t code;
    std::vector<std::string> rows;
};

// "굴림체" at height -16, threshold 128, automatic render mode; ASCII in 8 x 16 cells.
// clang-format off
const Golden kGoldens[] = {
    {0x0041, {  // A, drawn by NanumGothicCoding Regular
        "........",
        "........",
        "........",
        "...##...",
        "...##...",
        "...##...",
        "..#..#..",
        "..#..#..",
        "..#..#..",
        "..#..#..",
        ".######.",
        ".#....#.",
        ".#....#.",
        "##....##",
        "........",
        "........",
    }},
    {0x0067, {  // g, drawn by NanumGothicCoding Regular
        "........",
        "........",
        "........",
        "........",
        "........",
        "........",
        "..###.#.",
        ".##..##.",
        ".#....#.",
        ".#....#.",
        ".#....#.",
        ".##..##.",
        "..###.#.",
        "......#.",
        ".....#..",
        ".####...",
    }},
    {0x0040, {  // @, drawn by NanumGothicCoding Regular
        "........",
        "........",
        "........",
        "..####..",
        ".##..##.",
        ".#.####.",
        "#.#..#.#",
        "#.#..#.#",
        "#.#..#.#",
        "#.#.....",
        ".##.#.#.",
        ".###.##.",
        ".##..##.",
        "..####..",
        "........",
        "........",
    }},
    {0xB0A1, {  // 가, drawn by NanumGothicCoding Regular
        "............#...",
        "..######....#...",
        ".......##...#...",
        ".......#....#...",
        ".......#....#...",
        ".......#....#...",
        "......#.....###.",
        "......#.....#...",
        ".....#......#...",
        "....#.......#...",
        "...#........#...",
        "..#.........#...",
        "............#...",
        "............#...",
        "............#...",
        "................",
    }},
    {0xC8FE, {  // 힝, the last Hangul of KS X 1001, drawn by NanumGothicCoding Regular
        "............#...",
        "....####....#...",
        "............#...",
        "..#########.#...",
        "............#...",
        "....####....#...",
        "...#....#...#...",
        "...#....#...#...",
        "....####....#...",
        "............#...",
        "......######....",
        ".....#.....##...",
        "....#.......#...",
        ".....#.....##...",
        "......######....",
        "................",
    }},
    {0xC652, {  // 힣 (a CP949 extension code), drawn by NanumGothicCoding Regular
        "................",
        "....####....#...",
        "..########..#...",
        "............#...",
        "....####....#...",
        "...#....#...#...",
        "...#....#...#...",
        "...#....#...#...",
        "....####........",
        ".......####.....",
        "................",
        "....##########..",
        "........##......",
        ".....##....#....",
        ".....##....#....",
        ".......####.....",
    }},
    {0xA4D3, {  // ㅣ, drawn by NanumGothicCoding Regular
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        "................",
    }},
    {0xECE9, {  // 一, a Hanja: from the fallback font, drawn by Baekmuk Gulim Regular
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        ".##############.",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
    }},
    {0xA6A2, {  // │, drawn by NanumGothicCoding Regular
        "................",
        ".......#........",
        ".......#........",
        ".......#........",
        ".......#........",
        ".......#........",
        ".......#........",
        ".......#........",
        ".......#........",
        ".......#........",
        ".......#........",
        ".......#........",
        ".......#........",
        ".......#........",
        ".......#........",
        "................",
    }},
    {0xA2E6, {  // €: from the fallback font, drawn by NanumGothicCoding Regular
        "................",
        "................",
        "........###.....",
        ".......#####....",
        "......#.........",
        ".....##.........",
        ".....##.........",
        "....######......",
        ".....#..........",
        "....#####.......",
        ".....#..........",
        ".....##.........",
        "......##...#....",
        ".......####.....",
        "................",
        "................",
    }},
    {0xA3C9, {  // Ｉ, drawn by NanumGothicCoding Regular
        "................",
        "................",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        "................",
        "................",
    }},
    {0xA9A5, {  // ı, drawn by NanumGothicCoding Regular
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        ".......##.......",
        "................",
        "................",
        "................",
    }},
};
// clang-format on

// A bitmap as rows of '#' (ink) and '.'.
std::vector<std::string> Art(const uint8_t* bits, int width, int height) {
    std::vector<std::string> rows;
    const int bytesPerRow = (width + 7) / 8;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x)
            row += (bits[y * bytesPerRow + x / 8] & (0x80 >> (x % 8))) ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

// Renders with the default face into a cell of the given size.
class DefaultFace {
public:
    DefaultFace(int width, int height) : width(width), height(height) {
        EXPECT_TRUE(rasterizer.SetCellSize(width, height));
        EXPECT_TRUE(rasterizer.CreateFont(LogFont{}));
    }
    std::vector<std::string> Render(uint16_t code) {
        const std::unique_ptr<uint8_t[]> bits(rasterizer.RenderGlyph(code, 0, 0, 128));
        return bits ? Art(bits.get(), width, height) : std::vector<std::string>{};
    }

private:
    CGlyphRasterizer rasterizer;
    int width, height;
};

std::string Joined(const std::vector<std::string>& rows) {
    std::string text;
    for (const std::string& row : rows) text += row + "\n";
    return text;
}

TEST(DefaultFaceRenderingTest, GlyphsMatchTheirGoldenBitmaps) {
    DefaultFace narrow(8, 16), wide(16, 16);
    for (const Golden& golden : kGoldens) {
        DefaultFace& face = golden.code < 0x80 ? narrow : wide;
        EXPECT_EQ(Joined(face.Render(golden.code)), Joined(golden.rows))
            << std::hex << "code 0x" << golden.code;
    }
}

// Every printable ASCII character and every Hangul syllable of KS X 1001, drawn into a cell
// twice as large, has no ink beyond its own cell and is the same inside it.
TEST(DefaultFaceRenderingTest, AsciiAndHangulStayInsideTheirCells) {
    struct Case {
        int width;
        std::vector<uint16_t> codes;
    };
    std::vector<uint16_t> ascii;
    for (uint16_t code = 0x21; code < 0x7F; ++code) ascii.push_back(code);
    const Case cases[] = {{8, ascii}, {16, RangeCodes(RANGE_HANGUL, true)}};
    for (const Case& c : cases) {
        DefaultFace cell(c.width, 16), large(2 * c.width, 32);
        for (uint16_t code : c.codes) {
            const std::vector<std::string> inCell = cell.Render(code);
            std::vector<std::string> outside = large.Render(code);
            std::vector<std::string> inside;
            for (int y = 0; y < 16; ++y) {
                inside.push_back(outside[y].substr(0, c.width));
                outside[y].replace(0, c.width, std::string(c.width, '.'));
            }
            ASSERT_EQ(Joined(inside), Joined(inCell)) << std::hex << "code 0x" << code;
            ASSERT_EQ(Joined(outside).find('#'), std::string::npos)
                << std::hex << "code 0x" << code << " has ink beyond its cell:\n"
                << Joined(large.Render(code));
        }
    }
}

// The character a KS X 1001 code stands for, 0 for an unassigned code.
char32_t Decode(iconv_t cd, uint16_t code) {
    char in[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    char32_t out = 0;
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(&out);
    std::size_t inLeft = 2, outLeft = 4;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return 0;
    return outLeft == 0 ? out : 0;
}

// Codes that some installed font has a glyph for come out with ink, apart from the two
// blanks of the character set (the ideographic space and the Hangul filler); all others
// come out blank.
TEST(DefaultFaceRenderingTest, EveryCodeAnInstalledFontHasIsDrawn) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    ASSERT_NE(config, nullptr);
    FcPattern* any = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_CHARSET, nullptr);
    FcFontSet* fonts = FcFontList(config, any, objects);
    ASSERT_NE(fonts, nullptr);
    iconv_t cd = iconv_open("UTF-32LE", "CP949");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));

    CGlyphSet set;
    ExtractSettings settings;
    settings.range = RANGE_ALL;
    CExtractWorker worker;
    ASSERT_TRUE(worker.StartExtraction(settings, set));
    worker.Wait();
    ASSERT_EQ(set.Count(), 8742);
    int drawable = 0;
    for (const CGlyph* glyph : set.glyphs) {
        const char32_t character = Decode(cd, glyph->code);
        bool someFontHasIt = false;
        for (int i = 0; character != 0 && !someFontHasIt && i < fonts->nfont; ++i) {
            FcCharSet* charset = nullptr;
            someFontHasIt =
                FcPatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &charset) == FcResultMatch &&
                FcCharSetHasChar(charset, character);
        }
        const bool blankByDesign = glyph->code == 0xA1A1 || glyph->code == 0xA4D4;
        bool ink = false;
        for (int i = 0; i < 32; ++i) ink = ink || glyph->bits[i] != 0;
        EXPECT_EQ(ink, someFontHasIt && !blankByDesign) << std::hex << "code 0x" << glyph->code;
        drawable += someFontHasIt ? 1 : 0;
    }
    EXPECT_GE(drawable, 8226);  // KS X 1001's characters, the euro and registered signs included
    EXPECT_EQ(worker.LastOutcome().missingGlyphs, 8742 - drawable);

    iconv_close(cd);
    FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(any);
    FcConfigDestroy(config);
}

}  // namespace
