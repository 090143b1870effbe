#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdlib>

#include "fontfile/TextFontWriter.h"
#include "fontfile/tests/TestFiles.h"
#include "glyph/Cp949.h"

using namespace brivo;

namespace {

constexpr std::time_t kCreateTime = 1206632277;  // 2008-03-27 15:37:57 UTC

class TextFontWriterTest : public ::testing::Test {
protected:
    void SetUp() override { SingletonTraceStream() = nullptr; }

    // The set of the worked example: two 8 x 9 glyphs of a custom range.
    static void Example(CGlyphSet& set) {
        set.SetGlyphSize(8, 9);
        set.range = RANGE_CUSTOM;
        set.fontDescription = "굴림체, 12";
        const uint8_t a[9] = {0x00, 0x18, 0x24, 0x42, 0x42, 0x7e, 0x42, 0x42, 0x00};
        const uint8_t b[9] = {0x00, 0x7c, 0x42, 0x42, 0x7c, 0x42, 0x42, 0x7c, 0x00};
        for (const uint8_t* bits : {a, b}) {
            AddGlyph(set, 0, 0);
            set.glyphs.back()->CopyBits(bits, 9);
        }
    }

    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos;
             start = end + 2)
            lines.push_back(text.substr(start, end - start));
        EXPECT_EQ(start, text.size()) << "text after the last line end";
        return lines;
    }

    TempFolder folder;
};

TEST_F(TextFontWriterTest, MatchesGoldenFilesInBothForms) {
    CGlyphSet set;
    Example(set);
    for (const auto& [doubleArray, golden] :
         {std::pair{true, "custom_8x9_2d.h"}, std::pair{false, "custom_8x9_1d.h"}}) {
        const std::string path = folder.File(golden);
        ASSERT_TRUE(WriteTextFile(set, path, doubleArray, [] { return kCreateTime; }));
        EXPECT_EQ(ReadBytes(path), ReadBytes(std::string(GOLDEN_DIR) + "/" + golden)) << golden;
    }
}

TEST_F(TextFontWriterTest, EmptySetHasHeaderAndEmptyArray) {
    CGlyphSet set;
    set.SetGlyphSize(16, 16);
    for (bool doubleArray : {true, false}) {
        const std::vector<std::string> lines = Lines(FormatTextFile(set, doubleArray, kCreateTime));
        ASSERT_EQ(lines.size(), 20u);
        EXPECT_EQ(lines[2], "/* Font Type  : Undefined");
        EXPECT_EQ(lines[7], "/* Data Conut : 0 ");
        EXPECT_EQ(lines[18], doubleArray ? "const unsigned char data_table[0][32] = {"
                                         : "const unsigned char data_table[0*32] = {");
        EXPECT_EQ(lines[19], "};");
    }
}

TEST_F(TextFontWriterTest, DataLinesHoldEightBytes) {
    struct Case {
        int width, height;
        bool doubleArray;
        std::vector<std::string> data;  // the lines between comment and the empty line
    };
    const Case cases[] = {
        {8, 8, true, {"{0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, },"}},
        {8, 8, false, {"0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, "}},
        {16,
         8,
         true,
         {"{0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, ",
          " 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f, },"}},
        {3, 3, false, {"0x00, 0x01, 0x02, "}},
    };
    for (const Case& c : cases) {
        CGlyphSet set;
        set.SetGlyphSize(c.width, c.height);
        set.range = RANGE_ASCII;
        AddGlyph(set, 'A', 0);
        const std::vector<std::string> lines =
            Lines(FormatTextFile(set, c.doubleArray, kCreateTime));
        ASSERT_EQ(lines.size(), 19u + 1 + c.data.size() + 1 + 1);
        EXPECT_EQ(lines[19], "/* character A[0x0041] */");
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 20, lines.end() - 2), c.data);
        EXPECT_EQ(lines[lines.size() - 2], "");
        EXPECT_EQ(lines.back(), "};");
    }
}

TEST_F(TextFontWriterTest, LabelsAreCleanOfControlBytesAndHexIsLowerCase) {
    CGlyphSet set;
    set.SetGlyphSize(8, 1);
    set.range = RANGE_ASCII;
    AddGlyph(set, 0x1A, 0xAB);
    AddGlyph(set, 0x0A, 0);
    AddGlyph(set, 0x00, 0);
    set.range = RANGE_HANGUL;
    const std::string hangul = FormatTextFile(set, true, kCreateTime);
    EXPECT_NE(hangul.find("Font Type  : " + Utf8ToCp949("한글 (0xB0A0 - 0xC8FF)") + "\r\n"),
              std::string::npos);
    set.range = RANGE_ASCII;
    const std::vector<std::string> lines = Lines(FormatTextFile(set, true, kCreateTime));
    EXPECT_EQ(lines[19], "/* character [0x001a] */");
    EXPECT_EQ(lines[20], "{0xab, },");
    EXPECT_EQ(lines[22], "/* character [0x000a] */");
    EXPECT_EQ(lines[25], "/* character [0x0000] */");
}

