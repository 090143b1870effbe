#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/tests/CliRun.h"

namespace {

namespace fs = std::filesystem;

void Spill(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The run's stdout, or "" when it failed.
std::string Output(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    return pclose(pipe) == 0 ? output : std::string();
}

// The hex text of the 16 x 16 Hangul glyph of `code` in a .fnt file of the whole range.
std::string RangeGlyph(const std::string& fnt, uint16_t code) {
    const std::size_t at = (((code >> 8) - 0xB0) * 94 + (code & 0xFF) - 0xA1) * 32;
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (std::size_t k = at; k < at + 32; ++k) {
        const auto byte = static_cast<unsigned char>(fnt[k]);
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

class CharacterSubsetCommandTest : public CliTest {};

// The README's worked example: a menu's strings become a font of about 5 KB with its code
// table; a small C program, compiled by the system's C compiler, finds each glyph by a
// binary search on the code and gets the bitmap of the full-range export. The same holds for
// the font converted back from Unicode order (C source or a .fnt file with its table), with
// characters whose Unicode order is not their code order (Hanja, full-width, symbols) added.
TEST_F(CharacterSubsetCommandTest, MenuFontCompilesAndFindsGlyphsByCode) {
    const std::string menu = std::string(EXAMPLES_DIR) + "/menu.txt";
    const fs::path direct = folder / "direct", unicodeSource = folder / "unicode.h",
                   unicodeFnt = folder / "unicode.fnt";
    fs::create_directory(direct);
    const CliRun extract = Cli("extract --chars-file " + menu + " --name menu_font -o " +
                               (folder / "readme.h").string());
    ASSERT_EQ(extract.status, 0) << extract.output;
    EXPECT_NE(extract.output.find("Glyphs: 144, Custom (144 characters), 16x16"), std::string::npos)
        << extract.output;
    // 確認 ＯＫ ℃ → ① ㄱ
    const std::string extra =
        "\xE7\xA2\xBA\xE8\xAA\x8D \xEF\xBC\xAF\xEF\xBC\xAB \xE2\x84\x83 \xE2\x86\x92 "
        "\xE2\x91\xA0 \xE3\x84\xB1";
    const std::string chars = "--chars-file " + menu + " --chars '" + extra + "'";
    ASSERT_EQ(Cli("extract " + chars + " --name menu_font -o " + (direct / "menu_font.h").string())
                  .status,
              0);
    ASSERT_EQ(Cli("extract " + chars + " --index unicode -o " + unicodeSource.string()).status, 0);
    ASSERT_EQ(Cli("extract " + chars + " --index unicode -o " + unicodeFnt.string()).status, 0);
    const fs::path full = folder / "hangul.fnt";
    ASSERT_EQ(Cli("extract --range hangul -o " + full.string()).status, 0);

    // The codes of the menu's characters, as iconv (not this program) writes them.
    const std::string euc =
        Output("{ cat " + menu + "; printf '%s' '" + extra + "'; } | iconv -f UTF-8 -t EUC-KR");
    ASSERT_FALSE(euc.empty());
    std::set<uint16_t> hangul, codes;
    for (std::size_t k = 0; k + 1 < euc.size(); ++k) {
        const auto lead = static_cast<unsigned char>(euc[k]);
        if (lead < 0x80) {
            if (lead >= 0x20 && lead < 0x7F) codes.insert(lead);
            continue;
        }
        const auto code = static_cast<uint16_t>(lead << 8 | static_cast<unsigned char>(euc[k + 1]));
        codes.insert(code);
        if (lead >= 0xB0 && lead <= 0xC8) hangul.insert(code);
        ++k;
    }
    ASSERT_GT(hangul.size(), 100u);
    ASSERT_EQ(codes.size(), 152u);
    const auto hexList = [](const std::set<uint16_t>& list) {
        std::string text;
        for (uint16_t code : list) {
            char hex[8];
            std::snprintf(hex, sizeof hex, " %04x", code);
            text += hex;
        }
        return text;
    };
    const std::string arguments = hexList(hangul) + " b0a1 7a";  // 가, 'z': not in the menu
    const std::string range = ReadBytes(full);
    std::string expected;
    for (uint16_t code : hangul) expected += RangeGlyph(range, code) + "\n";
    expected += "none\nnone\n";

    struct Case {
        std::string name;
        std::string convert;  // arguments of a convert into menu_font.h, or "" for the extract
    };
    const Case cases[] = {
        {"direct", ""},
        {"from-unicode-source", unicodeSource.string() + " --size auto --range auto"},
        {"from-unicode-source-euc-kr",
         unicodeSource.string() + " --size auto --range auto --index euc-kr"},
        {"from-unicode-fnt", unicodeFnt.string() + " --size 16x16 --range custom"},
    };
    std::string everyGlyph;  // the lookup of the direct extraction
    for (const Case& c : cases) {
        const fs::path where = folder / c.name;
        fs::create_directories(where);
        if (!c.convert.empty()) {
            const CliRun convert = Cli("convert " + c.convert + " --name menu_font -o " +
                                       (where / "menu_font.h").string());
            ASSERT_EQ(convert.status, 0) << c.name << "\n" << convert.output;
        }
        const fs::path program = where / "menu_lookup";
        const std::string compile =
            std::string(C_COMPILER) + " -std=c99 -Wall -Wno-comment -Werror -I" + where.string() +
            " -o " + program.string() + " " + EXAMPLES_DIR + "/menu_lookup.c 2>&1";
        ASSERT_EQ(std::system(compile.c_str()), 0) << compile;
        EXPECT_EQ(Output(program.string() + arguments), expected) << c.name;
        // Every character of the menu is found, with the glyph the extraction gave it.
        const std::string all = Output(program.string() + hexList(codes));
        if (c.name == "direct") {
            everyGlyph = all;
            EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 152);
            EXPECT_EQ(all.find("none"), std::string::npos) << all;
        } else {
            // The codes whose lookup differs from the direct extraction's.
            std::istringstream got(all), want(everyGlyph);
            std::string missed;
            for (uint16_t code : codes) {
                std::string found, expectedGlyph;
                std::getline(got, found);
                std::getline(want, expectedGlyph);
                if (found != expectedGlyph) missed += hexList({code});
            }
            EXPECT_EQ(missed, "") << c.name;
        }
    }

    // About 5 KB in the firmware: 32 bytes a glyph and two a code.
    EXPECT_EQ(144 * (32 + 2), 4896);
}

TEST_F(CharacterSubsetCommandTest, TextProblemsAreReportedWhereTheyAre) {
    Spill(folder / "bad.txt", "OK\n\xEA\xB0\x80\xFF");
    Spill(folder / "accents.txt", "caf\xC3\xA9\r\nna\xC3\xAFve \xC3\xA9t\xC3\xA9");
    Spill(folder / "blank.txt", "\xEF\xBB\xBF\r\n\t\r\n");
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);  // nobody writes: must not wait
    Spill(folder / "huge.txt", "abc");
    fs::resize_file(folder / "huge.txt", (std::uintmax_t{16} << 20) + 1);  // sparse
    struct Case {
        std::string arguments;
        int status;
        std::vector<std::string> said;
    };
    const std::string dir = folder.string();
    const Case cases[] = {
        {"--chars-file " + dir + "/bad.txt",
         1,
         {"brivo-cli extract: " + dir + "/bad.txt: invalid UTF-8 at byte offset 6"}},
        {"--chars-file " + dir + "/accents.txt",
         1,
         {"2 characters are not in ASCII or KS X 1001 (--skip-unmapped leaves them out):",
          dir + "/accents.txt:1:4: '\xC3\xA9' (U+00E9) is not in ASCII or KS X 1001 (3 times)",
          dir + "/accents.txt:2:3: '\xC3\xAF' (U+00EF) is not in ASCII or KS X 1001"}},
        {"--chars-file " + dir + "/accents.txt --skip-unmapped",
         0,
         {"brivo-cli: warning: left out 2 characters:", "Glyphs: 8, Custom (8 characters)"}},
        {"--chars '\xE2\x9C\x93 ok'", 1, {"--chars:1:1: '\xE2\x9C\x93' (U+2713)"}},
        {"--chars-file " + dir + "/missing.txt",
         1,
         {"brivo-cli extract: cannot open " + dir + "/missing.txt: No such file or directory\n"}},
        {"--chars-file " + dir,
         1,
         {"brivo-cli extract: cannot open " + dir + ": it is a folder\n"}},
        {"--chars-file /dev/zero",
         1,
         {"cannot read /dev/zero: it is not a regular file (a device, FIFO or socket)\n"}},
        {"--chars-file " + dir + "/fifo",
         1,
         {"cannot read " + dir + "/fifo: it is not a regular file (a device, FIFO or socket)\n"}},
        {"--chars-file " + dir + "/huge.txt",
         1,
         {dir + "/huge.txt: more than 16 MiB; a text of characters to extract may take at most "
                "16 MiB\n"}},
        {"--chars-file - < " + dir + "/huge.txt",
         1,
         {"standard input: more than 16 MiB; a text of characters to extract may take at most "
          "16 MiB\n"}},
        {"--chars-file - < " + dir + "/bad.txt",
         1,
         {"brivo-cli extract: standard input: invalid UTF-8 at byte offset 6"}},
        {"--chars-file '" + dir + "/new\nline.txt'",
         1,
         {"brivo-cli extract: cannot open " + dir +
          "/new\\nline.txt: No such file or directory\n"}},
        {"--chars-file " + dir + "/blank.txt", 1, {"the text has no character to extract"}},
        {"--chars ok --name 'font 1'", 2, {"not \"font 1\""}},
        {"--chars ok --name 1font", 2, {"--name must be a C identifier", "not \"1font\""}},
        {"--chars ok --name const", 2, {"--name must be a C identifier"}},
        {"--chars ok --index latin1", 2, {"--index"}},
    };
    for (const Case& c : cases) {
        const fs::path out = folder / "out.h";
        const CliRun run = Cli("extract " + c.arguments + " -o " + out.string());
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
        // A message that ends the output is its only line.
        if (c.said.back().back() == '\n') {
            EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        }
        for (const std::string& text : c.said)
            EXPECT_NE(run.output.find(text), std::string::npos) << c.arguments << "\n"
                                                                << run.output;
        EXPECT_EQ(fs::exists(out), c.status == 0) << c.arguments;
        fs::remove(out);
    }
}

// A name brivo-cli takes makes a header that C and C++ both compile; a name it refuses is one
// that C or C++ (g++ -std=c++20) refuses.
TEST_F(CharacterSubsetCommandTest, ArrayNamesWorkInCAndCpp) {
    const auto compiles = [&](const std::string& compiler, const std::string& file,
                              const std::string& text) {
        Spill(folder / file, text);
        const std::string command = compiler + " -fsyntax-only -Wall -Wno-comment -Werror -I" +
                                    folder.string() + " " + (folder / file).string() +
                                    " >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    };
    const std::string c = std::string(C_COMPILER) + " -std=c11 -x c";
    const std::string cpp = std::string(CXX_COMPILER) + " -std=c++20 -x c++";
    for (const std::string name : {"menu_font", "Class", "new_font", "_this", "int", "class", "new",
                                   "delete", "this", "bool", "and", "template"}) {
        const fs::path header = folder / "font.h";
        fs::remove(header);
        const CliRun run =
            Cli("extract --chars 'A\xEA\xB0\x80' --name " + name + " -o " + header.string());
        if (run.status == 0) {
            const std::string use = "#include \"font.h\"\nint main(void) { return " + name +
                                    "[1][0] + " + name + "_codes[1]; }\n";
            EXPECT_TRUE(compiles(c, "use.c", use)) << name;
            EXPECT_TRUE(compiles(cpp, "use.cpp", use)) << name;
        } else {
            EXPECT_NE(run.output.find("--name must be a C identifier"), std::string::npos)
                << name << "\n"
                << run.output;
            EXPECT_FALSE(fs::exists(header)) << name;
            const std::string declaration = "const unsigned char " + name + "[1] = {0};\n";
            EXPECT_FALSE(compiles(c, "d.c", declaration) && compiles(cpp, "d.cpp", declaration))
                << name << " is refused although C and C++ take it";
        }
    }
}

// --chars and --range together, the .fnt code table, and convert taking both back.
TEST_F(CharacterSubsetCommandTest, UnionAndCodeTablesRoundTrip) {
    const fs::path fnt = folder / "menu.fnt";
    const CliRun extract = Cli(
        "extract --chars '확인 취소' --chars '확인' --range ascii --size 12x12 -o " + fnt.string());
    ASSERT_EQ(extract.status, 0) << extract.output;
    EXPECT_NE(extract.output.find("Glyphs: 132, Custom (132 characters), 12x12"), std::string::npos)
        << extract.output;
    EXPECT_NE(extract.output.find("Wrote " + (folder / "menu.idx").string() + " (code table)"),
              std::string::npos)
        << extract.output;
    EXPECT_EQ(fs::file_size(fnt), 132u * 24);
    const std::string idx = ReadBytes(folder / "menu.idx");
    ASSERT_EQ(idx.size(), 132u * 2);
    EXPECT_EQ(idx.substr(0, 4), std::string("\x00\x00\x01\x00", 4));
    EXPECT_EQ(idx.substr(128 * 2), "\xd2\xbc\xce\xc0\xeb\xc3\xae\xc8");  // 소 인 취 확

    // The .fnt and its table become C source with the codes, under another name.
    const fs::path source = folder / "menu.h";
    const CliRun convert = Cli("convert " + fnt.string() +
                               " --size 12x12 --range custom --name menu -o " + source.string());
    ASSERT_EQ(convert.status, 0) << convert.output;
    const std::string text = ReadBytes(source);
    EXPECT_NE(text.find("/* Font Type  : Custom (132 characters)"), std::string::npos);
    EXPECT_NE(text.find("const unsigned char menu[132][24] = {"), std::string::npos);
    EXPECT_NE(text.find("/* character \xC8\xAE[0xc8ae] */"), std::string::npos);
    EXPECT_NE(text.find("const unsigned short menu_codes[132] = {"), std::string::npos);
    EXPECT_NE(text.find("0xbcd2, 0xc0ce, 0xc3eb, 0xc8ae,\r\n};\r\n"), std::string::npos);

    // A table that does not fit belongs to another font: refused, or left aside when asked.
    Spill(folder / "menu.idx", "\x41");
    const std::string info = "info " + fnt.string() + " --size 12x12 --range custom";
    CliRun misfit = Cli(info);
    EXPECT_EQ(misfit.status, 1) << misfit.output;
    EXPECT_EQ(misfit.output, "brivo-cli info: " + (folder / "menu.idx").string() +
                                 " holds 1 bytes, not two for each of the 132 glyphs: it is not "
                                 "the code table of " +
                                 fnt.string() + " (--ignore-index reads the file without it)\n");
    misfit = Cli(info + " --ignore-index");
    EXPECT_EQ(misfit.status, 0) << misfit.output;
    EXPECT_NE(misfit.output.find("Range: Custom\n"), std::string::npos) << misfit.output;

    // Unicode order and back: the same file but for the name.
    const fs::path unicode = folder / "unicode.h";
    ASSERT_EQ(Cli("convert " + source.string() + " --size auto --range auto --index unicode -o " +
                  unicode.string())
                  .status,
              0);
    EXPECT_NE(ReadBytes(unicode).find("0xc18c, 0xc778, 0xcde8, 0xd655,\r\n};"), std::string::npos);
    const fs::path back = folder / "back.h";
    const CliRun again =
        Cli("convert " + unicode.string() +
            " --size auto --range auto --index euc-kr --name menu -o " + back.string());
    ASSERT_EQ(again.status, 0) << again.output;
    // Past the header (its Create Time differs), byte for byte.
    const std::string first = ReadBytes(source), second = ReadBytes(back);
    EXPECT_EQ(first.substr(first.find("//#include")), second.substr(second.find("//#include")));
}

// A .fnt file and its code table are one save: a save that fails leaves both old files, and
// a save without a table takes away the old one, so that no read pairs glyphs with codes of
// another font.
TEST_F(CharacterSubsetCommandTest, FontAndCodeTableAreOneSave) {
    const fs::path fnt = folder / "f.fnt", idx = folder / "f.idx";
    const std::string out = " -o " + fnt.string();
    ASSERT_EQ(Cli("extract --chars 가나다라" + out).status, 0);
    const std::string oldFont = ReadBytes(fnt), oldTable = ReadBytes(idx);
    ASSERT_EQ(oldTable, "\xa1\xb0\xaa\xb3\xd9\xb4\xf3\xb6");

    struct Case {
        const char* what;
        std::string before;  // shell commands run first
        std::string arguments;
        std::string said;
    };
    const Case failures[] = {
        {"read-only table", "chmod 444 " + idx.string() + ";", "extract --chars 마바사아" + out,
         "brivo-cli extract: cannot write " + idx.string() + ": it is read-only\n"},
        // The table fits under the limit, the font does not: the table is written first.
        {"file size limit", "trap '' XFSZ; ulimit -f 40;",
         "extract --range hangul --index euc-kr" + out,
         "brivo-cli extract: cannot write " + fnt.string() + ": File too large\n"},
    };
    for (const Case& c : failures) {
        SCOPED_TRACE(c.what);
        CliRun run{-1, {}};
        FILE* pipe =
            popen(("(" + c.before + " " + BRIVO_CLI + " " + c.arguments + ") 2>&1").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) run.output += buffer;
        const int status = pclose(pipe);
        EXPECT_EQ(WEXITSTATUS(status), 1) << run.output;
        EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output;
        EXPECT_EQ(ReadBytes(fnt), oldFont);
        EXPECT_EQ(ReadBytes(idx), oldTable);
        chmod(idx.c_str(), 0644);
        for (const auto& entry : fs::directory_iterator(folder))
            EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos)
                << entry.path();
    }

    // A save without a table: the old table goes; one this program did not write stays, and
    // a read refuses it until told to leave it aside.
    ASSERT_EQ(Cli("extract --range ascii" + out).status, 0);
    EXPECT_FALSE(fs::exists(idx));
    const fs::path other = folder / "other.fnt", foreign = folder / "other.idx";
    Spill(foreign, std::string("\xff\xff\xff\xff", 4));
    ASSERT_EQ(Cli("extract --range ascii -o " + other.string()).status, 0);
    EXPECT_EQ(ReadBytes(foreign), std::string("\xff\xff\xff\xff", 4));
    const std::string read = "info " + other.string() + " --size 8x16 --range ascii";
    const CliRun refused = Cli(read);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(std::count(refused.output.begin(), refused.output.end(), '\n'), 1) << refused.output;
    EXPECT_EQ(Cli(read + " --ignore-index").status, 0);
}

// Which codes are characters is decided once: the codes the report counts as unassigned are
// those --index unicode leaves out and those a BDF font leaves unencoded (0xA2E8, which code
// page 949 does not map, among them).
TEST_F(CharacterSubsetCommandTest, UnassignedCodesAgreeEverywhere) {
    const fs::path source = folder / "symbols.h", bdf = folder / "symbols.bdf";
    const CliRun unicode =
        Cli("extract --range fullwidth1 --except-unused --index unicode -o " + source.string());
    ASSERT_EQ(unicode.status, 0) << unicode.output;
    EXPECT_NE(unicode.output.find("(140 unassigned in KS X 1001"), std::string::npos)
        << unicode.output;
    EXPECT_NE(unicode.output.find("--index unicode leaves out 140 glyphs"), std::string::npos)
        << unicode.output;
    const std::string text = ReadBytes(source);
    EXPECT_NE(text.find("const unsigned short data_table_codes[988] = {"), std::string::npos);
    EXPECT_EQ(text.find("0x327e"), std::string::npos);
    EXPECT_EQ(text.find("[0xa2e8]"), std::string::npos);

    ASSERT_EQ(Cli("extract --range fullwidth1 --except-unused -o " + bdf.string()).status, 0);
    const std::string font = ReadBytes(bdf);
    int unencoded = 0;
    for (std::size_t at = font.find("ENCODING -1\n"); at != std::string::npos;
         at = font.find("ENCODING -1\n", at + 1))
        ++unencoded;
    EXPECT_EQ(unencoded, 140);
    EXPECT_NE(font.find("STARTCHAR glyph"), std::string::npos);
    EXPECT_NE(font.find("_A2E8\nENCODING -1\n"), std::string::npos);
}

TEST_F(CharacterSubsetCommandTest, DefaultOutputsAreUnchanged) {
    // Neither a table nor an .idx file without a subset or --index.
    const fs::path fnt = folder / "ascii.fnt", source = folder / "ascii.h";
    ASSERT_EQ(Cli("extract --range ascii -o " + fnt.string()).status, 0);
    ASSERT_EQ(Cli("extract --range ascii -o " + source.string()).status, 0);
    EXPECT_FALSE(fs::exists(folder / "ascii.idx"));
    const std::string text = ReadBytes(source);
    EXPECT_EQ(text.find("_codes"), std::string::npos);
    EXPECT_NE(text.find("const unsigned char data_table[128][16] = {"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 4), "};\r\n");
    // --index on a range asks for the table.
    ASSERT_EQ(Cli("extract --range ascii --index euc-kr -o " + fnt.string()).status, 0);
    EXPECT_EQ(fs::file_size(folder / "ascii.idx"), 256u);
}

TEST_F(CharacterSubsetCommandTest, HelpShowsTheOptionsAndTheWorkedExample) {
    const CliRun help = Cli("extract --help");
    EXPECT_EQ(help.status, 0);
    for (const char* text :
         {"--chars TEXT", "--chars-file FILE", "--skip-unmapped", "--name IDENT", "--index CODE",
          "brivo-cli extract --chars-file menu.txt --name menu_font -o menu_font.h"})
        EXPECT_NE(help.output.find(text), std::string::npos) << text << "\n" << help.output;
    const CliRun convert = Cli("convert --help");
    EXPECT_NE(convert.output.find("--name IDENT"), std::string::npos) << convert.output;
}

}  // namespace
