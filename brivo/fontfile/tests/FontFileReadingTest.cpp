// What both readers refuse or report: no data, inputs that are no regular file, the Custom
// limit, .fnt lengths that do not fit the range, and C source that is cut, contradicts
// itself or has no line ends.

#include <sys/stat.h>

#include <functional>

#include "fontfile/BinaryFontFile.h"
#include "fontfile/TextFontReader.h"
#include "fontfile/TextFontWriter.h"
#include "fontfile/tests/TestFiles.h"

using namespace brivo;

namespace {

class FontFileReadingTest : public ::testing::Test {
protected:
    void SetUp() override { SingletonTraceStream() = nullptr; }

    // Reads `path` as the reader of its kind does (*.fnt binary, else C source).
    static Result Read(CGlyphSet& set, const std::string& path, int width, int height,
                       CodeRange range, int skip = 0, std::string* warning = nullptr) {
        if (path.ends_with(".fnt"))
            return ReadFontFile(set, path, width, height, range, skip, false, warning);
        return ReadTextFile(set, path, width, height, range, true, false, true, warning);
    }

    TempFolder folder;
};

TEST_F(FontFileReadingTest, NoDataIsRefusedAndKeepsTheSet) {
    struct Case {
        const char* name;
        const char* file;
        std::string contents;
        int width, height;
        CodeRange range;
        int skip;
    };
    const Case cases[] = {
        {"random text", "r.h", "hello, world {not} 0y12\n", 8, 8, RANGE_ASCII, 0},
        {"empty text", "e.h", "", 8, 8, RANGE_HANGUL, 0},
        {"declaration without values", "d.h", "const unsigned char data_table[0] = {\n};\n", 8, 8,
         RANGE_ASCII, 0},
        {"less than one glyph of text", "s.h", "{0x01, 0x02,};", 8, 3, RANGE_CUSTOM, 0},
        {"less than one glyph of text, fixed range", "f.h", "{0x01, 0x02,};", 8, 3, RANGE_ALL, 0},
        {"empty .fnt", "e.fnt", "", 8, 8, RANGE_ASCII, 0},
        {"less than one record", "s.fnt", "1234567", 8, 8, RANGE_CUSTOM, 0},
        {"all of it skipped", "k.fnt", "12345678", 8, 8, RANGE_ASCII, 4},
    };
    for (const Case& c : cases) {
        const std::string path = folder.File(c.file);
        WriteBytes(path, c.contents);
        CGlyphSet set;
        FillRange(set, RANGE_ASCII, false, 4, 4);
        const Result result = Read(set, path, c.width, c.height, c.range, c.skip);
        EXPECT_EQ(result.message, "no glyph data found in " + path) << c.name;
        EXPECT_EQ(set.Count(), 128) << c.name;
        EXPECT_EQ(set.width, 4) << c.name;
    }
}

TEST_F(FontFileReadingTest, OnlyRegularFilesAreRead) {
    const std::string fifo = folder.File("pipe.fnt"), textFifo = folder.File("pipe.h");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(textFifo.c_str(), 0600), 0);
    // Nobody writes to the FIFOs: a reader that waited for them would never return.
    for (const std::string& path :
         {fifo, textFifo, std::string("/dev/zero"), std::string("/dev/null")}) {
        for (CodeRange range : {RANGE_ASCII, RANGE_CUSTOM}) {
            CGlyphSet set;
            FillRange(set, RANGE_ASCII, false, 4, 4);
            const Result result = path.ends_with(".h")
                                      ? Read(set, path, 8, 8, range)
                                      : ReadFontFile(set, path, 8, 8, range, 0, false);
            EXPECT_EQ(result.message, "cannot read " + path +
                                          ": it is not a regular file (a device, FIFO or "
                                          "socket)");
            EXPECT_EQ(set.Count(), 128);
        }
        std::optional<TextFileHeader> header;
        EXPECT_FALSE(ReadTextFileHeader(path, header)) << path;
    }
}