TEST_F(TextFontWriterTest, HangulSetHasFourDataLinesPerGlyph) {
    CGlyphSet set;
    set.SetGlyphSize(16, 16);
    set.range = RANGE_HANGUL;
    for (uint16_t code : RangeCodes(RANGE_HANGUL, false)) AddGlyph(set, code, 0);
    const std::vector<std::string> lines = Lines(FormatTextFile(set, true, kCreateTime));
    EXPECT_EQ(lines[6], "/* Data Length : 32 bytes");
    EXPECT_EQ(lines[18], "const unsigned char data_table[2350][32] = {");
    EXPECT_EQ(lines.size(), 19u + 2350 * 6 + 1);
    EXPECT_EQ(lines[19], "/* character \xB0\xA1[0xb0a1] */");
}

TEST_F(TextFontWriterTest, FailedWriteKeepsTheOldFile) {
    CGlyphSet set;
    Example(set);
    const std::string path = folder.File("old.h");
    WriteBytes(path, "old");
    // A file-size limit makes the write fail halfway, for root as well.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100;
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const Result result = WriteTextFile(set, path, true);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(result);
    EXPECT_NE(result.message.find(path), std::string::npos) << result.message;
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path), {}), 1)
        << "no temporary file may stay behind";
}

TEST_F(TextFontWriterTest, CreateTimeIsDateThenTime) {
    EXPECT_EQ(FormatCreateTime(kCreateTime), "2008-03-27 15:37:57");
}

// A save without a clock of its own (the desktop program's) takes SOURCE_DATE_EPOCH, in UTC;
// one it cannot read refuses the save and leaves the file as it was.
TEST_F(TextFontWriterTest, SaveTakesTheCreateTimeFromSourceDateEpoch) {
    CGlyphSet set;
    Example(set);
    const std::string path = folder.File("font.h");
    auto createTime = [&] {
        const std::string text = ReadBytes(path);
        const std::size_t at = text.find("/* Create Time : ");
        return text.substr(at + 17, text.find("\r\n", at) - at - 17);
    };
    setenv("SOURCE_DATE_EPOCH", "1206632277", 1);
    const Result epoch = WriteTextFile(set, path, true);
    const std::string fixed = createTime();
    setenv("SOURCE_DATE_EPOCH", "2008-03-27", 1);
    const Result malformed = WriteTextFile(set, path, true);
    unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_TRUE(epoch) << epoch.message;
    EXPECT_EQ(fixed, "2008-03-27 15:37:57 UTC");
    EXPECT_FALSE(malformed);
    EXPECT_NE(malformed.message.find("\"2008-03-27\""), std::string::npos) << malformed.message;
    EXPECT_EQ(createTime(), fixed);
    ASSERT_TRUE(WriteTextFile(set, path, true));
    EXPECT_NE(createTime(), fixed);  // the moment of the save
}

// A Korean locale in EUC-KR writes the time words in EUC-KR; the file gets them in code page
// 949, not as '?' for bytes that are no UTF-8.
TEST_F(TextFontWriterTest, CreateTimeIsConvertedFromTheLocaleEncoding) {
    const std::string words = "15\xBD\xC3 37\xBA\xD0 57\xC3\xCA";  // 15시 37분 57초, EUC-KR
    EXPECT_EQ(ConvertEncoding(words, "UTF-8", "EUC-KR"), "15시 37분 57초");

    const std::string command =
        "localedef -i ko_KR -f EUC-KR " + folder.File("ko_KR.eucKR") + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) GTEST_SKIP() << "localedef cannot make ko_KR.eucKR";
    // In a child: glibc keeps what the locale load allocates, and the locale stays ours.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("LOCPATH", folder.path.c_str(), 1);
        if (std::setlocale(LC_TIME, "ko_KR.eucKR") == nullptr) _exit(3);
        CGlyphSet set;
        Example(set);
        const std::string text = FormatTextFile(set, true, kCreateTime);
        const std::size_t line = text.find("/* Create Time");
        const std::string report = FormatCreateTime(kCreateTime) + "\n" +
                                   text.substr(line, text.find("\r\n", line) - line);
        _exit(write(pipeEnds[1], report.data(), report.size()) ==
                      static_cast<ssize_t>(report.size())
                  ? 0
                  : 4);
    }
    close(pipeEnds[1]);
    std::string report(256, '\0');
    const ssize_t got = read(pipeEnds[0], report.data(), report.size());
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the generated locale does not load";
    report.resize(static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    EXPECT_EQ(report, "2008-03-27 15시 37분 57초\n/* Create Time : 2008-03-27 " +
                          Utf8ToCp949("15시 37분 57초"));
}

}  // namespace
