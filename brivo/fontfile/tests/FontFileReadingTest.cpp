// What both readers refuse or report: no data, inputs that are no regular file, the Custom
// limit, and .fnt lengths that do not fit the range.

#include <sys/stat.h>

#include <functional>

#include "fontfile/BinaryFontFile.h"
#include "fontfile/TextFontReader.h"
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
            EXPECT_EQ(warning, extra ? path +
                                           ": read the first 65536 glyphs only, a Custom set "
                                           "holds no more"
                                     : "")
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
}

}  // namespace
