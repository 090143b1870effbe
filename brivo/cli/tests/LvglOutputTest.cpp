// The LVGL font built by the system's C compiler against LVGL v9's documented structures and
// drawn by a decoder written from LVGL's documented lookup and bitmap formats.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/tests/CliRun.h"
#include "extract/tests/MonoReference.h"
#include "fontfile/LvglWriter.h"

namespace {

namespace fs = std::filesystem;

// The declarations of lvgl.h that a format-text font uses, as LVGL v9 documents them.
const char* const kLvglHeader = R"(#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>
#define LV_USE_FONT_COMPRESSED 1
#define LVGL_VERSION_MAJOR 9
#define LVGL_VERSION_MINOR 0
#define LV_VERSION_CHECK(x, y, z) ((x) == 9)
#define LV_ATTRIBUTE_LARGE_CONST
typedef struct lv_font_t lv_font_t;
typedef struct lv_font_glyph_dsc_t lv_font_glyph_dsc_t;
typedef struct lv_draw_buf_t lv_draw_buf_t;
enum { LV_FONT_SUBPX_NONE, LV_FONT_SUBPX_HOR, LV_FONT_SUBPX_VER, LV_FONT_SUBPX_BOTH };
struct lv_font_t {
    bool (*get_glyph_dsc)(const lv_font_t*, lv_font_glyph_dsc_t*, uint32_t, uint32_t);
    const void* (*get_glyph_bitmap)(lv_font_glyph_dsc_t*, lv_draw_buf_t*);
    void (*release_glyph)(const lv_font_t*, lv_font_glyph_dsc_t*);
    int32_t line_height;
    int32_t base_line;
    uint8_t subpx : 2;
    uint8_t kerning : 1;
    uint8_t static_bitmap : 1;
    int8_t underline_position;
    int8_t underline_thickness;
    const void* dsc;
    const lv_font_t* fallback;
    void* user_data;
};
typedef struct {
    uint32_t bitmap_index : 20;
    uint32_t adv_w : 12;
    uint8_t box_w;
    uint8_t box_h;
    int8_t ofs_x;
    int8_t ofs_y;
} lv_font_fmt_txt_glyph_dsc_t;
typedef enum {
    LV_FONT_FMT_TXT_CMAP_FORMAT0_FULL,
    LV_FONT_FMT_TXT_CMAP_SPARSE_FULL,
    LV_FONT_FMT_TXT_CMAP_FORMAT0_TINY,
    LV_FONT_FMT_TXT_CMAP_SPARSE_TINY
} lv_font_fmt_txt_cmap_type_t;
typedef struct {
    uint32_t range_start;
    uint16_t range_length;
    uint16_t glyph_id_start;
    const uint16_t* unicode_list;
    const void* glyph_id_ofs_list;
    uint16_t list_length;
    lv_font_fmt_txt_cmap_type_t type;
} lv_font_fmt_txt_cmap_t;
typedef enum {
    LV_FONT_FMT_TXT_PLAIN = 0,
    LV_FONT_FMT_TXT_COMPRESSED = 1,
    LV_FONT_FMT_TXT_COMPRESSED_NO_PREFILTER = 2
} lv_font_fmt_txt_bitmap_format_t;
typedef struct {
    const uint8_t* glyph_bitmap;
    const lv_font_fmt_txt_glyph_dsc_t* glyph_dsc;
    const lv_font_fmt_txt_cmap_t* cmaps;
    const void* kern_dsc;
    uint16_t kern_scale;
    uint16_t cmap_num : 9;
    uint16_t bpp : 4;
    uint16_t kern_classes : 1;
    uint16_t bitmap_format : 2;
    uint8_t stride;
} lv_font_fmt_txt_dsc_t;
bool lv_font_get_glyph_dsc_fmt_txt(const lv_font_t*, lv_font_glyph_dsc_t*, uint32_t, uint32_t);
const void* lv_font_get_bitmap_fmt_txt(lv_font_glyph_dsc_t*, lv_draw_buf_t*);
)";

