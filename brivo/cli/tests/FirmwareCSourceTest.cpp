#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/tests/CliRun.h"

namespace {

namespace fs = std::filesystem;

constexpr int kGlyphBytes = 32;                          // 16 x 16
const std::string kChars = "A\xEA\xB0\x80\xED\x9E\x9D";  // A가힝

void Spill(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

// The command's standard output and status.
CliRun Shell(const std::string& command) {
    CliRun run{-1, {}};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) run.output += buffer;
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Hex(const std::string& bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (const char c : bytes) {
        text += kHex[static_cast<unsigned char>(c) >> 4];
        text += kHex[static_cast<unsigned char>(c) & 15];
    }
    return text;
}

// The section an object file puts `symbol` in (objdump's symbol table; C++ gives a static
// one a name of its own), "" if none.
std::string SectionOf(const fs::path& file, const std::string& symbol) {
    const CliRun table = Shell("objdump -t " + file.string());
    std::size_t at = table.output.find(" " + symbol + "\n");
    if (at == std::string::npos)
        at = table.output.find(" _ZL" + std::to_string(symbol.size()) + symbol + "\n");
    if (at == std::string::npos) return "";
    const std::size_t start = table.output.rfind('\n', at) + 1;
    const std::string line = table.output.substr(start, at - start);
    const std::size_t tab = line.find('\t');
    const std::size_t space = line.rfind(' ', tab);
    return line.substr(space + 1, tab - space - 1);
}

class FirmwareCSourceTest : public CliTest {
protected:
    // A .fnt of the characters with its code table, the bytes every form is checked against.
    void SetUp() override {
        CliTest::SetUp();
        const CliRun extract = Cli("extract --chars '" + kChars + "' -q -o " + Fnt());
        ASSERT_EQ(extract.status, 0) << extract.output;
        fnt = ReadBytes(Fnt());
        codes = ReadBytes(folder / "font.idx");
        ASSERT_EQ(fnt.size(), 3u * kGlyphBytes);
        ASSERT_EQ(codes.size(), 3u * 2);
    }
    std::string Fnt() const { return (folder / "font.fnt").string(); }

    std::string fnt, codes;
};

// The firmware forms compile with every warning an embedded build turns on, as C99 and as
// C++17, from two translation units that both include the font (one unit including it
// twice where it is guarded), link, and the program prints the bytes and code of a glyph:
// those of the .fnt file and its code table; the file also reads back as that .fnt. The
// classic form is the control: the same build fails on it.
TEST_F(FirmwareCSourceTest, FirmwareFormsBuildFromTwoUnitsAndHoldTheGlyphs) {
    // PROGMEM as AVR's <avr/pgmspace.h> defines it, in a section of its own on this machine.
    fs::create_directories(folder / "shim/avr");
    Spill(folder / "shim/avr/pgmspace.h",
          "#define PROGMEM __attribute__((__section__(\".progmem.data\")))\n");
    struct Case {
        std::string options;
        std::string output;                // the name given to -o
        std::string include;               // the file the units include
        std::vector<std::string> sources;  // what else is compiled: the data of a split font
        std::string section;               // where the data must land
        bool builds = true;
    };
    const Case cases[] = {
        {"--static", "font.h", "font.h", {}, ".rodata"},
        {"--static --guard --array 1d", "font.h", "font.h", {}, ".rodata"},
        {"--static --guard --section .rodata.brivo", "f.cpp", "f.cpp", {}, ".rodata.brivo"},
        {"--static --progmem --guard", "font.h", "font.h", {}, ".progmem.data"},
        {"--split", "font.c", "font.h", {"font.c"}, ".rodata"},
        {"--split --guard --array 1d --progmem", "font.h", "font.h", {"font.c"}, ".progmem.data"},
        {"--split --section .font_flash", "lib/font", "lib/font.h", {"lib/font.c"}, ".font_flash"},
        {"", "font.h", "font.h", {}, ".rodata", false},
    };
    const std::string warnings = " -Wall -Wextra -Werror -pedantic";
    const std::string compilers[] = {std::string(C_COMPILER) + " -x c -std=c99" + warnings,
                                     std::string(CXX_COMPILER) + " -x c++ -std=c++17" + warnings};
    fs::create_directories(folder / "lib");
    for (const Case& c : cases) {
        const bool oneD = c.options.find("1d") != std::string::npos;
        const bool guarded = c.options.find("guard") != std::string::npos ||
                             c.options.find("split") != std::string::npos;
        const CliRun convert =
            Cli("convert " + Fnt() + " --size 16x16 --range custom --name font " + c.options +
                " -o " + (folder / c.output).string());
        ASSERT_EQ(convert.status, 0) << c.options << "\n" << convert.output;
        // The tool reads its own file back (a 2d array; the data file of a split font).
        const fs::path data = folder / (c.sources.empty() ? c.include : c.sources[0]);
        const CliRun back = Cli("convert " + data.string() + " --size auto --range auto -q -o " +
                                (folder / "back.fnt").string());
        if (!oneD) {
            EXPECT_EQ(ReadBytes(folder / "back.fnt"), fnt) << c.options << back.output;
        }
        const std::string glyph = oneD ? "&font[k * 32]" : "&font[k][0]";
        const std::string include = "#include \"" + (folder / c.include).string() + "\"\n";
        Spill(folder / "glyph.c", include + (guarded ? include : "") +
                                      "const unsigned char* glyph(int k) { return " + glyph +
                                      "; }\n");
        Spill(folder / "main.c", "#include <stdio.h>\n#include <stdlib.h>\n" + include +
                                     "const unsigned char* glyph(int k);\n"
                                     "int main(int argc, char** argv) {\n"
                                     "    int k = argc > 1 ? atoi(argv[1]) : 0, i;\n"
                                     "    for (i = 0; i < 32; ++i) printf(\"%02x\", glyph(k)[i]);\n"
                                     "    printf(\" %04x %d\\n\", font_codes[k], " +
                                     glyph + " == glyph(k));\n    return 0;\n}\n");
        for (const std::string& compiler : compilers) {
            const fs::path program = folder / "program";
            fs::remove(program);
            // Compiled one unit at a time: the linker would merge .rodata.NAME into .rodata.
            std::string command, objects;
            std::vector<std::string> units = {"glyph.c", "main.c"};
            units.insert(units.end(), c.sources.begin(), c.sources.end());
            for (std::size_t n = 0; n < units.size(); ++n) {
                const std::string object = "unit" + std::to_string(n) + ".o";
                command += compiler + " -Ishim -c " + units[n] + " -o " + object + " && ";
                objects += " " + object;
            }
            command += std::string(CXX_COMPILER) + " -o " + program.string() + objects;
            const CliRun build = Shell("cd " + folder.string() + " && " + command);
            if (!c.builds) {
                EXPECT_NE(build.status, 0) << compiler << ": the classic form builds";
                continue;
            }
            ASSERT_EQ(build.status, 0) << c.options << "\n" << compiler << "\n" << build.output;
            // The unit that defines the array: the data file of a split font, else each.
            const fs::path defining = folder / (c.sources.empty() ? "unit0.o" : "unit2.o");
            EXPECT_EQ(SectionOf(defining, "font"), c.section) << c.options << "\n" << compiler;
            const int shared = c.sources.empty() ? 0 : 1;  // one array for both units
            for (int k = 0; k < 3; ++k) {
                const std::string code = Hex(codes.substr(2 * k + 1, 1) + codes.substr(2 * k, 1));
                EXPECT_EQ(Shell(program.string() + " " + std::to_string(k)).output,
                          Hex(fnt.substr(k * kGlyphBytes, kGlyphBytes)) + " " + code + " " +
                              std::to_string(shared) + "\n")
                    << c.options << "\n"
                    << compiler << ", glyph " << k;
            }
        }
    }
    // The header of a split font tells the sizes and nothing else.
    const std::string header = ReadBytes(folder / "lib/font.h");
    for (const char* size : {"#define FONT_WIDTH 16\r\n", "#define FONT_HEIGHT 16\r\n",
                             "#define FONT_GLYPH_BYTES 32\r\n", "#define FONT_COUNT 3\r\n",
                             "extern const unsigned char font[3][32];\r\n",
                             "extern const unsigned short font_codes[3];\r\n"})
        EXPECT_NE(header.find(size), std::string::npos) << size << "\n" << header;
    EXPECT_EQ(header.find("0x"), std::string::npos) << header;
}

// Extraction takes the same options; the data file of a split font reads back as the font.
TEST_F(FirmwareCSourceTest, SplitExtractionReadsBack) {
    const fs::path source = folder / "menu.c";
    const CliRun extract =
        Cli("extract --chars '" + kChars + "' --split --name menu -o " + source.string());
    ASSERT_EQ(extract.status, 0) << extract.output;
    EXPECT_NE(extract.output.find("Wrote " + (folder / "menu.h").string() + " (C header)\n"),
              std::string::npos)
        << extract.output;
    EXPECT_NE(ReadBytes(source).find("#include \"menu.h\"\r\n"), std::string::npos);
    const CliRun back = Cli("convert " + source.string() + " --size auto --range auto -q -o " +
                            (folder / "back.fnt").string());
    ASSERT_EQ(back.status, 0) << back.output;
    EXPECT_EQ(ReadBytes(folder / "back.fnt"), fnt);
}

// A split font with its metrics, whole cells or cropped to the ink: the header declares every
// table the data file defines (the data file includes it, so a mismatch does not compile), and
// a second unit that reads them through the header builds warning-free as C99 and C++17, links
// and finds each glyph's bytes where the tables say.
TEST_F(FirmwareCSourceTest, SplitFontDeclaresItsMetrics) {
    const std::string warnings = " -Wall -Wextra -Werror -pedantic";
    const std::string compilers[] = {std::string(C_COMPILER) + " -x c -std=c99" + warnings,
                                     std::string(CXX_COMPILER) + " -x c++ -std=c++17" + warnings};
    for (const std::string options : {"--metrics", "--metrics --proportional"}) {
        SCOPED_TRACE(options);
        const bool cropped = options.find("proportional") != std::string::npos;
        const CliRun extract = Cli("extract --chars '" + kChars + "' --split --name menu " +
                                   options + " -q -o " + (folder / "menu.c").string());
        ASSERT_EQ(extract.status, 0) << extract.output;
        // Glyph 2's ink box as the tables give it, the font's baseline, and whether the box's top
        // row (two bytes, cropped or in the cell) has ink.
        const std::string top =
            cropped ? "(menu[menu_offsets[2]] | menu[menu_offsets[2] + 1])"
                    : "(menu[2][(menu_line_metrics[4] - menu_metrics[2][2] - menu_metrics[2][4]) * "
                      "2] | menu[2][(menu_line_metrics[4] - menu_metrics[2][2] - "
                      "menu_metrics[2][4]) * 2 + 1])";
        Spill(folder / "main.c",
              "#include <stdio.h>\n#include \"menu.h\"\n"
              "int main(void) {\n"
              "    printf(\"%d %d %d %d %d %d %d\\n\", menu_metrics[2][0], "
              "menu_metrics[2][1], menu_metrics[2][2], menu_metrics[2][3], "
              "menu_metrics[2][4], menu_line_metrics[4], " +
                  top + " != 0);\n    return 0;\n}\n");
        for (const std::string& compiler : compilers) {
            const CliRun build =
                Shell("cd " + folder.string() + " && " + compiler + " -c main.c -o main.o && " +
                      compiler + " -c menu.c -o menu.o && " + std::string(CXX_COMPILER) +
                      " -o program main.o menu.o");
            ASSERT_EQ(build.status, 0) << compiler << "\n" << build.output;
            const std::string printed = Shell((folder / "program").string()).output;
            int advance = 0, left = 0, bottom = 0, width = 0, height = 0, baseline = 0, ink = 0;
            ASSERT_EQ(std::sscanf(printed.c_str(), "%d %d %d %d %d %d %d", &advance, &left, &bottom,
                                  &width, &height, &baseline, &ink),
                      7)
                << printed;
            // 힝 has ink in its box's top row, inside a 16 x 16 cell.
            EXPECT_TRUE(advance > 0 && width > 0 && height > 0 && ink == 1) << printed;
            EXPECT_TRUE(left >= 0 && left + width <= 16 && baseline - bottom - height >= 0)
                << printed;
        }
    }
}

// Options that cannot be honoured are refused before anything is written.
TEST_F(FirmwareCSourceTest, ImpossibleCombinationsAreRefused) {
    const std::string convert = "convert " + Fnt() + " --size 16x16 --range custom ";
    const fs::path out = folder / "out.h";
    struct Case {
        std::string arguments;
        int status;
        std::string said;
    };
    const Case cases[] = {
        {"--static --split -o " + out.string(), 2, "--static and --split do not go together"},
        {"--section .x --progmem -o " + out.string(), 2, "give one of them"},
        {"--section 'a\"b' -o " + out.string(), 2, "--section must be a section name"},
        {"--guard -o " + (folder / "out.bdf").string(), 2, "are for C source, not a BDF font"},
        {"--static -o " + (folder / "out.fnt").string(), 2, "not a binary font file"},
        {"--split --format c -o -", 2, "--split writes two files, not standard output"},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(convert + c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.said), std::string::npos) << c.arguments << "\n" << run.output;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2) << "only font.fnt and .idx";
}

// With SOURCE_DATE_EPOCH the same input gives the same file, whatever the time zone, with
// the epoch's date in UTC; without it the date is the local time of the moment.
TEST_F(FirmwareCSourceTest, SourceDateEpochMakesTheOutputReproducible) {
    const std::string convert = "convert " + Fnt() + " --size 16x16 --range custom -q -o ";
    std::string first;
    for (const char* zone : {"UTC", "Asia/Seoul", "America/New_York"}) {
        const fs::path out = folder / (std::string(zone).substr(0, 3) + ".h");
        const CliRun run = Shell(std::string("SOURCE_DATE_EPOCH=1700000000 TZ=") + zone + " " +
                                 BRIVO_CLI + " " + convert + out.string());
        ASSERT_EQ(run.status, 0) << run.output;
        const std::string text = ReadBytes(out);
        EXPECT_NE(text.find("/* Create Time : 2023-11-14 22:13:20 UTC\r\n"), std::string::npos)
            << zone;
        if (first.empty()) first = text;
        EXPECT_EQ(text, first) << zone;
    }
    const fs::path bad = folder / "bad.h";
    for (const char* value : {"17e8", "-5", "1.5", "99999999999999999999"}) {
        const CliRun run = Shell(std::string("SOURCE_DATE_EPOCH=") + value + " " + BRIVO_CLI + " " +
                                 convert + bad.string());
        EXPECT_EQ(run.status, 1) << value << "\n" << run.output;
        EXPECT_NE(run.output.find("SOURCE_DATE_EPOCH must be the seconds since 1970"),
                  std::string::npos)
            << run.output;
        EXPECT_FALSE(fs::exists(bad)) << value;
    }
}

}  // namespace