TEST_F(FontFileReadingTest, CustomStopsAt65536GlyphsAndSaysSo) {
    const std::string binary = folder.File("big.fnt"), text = folder.File("big.h");
    std::string bytes, source = "{";
    for (int n = 0; n < 65536 + 3; ++n) {
        bytes += static_cast<char>(n * 7);
        source += "0x" + std::to_string(n % 10) + ",";
    }
    WriteBytes(binary, bytes);
    WriteBytes(text, source + "};");
    for (const std::string& path : {binary, text}) {
        for (int extra : {3, 0}) {
            if (extra == 0)
                WriteBytes(path, path == binary ? bytes.substr(0, 65536)
                                                : source.substr(0, 1 + 65536 * 4));
            CGlyphSet set;
            std::string warning = "stale";
            ASSERT_TRUE(Read(set, path, 1, 1, RANGE_CUSTOM, 0, &warning));
            ASSERT_EQ(set.Count(), 65536) << path;
            EXPECT_EQ(set.glyphs.back()->code, 65535) << "codes must not wrap";
            EXPECT_EQ(set.glyphs.back()->index, 65535);
            // Cut after the last glyph, C source says that it has lost its end.
            const std::string cut = path == text && extra == 0
                                        ? path +
                                              ": the array has no closing brace: the file "
                                              "may be cut after glyph 65536"
                                        : "";
            EXPECT_EQ(warning, extra ? path +
                                           ": read the first 65536 glyphs only, a Custom set "
                                           "holds no more"
                                     : cut)
                << path;
        }
    }
    EXPECT_EQ(static_cast<uint8_t>(bytes[65535]), static_cast<uint8_t>(65535 * 7));
}

TEST_F(FontFileReadingTest, FntLengthThatDoesNotFitTheRangeIsReported) {
    struct Case {
        std::size_t length;
        int skip;
        const char* warning;  // "" = none
    };
    const Case cases[] = {
        {2048, 0, ""},
        {2058, 10, ""},
        {2047, 0,
         "has 2047 bytes; 0 + 128 glyphs x 16 bytes make 2048: the missing bytes read "
         "as zero"},
        {2049, 0,
         "has 2049 bytes; 0 + 128 glyphs x 16 bytes make 2048: the bytes after the last "
         "glyph are ignored"},
        {2048, 16, "has 2048 bytes; 16 + 128 glyphs x 16 bytes make 2064"},
        // A gap the read was not told about shifts every glyph: the warning names the skip.
        {2080, 16,
         "16 + 128 glyphs x 16 bytes make 2064: the bytes after the last glyph are ignored (if "
         "the file starts with a gap of 32 bytes, give a skip of 32)"},
    };
    const std::string path = folder.File("ascii.fnt");
    for (const Case& c : cases) {
        std::string bytes(c.length, '\x5a');
        WriteBytes(path, bytes);
        CGlyphSet set;
        std::string warning = "stale";
        ASSERT_TRUE(ReadFontFile(set, path, 8, 16, RANGE_ASCII, c.skip, false, &warning));
        ASSERT_EQ(set.Count(), 128);
        if (*c.warning == '\0') {
            EXPECT_EQ(warning, "") << c.length;
        } else {
            EXPECT_EQ(warning.find(path), 0u) << warning;
            EXPECT_NE(warning.find(c.warning), std::string::npos) << warning;
        }
        // Zero fill where the file ends early, nothing read past the range.
        const std::size_t records = c.length - c.skip;
        EXPECT_EQ(set.glyphs[127]->bits[15], records >= 2048 ? 0x5a : 0) << c.length;
    }
    // Read at the width it was extracted with, an ASCII file is twice as wide as it holds.
    WriteBytes(path, std::string(2048, '\x5a'));
    CGlyphSet set;
    std::string warning;
    ASSERT_TRUE(ReadFontFile(set, path, 16, 16, RANGE_ASCII, 0, false, &warning));
    EXPECT_EQ(warning, path +
                           " has 2048 bytes, 128 ASCII glyphs of 16 bytes: the file holds glyphs "
                           "half as wide as asked (ASCII is extracted at half the width); read "
                           "it with half the width");
}

