#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "extract/ExtractWorker.h"
#include "extract/GlyphRasterizer.h"
#include "glyph/GlyphSet.h"

using namespace brivo;

namespace {

// Records the reports and checks that the grid flag is set while glyphs arrive.
class Recorder : public IExtractObserver {
public:
    explicit Recorder(std::atomic<bool>* busyFlag = nullptr) : busy(busyFlag) {}
    void OnExtractStarted(int max) override { maximum = max; }
    void OnGlyphExtracted(int count, const CGlyph&) override {
        if (busy != nullptr && !busy->load()) busyWhileRendering = false;
        if (count != last + 1) inOrder = false;
        last = count;
        if (stopAfter > 0 && count == stopAfter) reachedStop.store(true);
    }
    void OnExtractFinished(const ExtractOutcome& outcome) override {
        finished = true;
        end = outcome.end;
    }

    std::atomic<bool>* busy;
    int maximum = -1, last = 0, stopAfter = 0;
    bool inOrder = true, busyWhileRendering = true, finished = false;
    std::atomic<bool> reachedStop = false;
    ExtractEnd end = ExtractEnd::Completed;
};

class ExtractWorkerTest : public ::testing::Test {
protected:
    void SetUp() override { SingletonTraceStream() = nullptr; }

    ExtractSettings Settings(CodeRange range, bool exceptUnused = false) {
        ExtractSettings settings;
        settings.range = range;
        settings.exceptUnused = exceptUnused;
        return settings;
    }
};

TEST_F(ExtractWorkerTest, RangesYieldTheirCodesInOrder) {
    struct Case {
        CodeRange range;
        bool exceptUnused;
        int count;
        uint16_t first;
        int width;
        uint8_t halfWidth;
        const char* name;
    };
    const Case cases[] = {
        {RANGE_ASCII, false, 128, 0x00, 8, 1, "ASCII (0x00 - 0x7F)"},
        {RANGE_HANGUL, true, 2350, 0xB0A1, 16, 0, "한글 (0xB0A0 - 0xC8FF)"},
        {RANGE_FULLWIDTH1, true, 1128, 0xA1A1, 16, 0, "전각1(ExceptUnused) (0xA1A0 - 0xAFFF)"},
        {RANGE_FULLWIDTH2, true, 4888, 0xCAA1, 16, 0, "전각2(ExceptUnused) (0xC9A0 - 0xFDFF)"},
    };
    for (const Case& c : cases) {
        CGlyphSet set;
        std::atomic<bool> busy = false;
        Recorder recorder(&busy);
        CExtractWorker worker;
        ASSERT_TRUE(
            worker.StartExtraction(Settings(c.range, c.exceptUnused), set, &recorder, &busy));
        worker.Wait();
        EXPECT_FALSE(worker.Running());
        EXPECT_FALSE(busy.load());
        ASSERT_EQ(set.Count(), c.count) << c.name;
        EXPECT_EQ(recorder.maximum, c.count);
        EXPECT_EQ(recorder.last, c.count);
        EXPECT_TRUE(recorder.inOrder);
        EXPECT_TRUE(recorder.busyWhileRendering);
        EXPECT_TRUE(recorder.finished);
        EXPECT_EQ(set.glyphs[0]->code, c.first);
        EXPECT_EQ(set.width, c.width);
        EXPECT_EQ(set.height, 16);
        EXPECT_EQ(set.halfWidth, c.halfWidth);
        EXPECT_EQ(set.range, c.range);
        EXPECT_EQ(set.exceptUnused, c.exceptUnused ? 1 : 0);
        EXPECT_EQ(set.GetRangeName(false), c.name);
        const std::vector<uint16_t> codes = RangeCodes(c.range, c.exceptUnused);
        for (int n = 0; n < set.Count(); ++n) {
            const CGlyph* glyph = set.glyphs[n].get();
            ASSERT_NE(glyph->bits, nullptr);
            ASSERT_EQ(glyph->code, codes[n]);
            ASSERT_EQ(glyph->index, n);
            ASSERT_EQ(glyph->originalIndex, n);
        }
    }
}

// The groups are rendered on several threads; the set holds what one rasteriser drawing
// every code in order with each group's style draws, and the outcome names each face.
TEST_F(ExtractWorkerTest, ParallelGroupsGiveWhatOneRasteriserGives) {
    CGlyphSet set;
    set.boldGroups = 0x40;  // only Hangul stays bold
    ExtractSettings settings = Settings(RANGE_ALL, true);
    settings.logFont.weight = 700;
    CExtractWorker worker;
    ASSERT_TRUE(worker.StartExtraction(settings, set));
    worker.Wait();
    ASSERT_EQ(set.Count(), 8366);

    CGlyphRasterizer rasterizer;
    ASSERT_TRUE(rasterizer.SetCellSize(16, 16));
    int lead = -1;
    for (const GlyphPtr& glyph : set.glyphs) {
        if (glyph->code >> 8 != lead) {
            lead = glyph->code >> 8;
            LogFont font = settings.logFont;
            set.ApplyGroupStyle(font, static_cast<uint8_t>(lead));
            ASSERT_TRUE(rasterizer.CreateFont(font));
        }
        const GlyphBits bits = rasterizer.RenderGlyph(glyph->code, 0, 0, 128);
        ASSERT_TRUE(std::equal(bits.get(), bits.get() + 32, glyph->bits.get())) << glyph->code;
    }
    std::vector<std::string> names;
    int glyphs = 0;
    for (const FontUse& use : worker.LastOutcome().fonts) {
        names.push_back(use.name);
        glyphs += use.glyphs;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"NanumGothicCoding Regular", "Baekmuk Gulim Regular",
                                               "NanumGothicCoding Bold"}));
    EXPECT_EQ(glyphs + worker.LastOutcome().missingGlyphs, 8366);
}

