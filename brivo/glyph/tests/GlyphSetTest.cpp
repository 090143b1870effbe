#include <gtest/gtest.h>

#include "glyph/GlyphSet.h"
#include "glyph/LogFont.h"

using namespace brivo;

namespace {

class GlyphSetTest : public ::testing::Test {
protected:
    void SetUp() override { SingletonTraceStream() = nullptr; }

    // Appends glyphs with codes 'A', 'B', ... and one-byte bitmaps.
    void Fill(CGlyphSet& set, const std::string& codes) {
        for (char c : codes) {
            GlyphPtr glyph = NewGlyph(static_cast<uint16_t>(c), 1, set.Count(), set.Count());
            glyph->bits[0] = static_cast<uint8_t>(c);
            set.SetGlyphAt(set.Count(), std::move(glyph));
        }
    }

    // The codes of the set in order, checking that every index equals its position.
    std::string Codes(const CGlyphSet& set) {
        std::string codes;
        for (int i = 0; i < set.Count(); ++i) {
            EXPECT_EQ(set.glyphs[i]->index, i) << "glyph at " << i;
            codes += static_cast<char>(set.glyphs[i]->code);
        }
        return codes;
    }
};

TEST_F(GlyphSetTest, ListOperationsKeepIndicesInStep) {
    struct Case {
        const char* start;
        std::function<void(CGlyphSet&)> change;
        const char* expected;
    };
    auto x = [] { return NewGlyph('X', 1); };
    const Case cases[] = {
        {"ABCD", [](CGlyphSet& s) { s.MoveGlyph(2, 0); }, "CABD"},
        {"ABCD", [](CGlyphSet& s) { s.MoveGlyph(0, 3); }, "BCDA"},
        {"ABCD", [](CGlyphSet& s) { s.MoveGlyph(0, 4); }, "ABCD"},
        {"ABCD", [](CGlyphSet& s) { s.MoveGlyph(-1, 2); }, "ABCD"},
        {"ABCD", [](CGlyphSet& s) { s.MoveGlyph(1, 1); }, "ABCD"},
        {"AB",
         [&](CGlyphSet& s) {
             s.InsertGlyphAt(1, x());
             s.glyphs[1]->index = 1;
         },
         "AXB"},
        {"AB",
         [&](CGlyphSet& s) {
             s.InsertGlyphAt(2, x());
             s.glyphs[2]->index = 2;
         },
         "ABX"},
        {"ABCD", [](CGlyphSet& s) { s.RemoveGlyphAt(1); }, "ACD"},
        {"ABCD", [](CGlyphSet& s) { s.RemoveGlyphAt(4); }, "ABCD"},
        {"ABCD", [](CGlyphSet& s) { s.RemoveGlyphAt(-1); }, "ABCD"},
        {"ABC",
         [&](CGlyphSet& s) {
             GlyphPtr g = x();
             g->index = 1;
             s.SetGlyphAt(1, std::move(g));
         },
         "AXC"},
    };
    for (const Case& c : cases) {
        CGlyphSet set;
        Fill(set, c.start);
        c.change(set);
        EXPECT_EQ(Codes(set), c.expected) << "from " << c.start;
    }
}

TEST_F(GlyphSetTest, SetGlyphAtBeyondTheEndLeavesNullSlotsThatCount) {
    CGlyphSet set;
    Fill(set, "A");
    GlyphPtr owned = NewGlyph(0, 0);
    CGlyph* glyph = owned.get();
    set.SetGlyphAt(3, std::move(owned));
    EXPECT_EQ(set.Count(), 4);
    EXPECT_EQ(set.glyphs[1], nullptr);
    EXPECT_EQ(set.glyphs[3].get(), glyph);
    set.ClearGlyphs();
    EXPECT_EQ(set.Count(), 0);
}

TEST_F(GlyphSetTest, ClearAndDestructionReturnEveryRecordToThePool) {
    const std::size_t before = CGlyphPool::Instance().InUse();
    {
        CGlyphSet set;
        Fill(set, "ABCDEF");
        EXPECT_EQ(CGlyphPool::Instance().InUse(), before + 6);
        set.RemoveGlyphAt(0);
        EXPECT_EQ(CGlyphPool::Instance().InUse(), before + 5);
        set.range = RANGE_ALL;
        set.ClearGlyphs();
        EXPECT_EQ(set.range, RANGE_ALL);
        Fill(set, "GH");
    }
    EXPECT_EQ(CGlyphPool::Instance().InUse(), before);
}

TEST_F(GlyphSetTest, Labels) {
    struct Case {
        uint16_t code;
        CodeRange range;
        int index;
        std::string expected;
    };
    const Case cases[] = {
        {0x41, RANGE_ASCII, 0, "A[0x0041]"}, {0xB0A1, RANGE_HANGUL, 0, "\xB0\xA1[0xb0a1]"},
        {0x0D, RANGE_ASCII, 13, "[0x000d]"}, {0x0A, RANGE_ASCII, 10, "[0x000a]"},
        {0x00, RANGE_ASCII, 0, "[0x0000]"},  {0xB0A1, RANGE_CUSTOM, 5, "[5]"},
    };
    for (const Case& c : cases) {
        CGlyph glyph;
        glyph.code = c.code;
        glyph.index = c.index;
        EXPECT_EQ(glyph.GetLabel(c.range), c.expected) << std::hex << c.code;
    }
}

TEST_F(GlyphSetTest, RangeNames) {
    struct Case {
        CodeRange range;
        bool exceptUnused;
        bool shortForm;
        const char* expected;
    };
    const Case cases[] = {
        {RANGE_ALL, true, false, "ALL(ExceptUnused) (0xA1A0 - 0xFDFF)"},
        {RANGE_ALL, false, false, "ALL (0xA1A0 - 0xFDFF)"},
        {RANGE_ALL, true, true, "ALL(ExceptUnused)"},
        {RANGE_FULLWIDTH2, true, false, "전각2(ExceptUnused) (0xC9A0 - 0xFDFF)"},
        {RANGE_FULLWIDTH1, false, true, "전각1"},
        {RANGE_HANGUL, true, false, "한글 (0xB0A0 - 0xC8FF)"},
        {RANGE_ASCII, true, true, "ASCII"},
        {RANGE_CUSTOM, true, false, "Custom"},
        {RANGE_NONE, false, false, "Undefined"},
        {static_cast<CodeRange>(7), false, true, "Undefined"},
    };
    for (const Case& c : cases) {
        CGlyphSet set;
        set.range = c.range;
        set.exceptUnused = c.exceptUnused;
        EXPECT_EQ(set.GetRangeName(c.shortForm), c.expected);
    }
}

TEST_F(GlyphSetTest, RangeKeywordsNameTheirRanges) {
    const std::vector<std::string> extractable = {"ascii", "hangul", "fullwidth1", "fullwidth2",
                                                  "all"};
    EXPECT_EQ(RangeKeywords(false), extractable);
    std::vector<std::string> all = extractable;
    all.push_back("custom");
    EXPECT_EQ(RangeKeywords(true), all);
    const CodeRange ranges[] = {RANGE_ASCII,      RANGE_HANGUL, RANGE_FULLWIDTH1,
                                RANGE_FULLWIDTH2, RANGE_ALL,    RANGE_CUSTOM};
    for (size_t i = 0; i < all.size(); ++i) EXPECT_EQ(RangeFromKeyword(all[i]), ranges[i]);
    EXPECT_EQ(RangeFromKeyword("ASCII"), std::nullopt);
    EXPECT_EQ(RangeFromKeyword(""), std::nullopt);
    EXPECT_EQ(RangeName(RANGE_CUSTOM, false, false), "Custom");
    EXPECT_EQ(RangeGlyphCount(RANGE_CUSTOM, false), 0);
}

TEST_F(GlyphSetTest, RangeIteration) {
    struct Case {
        CodeRange range;
        bool exceptUnused;
        int count;
        uint16_t first, last;
    };
    const Case cases[] = {
        {RANGE_ASCII, false, 128, 0x00, 0x7F},
        {RANGE_HANGUL, true, 2350, 0xB0A1, 0xC8FE},
        {RANGE_FULLWIDTH1, false, 1410, 0xA1A1, 0xAFFE},
        {RANGE_FULLWIDTH1, true, 1128, 0xA1A1, 0xACFE},
        {RANGE_FULLWIDTH2, false, 4982, 0xC9A1, 0xFDFE},
        {RANGE_FULLWIDTH2, true, 4888, 0xCAA1, 0xFDFE},
        {RANGE_ALL, false, 8742, 0xA1A1, 0xFDFE},
        {RANGE_ALL, true, 8366, 0xA1A1, 0xFDFE},
    };
    for (const Case& c : cases) {
        const std::vector<uint16_t> codes = RangeCodes(c.range, c.exceptUnused);
        ASSERT_EQ(static_cast<int>(codes.size()), c.count) << c.range;
        EXPECT_EQ(RangeGlyphCount(c.range, c.exceptUnused), c.count);
        EXPECT_EQ(codes.front(), c.first);
        EXPECT_EQ(codes.back(), c.last);
        EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
    }
    const std::vector<uint16_t> all = RangeCodes(RANGE_ALL, true);
    const auto at = std::find(all.begin(), all.end(), 0xACFE);
    ASSERT_NE(at, all.end());
    EXPECT_EQ(*(at + 1), 0xB0A1);
    for (uint16_t code : all) {
        const int lead = code >> 8;
        EXPECT_FALSE((lead >= 0xAD && lead <= 0xAF) || lead == 0xC9) << std::hex << code;
    }
    EXPECT_TRUE(RangeCodes(RANGE_CUSTOM, false).empty());
}

TEST_F(GlyphSetTest, GroupMaskText) {
    EXPECT_EQ(GetGroupMaskText(0), "None");
    EXPECT_EQ(GetGroupMaskText(255), "All");
    EXPECT_EQ(GetGroupMaskText(0x80), "한자");
    EXPECT_EQ(GetGroupMaskText(0x41), "기호, 한글");
    EXPECT_EQ(GetGroupMaskText(0x7F), "기호, 전각, 한글자모, 로마&기호, 일본, 소련, 한글");
}

TEST_F(GlyphSetTest, ApplyGroupStyle) {
    struct Case {
        uint32_t boldGroups, italicGroups;
        int32_t weight;
        uint8_t italic, lead;
        int32_t expectedWeight;
        uint8_t expectedItalic;
    };
    const Case cases[] = {
        {0x40, 255, 700, 0, 0xB0, 700, 0}, {0x40, 255, 700, 0, 0xAC, 400, 0},
        {0x40, 255, 700, 0, 0xCA, 400, 0}, {0x00, 255, 700, 0, 0xC9, 700, 0},
        {0x00, 255, 700, 0, 0xAD, 700, 0}, {0x00, 255, 600, 0, 0xB0, 600, 0},
        {0x00, 255, 900, 1, 0xB0, 400, 1}, {255, 0x40, 400, 1, 0xA1, 400, 0},
        {255, 0x40, 400, 1, 0xC8, 400, 1}, {255, 0x00, 400, 1, 0xAE, 400, 1},
    };
    for (const Case& c : cases) {
        CGlyphSet set;
        set.boldGroups = c.boldGroups;
        set.italicGroups = c.italicGroups;
        LogFont font;
        font.weight = c.weight;
        font.italic = c.italic;
        font.height = -20;
        set.ApplyGroupStyle(font, c.lead);
        EXPECT_EQ(font.weight, c.expectedWeight) << std::hex << int(c.lead);
        EXPECT_EQ(font.italic, c.expectedItalic) << std::hex << int(c.lead);
        EXPECT_EQ(font.height, -20);
    }
}

}  // namespace
