// The default face against references this program did not produce: bitmaps of an
// independent hinted-monochrome renderer (frozen ones checked by eye, and the whole range
// drawn afresh), the cell edges, and fontconfig's own view of which characters the
// installed fonts have.

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <iconv.h>

#include <array>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "MonoReference.h"
#include "extract/ExtractWorker.h"
#include "extract/GlyphRasterizer.h"
#include "glyph/GlyphSet.h"

using namespace brivo;

namespace {

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

// Renders with the default face at a given em into a cell of the given size, the face's
// character cell placed at the offset.
class DefaultFace {
public:
    DefaultFace(int width, int height, int em = 16, int weight = 400, bool italic = false)
        : width(width), height(height) {
        LogFont font;
        font.height = -em;
        font.weight = weight;
        font.italic = italic ? 1 : 0;
        EXPECT_TRUE(rasterizer.SetCellSize(width, height));
        EXPECT_TRUE(rasterizer.CreateFont(font));
    }
    std::vector<std::string> Render(uint16_t code, int offsetX = 0, int offsetY = 0) {
        const GlyphBits bits = rasterizer.RenderGlyph(code, offsetX, offsetY, 128);
        return bits ? Art(bits.get(), width, height) : std::vector<std::string>{};
    }
    const ResolvedFont* LastFont() const { return rasterizer.LastGlyphFont(); }

private:
    CGlyphRasterizer rasterizer;
    int width, height;
};

std::string Joined(const std::vector<std::string>& rows) {
    std::string text;
    for (const std::string& row : rows) text += row + "\n";
    return text;
}

// The code page 949 code of one UTF-8 character.
uint16_t Code(const std::string& utf8) {
    iconv_t cd = iconv_open("CP949", "UTF-8");
    std::string in = utf8;
    unsigned char out[4] = {};
    char* inPtr = in.data();
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = in.size(), outLeft = sizeof out;
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!ok) return 0;
    return sizeof out - outLeft == 1 ? out[0] : static_cast<uint16_t>(out[0] << 8 | out[1]);
}