TEST_F(ExtractWorkerTest, CancelStopsWithinOneGlyphAndKeepsWhatWasRendered) {
    CGlyphSet set;
    Recorder recorder;
    recorder.stopAfter = 100;
    CExtractWorker worker;
    ASSERT_TRUE(worker.StartExtraction(Settings(RANGE_ALL), set, &recorder));
    while (!recorder.reachedStop.load() && worker.Running()) std::this_thread::yield();
    worker.StopExtraction();
    EXPECT_FALSE(worker.Running());
    EXPECT_GE(set.Count(), 100);
    EXPECT_LT(set.Count(), 8742);
    EXPECT_EQ(set.range, RANGE_ALL);
    EXPECT_EQ(recorder.end, ExtractEnd::Cancelled);
    EXPECT_EQ(worker.LastOutcome().glyphCount, set.Count());
}

TEST_F(ExtractWorkerTest, RestartEmptiesTheSetAndStopWithoutRunIsHarmless) {
    CGlyphSet set;
    CExtractWorker worker;
    EXPECT_TRUE(worker.StopExtraction());
    ASSERT_TRUE(worker.StartExtraction(Settings(RANGE_ALL), set));
    ASSERT_TRUE(worker.StartExtraction(Settings(RANGE_ASCII), set));  // cancels the ALL run
    worker.Wait();
    EXPECT_EQ(set.Count(), 128);
    EXPECT_EQ(set.range, RANGE_ASCII);
    EXPECT_TRUE(worker.StopExtraction());
    EXPECT_EQ(set.Count(), 128);
}

// A new run at the same glyph size draws into the bitmaps of the set's previous glyphs: what
// those held (more ink, placed elsewhere) must not show through.
TEST_F(ExtractWorkerTest, RerunIntoTheSameSetGivesWhatAFreshSetGets) {
    ExtractSettings inky = Settings(RANGE_FULLWIDTH1);
    inky.offsetX = inky.offsetY = 5;
    inky.threshold = 255;
    inky.logFont.weight = 700;
    const ExtractSettings plain = Settings(RANGE_FULLWIDTH1);
    CExtractWorker worker;
    CGlyphSet fresh;
    ASSERT_TRUE(worker.StartExtraction(plain, fresh));
    worker.Wait();

    CGlyphSet reused;
    ASSERT_TRUE(worker.StartExtraction(inky, reused));
    worker.Wait();
    ASSERT_TRUE(worker.StartExtraction(plain, reused));
    worker.Wait();
    ASSERT_EQ(reused.Count(), fresh.Count());
    for (int i = 0; i < fresh.Count(); ++i) {
        ASSERT_EQ(reused.GlyphAt(i)->code, fresh.GlyphAt(i)->code);
        ASSERT_TRUE(std::equal(fresh.GlyphAt(i)->bits.get(), fresh.GlyphAt(i)->bits.get() + 32,
                               reused.GlyphAt(i)->bits.get()))
            << fresh.GlyphAt(i)->code;
    }
}

TEST_F(ExtractWorkerTest, UnreadableFontEndsTheRunAndIsReported) {
    CGlyphSet set;
    Recorder recorder;
    ExtractSettings settings = Settings(RANGE_HANGUL);
    settings.logFont.faceName = "/nonexistent.ttf";
    CExtractWorker worker;
    ASSERT_TRUE(worker.StartExtraction(settings, set, &recorder));
    worker.Wait();
    EXPECT_EQ(recorder.end, ExtractEnd::FontFailed);
    EXPECT_FALSE(worker.LastOutcome().message.empty());
    EXPECT_EQ(set.Count(), 0);
}

TEST_F(ExtractWorkerTest, FaceNameLimitCountsCodePage949Bytes) {
    const std::string syllable = "굴";  // 3 bytes in UTF-8, 2 in code page 949
    struct Case {
        std::string face;
        bool valid;
        std::string fitted;
    };
    std::string fifteen, sixteen;
    for (int n = 0; n < 15; ++n) fifteen += syllable;
    sixteen = fifteen + syllable;
    const Case cases[] = {
        {fifteen, true, fifteen},
        {sixteen, false, fifteen},
        {std::string(31, 'a'), true, std::string(31, 'a')},
        {std::string(32, 'a'), false, std::string(31, 'a')},
        {"ab" + fifteen, false, "ab" + fifteen.substr(0, 14 * 3)},
    };
    for (const Case& c : cases) {
        ExtractSettings settings = Settings(RANGE_ASCII);
        settings.logFont.faceName = c.face;
        EXPECT_EQ(static_cast<bool>(settings.Validate()), c.valid) << c.face;
        EXPECT_EQ(FitFaceName(c.face), c.fitted) << c.face;
    }
}

