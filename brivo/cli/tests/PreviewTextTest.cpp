// brivo-cli preview --text: the drawn line, read back with libpng, against the same text laid
// out straight from FreeType's hinted monochrome rendering.
#include <png.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/tests/CliRun.h"
#include "extract/tests/MonoReference.h"

namespace {

namespace fs = std::filesystem;

const std::string kText = "\xEC\x95\x88\xEB\x85\x95\xED\x95\x98\xEC\x84\xB8\xEC\x9A\x94 Hello";
constexpr int kMargin = 2;  // the blank round a drawn line

// A picture's greys, one string per row, a byte a pixel: 0 ink, 255 paper.
using Picture = std::vector<std::string>;

bool ReadPng(const fs::path& path, Picture& picture) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_GRAY;
    std::vector<uint8_t> grey(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, grey.data(), 0, nullptr)) return false;
    picture.assign(png.height, std::string(png.width, '\0'));
    for (std::size_t y = 0; y < png.height; ++y)
        for (std::size_t x = 0; x < png.width; ++x) picture[y][x] = char(grey[y * png.width + x]);
    return true;
}

std::vector<char32_t> Characters(const std::string& text) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length; ++k) c = c << 6 | (text[i + k] & 0x3F);
        out.push_back(c);
        i += length;
    }
    return out;
}

// The text as a display draws it, from FreeType alone: each character's cell with its pen at
// the cell's left edge, the pen moving on by the character's hinted advance (`proportional`)
// or by a cell (half of it for ASCII); `lacking` is left blank. Then cut to the ink and the
// advances with the margin round them. `bpp` 1 is FreeType's monochrome form, more its
// greyscale, quantised; a value v of 2^bpp - 1 shows as 255 - 255 v / (2^bpp - 1).
Picture Expected(CMonoReference& reference, const std::vector<char32_t>& text, int size, int rows,
                 bool proportional, char32_t lacking, int bpp = 1) {
    const int origin = size;  // room for ink left of the first pen
    const int most = (1 << bpp) - 1;
    std::vector<std::vector<int>> canvas(rows + 2 * kMargin,
                                         std::vector<int>(origin + 2 * size * text.size(), 0));
    int pen = 0, left = 0, right = 0;
    for (const char32_t character : text) {
        const int cell = character < 0x80 ? size / 2 : size;
        const int advance =
            proportional && character != lacking ? reference.Advance(character, bpp > 1) : cell;
        const int width = proportional ? size : cell;
        std::vector<std::vector<uint8_t>> glyph;
        if (bpp > 1) {
            glyph = reference.RenderGrey(character, width, rows, bpp);
        } else {
            for (const std::string& row : reference.Render(character, width, rows)) {
                glyph.emplace_back();
                for (const char pixel : row) glyph.back().push_back(pixel == '#');
            }
        }
        for (int y = 0; y < rows && character != lacking; ++y)
            for (std::size_t x = 0; x < glyph[y].size(); ++x)
                if (glyph[y][x] != 0) {
                    int& value = canvas[kMargin + y][origin + pen + x];
                    value = std::max<int>(value, glyph[y][x]);
                    left = std::min(left, pen + static_cast<int>(x));
                    right = std::max(right, pen + static_cast<int>(x) + 1);
                }
        pen += advance;
        right = std::max(right, pen);
    }
    Picture picture;
    for (const std::vector<int>& row : canvas) {
        std::string greys;
        for (int x = origin + left - kMargin; x < origin + right + kMargin; ++x)
            greys += char(255 - 255 * row[x] / most);
        picture.push_back(greys);
    }
    return picture;
}

// Both pictures, '#' ink, '.' paper and 1-9 the greys between, where they differ; "" where they
// are the same.
std::string Difference(const Picture& drawn, const Picture& expected) {
    if (drawn == expected) return "";
    const auto show = [](const Picture& picture) {
        std::string text;
        for (const std::string& row : picture) {
            text += "  ";
            for (const char pixel : row) {
                const int grey = static_cast<uint8_t>(pixel);
                text += grey == 0 ? '#' : grey == 255 ? '.' : char('9' - grey * 9 / 255);
            }
            text += "\n";
        }
        return text;
    };
    return "drawn:\n" + show(drawn) + "FreeType:\n" + show(expected);
}

class PreviewTextTest : public CliTest {};

