// BDF fonts written by brivo-cli, read back with Pillow's BDF reader and compared with the
// .fnt file of the same extraction and with where FreeType puts the glyphs of the font.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cli/tests/CliRun.h"

namespace {

namespace fs = std::filesystem;

// Reads the whole font with Pillow (the header as BdfFontFile does, which refuses anything
// but ASCII), then prints each glyph in file order: the EUC-KR code of its character by
// Python's own codec ("-" when unencoded), the advance, the bitmap's box relative to the
// origin on the baseline (left, top, right, bottom; y down) and its pixels ('#' ink).
constexpr char kPillowDump[] = R"(import sys
from PIL import BdfFontFile
with open(sys.argv[1], "rb") as f:
    BdfFontFile.BdfFontFile(f)
with open(sys.argv[1], "rb") as f:
    while True:
        c = BdfFontFile.bdf_char(f)
        if not c:
            break
        name, encoding, ((dx, dy), box, src), image = c
        code = chr(encoding).encode("euc_kr").hex() if encoding >= 0 else "-"
        pixels = "".join("#" if image.getpixel((x, y)) else "."
                         for y in range(image.height) for x in range(image.width))
        print(code, dx, *box, image.width, image.height, pixels or "-")
)";

struct PillowGlyph {
    std::string code;
    int advance = 0, left = 0, top = 0, right = 0, bottom = 0, width = 0, height = 0;
    std::string pixels;

    bool Ink(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height && pixels[y * width + x] == '#';
    }
};

class BdfOutputTest : public CliTest {
protected:
    std::vector<PillowGlyph> ReadWithPillow(const fs::path& bdf) {
        const fs::path script = folder / "dump.py";
        std::ofstream(script) << kPillowDump;
        const std::string command =
            std::string(PYTHON3) + " " + script.string() + " " + bdf.string() + " 2>&1";
        std::vector<PillowGlyph> glyphs;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return glyphs;
        std::string output;
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
        const int status = pclose(pipe);
        EXPECT_EQ(status, 0) << command << "\n" << output.substr(0, 2000);
        if (status != 0) return glyphs;
        std::istringstream lines(output);
        PillowGlyph glyph;
        while (lines >> glyph.code >> glyph.advance >> glyph.left >> glyph.top >> glyph.right >>
               glyph.bottom >> glyph.width >> glyph.height >> glyph.pixels)
            glyphs.push_back(glyph);
        return glyphs;
    }
};