// At 10 to 24 pixels, the characters whose strokes fade first, each against the bitmap the
// independent hinted-monochrome renderer drew (checked by eye when it was frozen).
TEST(DefaultFaceRenderingTest, GlyphsMatchTheirGoldenBitmaps) {
    std::ifstream golden(GOLDEN_FILE);
    ASSERT_TRUE(golden) << GOLDEN_FILE;
    int checked = 0;
    for (std::string line; std::getline(golden, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        int size = 0;
        std::string character, hex;
        fields >> size >> character >> hex;
        const uint16_t code = Code(character);
        ASSERT_NE(code, 0) << line;
        const int width = code < 0x80 ? size / 2 : size;
        std::vector<uint8_t> bits;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            bits.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        ASSERT_EQ(bits.size(), std::size_t(size) * ((width + 7) / 8)) << line;
        DefaultFace face(width, size, size);
        EXPECT_EQ(Joined(face.Render(code)), Joined(Art(bits.data(), width, size)))
            << character << " at " << size << " pixels";
        ++checked;
    }
    EXPECT_EQ(checked, 5 * 14 + 11);
}

// The printable ASCII characters and the codes of ALL.
std::vector<uint16_t> AsciiAndAll() {
    std::vector<uint16_t> codes;
    for (uint16_t code = 0x21; code < 0x7F; ++code) codes.push_back(code);
    for (uint16_t code : RangeCodes(RANGE_ALL, false)) codes.push_back(code);
    return codes;
}

// How far a glyph's ink reaches beyond each edge of its cell (top, bottom, left, right),
// from a rendering with the cell in the middle of one three times as large.
using Overhang = std::array<int, 4>;
Overhang Beyond(const std::vector<std::string>& large, int width, int height) {
    Overhang reach{};
    for (int y = 0; y < 3 * height; ++y)
        for (int x = 0; x < 3 * width; ++x)
            if (large[y][x] == '#') {
                reach[0] = std::max(reach[0], height - y);
                reach[1] = std::max(reach[1], y + 1 - 2 * height);
                reach[2] = std::max(reach[2], width - x);
                reach[3] = std::max(reach[3], x + 1 - 2 * width);
            }
    return reach;
}

// Drawn bold or italic, no glyph reaches farther beyond any edge of its cell than its
// regular form does (and the regular ASCII and Hangul stay inside): each is drawn in its
// cell and, with the cell in the middle, in a cell three times as large; the middle must be
// what the cell shows, and the ink around it is what the cell cuts off.
TEST(DefaultFaceRenderingTest, StylesReachNoFartherBeyondTheCell) {
    struct Style {
        const char* name;
        int weight;
        bool italic;
    };
    const Style styles[] = {{"regular", 400, false}, {"bold", 700, false}, {"italic", 400, true}};
    for (const int size : {10, 12, 16, 24}) {
        std::map<uint16_t, Overhang> regular;
        for (const Style& style : styles) {
            DefaultFace narrow(size / 2, size, size, style.weight, style.italic);
            DefaultFace wide(size, size, size, style.weight, style.italic);
            DefaultFace narrowLarge(3 * (size / 2), 3 * size, size, style.weight, style.italic);
            DefaultFace wideLarge(3 * size, 3 * size, size, style.weight, style.italic);
            int cut = 0;
            for (const uint16_t code : AsciiAndAll()) {
                const bool half = code < 0x80;
                const int width = half ? size / 2 : size;
                const std::vector<std::string> inCell = (half ? narrow : wide).Render(code);
                const std::vector<std::string> large =
                    (half ? narrowLarge : wideLarge).Render(code, width, size);
                std::vector<std::string> inside;
                for (int y = size; y < 2 * size; ++y)
                    inside.push_back(large[y].substr(width, width));
                ASSERT_EQ(Joined(inside), Joined(inCell))
                    << style.name << " " << size << std::hex << " code 0x" << code;
                const Overhang reach = Beyond(large, width, size);
                bool farther = false;
                if (style.weight == 400 && !style.italic) {
                    regular[code] = reach;
                    farther = (half || (code >= 0xB0A1 && code <= 0xC8FE)) && reach != Overhang{};
                } else {
                    for (int side = 0; side < 4; ++side)
                        farther = farther || reach[side] > regular[code][side];
                }
                if (farther && ++cut <= 3)
                    ADD_FAILURE() << style.name << " " << size << std::hex << " code 0x" << code
                                  << " reaches farther beyond its cell:\n"
                                  << Joined(large);
            }
            EXPECT_EQ(cut, 0) << style.name << " glyphs cut at " << size << " pixels";
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

// At every size a product uses, the default output (regular and bold) keeps every stroke of
// FreeType's hinted monochrome form of the same glyph from the same font, drawn by the
// independent renderer: at most one of the reference's ink pixels lies farther than a pixel
// from all of the output's. Synthesised bold is left to the cell check above.
TEST(DefaultFaceRenderingTest, EveryGlyphKeepsTheStrokesOfHintedMonochrome) {
    iconv_t cd = iconv_open("UTF-32LE", "CP949");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    CMonoReference reference;
    for (const int weight : {400, 700})
        for (const int size : {10, 12, 16, 24}) {
            DefaultFace narrow(size / 2, size, size, weight), wide(size, size, size, weight);
            int damaged = 0, compared = 0;
            for (const uint16_t code : AsciiAndAll()) {
                const bool half = code < 0x80;
                DefaultFace& face = half ? narrow : wide;
                const std::vector<std::string> output = face.Render(code);
                const ResolvedFont* font = face.LastFont();
                if (font == nullptr || font->embolden) continue;
                ASSERT_TRUE(reference.Open(font->file, font->faceIndex, size)) << font->file;
                const std::vector<std::string> expected =
                    reference.Render(Decode(cd, code), half ? size / 2 : size, size);
                ++compared;
                int lost = 0;
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < static_cast<int>(expected[y].size()); ++x) {
                        if (expected[y][x] != '#') continue;
                        bool near = false;
                        for (int dy = -1; dy <= 1 && !near; ++dy)
                            for (int dx = -1; dx <= 1 && !near; ++dx) {
                                const int ny = y + dy, nx = x + dx;
                                near = ny >= 0 && ny < size && nx >= 0 &&
                                       nx < static_cast<int>(output[ny].size()) &&
                                       output[ny][nx] == '#';
                            }
                        lost += near ? 0 : 1;
                    }
                if (lost > 1 && ++damaged <= 3)
                    ADD_FAILURE() << "weight " << weight << ", " << size << " pixels, code 0x"
                                  << std::hex << code << " loses " << std::dec << lost
                                  << " pixels of " << font->Name() << ":\n"
                                  << Joined(output) << "against\n"
                                  << Joined(expected);
            }
            EXPECT_EQ(damaged, 0) << "weight " << weight << ", " << size << " pixels";
            EXPECT_GT(compared, weight == 400 ? 8000 : 3000);
        }
    iconv_close(cd);
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
    for (const GlyphPtr& glyph : set.glyphs) {
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
