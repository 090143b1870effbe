// GFX fonts built by the C and C++ compilers against GFXglyph and GFXfont as Adafruit GFX
// and TFT_eSPI declare them, a text drawn with them by GFX's drawing rules, and the picture
// compared with the cells the same extraction writes and with FreeType's hinted monochrome
// rendering.

#include <iconv.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/tests/CliRun.h"
#include "extract/tests/MonoReference.h"

namespace {

namespace fs = std::filesystem;

const std::string kText = "\xEC\x95\x88\xEB\x85\x95\xED\x95\x98\xEC\x84\xB8\xEC\x9A\x94 Hello";

// The structures as the libraries declare them: Adafruit GFX's 16-bit bitmap offsets, or
// TFT_eSPI's 32-bit ones; both with 16-bit first and last.
std::string Declarations(bool unicode) {
    return std::string("#include <stdint.h>\n#include <stdio.h>\n") + "typedef struct {\n    " +
           (unicode ? "uint32_t" : "uint16_t") +
           " bitmapOffset;\n"
           "    uint8_t width, height, xAdvance;\n    int8_t xOffset, yOffset;\n} GFXglyph;\n"
           "typedef struct {\n    uint8_t* bitmap;\n    GFXglyph* glyph;\n"
           "    uint16_t first, last;\n    uint8_t yAdvance;\n} GFXfont;\n";
}

// GFX's text drawing: write() moves to a new line on '\n', skips '\r' and characters beyond
// first..last, draws a glyph with ink and moves the cursor on by its xAdvance; drawChar reads
// the glyph's bits as one stream from bitmapOffset, the top bit first, rows running on, and
// sets the pixel at cursor + offset + (column, row).
const char* kRenderer = R"(
enum { W = 270, H = 40 };
static char canvas[H][W + 1];
static int cursorX = 2, cursorY;
static void draw_char(const GFXfont* font, unsigned c) {
    const GFXglyph* glyph = &font->glyph[c - font->first];
    const uint8_t* bitmap = font->bitmap + glyph->bitmapOffset;
    unsigned bit = 0, bits = 0, x, y;
    for (y = 0; y < glyph->height; ++y)
        for (x = 0; x < glyph->width; ++x) {
            if ((bit++ & 7) == 0) bits = *bitmap++;
            if (bits & 0x80) {
                const int px = cursorX + glyph->xOffset + (int)x;
                const int py = cursorY + glyph->yOffset + (int)y;
                if (px >= 0 && px < W && py >= 0 && py < H) canvas[py][px] = '#';
            }
            bits <<= 1;
        }
}
static void write_char(void* display, const GFXfont* font, unsigned c) {
    (void)display;
    if (c == '\n') {
        cursorX = 2;
        cursorY += font->yAdvance;
    } else if (c != '\r' && c >= font->first && c <= font->last) {
        const GFXglyph* glyph = &font->glyph[c - font->first];
        if (glyph->width > 0 && glyph->height > 0) draw_char(font, c);
        cursorX += glyph->xAdvance;
    }
}
void write_byte(void* display, const GFXfont* font, uint8_t c) { write_char(display, font, c); }
static void print_canvas(void) {
    int y;
    for (y = 0; y < H; ++y) printf("%s\n", canvas[y]);
}
static void clear_canvas(int baseline) {
    int x, y;
    for (y = 0; y < H; ++y) {
        for (x = 0; x < W; ++x) canvas[y][x] = '.';
        canvas[y][W] = 0;
    }
    cursorY = baseline;
}
)";

constexpr int kWidth = 270, kHeight = 40, kLeft = 2, kTop = 2;

using Picture = std::vector<std::string>;

Picture Blank() { return Picture(kHeight, std::string(kWidth, '.')); }

// Ink of `cell` (rows of '#' and '.') put on the picture at (left, top).
void Paste(Picture& picture, const std::vector<std::string>& cell, int left, int top) {
    for (int y = 0; y < static_cast<int>(cell.size()); ++y)
        for (int x = 0; x < static_cast<int>(cell[y].size()); ++x)
            if (cell[y][x] == '#' && left + x < kWidth && top + y < kHeight)
                picture[top + y][left + x] = '#';
}

std::string Joined(const Picture& picture) {
    std::string text;
    for (const std::string& row : picture) text += row + "\n";
    return text;
}

// "" where the drawn picture is `expected`, else the rows that differ, numbered.
std::string Difference(const std::string& drawn, const Picture& expected) {
    if (drawn == Joined(expected)) return "";
    std::string text;
    std::size_t at = 0;
    for (int y = 0; y < kHeight; ++y) {
        const std::size_t end = drawn.find('\n', at);
        const std::string row = drawn.substr(at, end - at);
        at = end == std::string::npos ? drawn.size() : end + 1;
        if (row != expected[y])
            text += std::to_string(y) + " drawn    " + row + "\n" + std::to_string(y) +
                    " expected " + expected[y] + "\n";
    }
    return text.empty() ? drawn : text;
}