// How far above the baseline FreeType puts the top row of the hinted monochrome 'H' of the
// default face's font at `pixels`; -100 when it cannot.
int TopOfH(int pixels) {
    const std::string file = FontFile("NanumGothicCoding:style=Regular");
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return -100;
    FT_Face face = nullptr;
    int top = -100;
    if (FT_New_Face(library, file.c_str(), 0, &face) == 0) {
        if (FT_Set_Pixel_Sizes(face, 0, pixels) == 0 &&
            FT_Load_Char(face, 'H', FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) == 0)
            top = face->glyph->bitmap_top;
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return top;
}

// The cell of glyph `n` of a .fnt file (rows, ceil(W/8) bytes each, leftmost pixel in bit 7).
bool FntInk(const std::string& fnt, int n, int width, int height, int x, int y) {
    const int perRow = (width + 7) / 8;
    const auto byte = static_cast<unsigned char>(fnt[(n * height + y) * perRow + x / 8]);
    return (byte & (0x80 >> (x % 8))) != 0;
}

std::string Hex(uint16_t code) {
    char text[8];
    std::snprintf(text, sizeof text, code < 0x80 ? "%02x" : "%04x", code);
    return text;
}

TEST_F(BdfOutputTest, PillowReadsTheGlyphsAdvancesAndBaseline) {
    struct Case {
        std::string name;
        std::string what;  // extract's arguments but the output
        int width, height;
        bool mixed;  // a character subset of ASCII and Hangul
    };
    // FreeType's 'H' shows where the baseline lies in the .fnt cells of the mixed subsets.
    const Case cases[] = {
        {"mixed16", "--chars 'Hg_ Ay@ \xED\x95\x9C\xEA\xB8\x80 \xEB\xA9\x94\xEB\x89\xB4'", 16, 16,
         true},
        {"mixed12",
         "--height -12 --chars 'Hg_ Ay@ \xED\x95\x9C\xEA\xB8\x80 \xEB\xA9\x94\xEB\x89\xB4'", 12, 12,
         true},
        {"hangul16", "--range hangul", 16, 16, false},
    };
    int baseline16 = -1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string size =
            " --size " + std::to_string(c.width) + "x" + std::to_string(c.height) + " ";
        const fs::path fnt = folder / (c.name + ".fnt"), bdf = folder / (c.name + ".bdf");
        ASSERT_EQ(Cli("extract " + c.what + size + "-o " + fnt.string()).status, 0);
        const CliRun run = Cli("extract " + c.what + size + "-o " + bdf.string());
        ASSERT_EQ(run.status, 0) << run.output;

        // Printable ASCII throughout; the face's name escaped.
        const std::string text = ReadBytes(bdf);
        for (std::size_t at = 0; at < text.size(); ++at)
            ASSERT_TRUE(text[at] == '\n' || (text[at] >= 0x20 && text[at] < 0x7F))
                << "byte " << at << " of " << bdf;
        EXPECT_NE(text.find("COMMENT \\uAD74\\uB9BC\\uCCB4, "), std::string::npos)
            << text.substr(0, 300);

        const std::string cells = ReadBytes(fnt);
        const int bytesPerGlyph = (c.width + 7) / 8 * c.height;
        const int count = static_cast<int>(cells.size()) / bytesPerGlyph;
        std::vector<uint16_t> codes;
        if (c.mixed) {
            const std::string idx = ReadBytes(folder / (c.name + ".idx"));
            ASSERT_EQ(static_cast<int>(idx.size()), 2 * count);
            for (int n = 0; n < count; ++n)
                codes.push_back(
                    static_cast<uint16_t>(static_cast<unsigned char>(idx[2 * n]) |
                                          static_cast<unsigned char>(idx[2 * n + 1]) << 8));
        } else {
            for (int lead = 0xB0; lead <= 0xC8; ++lead)
                for (int trail = 0xA1; trail <= 0xFE; ++trail)
                    codes.push_back(static_cast<uint16_t>(lead << 8 | trail));
        }
        ASSERT_EQ(static_cast<int>(codes.size()), count);

        // Where the glyphs of the .fnt file stand: FreeType's top of 'H' above the top row of
        // its ink in the cell.
        int baseline = c.height == 16 ? baseline16 : -1;
        for (int n = 0; n < count && c.mixed; ++n) {
            if (codes[n] != 'H') continue;
            const int top = TopOfH(c.height);
            ASSERT_GT(top, 0);
            for (int y = c.height - 1; y >= 0; --y)
                for (int x = 0; x < c.width; ++x)
                    if (FntInk(cells, n, c.width, c.height, x, y)) baseline = y + top;
        }
        ASSERT_GT(baseline, 0);
        if (c.height == 16) {
            baseline16 = baseline;
            EXPECT_EQ(baseline, 13);  // 3 rows below it at 16 pixels
        }
        EXPECT_NE(text.find("FONT_DESCENT " + std::to_string(c.height - baseline) + "\n"),
                  std::string::npos);
        EXPECT_NE(text.find("FONT_ASCENT " + std::to_string(baseline) + "\n"), std::string::npos);

        const std::vector<PillowGlyph> glyphs = ReadWithPillow(bdf);
        ASSERT_EQ(static_cast<int>(glyphs.size()), count);
        for (int n = 0; n < count; ++n) {
            const PillowGlyph& glyph = glyphs[n];
            const uint16_t code = codes[n];
            ASSERT_EQ(glyph.code, Hex(code)) << n;
            // ASCII beside Hangul advances half the cell, as the firmware sets it.
            const int advance = code < 0x80 ? c.width / 2 : c.width;
            EXPECT_EQ(glyph.advance, advance) << Hex(code);
            // Pixel for pixel the .fnt cell, placed by the baseline; no ink outside it.
            int inkInCell = 0;
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x) {
                    const bool ink = glyph.Ink(x - glyph.left, y - baseline - glyph.top);
                    ASSERT_EQ(ink, FntInk(cells, n, c.width, c.height, x, y))
                        << Hex(code) << " pixel " << x << "," << y;
                    inkInCell += ink ? 1 : 0;
                }
            EXPECT_EQ(inkInCell,
                      static_cast<int>(std::count(glyph.pixels.begin(), glyph.pixels.end(), '#')))
                << Hex(code);
        }
    }
}

}  // namespace