// Draws code points (argv[3...], or one a line on standard input) with the font `font`:
// "line" puts them on one line, "each" each alone in a canvas of argv[2] columns; prints the
// canvas as rows of '#' and '.' ("grey": as "line", each pixel's value in two hex digits). "map"
// prints the bytes of the cmaps (a 64-bit build's structs) and the characters they map; "dump" each
// glyph: its character, adv_w, box_w, box_h, ofs_x, ofs_y and pixel values. Lookup and bitmaps as
// LVGL documents them: a cmap covers range_start to range_start + range_length - 1; format 0 tiny
// maps to glyph_id_start + rcp, format 0 full through a byte list (0 past the first character:
// missing), sparse lists are searched for rcp. Plain bitmaps run on from row to row; compressed
// ones are a run-length code of rows XORed with the row above.
const char* const kDecoder = R"(#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "lvgl.h"
extern const lv_font_t font;
bool lv_font_get_glyph_dsc_fmt_txt(const lv_font_t* f, lv_font_glyph_dsc_t* g, uint32_t a, uint32_t b) {
    (void)f; (void)g; (void)a; (void)b; return false;
}
const void* lv_font_get_bitmap_fmt_txt(lv_font_glyph_dsc_t* g, lv_draw_buf_t* d) { (void)g; (void)d; return NULL; }

static const lv_font_fmt_txt_dsc_t* dsc;
static unsigned Glyph(uint32_t letter) {
    for (unsigned i = 0; i < dsc->cmap_num; ++i) {
        const lv_font_fmt_txt_cmap_t* map = &dsc->cmaps[i];
        uint32_t rcp = letter - map->range_start;
        if (letter < map->range_start || rcp >= map->range_length) continue;
        if (map->type == LV_FONT_FMT_TXT_CMAP_FORMAT0_TINY) return map->glyph_id_start + rcp;
        if (map->type == LV_FONT_FMT_TXT_CMAP_FORMAT0_FULL) {
            const uint8_t* ofs = map->glyph_id_ofs_list;
            if (ofs[rcp] == 0 && rcp != 0) continue;
            return map->glyph_id_start + ofs[rcp];
        }
        for (unsigned n = 0; n < map->list_length; ++n)
            if (map->unicode_list[n] == rcp)
                return map->glyph_id_start +
                       (map->type == LV_FONT_FMT_TXT_CMAP_SPARSE_TINY
                            ? n : ((const uint16_t*)map->glyph_id_ofs_list)[n]);
        return 0;
    }
    return 0;
}
static const uint8_t* in;
static unsigned long at;
static unsigned Bits(int count) {
    unsigned value = 0;
    for (int n = 0; n < count; ++n, ++at) value = value << 1 | ((in[at / 8] >> (7 - at % 8)) & 1);
    return value;
}
static int state, repeats;
static unsigned previous;
static unsigned Next(int bpp) {
    if (state == 0) {
        unsigned value = Bits(bpp);
        if (at > (unsigned long)bpp && value == previous) { state = 1; repeats = 0; }
        previous = value;
        return value;
    }
    if (state == 1) {
        if (!Bits(1)) { previous = Bits(bpp); state = 0; return previous; }
        if (++repeats == 11) {
            repeats = (int)Bits(6);
            if (repeats == 0) { previous = Bits(bpp); state = 0; }
            else state = 2;
        }
        return previous;
    }
    if (--repeats == 0) { previous = Bits(bpp); state = 0; }
    return previous;
}
static unsigned char* canvas;
static int columns, rows, dumping, grey;
static int Draw(uint32_t letter, int pen) {
    unsigned id = Glyph(letter);
    if (id == 0) { fprintf(stderr, "no glyph for U+%04X\n", (unsigned)letter); exit(2); }
    const lv_font_fmt_txt_glyph_dsc_t* g = &dsc->glyph_dsc[id];
    int bpp = dsc->bpp, top = (font.line_height - font.base_line) - g->box_h - g->ofs_y;
    in = dsc->glyph_bitmap + g->bitmap_index;
    at = 0; state = 0; previous = 0;
    unsigned* line = calloc(g->box_w + 1, sizeof *line);
    if (dumping)
        printf("%u %u %u %u %d %d", (unsigned)letter, (unsigned)g->adv_w, (unsigned)g->box_w,
               (unsigned)g->box_h, g->ofs_x, g->ofs_y);
    for (int y = 0; y < g->box_h; ++y)
        for (int x = 0; x < g->box_w; ++x) {
            unsigned value;
            if (dsc->bitmap_format == LV_FONT_FMT_TXT_PLAIN) value = Bits(bpp);
            else {
                value = Next(bpp);
                if (y > 0 && dsc->bitmap_format == LV_FONT_FMT_TXT_COMPRESSED) value ^= line[x];
                line[x] = value;
            }
            int cx = pen + g->ofs_x + x, cy = top + y;
            if (dumping) { printf(" %u", value); continue; }
            if (cx < 0 || cy < 0 || cx >= columns || cy >= rows) { fprintf(stderr, "U+%04X outside\n", (unsigned)letter); exit(3); }
            if (value > canvas[cy * columns + cx]) canvas[cy * columns + cx] = (unsigned char)value;
        }
    free(line);
    if (dumping) putchar('\n');
    return (g->adv_w + 8) >> 4;
}
static void Print(void) {
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x)
            if (grey) printf("%02x", canvas[y * columns + x]);
            else putchar(canvas[y * columns + x] ? '#' : '.');
        putchar('\n');
    }
}
int main(int argc, char** argv) {
    dsc = font.dsc;
    if (strcmp(argv[1], "map") == 0) {
        unsigned long bytes = 0;
        for (unsigned i = 0; i < dsc->cmap_num; ++i) {
            const lv_font_fmt_txt_cmap_t* map = &dsc->cmaps[i];
            bytes += sizeof *map + (map->type == LV_FONT_FMT_TXT_CMAP_FORMAT0_FULL ? map->range_length : 0) +
                     2ul * map->list_length * (map->type == LV_FONT_FMT_TXT_CMAP_SPARSE_FULL ? 2 : 1);
        }
        printf("cmap bytes %lu\n", bytes);
        for (uint32_t letter = 1; letter < 0x10000; ++letter)
            if (Glyph(letter)) printf("%u\n", (unsigned)letter);
        return 0;
    }
    if (strcmp(argv[1], "dump") == 0) {
        dumping = 1;
        for (uint32_t letter = 1; letter < 0x10000; ++letter)
            if (Glyph(letter)) Draw(letter, 0);
        return 0;
    }
    rows = font.line_height;
    columns = atoi(argv[2]);
    canvas = calloc((size_t)rows * columns, 1);
    grey = strcmp(argv[1], "grey") == 0;
    int line = grey || strcmp(argv[1], "line") == 0, pen = 0;
    unsigned long letter;
    for (int n = 3; n < argc || (argc == 3 && scanf("%lu", &letter) == 1); ++n) {
        if (n < argc) letter = strtoul(argv[n], NULL, 0);
        if (line) { pen += Draw((uint32_t)letter, pen); continue; }
        memset(canvas, 0, (size_t)rows * columns);
        Draw((uint32_t)letter, 0);
        Print();
    }
    if (line) Print();
    printf("cmaps %d\n", (int)dsc->cmap_num);
    return 0;
}
)";

