#include <sys/stat.h>

#include <cstring>

#include "fontfile/BinaryFontFile.h"
#include "fontfile/tests/TestFiles.h"

using namespace brivo;

namespace {

class BinaryFontFileTest : public ::testing::Test {
protected:
    void SetUp() override { SingletonTraceStream() = nullptr; }

    static bool SameBits(const CGlyph* a, const CGlyph* b, int size) {
        return std::memcmp(a->bits.get(), b->bits.get(), size) == 0;
    }

    TempFolder folder;
};

TEST_F(BinaryFontFileTest, RangesRoundTrip) {
    struct Case {
        CodeRange range;
        bool exceptUnused;
        int width, height, skip;
        std::size_t fileSize;
    };
    const Case cases[] = {
        {RANGE_HANGUL, false, 16, 16, 0, 75200},
        {RANGE_ASCII, false, 8, 16, 0, 2048},
        {RANGE_ALL, true, 16, 16, 0, 267712},
        {RANGE_ALL, true, 16, 16, 16, 267728},
        {RANGE_FULLWIDTH1, true, 12, 12, 100, 100 + 1128 * 24},
        {RANGE_FULLWIDTH2, false, 17, 5, 3, 3 + 4982 * 15},
    };
    for (const Case& c : cases) {
        CGlyphSet saved;
        FillRange(saved, c.range, c.exceptUnused, c.width, c.height);
        const std::string path = folder.File("font.fnt");
        ASSERT_TRUE(WriteFontFile(saved, path, c.skip));
        const std::string bytes = ReadBytes(path);
        ASSERT_EQ(bytes.size(), c.fileSize);
        EXPECT_EQ(bytes.substr(0, c.skip), std::string(c.skip, '\0'));

        CGlyphSet loaded;
        loaded.range = RANGE_CUSTOM;
        loaded.fontDescription = "kept";
        ASSERT_TRUE(ReadFontFile(loaded, path, c.width, c.height, c.range, c.skip, c.exceptUnused));
        ASSERT_EQ(loaded.Count(), saved.Count());
        EXPECT_EQ(loaded.range, RANGE_CUSTOM);
        EXPECT_EQ(loaded.fontDescription, "kept");
        EXPECT_EQ(loaded.halfWidth, c.range == RANGE_ASCII ? 1 : 0);
        EXPECT_EQ(loaded.width, c.width);
        for (int n = 0; n < saved.Count(); ++n) {
            ASSERT_EQ(loaded.glyphs[n]->code, saved.glyphs[n]->code);
            ASSERT_EQ(loaded.glyphs[n]->index, n);
            ASSERT_EQ(loaded.glyphs[n]->originalIndex, n);
            ASSERT_TRUE(SameBits(loaded.GlyphAt(n), saved.GlyphAt(n), saved.BytesPerGlyph()));
        }
    }
}

TEST_F(BinaryFontFileTest, ReadingWithoutTheGapShiftsTheRecords) {
    CGlyphSet saved;
    FillRange(saved, RANGE_HANGUL, false, 16, 16);
    const std::string path = folder.File("gap.fnt");
    ASSERT_TRUE(WriteFontFile(saved, path, 100));
    CGlyphSet loaded;
    ASSERT_TRUE(ReadFontFile(loaded, path, 16, 16, RANGE_HANGUL, 0, true));
    ASSERT_EQ(loaded.Count(), 2350);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(loaded.glyphs[0]->bits.get()), 32),
              std::string(32, '\0'));
    EXPECT_EQ(loaded.glyphs[3]->bits[4], saved.glyphs[0]->bits[0]);  // 100 = 3 * 32 + 4
    // Starting one record late, the file ends before the last record: it is zero-filled.
    ASSERT_TRUE(ReadFontFile(loaded, path, 16, 16, RANGE_HANGUL, 132, false));
    ASSERT_EQ(loaded.Count(), 2350);
    EXPECT_TRUE(SameBits(loaded.GlyphAt(2348), saved.GlyphAt(2349), 32));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(loaded.glyphs[2349]->bits.get()), 32),
              std::string(32, '\0'));
}