// "안녕!하세요 Hello" from a character subset of the sample text (which lacks '!') at sizes a
// product uses, a cell apart and by the font's own advances: pixel for pixel FreeType's
// rendering laid out by the same rule, the lacking character named and left blank; at
// --scale 3 every pixel three times as wide and high.
TEST_F(PreviewTextTest, DrawnLineMatchesFreeType) {
    struct Case {
        std::string face;
        int size;
        bool proportional;
    };
    const Case cases[] = {{"NanumGothic:style=Regular", 12, false},
                          {"NanumGothic:style=Regular", 24, false},
                          {"NanumGothic:style=Regular", 12, true},
                          {"NanumGothic:style=Regular", 24, true}};
    const std::string text = kText.substr(0, 6) + "!" + kText.substr(6);
    CMonoReference reference;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face + " at " + std::to_string(c.size) +
                     (c.proportional ? " px, proportional" : " px"));
        const std::string file = FontFile(c.face);
        ASSERT_TRUE(reference.Open(file, 0, c.size)) << file;
        const fs::path source = folder / "text.c", png = folder / "text.png";
        // The face's whole character cell, so that no glyph is cut or moved in.
        const int rows = std::max(c.size, reference.Ascent() + reference.Descent());
        ASSERT_EQ(
            Cli("extract --font '" + file + "' --no-fallback --chars '" + kText + "' --height -" +
                std::to_string(c.size) + " --size " + std::to_string(c.size) + "x" +
                std::to_string(rows) + " --metrics -q -o " + source.string())
                .status,
            0);
        const std::string preview = "preview " + source.string() +
                                    " --size auto --range auto --text '" + text + "'" +
                                    (c.proportional ? " --proportional" : "") + " -q";
        const CliRun run = Cli(preview + " --scale 1 -o " + png.string());
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_NE(run.output.find("'!' (U+0021)"), std::string::npos) << run.output;
        Picture drawn;
        ASSERT_TRUE(ReadPng(png, drawn));
        const Picture expected =
            Expected(reference, Characters(text), c.size, rows, c.proportional, '!');
        EXPECT_NE(std::count(expected[kMargin + c.size / 2].begin(),
                             expected[kMargin + c.size / 2].end(), '\0'),
                  0);
        EXPECT_EQ(Difference(drawn, expected), "");

        // Through standard output, three times magnified.
        ASSERT_EQ(Cli(preview + " --scale 3 -o - --format png > " + png.string()).status, 0);
        Picture magnified;
        ASSERT_TRUE(ReadPng(png, magnified));
        Picture scaled;
        for (const std::string& row : drawn) {
            std::string wide;
            for (const char pixel : row) wide += std::string(3, pixel);
            scaled.insert(scaled.end(), 3, wide);
        }
        EXPECT_EQ(Difference(magnified, scaled), "");
    }
}

// Anti-aliased: C source at 4 bits a pixel by the font's advances, and a .fnt file at 2 bits a
// pixel with its code table a cell apart, drawn in grey value for value as FreeType's greyscale
// rendering, quantised, laid out by the same rule.
TEST_F(PreviewTextTest, GreyLineMatchesFreeType) {
    struct Case {
        std::string file;
        int size, bpp;
        bool proportional;
    };
    const Case cases[] = {{"text.c", 16, 4, true}, {"text.fnt", 12, 2, false}};
    const std::string face = FontFile("NanumGothic:style=Regular");
    CMonoReference reference;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(reference.Open(face, 0, c.size));
        const int rows = std::max(c.size, reference.Ascent() + reference.Descent());
        const std::string cell = std::to_string(c.size) + "x" + std::to_string(rows);
        const fs::path source = folder / c.file, png = folder / "text.png";
        const CliRun made =
            Cli("extract --font '" + face + "' --no-fallback --chars '" + kText + "' --height -" +
                std::to_string(c.size) + " --size " + cell + " --bpp " + std::to_string(c.bpp) +
                (c.proportional ? " --metrics" : "") + " -q -o " + source.string());
        ASSERT_EQ(made.status, 0) << made.output;
        const std::string input =
            c.proportional ? " --size auto --range auto --proportional"
                           : " --size " + cell + " --range custom --bpp " + std::to_string(c.bpp);
        const CliRun run = Cli("preview " + source.string() + input + " --text '" + kText +
                               "' --scale 1 -q -o " + png.string());
        ASSERT_EQ(run.status, 0) << run.output;
        Picture drawn;
        ASSERT_TRUE(ReadPng(png, drawn));
        const Picture expected =
            Expected(reference, Characters(kText), c.size, rows, c.proportional, 0, c.bpp);
        EXPECT_EQ(Difference(drawn, expected), "");
    }
}

// A text that cannot be drawn is refused with the reason, and no picture is written.
TEST_F(PreviewTextTest, TextsThatCannotBeDrawnAreRefused) {
    const fs::path source = folder / "text.c", fnt = folder / "ascii.fnt", png = folder / "t.png";
    ASSERT_EQ(Cli("extract --chars '" + kText + "' -q -o " + source.string()).status, 0);
    ASSERT_EQ(Cli("extract --range ascii --size 8x16 -q -o " + fnt.string()).status, 0);
    const std::string c = source.string() + " --size auto --range auto ";
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {c + "--text ''", 2, "--text is empty"},
        {c + "--text '\xEC\x95'", 2, "--text is not valid UTF-8 at byte offset 0"},
        {c + "--text Hello --codes 0x41-0x5A", 2, "--text and --codes do not go together"},
        {c + "--proportional", 2, "--proportional is for --text"},
        {fnt.string() + " --size 8x16 --range custom --text Hello", 1, "no character codes"},
    };
    for (const Case& test : cases) {
        const CliRun run = Cli("preview " + test.arguments + " -o " + png.string());
        EXPECT_EQ(run.status, test.status) << test.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(test.message), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(png)) << test.arguments;
    }
}

}  // namespace