namespace {

// Rebuilds the cells of a proportional C font from its offsets and metrics tables, as
// firmware would draw each glyph at the pen origin of a WIDTH x HEIGHT cell, and writes them
// in the .fnt layout to standard output; then each glyph's advance, one a line, to stderr.
constexpr char kCellsFromC[] = R"(#include <stdio.h>
#include FONT
int main(void) {
    const int count = sizeof data_table_offsets / sizeof data_table_offsets[0];
    const int originX = data_table_line_metrics[3], baseline = data_table_line_metrics[4];
    for (int n = 0; n < count; ++n) {
        const short* m = data_table_metrics[n];
        const int left = originX + m[1], top = baseline - m[2] - m[4], perRow = (m[3] + 7) / 8;
        for (int y = 0; y < HEIGHT; ++y)
            for (int x0 = 0; x0 < WIDTH; x0 += 8) {
                unsigned byte = 0;
                for (int b = 0; b < 8; ++b) {
                    const int bx = x0 + b - left, by = y - top;
                    int ink = 0;
                    if (x0 + b < WIDTH && bx >= 0 && bx < m[3] && by >= 0 && by < m[4])
                        ink = data_table[data_table_offsets[n] + by * perRow + bx / 8] >>
                                  (7 - bx % 8) & 1;
                    byte = byte << 1 | ink;
                }
                putchar(byte);
            }
        fprintf(stderr, "%d\n", m[0]);
    }
    return 0;
}
)";

// The hinted monochrome advance FreeType gives `character` of the font file at `pixels`;
// -1 when the font lacks it.
int FreeTypeAdvance(const std::string& file, int pixels, char32_t character) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return -1;
    FT_Face face = nullptr;
    int advance = -1;
    if (FT_New_Face(library, file.c_str(), 0, &face) == 0) {
        if (FT_Set_Pixel_Sizes(face, 0, pixels) == 0 && FT_Get_Char_Index(face, character) != 0 &&
            FT_Load_Char(face, character, FT_LOAD_TARGET_MONO) == 0)
            advance = static_cast<int>((face->glyph->advance.x + 32) / 64);
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return advance;
}