// A subset renders each of its codes as the range extraction renders it, in code order,
// with progress over the subset only; the set is Custom and keeps the codes.
TEST_F(ExtractWorkerTest, SubsetGivesTheRangeGlyphsOfItsCodes) {
    CGlyphSet hangul;
    CExtractWorker worker;
    ASSERT_TRUE(worker.StartExtraction(Settings(RANGE_HANGUL), hangul));
    worker.Wait();
    const std::vector<uint16_t> codes = {0x20, 0x41, 0xB0A1, 0xB3AA, 0xC8FE};
    ExtractSettings settings = Settings(RANGE_CUSTOM);
    settings.codes = codes;
    CGlyphSet set;
    Recorder recorder;
    ASSERT_TRUE(worker.StartExtraction(settings, set, &recorder));
    worker.Wait();
    ASSERT_EQ(set.Count(), 5);
    EXPECT_EQ(recorder.maximum, 5);
    EXPECT_EQ(recorder.last, 5);
    EXPECT_EQ(set.range, RANGE_CUSTOM);
    EXPECT_TRUE(set.keepsCodes);
    EXPECT_EQ(set.width, 16);
    EXPECT_EQ(set.halfWidth, 0);
    EXPECT_EQ(set.GetRangeName(false), "Custom (5 characters)");
    for (int n = 0; n < set.Count(); ++n) {
        EXPECT_EQ(set.glyphs[n]->code, codes[n]);
        EXPECT_EQ(set.glyphs[n]->index, n);
        if (codes[n] < 0x80) continue;
        const auto& range = hangul.glyphs;
        auto same = std::find_if(range.begin(), range.end(),
                                 [&](const GlyphPtr& g) { return g->code == codes[n]; });
        ASSERT_NE(same, range.end());
        EXPECT_TRUE(
            std::equal((*same)->bits.get(), (*same)->bits.get() + 32, set.glyphs[n]->bits.get()))
            << std::hex << codes[n];
    }

    // ASCII alone gets the half-width cells of the ASCII range, and the same bitmaps.
    CGlyphSet ascii;
    ASSERT_TRUE(worker.StartExtraction(Settings(RANGE_ASCII), ascii));
    worker.Wait();
    settings.codes = {0x41, 0x61};
    ASSERT_TRUE(worker.StartExtraction(settings, set));
    worker.Wait();
    ASSERT_EQ(set.Count(), 2);
    EXPECT_EQ(set.width, 8);
    EXPECT_EQ(set.halfWidth, 1);
    EXPECT_TRUE(std::equal(set.glyphs[1]->bits.get(), set.glyphs[1]->bits.get() + 16,
                           ascii.glyphs[0x61]->bits.get()));

    // A range extracted afterwards drops the subset's marks.
    ASSERT_TRUE(worker.StartExtraction(Settings(RANGE_ASCII), set));
    worker.Wait();
    EXPECT_FALSE(set.keepsCodes);
}

TEST_F(ExtractWorkerTest, BadSettingsAreRefusedAndTouchNothing) {
    struct Case {
        const char* what;
        void (*spoil)(ExtractSettings&);
    };
    const Case cases[] = {
        {"width 0", [](ExtractSettings& s) { s.fontSizeX = 0; }},
        {"height 257", [](ExtractSettings& s) { s.fontSizeY = 257; }},
        {"threshold 0", [](ExtractSettings& s) { s.threshold = 0; }},
        {"height -5000", [](ExtractSettings& s) { s.logFont.height = -5000; }},
        {"threshold 256", [](ExtractSettings& s) { s.threshold = 256; }},
        {"custom range", [](ExtractSettings& s) { s.range = RANGE_CUSTOM; }},
        {"ascii width 1", [](ExtractSettings& s) { s.range = RANGE_ASCII, s.fontSizeX = 1; }},
        {"subset code outside KS X 1001",
         [](ExtractSettings& s) {
             s.range = RANGE_CUSTOM, s.codes = {0xB0A1, 0xB0FF};
         }},
        {"ascii subset width 1",
         [](ExtractSettings& s) { s.range = RANGE_CUSTOM, s.codes = {0x41}, s.fontSizeX = 1; }},
        {"long face", [](ExtractSettings& s) { s.logFont.faceName = std::string(40, 'x'); }},
    };
    for (const Case& c : cases) {
        CGlyphSet set;
        set.SetGlyphAt(0, NewGlyph(0, 0));
        ExtractSettings settings = Settings(RANGE_HANGUL);
        c.spoil(settings);
        CExtractWorker worker;
        EXPECT_FALSE(worker.StartExtraction(settings, set)) << c.what;
        EXPECT_EQ(set.Count(), 1) << c.what;
        EXPECT_FALSE(worker.Running());
    }
}

}  // namespace