TEST_F(BinaryFontFileTest, CustomReadsRecordsToTheEndOfTheFile) {
    const std::string path = folder.File("custom.fnt");
    WriteBytes(path, "0123456789");
    CGlyphSet loaded;
    ASSERT_TRUE(ReadFontFile(loaded, path, 4, 4, RANGE_CUSTOM, 0, false));
    ASSERT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded.glyphs[2]->code, 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(loaded.glyphs[2]->bits.get()), 4),
              std::string("89\0\0", 4));
    EXPECT_FALSE(ReadFontFile(loaded, path, 4, 4, RANGE_CUSTOM, 10, false));
    EXPECT_EQ(loaded.Count(), 3);
}

TEST_F(BinaryFontFileTest, FailuresLeaveSetAndFilesAlone) {
    CGlyphSet set;
    FillRange(set, RANGE_ASCII, false, 8, 8);
    const std::string existing = folder.File("existing.fnt");
    WriteBytes(existing, "precious");
    struct Case {
        const char* what;
        std::function<Result()> run;
    };
    const Case cases[] = {
        {"missing file",
         [&] { return ReadFontFile(set, folder.File("none.fnt"), 8, 8, RANGE_ASCII, 0, false); }},
        {"folder",
         [&] { return ReadFontFile(set, folder.path.string(), 8, 8, RANGE_ASCII, 0, false); }},
        {"negative skip read",
         [&] { return ReadFontFile(set, existing, 8, 8, RANGE_ASCII, -1, false); }},
        {"width 0", [&] { return ReadFontFile(set, existing, 0, 8, RANGE_ASCII, 0, false); }},
        {"height 257", [&] { return ReadFontFile(set, existing, 8, 257, RANGE_ASCII, 0, false); }},
        {"range 7",
         [&] { return ReadFontFile(set, existing, 8, 8, static_cast<CodeRange>(7), 0, false); }},
        {"range none", [&] { return ReadFontFile(set, existing, 8, 8, RANGE_NONE, 0, false); }},
        {"negative skip write", [&] { return WriteFontFile(set, existing, -5); }},
        {"no folder", [&] { return WriteFontFile(set, folder.File("no/such.fnt"), 0); }},
        {"onto a folder", [&] { return WriteFontFile(set, folder.path.string(), 0); }},
    };
    for (const Case& c : cases) {
        const Result result = c.run();
        EXPECT_FALSE(result) << c.what;
        EXPECT_FALSE(result.message.empty()) << c.what;
        EXPECT_EQ(set.Count(), 128) << c.what;
        EXPECT_EQ(ReadBytes(existing), "precious") << c.what;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path), {}), 1)
        << "no temporary file may stay behind";
}

TEST_F(BinaryFontFileTest, SavingThroughALinkReplacesTheLinkedFileAndKeepsItsMode) {
    CGlyphSet set;
    FillRange(set, RANGE_ASCII, false, 8, 1);
    const std::string real = folder.File("real.fnt"), link = folder.File("link.fnt");
    WriteBytes(real, "old");
    chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, link);
    ASSERT_TRUE(WriteFontFile(set, link, 0));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(real).size(), 128u);
    struct stat info {};
    stat(real.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(BinaryFontFileTest, NullSlotsAreWrittenAsZeros) {
    CGlyphSet set;
    set.SetGlyphSize(8, 2);
    AddGlyph(set, 'A', 1);
    set.SetGlyphAt(2, NewGlyph(0, 0));  // slot 1 null, slot 2 without bitmap
    const std::string path = folder.File("holes.fnt");
    ASSERT_TRUE(WriteFontFile(set, path, 0));
    EXPECT_EQ(ReadBytes(path), std::string("\x01\x02\0\0\0\0", 6));
}

}  // namespace