std::string Convert(const std::string& text, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    std::string in = text, out(4 * text.size() + 4, '\0');
    char *inPtr = in.data(), *outPtr = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

// The characters of a UTF-8 text.
std::vector<char32_t> Characters(const std::string& utf8) {
    const std::string utf32 = Convert(utf8, "UTF-32LE", "UTF-8");
    std::vector<char32_t> characters;
    for (std::size_t i = 0; i + 3 < utf32.size(); i += 4)
        characters.push_back(static_cast<unsigned char>(utf32[i]) |
                             static_cast<unsigned char>(utf32[i + 1]) << 8 |
                             static_cast<unsigned char>(utf32[i + 2]) << 16);
    return characters;
}

std::string CString(const std::string& bytes) {
    std::string text = "\"";
    for (const char c : bytes) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
        text += escape;
    }
    return text + "\"";
}

class GfxOutputTest : public CliTest {
protected:
    // Builds `header` with the renderer and `body` into a program and runs it: its picture.
    std::string Draw(const fs::path& header, bool unicode, const std::string& body) {
        std::ofstream(folder / "main.c")
            << Declarations(unicode) << "#include \"" << header.string() << "\"\n"
            << kRenderer << "int main(void) {\n"
            << body << "    print_canvas();\n    return 0;\n}\n";
        const std::string warnings = " -Wall -Wextra -Werror -pedantic ";
        const std::string source = (folder / "main.c").string();
        // An Arduino sketch includes the font from C++.
        const CliRun cxx =
            Run(std::string(CXX_COMPILER) + " -x c++ -std=c++17 -fsyntax-only" + warnings + source);
        EXPECT_EQ(cxx.status, 0) << cxx.output;
        const CliRun build = Run(std::string(C_COMPILER) + " -x c -std=c99" + warnings + "-o " +
                                 (folder / "draw").string() + " " + source);
        EXPECT_EQ(build.status, 0) << build.output;
        return build.status == 0 ? Run((folder / "draw").string()).output : build.output;
    }
    static CliRun Run(const std::string& command) {
        CliRun run{-1, {}};
        FILE* pipe = popen((command + " 2>&1").c_str(), "r");
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) run.output += buffer;
        const int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }
};

// The byte count of each bitmap array of a generated font.
std::vector<std::size_t> BitmapSizes(const std::string& header) {
    std::vector<std::size_t> sizes;
    for (std::size_t at = header.find("_bitmaps[] PROGMEM = {"); at != std::string::npos;
         at = header.find("_bitmaps[] PROGMEM = {", at + 1)) {
        const std::size_t end = header.find("};", at);
        sizes.push_back(static_cast<std::size_t>(std::count(
            header.begin() + static_cast<long>(at), header.begin() + static_cast<long>(end), ',')));
    }
    return sizes;
}