void Spill(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

CliRun Shell(const std::string& command) {
    CliRun run{-1, {}};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) run.output += buffer;
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The glyphs of a .fnt file with a Unicode code table: each its character and its cell.
struct Cells {
    std::vector<unsigned> characters;
    std::vector<std::string> bits;
    int width = 0, height = 0;

    bool Ink(std::size_t glyph, int x, int y) const {
        const int bytesPerRow = (width + 7) / 8;
        return (static_cast<unsigned char>(bits[glyph][y * bytesPerRow + x / 8]) >> (7 - x % 8)) &
               1;
    }
    // Where the cell of `character` is, -1 for none.
    int Find(unsigned character) const {
        for (std::size_t n = 0; n < characters.size(); ++n)
            if (characters[n] == character) return static_cast<int>(n);
        return -1;
    }
};

Cells ReadCells(const fs::path& fnt, int width, int height) {
    Cells cells;
    cells.width = width;
    cells.height = height;
    const std::string data = ReadBytes(fnt),
                      codes = ReadBytes(fs::path(fnt).replace_extension(".idx"));
    const std::size_t bytes = static_cast<std::size_t>(height) * ((width + 7) / 8);
    for (std::size_t n = 0; n * 2 + 1 < codes.size() && (n + 1) * bytes <= data.size(); ++n) {
        cells.characters.push_back(static_cast<unsigned char>(codes[2 * n]) |
                                   static_cast<unsigned char>(codes[2 * n + 1]) << 8);
        cells.bits.push_back(data.substr(n * bytes, bytes));
    }
    return cells;
}

// Cells pasted side by side, each `advance(character)` after the last, as '#'/'.' rows.
template <typename Advance>
std::string Paste(const Cells& cells, const std::vector<unsigned>& text, int columns,
                  Advance advance) {
    std::vector<std::string> rows(cells.height, std::string(columns, '.'));
    int pen = 0;
    for (const unsigned character : text) {
        const int glyph = cells.Find(character);
        if (glyph < 0) return "no cell for " + std::to_string(character);
        for (int y = 0; y < cells.height; ++y)
            for (int x = 0; x < cells.width && pen + x < columns; ++x)
                if (cells.Ink(glyph, x, y)) rows[y][pen + x] = '#';
        pen += advance(character);
    }
    std::string picture;
    for (const std::string& row : rows) picture += row + "\n";
    return picture;
}

// The sample text, its characters, and those as the decoder's arguments.
const std::string kText = "\xEC\x95\x88\xEB\x85\x95\xED\x95\x98\xEC\x84\xB8\xEC\x9A\x94 Hello";
const std::vector<unsigned> kPoints = {0xC548, 0xB155, 0xD558, 0xC138, 0xC694, ' ',
                                       'H',    'e',    'l',    'l',    'o'};
std::string PointArguments() {
    std::string arguments;
    for (const unsigned point : kPoints) arguments += " " + std::to_string(point);
    return arguments;
}

// The characters the decoder's "map" lists, as lv_font_conv's -r takes them: "65,66,44032".
std::string MappedCharacters(const std::string& map) {
    std::string characters;
    std::istringstream lines(map.substr(map.find('\n') + 1));
    for (std::string line; std::getline(lines, line);)
        characters += (characters.empty() ? "" : ",") + line;
    return characters;
}

class LvglOutputTest : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        Spill(folder / "lvgl.h", kLvglHeader);
        Spill(folder / "decode.c", kDecoder);
    }

    // Extracts `what` at `size` as an LVGL font and as a .fnt file with a Unicode code table;
    // builds the font with the decoder into "plain". --compress leaves a 1-bit font as it is
    // (LVGL v9 decompresses 2 and 4 bits a pixel only). False on a failure.
    ::testing::AssertionResult Make(const std::string& what, const std::string& size) {
        const std::string common = "extract " + what + " --size " + size + " -q ";
        const CliRun fnt = Cli(common + "--index unicode -o " + (folder / "cells.fnt").string());
        if (fnt.status != 0) return ::testing::AssertionFailure() << fnt.output;
        const std::string lvgl = common + "--format lvgl --name font -o " + folder.string();
        const CliRun plain = Cli(lvgl + "/plain.c");
        const CliRun packed = Cli(lvgl + "/packed.c --compress");
        if (plain.status != 0 || packed.status != 0)
            return ::testing::AssertionFailure() << plain.output << packed.output;
        if (ReadBytes(folder / "plain.c") != ReadBytes(folder / "packed.c"))
            return ::testing::AssertionFailure() << "--compress changed a 1-bit font";
        return Build(folder / "plain.c", "plain");
    }

    // The LVGL font in `source` built with the decoder into `program`.
    ::testing::AssertionResult Build(const fs::path& source, const std::string& program) {
        const CliRun build =
            Shell(std::string(C_COMPILER) + " -std=c99 -Wall -Wextra -Werror -I " +
                  folder.string() + " -DLV_LVGL_H_INCLUDE_SIMPLE " + source.string() + " " +
                  (folder / "decode.c").string() + " -o " + (folder / program).string());
        if (build.status != 0) return ::testing::AssertionFailure() << program << build.output;
        return ::testing::AssertionSuccess();
    }

    CliRun Decode(const std::string& form, const std::string& arguments) {
        return Shell((folder / form).string() + " " + arguments);
    }
};

