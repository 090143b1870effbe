#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/tests/CliRun.h"

namespace {

namespace fs = std::filesystem;

class ExtractCommandTest : public CliTest {};

TEST_F(ExtractCommandTest, WritesTheFileAndSaysWhere) {
    struct Case {
        const char* arguments;
        const char* file;
        std::uintmax_t size;
    };
    const Case cases[] = {
        {"--range ascii --size 16x16", "ascii.fnt", 128 * 16},
        {"--range ascii --size 16x16 --skip 16", "skip.fnt", 16 + 128 * 16},
        {"--range hangul --size 12x12", "hangul.fnt", 2350 * 24},
    };
    for (const Case& c : cases) {
        const fs::path out = folder / c.file;
        const CliRun run = Cli(std::string("extract ") + c.arguments + " -o " + out.string());
        EXPECT_EQ(run.status, 0) << run.output;
        EXPECT_NE(run.output.find("Wrote " + out.string()), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("Font: "), std::string::npos) << run.output;
        EXPECT_EQ(fs::file_size(out), c.size) << c.arguments;
    }
    // A .fnt without a code table is written glyph by glyph as the glyphs are rendered; with
    // one, from the finished set: the bytes are the same.
    for (const char* arguments : {"--range ascii --skip 3", "--range all --scan columns"}) {
        const fs::path streamed = folder / "streamed.fnt", whole = folder / "whole.fnt";
        ASSERT_EQ(Cli(std::string("extract ") + arguments + " -o " + streamed.string()).status, 0);
        ASSERT_EQ(Cli(std::string("extract ") + arguments + " --index euc-kr -o " + whole.string())
                      .status,
                  0);
        std::ifstream a(streamed, std::ios::binary), b(whole, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}),
                  std::string(std::istreambuf_iterator<char>(b), {}))
            << arguments;
    }
    const CliRun source = Cli("extract --range ascii -o " + (folder / "ascii.h").string());
    EXPECT_EQ(source.status, 0) << source.output;
    EXPECT_NE(source.output.find("Glyphs: 128"), std::string::npos) << source.output;
    EXPECT_GT(fs::file_size(folder / "ascii.h"), 10000u);
}

// Whether the 16 x 16 glyph of a full-width 1 code has ink in a .fnt file of that range.
bool HasInk(const fs::path& file, uint16_t code) {
    std::ifstream in(file, std::ios::binary);
    in.seekg((((code >> 8) - 0xA1) * 94 + (code & 0xFF) - 0xA1) * 32);
    char bits[32] = {};
    in.read(bits, sizeof bits);
    return std::any_of(std::begin(bits), std::end(bits), [](char byte) { return byte != 0; });
}

TEST_F(ExtractCommandTest, RenderModeAndFallbackChooseHowCodesAreDrawn) {
    struct Case {
        const char* arguments;
        bool boxLine, euro;    // whether 0xA6A2 and 0xA2E6 have ink
        const char* mentions;  // in the report
    };
    const Case cases[] = {
        {"", true, true, "Font: 굴림체 -> NanumGothicCoding Regular ("},
        {"--render mono", true, true, " glyphs)"},
        // NanumGothicCoding's box lines are thinner than a pixel at 16 pixels.
        {"--render gray", false, true, "NanumGothicCoding"},
        // Baekmuk Gulim has no euro sign; a fallback font has.
        {"--font 굴림", true, true, "Baekmuk Gulim Regular ("},
        {"--font 굴림 --no-fallback", true, false, "characters the font lacks"},
    };
    for (const Case& c : cases) {
        const fs::path out = folder / "fullwidth1.fnt";
        const CliRun run =
            Cli(std::string("extract --range fullwidth1 ") + c.arguments + " -o " + out.string());
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_NE(run.output.find(c.mentions), std::string::npos) << run.output;
        EXPECT_EQ(HasInk(out, 0xA6A2), c.boxLine) << c.arguments;
        EXPECT_EQ(HasInk(out, 0xA2E6), c.euro) << c.arguments;
    }
    // At 12 pixels hinting drops the dot of ㆍ and the stroke of ₁ from the monochrome form:
    // auto takes their greyscale form and says so, mono leaves them blank.
    for (const bool automatic : {true, false}) {
        const fs::path out = folder / "thin.fnt";
        const CliRun run = Cli(std::string("extract --chars ㆍ₁ --size 12x12 --height -12 ") +
                               (automatic ? "" : "--render mono ") + "-o " + out.string());
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(run.output.find("2 glyphs drawn in greyscale: too thin for monochrome") !=
                      std::string::npos,
                  automatic)
            << run.output;
        std::ifstream in(out, std::ios::binary);
        std::vector<char> bits(2 * 24);
        ASSERT_TRUE(in.read(bits.data(), bits.size()));
        for (int glyph = 0; glyph < 2; ++glyph)
            EXPECT_EQ(std::any_of(bits.begin() + glyph * 24, bits.begin() + glyph * 24 + 24,
                                  [](char byte) { return byte != 0; }),
                      automatic)
                << "glyph " << glyph << (automatic ? " auto" : " mono");
    }
    const CliRun bad = Cli("extract --render grey -o " + (folder / "x.fnt").string());
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.output.find("--render"), std::string::npos) << bad.output;
}

TEST_F(ExtractCommandTest, BadInputFailsWithOneLineAndLeavesNoFile) {
    struct Case {
        const char* arguments;
        const char* mentions;
    };
    const Case cases[] = {
        {"--size 0x16", "size"},
        {"--size 257x16", "size"},
        {"--size 16", "--size"},
        {"--threshold 0", "threshold"},
        {"--threshold 256", "threshold"},
        {"--skip -1", "--skip"},
        {"--range kanji", "--range"},
        {"--font /nonexistent/x.ttf", "/nonexistent/x.ttf"},
        {"--font /proc/self/status", "cannot read"},
        {"--range hangul --font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "no glyph"},
        {"--array 3d", "--array"},
        {"--bold-groups 300", "--bold-groups"},
        {"--offset 1:2", "--offset"},
        {"--proportional", "BDF, a display library's font, or C source with --metrics"},
        {"--metrics", "a .fnt file holds no metrics"},
        {"--bpp 3", "--bpp"},
        {"--bpp 4 --scan columns", "packed in rows, not columns"},
        {"--bpp 4 --format bdf", "BDF fonts hold 1 bit per pixel"},
        {"--bpp 2 --format gfx", "Adafruit GFX fonts hold 1 bit per pixel"},
    };
    for (const Case& c : cases) {
        const fs::path out = folder / "out.fnt";
        const CliRun run =
            Cli(std::string("extract --range ascii ") + c.arguments + " -o '" + out.string() + "'");
        EXPECT_NE(run.status, 0) << c.arguments;
        EXPECT_NE(run.output.find(c.mentions), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(out)) << c.arguments;
    }
    // C source holds per-glyph metrics only in its metrics tables.
    const CliRun cells =
        Cli("extract --range ascii --proportional -o " + (folder / "x.h").string());
    EXPECT_EQ(cells.status, 2);
    EXPECT_NE(cells.output.find("with --metrics"), std::string::npos) << cells.output;
    const CliRun noFolder = Cli("extract -o " + (folder / "missing" / "x.h").string());
    EXPECT_NE(noFolder.status, 0);
    EXPECT_NE(noFolder.output.find("does not exist"), std::string::npos) << noFolder.output;
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_NE(Cli("").status, 0);
}

}  // namespace
