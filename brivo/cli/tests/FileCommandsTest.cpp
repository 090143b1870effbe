#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/tests/CliRun.h"

namespace {

namespace fs = std::filesystem;

// The C source without the lines that a file does not carry back: font and time.
std::string WithoutFontAndTime(std::string text) {
    for (const char* line : {"/* Font Info", "/* Create Time"}) {
        const std::size_t at = text.find(line);
        text.erase(at, text.find('\n', at) + 1 - at);
    }
    return text;
}

class FileCommandsTest : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        // Three 8x2 glyphs, the middle one blank.
        std::ofstream(folder / "three.h") << "const unsigned char t[] = {\n"
                                             "{0x18, 0x24, 0x00, 0x00, 0x42, 0x7e},\n};\n";
    }
    std::string In(const char* name) const { return (folder / name).string(); }
};

TEST_F(FileCommandsTest, ConvertRoundTripsBetweenTheForms) {
    const std::string three = In("three.h");
    CliRun run =
        Cli("convert " + three + " --size 8x2 --range custom -o " + In("t.fnt") + " --out-skip 3");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("3 glyphs, Custom, 8x2"), std::string::npos) << run.output;
    EXPECT_EQ(ReadBytes(folder / "t.fnt"), std::string("\0\0\0\x18\x24\0\0\x42\x7e", 9));

    run = Cli("convert " + In("t.fnt") + " --skip 3 --size 8x2 --range custom -o " + In("t.h"));
    ASSERT_EQ(run.status, 0) << run.output;
    run = Cli("convert " + In("t.h") + " --size 8x2 --range custom --array 1d -o " + In("t1.h"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("1d array"), std::string::npos) << run.output;
    const std::string text = ReadBytes(folder / "t.h");
    EXPECT_NE(text.find("/* Font Type  : Custom\r\n"), std::string::npos);
    EXPECT_NE(text.find("/* character [1] */\r\n{0x00, 0x00, },"), std::string::npos) << text;
    EXPECT_NE(ReadBytes(folder / "t1.h").find("data_table[3*2] = {"), std::string::npos);

    // The range given names the codes: an ASCII read labels its glyphs by character.
    run = Cli("extract --range ascii -o " + In("a.h"));
    ASSERT_EQ(run.status, 0) << run.output;
    run = Cli("convert " + In("a.h") + " --size 8x16 --range ascii -o " + In("a.fnt"));
    ASSERT_EQ(run.status, 0) << run.output;
    run = Cli("convert " + In("a.fnt") + " --size 8x16 --range ascii -o " + In("b.h"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(WithoutFontAndTime(ReadBytes(folder / "b.h")),
              WithoutFontAndTime(ReadBytes(folder / "a.h")));
}

// Every form --help offers is written alike whether its keyword or the name of the file
// asks for it (any case of the extension), and standard output gets the same bytes.
TEST_F(FileCommandsTest, FormKeywordsAndExtensionsAgree) {
    const CliRun help = Cli("convert --help");
    struct Form {
        std::string keyword;
        std::vector<std::string> names;
    };
    const Form forms[] = {{"c", {"data_table.h", "data_table.CPP", "data_table.txt"}},
                          {"fnt", {"data_table.fnt", "data_table.FNT"}},
                          {"bdf", {"data_table.bdf", "data_table.Bdf"}}};
    const std::string convert = "SOURCE_DATE_EPOCH=1 " + std::string(BRIVO_CLI) + " convert " +
                                In("three.h") + " --size 8x2 --range custom -q ";
    for (const Form& form : forms) {
        EXPECT_NE(help.output.find(form.keyword + " = "), std::string::npos) << help.output;
        const std::string pipe = convert + "--format " + form.keyword + " -o - > " + In("piped");
        ASSERT_EQ(std::system(pipe.c_str()), 0) << pipe;
        const std::string piped = ReadBytes(folder / "piped");
        ASSERT_FALSE(piped.empty()) << form.keyword;
        for (const std::string& name : form.names) {
            const fs::path file = folder / "out" / name;
            fs::create_directories(file.parent_path());
            ASSERT_EQ(std::system((convert + "-o " + file.string()).c_str()), 0) << name;
            EXPECT_EQ(ReadBytes(file), piped) << form.keyword << " " << name;
            fs::remove_all(file.parent_path());
        }
    }
}

TEST_F(FileCommandsTest, ExtractedRangeReadsBackFromBothForms) {
    // A whole extracted range, exported both ways, read back and exported again the other
    // way gives the very same files.
    const std::string range = "--range fullwidth1 --except-unused";
    ASSERT_EQ(Cli("extract " + range + " -o " + In("x.h")).status, 0);
    ASSERT_EQ(Cli("extract " + range + " --skip 7 -o " + In("x.fnt")).status, 0);
    const std::string input = " --size 16x16 " + range;
    CliRun run = Cli("convert " + In("x.h") + input + " --out-skip 7 -o " + In("y.fnt"));
    ASSERT_EQ(run.status, 0) << run.output;
    run = Cli("convert " + In("x.fnt") + " --skip 7" + input + " -o " + In("y.h"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadBytes(folder / "y.fnt"), ReadBytes(folder / "x.fnt"));
    EXPECT_EQ(WithoutFontAndTime(ReadBytes(folder / "y.h")),
              WithoutFontAndTime(ReadBytes(folder / "x.h")));
    EXPECT_EQ(fs::file_size(folder / "x.fnt"), 7u + 1128 * 32);
}

// Each range extracted as .fnt and as C source in both array forms: the C files read back
// to the very .fnt, and the .fnt written out again gives the very C files.
TEST_F(FileCommandsTest, EveryRangeRoundTripsThroughBothArrayForms) {
    struct Case {
        const char* range;
        const char* size;  // of the glyphs: ASCII cells are half as wide
    };
    const Case cases[] = {
        {"ascii", "4x8"},
        {"hangul", "8x8"},
        {"fullwidth1 --except-unused", "8x8"},
        {"fullwidth2", "8x8"},
        {"all --except-unused", "8x8"},
    };
    for (const Case& c : cases) {
        const std::string range = std::string(" --range ") + c.range;
        const std::string fnt = In("x.fnt");
        ASSERT_EQ(Cli("extract --size 8x8" + range + " -o " + fnt).status, 0) << c.range;
        for (const char* form : {"1d", "2d"}) {
            const std::string array = std::string(" --array ") + form;
            const std::string text = In("x.h"), again = In("y.fnt"), back = In("y.h");
            ASSERT_EQ(Cli("extract --size 8x8" + range + array + " -o " + text).status, 0);
            CliRun run = Cli("convert " + text + " --size auto --range auto -o " + again);
            ASSERT_EQ(run.status, 0) << run.output;
            EXPECT_EQ(ReadBytes(again), ReadBytes(fnt)) << c.range << " " << form;
            run = Cli("convert " + fnt + " --size " + c.size + range + array + " -o " + back);
            ASSERT_EQ(run.status, 0) << run.output;
            EXPECT_EQ(WithoutFontAndTime(ReadBytes(back)), WithoutFontAndTime(ReadBytes(text)))
                << c.range << " " << form;
        }
    }
}

// A C compiler reads the exported array as the program means it: the bytes of the .fnt.
TEST_F(FileCommandsTest, CompiledExportHoldsTheFntBytes) {
    if (std::system("command -v gcc >/dev/null 2>&1") != 0) GTEST_SKIP() << "no gcc";
    const std::string range = " --range fullwidth1 --except-unused --size 8x8";
    ASSERT_EQ(Cli("extract" + range + " -o " + In("x.fnt")).status, 0);
    std::ofstream(folder / "dump.c") << "#include <stdio.h>\n#include FONT\n"
                                        "int main(void) {\n"
                                        "    fwrite(data_table, 1, sizeof data_table, stdout);\n"
                                        "    return 0;\n}\n";
    for (const char* form : {"1d", "2d"}) {
        ASSERT_EQ(Cli("extract" + range + " --array " + form + " -o " + In("x.h")).status, 0);
        const std::string build = "gcc -std=c99 -w -DFONT='\"" + In("x.h") + "\"' -o " +
                                  In("dump") + " " + In("dump.c") + " && " + In("dump") + " > " +
                                  In("dump.bin");
        ASSERT_EQ(std::system(build.c_str()), 0) << form;
        EXPECT_EQ(ReadBytes(folder / "dump.bin"), ReadBytes(folder / "x.fnt")) << form;
    }
}

// three.h in pages: per glyph one band of 8 column bytes, row 0 in bit 0, row 1 in bit 1.
TEST_F(FileCommandsTest, ConvertChangesTheBitLayoutAndReadsItBack) {
    CliRun run = Cli("convert " + In("three.h") +
                     " --size 8x2 --range custom --out-scan pages -o " + In("p.fnt"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("(binary font file, pages, LSB first)"), std::string::npos)
        << run.output;
    EXPECT_EQ(ReadBytes(folder / "p.fnt"), std::string("\0\0\x02\x01\x01\x02\0\0"
                                                       "\0\0\0\0\0\0\0\0"
                                                       "\0\x03\x02\x02\x02\x02\x03\0",
                                                       24));

    run = Cli("convert " + In("p.fnt") + " --size 8x2 --range custom --scan pages --out-scan " +
              "columns --out-bit-order msb -o " + In("c.h"));
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string columns = ReadBytes(folder / "c.h");
    EXPECT_NE(columns.find("/* Data Length : 8 bytes\r\n/* Bit Layout : columns, MSB first\r\n"),
              std::string::npos)
        << columns;
    EXPECT_NE(columns.find("{0x00, 0x00, 0x40, 0x80, 0x80, 0x40, 0x00, 0x00, },"),
              std::string::npos)
        << columns;

    // Read in the layout its header names, written in the default one: the very rows.
    run = Cli("convert " + In("c.h") + " --size auto --range auto -o " + In("r.h"));
    ASSERT_EQ(run.status, 0) << run.output;
    ASSERT_EQ(Cli("convert " + In("three.h") + " --size 8x2 --range custom -o " + In("t.h")).status,
              0);
    EXPECT_EQ(WithoutFontAndTime(ReadBytes(folder / "r.h")),
              WithoutFontAndTime(ReadBytes(folder / "t.h")));
    EXPECT_EQ(ReadBytes(folder / "r.h").find("Bit Layout"), std::string::npos);

    // Another layout asked for: refused unless the header is ignored.
    run = Cli("info " + In("c.h") + " --size 8x2 --range custom --scan rows");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("the file says 8 x 2, Custom, columns, MSB first; asked for rows, "
                              "MSB first"),
              std::string::npos)
        << run.output;
    run = Cli("info " + In("c.h") + " --size 8x2 --range custom --scan columns --ignore-header");
    EXPECT_EQ(run.status, 0) << run.output;
    // info counts a glyph's bytes as the file stores them: 8 columns of one byte each.
    run = Cli("info " + In("c.h") + " --size auto --range auto");
    EXPECT_NE(run.output.find("Size: 8x2 pixels, 8 bytes per glyph (columns, MSB first)\n"),
              std::string::npos)
        << run.output;
}

TEST_F(FileCommandsTest, BdfOutputFromExtractAndConvert) {
    CliRun run = Cli("convert " + In("three.h") + " --size 8x2 --range custom -o " + In("t.bdf"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("t.bdf (BDF font)"), std::string::npos) << run.output;
    const std::string custom = ReadBytes(folder / "t.bdf");
    EXPECT_EQ(custom.rfind("STARTFONT 2.1\n", 0), 0u) << custom;
    EXPECT_NE(custom.find("CHARS 3\nSTARTCHAR glyph0_0000\nENCODING -1\n"), std::string::npos)
        << custom;
    EXPECT_NE(custom.find("BITMAP\n18\n24\nENDCHAR\n"), std::string::npos) << custom;

    run = Cli("extract --range ascii --size 16x16 --scan pages -o " + In("a.bdf"));
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string ascii = ReadBytes(folder / "a.bdf");
    // The default face's baseline at 16 pixels: 3 rows below it.
    EXPECT_NE(ascii.find("FONTBOUNDINGBOX 8 16 0 -3\n"), std::string::npos);
    EXPECT_NE(ascii.find("CHARS 128\n"), std::string::npos);
    EXPECT_NE(ascii.find("STARTCHAR uni0041\nENCODING 65\nSWIDTH 500 0\nDWIDTH 8 0\n"),
              std::string::npos)
        << ascii;
    EXPECT_EQ(ascii.substr(ascii.size() - 8), "ENDFONT\n");
}

// A pages export drawn as an SSD1306 driver draws it: each glyph byte written to the display
// memory at (band, column), data bit n lighting row 8 x band + n. Read back pixel by pixel,
// the screen holds the very glyphs of the default export.
TEST_F(FileCommandsTest, CompiledPagesExportDrawsAsAnOledShowsIt) {
    if (std::system("command -v gcc >/dev/null 2>&1") != 0) GTEST_SKIP() << "no gcc";
    const std::string range = " --range ascii --size 16x16";
    ASSERT_EQ(Cli("extract" + range + " -o " + In("rows.fnt")).status, 0);
    ASSERT_EQ(Cli("extract" + range + " --scan pages -o " + In("pages.h")).status, 0);
    std::ofstream(folder / "oled.c")
        << "#include <stdio.h>\n#include FONT\n"
           "static unsigned char gddram[8][128];\n"
           "int main(void) {\n"
           "    for (int g = 0; g < 128; ++g) {\n"
           "        const unsigned char* data = data_table[g];\n"
           "        for (int band = 0; band < 2; ++band)\n"
           "            for (int column = 0; column < 8; ++column)\n"
           "                gddram[band][column] = *data++;\n"
           "        for (int y = 0; y < 16; ++y) {\n"
           "            unsigned char row = 0;\n"
           "            for (int x = 0; x < 8; ++x)\n"
           "                if (gddram[y / 8][x] >> (y % 8) & 1) row |= 0x80 >> x;\n"
           "            putchar(row);\n"
           "        }\n"
           "    }\n"
           "    return 0;\n}\n";
    const std::string build = "gcc -std=c99 -w -DFONT='\"" + In("pages.h") + "\"' -o " +
                              In("oled") + " " + In("oled.c") + " && " + In("oled") + " > " +
                              In("screen.bin");
    ASSERT_EQ(std::system(build.c_str()), 0);
    EXPECT_EQ(ReadBytes(folder / "screen.bin"), ReadBytes(folder / "rows.fnt"));
}

TEST_F(FileCommandsTest, HeaderChecksAndReadingLimits) {
    ASSERT_EQ(Cli("extract --range ascii --size 16x16 -o " + In("a.h")).status, 0);
    ASSERT_EQ(Cli("extract --range ascii --size 16x16 -o " + In("a.fnt")).status, 0);
    std::ofstream(folder / "short.fnt") << "0123456789";
    std::ofstream(folder / "random.h") << "Dear diary, {today} nothing 0y happened.\n";
    ASSERT_EQ(mkfifo((folder / "pipe.h").c_str(), 0600), 0);
    struct Case {
        std::string arguments;
        int status;
        std::string mentions;
    };
    const Case cases[] = {
        // ASCII is written half as wide as --size: said plainly, with what to type.
        {In("a.h") + " --size 16x16 --range ascii", 1,
         "a.h: the file holds 8 x 16 ASCII glyphs: give --size 8x16, or --size auto\n"},
        {In("a.fnt") + " --size 16x16 --range ascii", 1,
         "a.fnt holds 8 x 16 ASCII glyphs (2048 bytes): give --size 8x16 (--ignore-header "
         "reads it as 16x16)\n"},
        {In("a.fnt") + " --size 16x16 --range ascii --ignore-header", 0, "has 2048 bytes"},
        {In("a.h") + " --size 16x32 --range ascii", 1,
         "a.h: the file says 8 x 16, ASCII; asked for 16 x 32 (--size auto --range auto"},
        {In("x.bdf") + " --size 16x16 --range hangul", 1,
         "cannot read " + In("x.bdf") + ": BDF is written, not read"},
        {In("a.h") + " --size 8x16 --range hangul", 1, "8 x 16, ASCII; asked for 한글"},
        {In("a.h") + " --size auto --range auto", 0, "Size: 8x16 pixels"},
        {In("a.h") + " --size auto --range ascii", 0, "Glyphs: 128"},
        {In("a.h") + " --size 16x16 --range hangul --ignore-header", 0, "Glyphs: 2350"},
        {In("three.h") + " --size auto --range custom", 1,
         "--size auto: " + In("three.h") + " has no \"Font Width\""},
        {In("three.h") + " --size 8x2 --range auto", 1, "--range auto"},
        {In("a.fnt") + " --size auto --range ascii", 1, ".fnt file has no header"},
        {In("short.fnt") + " --size 8x1 --range ascii", 0,
         "brivo-cli: warning: " + In("short.fnt") + " has 10 bytes"},
        {In("random.h") + " --size 8x16 --range ascii", 1,
         "no glyph data found in " + In("random.h")},
        {In("pipe.h") + " --size 8x16 --range ascii", 1, "not a regular file"},
        {"/dev/zero --size 1x1 --range custom", 1, "not a regular file"},
    };
    std::ofstream(folder / "x.bdf") << "STARTFONT 2.1\n";
    for (const Case& c : cases) {
        const CliRun info = Cli("info " + c.arguments);
        EXPECT_EQ(info.status, c.status) << c.arguments << "\n" << info.output;
        EXPECT_NE(info.output.find(c.mentions), std::string::npos) << info.output;
        if (c.status != 0) {
            EXPECT_EQ(std::count(info.output.begin(), info.output.end(), '\n'), 1) << info.output;
        }
        const CliRun convert = Cli("convert " + c.arguments + " -o " + In("out.h"));
        EXPECT_EQ(convert.status, c.status) << c.arguments << "\n" << convert.output;
        EXPECT_EQ(fs::exists(folder / "out.h"), c.status == 0) << c.arguments;
        fs::remove(folder / "out.h");
    }
}

TEST_F(FileCommandsTest, InfoCountsGlyphsAndBlanks) {
    const CliRun run = Cli("info " + In("three.h") + " --size 8x2 --range custom");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Glyphs: 3\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Size: 8x2 pixels, 2 bytes per glyph\n"), std::string::npos);
    EXPECT_NE(run.output.find("Blank glyphs: 1\n"), std::string::npos);

    const CliRun hangul = Cli("info " + In("three.h") + " --size 8x2 --range hangul");
    EXPECT_NE(hangul.output.find("Glyphs: 2350\n"), std::string::npos) << hangul.output;
    EXPECT_NE(hangul.output.find("Blank glyphs: 2348\n"), std::string::npos);
}

TEST_F(FileCommandsTest, PreviewWritesAPngSheet) {
    const CliRun run =
        Cli("preview " + In("three.h") + " --size 8x2 --range custom --scale 2 -o " + In("s.png"));
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string png = ReadBytes(folder / "s.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    auto be32 = [&](std::size_t at) {
        return static_cast<uint8_t>(png[at]) << 24 | static_cast<uint8_t>(png[at + 1]) << 16 |
               static_cast<uint8_t>(png[at + 2]) << 8 | static_cast<uint8_t>(png[at + 3]);
    };
    EXPECT_EQ(be32(16) % 3, 0) << "three cells side by side";
    EXPECT_NE(run.output.find("(" + std::to_string(be32(16)) + "x" + std::to_string(be32(20))),
              std::string::npos)
        << run.output;
}

TEST_F(FileCommandsTest, BadInputFailsWithOneLineAndWritesNothing) {
    struct Case {
        const char* command;
        std::string arguments;
        const char* mentions;
    };
    const std::string three = In("three.h"), page = In("page.fnt");
    std::ofstream(page) << std::string(8192, '\x01');  // one 256x256 glyph
    const Case cases[] = {
        {"convert", In("missing.h") + " --size 8x2 --range custom", "cannot open"},
        {"convert", three + " --size 0x2 --range custom", "size"},
        {"convert", three + " --size 8 --range custom", "--size"},
        {"convert", three + " --size 8x2 --range kanji", "--range"},
        {"convert", three + " --size 8x2", "--range"},
        {"convert", three + " --size 8x2 --range custom --skip -1", "--skip"},
        {"convert", three + " --size 8x2 --range custom --out-skip -1", "--out-skip"},
        {"convert", three + " --size 8x2 --range custom --array 3d", "--array"},
        {"preview", three + " --size 8x2 --range custom --scale 0", "--scale"},
        {"preview", page + " --size 256x256 --range all --scale 16", "too big"},
        {"info", In("missing.fnt") + " --size 8x2 --range custom", "cannot open"},
    };
    for (const Case& c : cases) {
        const std::string out = In("out.fnt");
        const CliRun run = Cli(std::string(c.command) + " " + c.arguments +
                               (std::string(c.command) == "info" ? "" : " -o " + out));
        EXPECT_NE(run.status, 0) << c.arguments;
        EXPECT_NE(run.output.find(c.mentions), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(out)) << c.arguments;
    }
    const CliRun noFolder =
        Cli("convert " + three + " --size 8x2 --range custom -o " + In("no/x.h"));
    EXPECT_NE(noFolder.output.find("does not exist"), std::string::npos) << noFolder.output;
}

}  // namespace