// C source cut short or contradicting itself is never read silently; a file without line
// ends is refused at its first MiB, not held whole.
TEST_F(FontFileReadingTest, CutContradictoryAndEndlessCSource) {
    CGlyphSet hangul;
    FillRange(hangul, RANGE_HANGUL, false, 16, 16);
    const std::string full = folder.File("full.h");
    ASSERT_TRUE(WriteTextFile(hangul, full, true));
    const std::string text = ReadBytes(full);
    CGlyphSet subset;
    subset.SetGlyphSize(16, 16);
    subset.range = RANGE_CUSTOM;
    for (uint16_t code : {0xB0A1, 0xB0A2, 0xB0A3, 0xB0A4}) AddGlyph(subset, code, code & 0xFF);
    ASSERT_TRUE(WriteTextFile(subset, folder.File("subset.h"), true));
    const std::string subsetText = ReadBytes(folder.File("subset.h"));
    // The first glyph block after the 1171st: its comment line.
    std::size_t cut = 0;
    for (int n = 0; n <= 1171; ++n) cut = text.find("/* character", cut + 1);

    struct Case {
        const char* name;
        std::string contents;
        CodeRange range;
        bool loads;
        std::string said;  // the warning, or the refusal
    };
    std::string widthEight = text;
    widthEight.replace(widthEight.find("Font Width : 16"), 15, "Font Width : 8");
    std::string countOff = text;
    countOff.replace(countOff.find("Data Conut : 2350"), 17, "Data Conut : 2000");
    const Case cases[] = {
        {"whole", text, RANGE_HANGUL, true, ""},
        {"cut in half", text.substr(0, cut), RANGE_HANGUL, true,
         ": the array ends after 1171 of 2350 glyphs and has no closing brace: 1179 glyphs are "
         "incomplete, their missing bytes read as zero"},
        {"cut inside a glyph", text.substr(0, cut - 30), RANGE_HANGUL, true,
         ": the array ends after 1170 of 2350 glyphs and has no closing brace: 1180 glyphs are "
         "incomplete"},
        {"subset cut", subsetText.substr(0, subsetText.find("/* character [3]")), RANGE_CUSTOM,
         true,
         ": the array ends after 3 of 4 glyphs and has no closing brace: 1 glyph is incomplete "
         "and left out"},
        {"width against the declaration", widthEight, RANGE_HANGUL, false,
         ": the header says 8 x 16, 16 bytes a glyph; the array is declared [2350][32]"},
        {"count against the declaration", countOff, RANGE_HANGUL, false,
         ": the header says 16 x 16, 32 bytes a glyph, 2000 glyphs; the array is declared "
         "[2350][32]"},
        {"carriage returns only",
         [&] {
             std::string cr = text;
             for (char& c : cr)
                 if (c == '\n') c = ' ';
             while (cr.size() <= (1 << 20)) cr += cr;
             return cr;
         }(),
         RANGE_HANGUL, false,
         ": line 1 is longer than 1 MiB: not C source written by this program"},
        {"a long line after good ones", "{0x01,\n0x02,\n" + std::string((1 << 20) + 1, 'x'),
         RANGE_CUSTOM, false, ": line 3 is longer than 1 MiB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.File("case.h");
        WriteBytes(path, c.contents);
        CGlyphSet set;
        std::string warning = "stale";
        const Result result = ReadTextFile(set, path, 16, 16, c.range, true, false, true, &warning);
        EXPECT_EQ(result.Ok(), c.loads) << result.message;
        if (c.said.empty()) {
            EXPECT_EQ(warning, "");
            continue;
        }
        const std::string& said = c.loads ? warning : result.message;
        EXPECT_EQ(said.rfind(path + c.said, 0), 0u) << said;
    }

    // Two gigabytes without a line feed (a sparse file: zeros) end at the first MiB.
    const std::string huge = folder.File("huge.h");
    WriteBytes(huge, "");
    std::filesystem::resize_file(huge, std::uintmax_t{2} << 30);
    CGlyphSet set;
    std::optional<TextFileHeader> header;
    EXPECT_EQ(ReadTextFileHeader(huge, header).message,
              huge + ": line 1 is longer than 1 MiB: not C source written by this program");
    EXPECT_EQ(ReadTextFile(set, huge, 16, 16, RANGE_HANGUL, true, false).message,
              huge + ": line 1 is longer than 1 MiB: not C source written by this program");
}

}  // namespace