// "안녕하세요 Hello" drawn from the LVGL font at every size a product uses is the string
// pasted from the tool's own cells (ASCII advancing half a cell).
TEST_F(LvglOutputTest, DrawsTheTextAsTheCellsShowIt) {
    for (const int size : {10, 12, 16, 20, 24, 32}) {
        SCOPED_TRACE(size);
        const std::string cell = std::to_string(size) + "x" + std::to_string(size);
        ASSERT_TRUE(Make("--chars '" + kText + "' --height -" + std::to_string(size), cell));
        const Cells cells = ReadCells(folder / "cells.fnt", size, size);
        const int columns = static_cast<int>(kPoints.size()) * size;
        const std::string expected = Paste(
            cells, kPoints, columns, [size](unsigned c) { return c < 0x80 ? size / 2 : size; });
        const CliRun drawn = Decode("plain", "line " + std::to_string(columns) + PointArguments());
        ASSERT_EQ(drawn.status, 0) << drawn.output;
        EXPECT_EQ(drawn.output.substr(0, drawn.output.find("cmaps")), expected);
    }
}

// Anti-aliased "안녕하세요 Hello" at every size a product uses, 2, 4 and 8 bits a pixel, by the
// font's advances or a cell apart, plain or compressed, drawn from the LVGL font: value for value
// FreeType's own greyscale rendering of each character, quantised, laid out by the same rule.
TEST_F(LvglOutputTest, DrawsGreyTextAsFreeTypeDoes) {
    struct Case {
        int bpp;
        bool proportional, compress;
    };
    const std::string file = FontFile("NanumGothic:style=Regular");
    CMonoReference reference;
    for (const Case c : {Case{2, true, true}, Case{4, false, true}, Case{8, true, false}})
        for (const int size : {10, 12, 16, 20, 24, 32}) {
            SCOPED_TRACE(std::to_string(c.bpp) + " bpp at " + std::to_string(size) +
                         (c.proportional ? " px, proportional" : " px"));
            ASSERT_TRUE(reference.Open(file, 0, size));
            // The face's whole character cell, so that no glyph is cut or moved in.
            const int rows = std::max(size, reference.Ascent() + reference.Descent());
            const CliRun made =
                Cli("extract --font '" + file + "' --no-fallback --chars '" + kText +
                    "' --height -" + std::to_string(size) + " --size " + std::to_string(size) +
                    "x" + std::to_string(rows) + " --bpp " + std::to_string(c.bpp) +
                    (c.proportional ? " --proportional" : "") + (c.compress ? " --compress" : "") +
                    " --format lvgl --name font -q -o " + (folder / "grey.c").string());
            ASSERT_EQ(made.status, 0) << made.output;
            ASSERT_TRUE(Build(folder / "grey.c", "grey"));
            const int columns = static_cast<int>(kPoints.size()) * size;
            std::vector<std::vector<uint8_t>> canvas(rows, std::vector<uint8_t>(columns, 0));
            int pen = 0;
            for (const unsigned point : kPoints) {
                // A character subset's cells are all full width: ASCII ink may pass the half
                // cell it advances by.
                const int cell = point < 0x80 ? size / 2 : size;
                const auto glyph = reference.RenderGrey(point, size, rows, c.bpp);
                for (int y = 0; y < rows; ++y)
                    for (std::size_t x = 0; x < glyph[y].size() && pen + x < canvas[y].size(); ++x)
                        canvas[y][pen + x] = std::max(canvas[y][pen + x], glyph[y][x]);
                pen += c.proportional ? reference.Advance(point, true) : cell;
            }
            std::string expected;
            char hex[3];
            for (const auto& row : canvas) {
                for (const uint8_t value : row) {
                    std::snprintf(hex, sizeof hex, "%02x", value);
                    expected += hex;
                }
                expected += "\n";
            }
            ASSERT_NE(expected.find_first_not_of("0\n"), std::string::npos);
            const CliRun drawn =
                Decode("grey", "grey " + std::to_string(columns) + PointArguments());
            ASSERT_EQ(drawn.status, 0) << drawn.output;
            EXPECT_EQ(drawn.output.substr(0, drawn.output.find("cmaps")), expected);
        }
}