// A text drawn at the sizes a product uses, from a character subset (ASCII and Hangul mixed),
// the ASCII range (one font) and the Hangul range (a font for each of 25 lead bytes): through
// the generated picker with EUC-KR bytes where there are two-byte characters, else through the
// ASCII font byte by byte, and through the Unicode font by code points (as TFT_eSPI decodes
// UTF-8). Each picture is, pixel for pixel, the extraction's own cells laid side by side
// (two-byte characters a cell apart, ASCII half a cell) on the baseline, and FreeType's hinted
// monochrome rendering of the characters. Characters a font's first..last covers but the set
// lacks draw nothing and do not advance.
TEST_F(GfxOutputTest, DrawnTextMatchesTheCellsAndFreeType) {
    struct Case {
        std::string what;  // extract's arguments but size and output
        std::string text;
        int size;
        int cellWidth;  // of the .fnt
    };
    const std::string hangul = kText.substr(0, 15), ascii = kText.substr(16);
    const Case cases[] = {
        {"--chars '" + kText + "'", kText, 10, 10}, {"--chars '" + kText + "'", kText, 12, 12},
        {"--chars '" + kText + "'", kText, 16, 16}, {"--chars '" + kText + "'", kText, 24, 24},
        {"--chars '" + kText + "'", kText, 32, 32}, {"--range ascii", ascii, 16, 8},
        {"--range ascii", ascii, 32, 16},           {"--range hangul", hangul, 16, 16},
        {"--range hangul", hangul, 32, 32},
    };
    const std::string file = FontFile("NanumGothicCoding:style=Regular");
    CMonoReference reference;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what + " at " + std::to_string(c.size) + " pixels");
        const int size = c.size, perRow = (c.cellWidth + 7) / 8;
        ASSERT_TRUE(reference.Open(file, 0, size)) << file;
        const int baseline = kTop + reference.Ascent();
        const std::string extract = "extract " + c.what + " --height -" + std::to_string(size) +
                                    " --size " + std::to_string(size) + "x" + std::to_string(size) +
                                    " -q ";
        const fs::path fnt = folder / "text.fnt";
        ASSERT_EQ(Cli(extract + "--index euc-kr -o " + fnt.string()).status, 0);
        // The expected pictures: the .fnt cells (found by their codes) and FreeType's.
        const std::string cells = ReadBytes(fnt), codes = ReadBytes(folder / "text.idx");
        const std::vector<char32_t> characters = Characters(c.text);
        Picture own = Blank(), freetype = Blank();
        int pen = kLeft;
        for (const char32_t character : characters) {
            const std::string bytes = Convert(
                std::string(reinterpret_cast<const char*>(&character), 4), "CP949", "UTF-32LE");
            const auto first = static_cast<unsigned char>(bytes[0]);
            const int code =
                bytes.size() == 1 ? first : first << 8 | static_cast<unsigned char>(bytes[1]);
            const int width = character < 0x80 ? c.cellWidth : size;
            for (std::size_t n = 0; n + 1 < codes.size(); n += 2)
                if ((static_cast<unsigned char>(codes[n]) | static_cast<unsigned char>(codes[n + 1])
                                                                << 8) == code) {
                    std::vector<std::string> cell(size, std::string(c.cellWidth, '.'));
                    for (int y = 0; y < size; ++y)
                        for (int x = 0; x < c.cellWidth; ++x)
                            if (cells[(n / 2 * size + y) * perRow + x / 8] & (0x80 >> (x % 8)))
                                cell[y][x] = '#';
                    Paste(own, cell, pen, kTop);
                }
            Paste(freetype, reference.Render(character, width, size), pen, kTop);
            pen += character < 0x80 ? size / 2 : size;
        }
        EXPECT_NE(Joined(own), Joined(Blank()));
        EXPECT_EQ(Difference(Joined(own), freetype), "");

        const fs::path gfx = folder / "text.h", unicode = folder / "text-unicode.h";
        ASSERT_EQ(Cli(extract + "--format gfx --name text -o " + gfx.string()).status, 0);
        std::string body = "    clear_canvas(" + std::to_string(baseline) + ");\n";
        if (c.text == ascii)
            for (const char byte : c.text)
                body += "    write_byte(0, &text, " + std::to_string(byte) + ");\n";
        else  // first 'A' and 0xBEA1, which fall in a font's first..last but are not in the set
            body +=
                "    text_draw(" +
                CString((c.text == kText ? "A\xBE\xA1" : "") + Convert(c.text, "CP949", "UTF-8")) +
                ", write_byte, 0);\n";
        EXPECT_EQ(Difference(Draw(gfx, false, body), own), "");
        // A font of one lead byte's 94 glyphs at 16 pixels takes at most 3 KB.
        if (size == 16) {
            const std::vector<std::size_t> sizes = BitmapSizes(ReadBytes(gfx));
            EXPECT_FALSE(sizes.empty());
            for (const std::size_t bytes : sizes) EXPECT_LE(bytes, 3072u);
        }

        ASSERT_EQ(Cli(extract + "--format gfx-unicode --name text -o " + unicode.string()).status,
                  0);
        body = "    clear_canvas(" + std::to_string(baseline) + ");\n";
        if (c.text == kText)
            body += "    write_char(0, &text, 'A');\n    write_char(0, &text, 0xAC01u);\n";
        for (const char32_t character : characters)
            body += "    write_char(0, &text, " + std::to_string(character) + "u);\n";
        EXPECT_EQ(Difference(Draw(unicode, true, body), own), "");
    }
}

// A font GFX cannot address is refused with the reason, and no file is written: a lead
// byte's bitmap past 65 535 bytes (TFT_eSPI's 32-bit offsets take it), glyphs too large for
// GFX's bytes, glyphs without codes.
TEST_F(GfxOutputTest, FontsGfxCannotHoldAreRefused) {
    std::string lead;  // the 94 characters of lead byte 0xB0
    for (int trail = 0xA1; trail <= 0xFE; ++trail) lead += {'\xB0', static_cast<char>(trail)};
    lead = Convert(lead, "UTF-8", "CP949");
    ASSERT_EQ(Cli("extract --chars '" + lead + "' -q -o " + (folder / "codes.fnt").string()).status,
              0);
    struct Case {
        std::string arguments;  // but the output
        std::string format;
        std::string said;  // "" for a font that is written
    };
    const Case cases[] = {
        {"extract --chars '" + lead + "' --height -100 --size 100x100", "gfx",
         "brivo-cli extract: big_B0: its bitmap would take 87354 bytes, and GFX's 16-bit offsets "
         "reach 65535"},
        {"extract --chars '" + lead + "' --height -100 --size 100x100", "gfx-unicode", ""},
        {"extract --range ascii --height -200 --size 256x200", "gfx",
         "brivo-cli extract: big: glyph 0x0021 does not fit GFX's bytes"},
        {"convert " + (folder / "codes.fnt").string() +
             " --range custom --size 16x16 --ignore-index",
         "gfx-unicode", "these glyphs carry no codes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments + " --format " + c.format);
        const fs::path out = folder / "big.h";
        const CliRun run =
            Cli(c.arguments + " -q --name big --format " + c.format + " -o " + out.string());
        EXPECT_EQ(run.status, c.said.empty() ? 0 : 1) << run.output;
        EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output;
        EXPECT_EQ(fs::exists(out), c.said.empty());
        fs::remove(out);
    }
}

}  // namespace