// A proportional BDF font read by Pillow and a proportional C font built with the C compiler
// draw every glyph pixel for pixel as the cells of a .fnt file of the same extraction, with
// tight boxes, and advance as FreeType says (a fixed-pitch face by its cell), at every size.
TEST_F(BdfOutputTest, ProportionalFontsDrawTheCellsWithTheFontsAdvances) {
    struct Face {
        std::string name, pattern;
        bool fixedPitch;
    };
    const Face faces[] = {{"\xEA\xB5\xB4\xEB\xA6\xBC\xEC\xB2\xB4", "NanumGothicCoding", true},
                          {"\xEA\xB5\xB4\xEB\xA6\xBC", "Baekmuk Gulim", false}};
    // ASCII of many widths, Hangul, KS X 1001 symbols.
    const std::string text = "Hgi.W@ \xEA\xB0\x80\xED\x95\x9C\xEA\xB0\x92\xE2\x80\xBB\xE2\x97\x86";
    const char32_t characters[] = {' ',    '.',    '@',    'H',    'W',   'g', 'i',
                                   0x203B, 0x25C6, 0xAC00, 0xAC12, 0xD55C};  // EUC-KR code order
    const int count = static_cast<int>(std::size(characters));
    const fs::path program = folder / "cells", source = folder / "cells.c";
    std::ofstream(source) << kCellsFromC;
    for (const Face& face : faces) {
        const std::string file = FontFile(face.pattern);
        for (int px = 10; px <= 32; ++px) {
            SCOPED_TRACE(face.pattern + " at " + std::to_string(px));
            const std::string extract = "extract --font '" + face.name + "' --height -" +
                                        std::to_string(px) + " --size " + std::to_string(px) + "x" +
                                        std::to_string(px) + " --chars '" + text + "' -o ";
            const fs::path fnt = folder / "f.fnt", bdf = folder / "f.bdf", c = folder / "f.h";
            ASSERT_EQ(Cli(extract + fnt.string()).status, 0);
            ASSERT_EQ(Cli(extract + bdf.string() + " --proportional").status, 0);
            const CliRun run = Cli(extract + c.string() + " --metrics --proportional");
            ASSERT_EQ(run.status, 0) << run.output;
            const std::string cells = ReadBytes(fnt);
            const int perGlyph = (px + 7) / 8 * px;
            ASSERT_EQ(static_cast<int>(cells.size()), count * perGlyph);

            std::vector<int> advances;
            for (int n = 0; n < count; ++n) {
                const int cell = characters[n] < 0x80 ? px / 2 : px;
                const int font = FreeTypeAdvance(file, px, characters[n]);
                // Characters the face lacks come from a fallback font: its advance is not known
                // here.
                advances.push_back(face.fixedPitch ? cell : font);
            }

            const std::string font = ReadBytes(bdf);
            const std::size_t at = font.find("FONT_ASCENT ");
            ASSERT_NE(at, std::string::npos);
            const int baseline = std::stoi(font.substr(at + 12));
            const std::vector<PillowGlyph> glyphs = ReadWithPillow(bdf);
            ASSERT_EQ(static_cast<int>(glyphs.size()), count);
            for (int n = 0; n < count; ++n) {
                const PillowGlyph& glyph = glyphs[n];
                SCOPED_TRACE("U+" + std::to_string(static_cast<unsigned>(characters[n])));
                if (advances[n] >= 0) {
                    EXPECT_EQ(glyph.advance, advances[n]);
                }
                int inkInCell = 0;
                for (int y = 0; y < px; ++y)
                    for (int x = 0; x < px; ++x) {
                        const bool ink = glyph.Ink(x - glyph.left, y - baseline - glyph.top);
                        ASSERT_EQ(ink, FntInk(cells, n, px, px, x, y)) << x << "," << y;
                        inkInCell += ink ? 1 : 0;
                    }
                EXPECT_EQ(inkInCell, std::count(glyph.pixels.begin(), glyph.pixels.end(), '#'));
                // Tight: ink in the first and last row and column of the box.
                if (glyph.width == 0) continue;
                bool top = false, bottom = false, left = false, right = false;
                for (int x = 0; x < glyph.width; ++x) {
                    top = top || glyph.Ink(x, 0);
                    bottom = bottom || glyph.Ink(x, glyph.height - 1);
                }
                for (int y = 0; y < glyph.height; ++y) {
                    left = left || glyph.Ink(0, y);
                    right = right || glyph.Ink(glyph.width - 1, y);
                }
                EXPECT_TRUE(top && bottom && left && right);
            }

            const std::string build = std::string(C_COMPILER) + " -std=c99 -w -DFONT='\"" +
                                      c.string() + "\"' -DWIDTH=" + std::to_string(px) +
                                      " -DHEIGHT=" + std::to_string(px) + " -o " +
                                      program.string() + " " + source.string();
            ASSERT_EQ(std::system(build.c_str()), 0) << build;
            const fs::path drawn = folder / "drawn", advanceList = folder / "advances";
            ASSERT_EQ(std::system((program.string() + " > " + drawn.string() + " 2> " +
                                   advanceList.string())
                                      .c_str()),
                      0);
            EXPECT_TRUE(ReadBytes(drawn) == cells) << "the C font draws other cells";
            std::istringstream written(ReadBytes(advanceList));
            for (int n = 0, advance = 0; n < count && written >> advance; ++n)
                if (advances[n] >= 0) {
                    EXPECT_EQ(advance, advances[n]) << n;
                }
        }
    }
}

}  // namespace