// Every glyph of the code ranges, looked up by its character in the LVGL font, is its cell.
TEST_F(LvglOutputTest, EveryGlyphOfARangeIsItsCell) {
    struct Case {
        std::string range;
        int size, cellWidth;
    };
    for (const Case& c : {Case{"ascii", 16, 8}, Case{"hangul", 12, 12}, Case{"all", 16, 16},
                          Case{"fullwidth1", 24, 24}}) {
        SCOPED_TRACE(c.range);
        const std::string cell = std::to_string(c.size) + "x" + std::to_string(c.size);
        ASSERT_TRUE(Make("--range " + c.range + " --height -" + std::to_string(c.size), cell));
        const Cells cells = ReadCells(folder / "cells.fnt", c.cellWidth, c.size);
        ASSERT_GT(cells.characters.size(), 90u);
        std::string expected, list;
        for (std::size_t n = 0; n < cells.characters.size(); ++n) {
            if (cells.characters[n] == 0) continue;
            expected +=
                Paste(cells, {cells.characters[n]}, c.cellWidth, [](unsigned) { return 0; });
            list += std::to_string(cells.characters[n]) + "\n";
        }
        Spill(folder / "list.txt", list);
        const CliRun drawn = Decode("plain", "each " + std::to_string(c.cellWidth) + " < " +
                                                 (folder / "list.txt").string());
        ASSERT_EQ(drawn.status, 0) << drawn.output.substr(0, 2000);
        EXPECT_TRUE(drawn.output.substr(0, drawn.output.find("cmaps")) == expected);
    }
}

// lv_font_conv, given the same font file, characters and bpp, maps the same characters to as
// many glyphs; the tool's cmaps take no more bytes than lv_font_conv's.
TEST_F(LvglOutputTest, MapsWhatLvFontConvMaps) {
    if (std::string(LV_FONT_CONV).empty())
        GTEST_SKIP() << "lv_font_conv is not installed (tools/setup-debian installs it)";
    const std::string file = FontFile("NanumGothicCoding");
    ASSERT_FALSE(file.empty());
    for (const std::string& what : {"--chars '" + kText + "'", std::string("--range hangul")}) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(Make(what + " --font " + file, "16x16"));
        const CliRun ours = Decode("plain", "map 1");
        ASSERT_EQ(ours.status, 0) << ours.output;
        const std::size_t listed = ours.output.find('\n') + 1;
        const CliRun convert =
            Shell(std::string(LV_FONT_CONV) + " --font " + file +
                  " --size 16 --bpp 1 --format lvgl --no-compress --no-kerning "
                  "--lv-font-name font -r " +
                  MappedCharacters(ours.output) + " -o " + (folder / "theirs.c").string());
        ASSERT_EQ(convert.status, 0) << convert.output;
        ASSERT_TRUE(Build(folder / "theirs.c", "theirs"));
        const CliRun theirs = Decode("theirs", "map 1");
        ASSERT_EQ(theirs.status, 0) << theirs.output;
        EXPECT_TRUE(ours.output.substr(listed) ==
                    theirs.output.substr(theirs.output.find('\n') + 1));
        const auto bytes = [](const std::string& output) {
            return std::stoul(output.substr(std::string("cmap bytes ").size()));
        };
        EXPECT_LE(bytes(ours.output), bytes(theirs.output));
        std::printf("%s: cmaps of %lu bytes; lv_font_conv's %lu\n", what.c_str(),
                    bytes(ours.output), bytes(theirs.output));
    }
}

// The bytes of the glyph_bitmap array of a font's C source.
std::size_t BitmapBytes(const std::string& source) {
    const std::size_t start = source.find("glyph_bitmap[] = {");
    const std::size_t end = source.find("};", start);
    std::size_t bytes = 0;
    for (std::size_t at = source.find("0x", start); at < end; at = source.find("0x", at + 2))
        ++bytes;
    return bytes;
}

// lv_font_conv's plain glyphs at 2 and 4 bits a pixel, compressed by the writer, decode to the
// same values, in no more bytes than lv_font_conv's own compression takes.
TEST_F(LvglOutputTest, CompressesLvFontConvGlyphsAsLvFontConvDoes) {
    if (std::string(LV_FONT_CONV).empty())
        GTEST_SKIP() << "lv_font_conv is not installed (tools/setup-debian installs it)";
    const std::string file = FontFile("NanumGothicCoding");
    for (const int bpp : {2, 4}) {
        SCOPED_TRACE(bpp);
        const std::string convert = std::string(LV_FONT_CONV) + " --font " + file +
                                    " --size 20 --format lvgl --no-kerning --lv-font-name font "
                                    "-r 0x21-0x7E,0xAC00-0xAC60 --bpp " +
                                    std::to_string(bpp) + " -o " + folder.string();
        ASSERT_EQ(Shell(convert + "/plain.c --no-compress").status, 0);
        ASSERT_EQ(Shell(convert + "/packed.c").status, 0);
        ASSERT_TRUE(Build(folder / "plain.c", "theirs"));
        const CliRun theirs = Decode("theirs", "dump 1");
        ASSERT_EQ(theirs.status, 0) << theirs.output;
        brivo::LvglFont font;
        font.bpp = bpp;
        font.lineHeight = 24;
        std::istringstream lines(theirs.output);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            brivo::LvglGlyph glyph;
            unsigned character = 0;
            fields >> character >> glyph.advance >> glyph.width >> glyph.height >> glyph.left >>
                glyph.bottom;
            glyph.character = character;
            glyph.advance /= 16;
            for (unsigned value; fields >> value;) glyph.coverage.push_back(value);
            font.glyphs.push_back(glyph);
        }
        ASSERT_EQ(font.glyphs.size(), 94u + 97u);
        std::string ours;
        ASSERT_TRUE(brivo::FormatLvglFont(font, "font", true, ours));
        Spill(folder / "ours.c", ours);
        ASSERT_TRUE(Build(folder / "ours.c", "ours"));
        const CliRun back = Decode("ours", "dump 1");
        const auto pixels = [](const std::string& dump) {
            std::string values;  // each glyph's values, without its metrics
            std::istringstream lines(dump);
            for (std::string line; std::getline(lines, line);) {
                std::size_t at = 0;
                for (int field = 0; field < 6; ++field) at = line.find(' ', at) + 1;
                values += line.substr(at) + "\n";
            }
            return values;
        };
        EXPECT_TRUE(pixels(back.output) == pixels(theirs.output));
        const std::size_t plain = BitmapBytes(ReadBytes(folder / "plain.c"));
        const std::size_t packed = BitmapBytes(ReadBytes(folder / "packed.c"));
        // The writer adds the byte LVGL reads ahead at the end.
        EXPECT_LE(BitmapBytes(ours), packed + 1);
        std::printf("%d bpp: plain %zu bytes, lv_font_conv compressed %zu, ours %zu\n", bpp, plain,
                    packed, BitmapBytes(ours));
    }
}

// The writer's own 4-bit Hangul, compressed, shrinks by at least the factor lv_font_conv's
// compression reaches on its rendering of the same font and characters.
TEST_F(LvglOutputTest, CompressesGreyHangulAsWellAsLvFontConv) {
    if (std::string(LV_FONT_CONV).empty())
        GTEST_SKIP() << "lv_font_conv is not installed (tools/setup-debian installs it)";
    const std::string file = FontFile("NanumGothicCoding");
    const std::string lvgl = "extract --range hangul --font " + file +
                             " --height -16 --bpp 4 --format lvgl --name font -q -o " +
                             folder.string();
    ASSERT_EQ(Cli(lvgl + "/plain.c").status, 0);
    ASSERT_EQ(Cli(lvgl + "/packed.c --compress").status, 0);
    ASSERT_TRUE(Build(folder / "packed.c", "ours"));
    const CliRun map = Decode("ours", "map 1");
    ASSERT_EQ(map.status, 0) << map.output;
    const std::string convert = std::string(LV_FONT_CONV) + " --font " + file +
                                " --size 16 --bpp 4 --format lvgl --no-kerning --lv-font-name "
                                "font -r " +
                                MappedCharacters(map.output) + " -o " + folder.string();
    ASSERT_EQ(Shell(convert + "/theirs-plain.c --no-compress").status, 0);
    ASSERT_EQ(Shell(convert + "/theirs-packed.c").status, 0);
    const double ours = static_cast<double>(BitmapBytes(ReadBytes(folder / "plain.c"))) /
                        BitmapBytes(ReadBytes(folder / "packed.c"));
    const double theirs = static_cast<double>(BitmapBytes(ReadBytes(folder / "theirs-plain.c"))) /
                          BitmapBytes(ReadBytes(folder / "theirs-packed.c"));
    std::printf(
        "4-bit Hangul: plain %zu, compressed %zu bytes (%.2fx); lv_font_conv %zu, %zu (%.2fx)\n",
        BitmapBytes(ReadBytes(folder / "plain.c")), BitmapBytes(ReadBytes(folder / "packed.c")),
        ours, BitmapBytes(ReadBytes(folder / "theirs-plain.c")),
        BitmapBytes(ReadBytes(folder / "theirs-packed.c")), theirs);
    EXPECT_GE(ours, theirs);
}

}  // namespace
