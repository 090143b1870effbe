#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "glyph/GlyphCommands.h"
#include "glyph/GlyphSet.h"

using namespace brivo;

namespace {

// The sets made here are not the program's: no constructor trace.
const bool kQuiet = (SingletonTraceStream() = nullptr, true);

// Everything of a glyph an edit may touch.
struct GlyphState {
    const CGlyph* glyph;
    uint16_t code;
    int32_t index, originalIndex;
    std::vector<uint8_t> bytes;
    GlyphMetrics metrics;
    bool operator==(const GlyphState&) const = default;
};

struct SetState {
    std::vector<GlyphState> glyphs;
    int32_t width, height;
    uint8_t halfWidth;
    CodeRange range;
    std::optional<int32_t> baseline;
    std::optional<LineMetrics> lineMetrics;
    bool operator==(const SetState&) const = default;
};

SetState StateOf(const CGlyphSet& set) {
    SetState state{{},        set.width,    set.height,     set.halfWidth,
                   set.range, set.baseline, set.lineMetrics};
    for (const GlyphPtr& g : set.glyphs) {
        if (g == nullptr) {
            state.glyphs.push_back({});
            continue;
        }
        std::vector<uint8_t> bytes;
        if (g->bits != nullptr) bytes.assign(g->bits.get(), g->bits.get() + set.BytesPerGlyph());
        state.glyphs.push_back({g.get(), g->code, g->index, g->originalIndex, bytes, g->metrics});
    }
    return state;
}

// The codes in order as letters ('0' + code for the small codes of blank glyphs), checking
// that every glyph's index is its position.
std::string Codes(const CGlyphSet& set) {
    std::string codes;
    for (int i = 0; i < set.Count(); ++i) {
        EXPECT_EQ(set.glyphs[i]->index, i) << "glyph at " << i;
        const uint16_t code = set.glyphs[i]->code;
        codes += static_cast<char>(code < 10 ? '0' + code : code);
    }
    return codes;
}

// Glyphs 'A', 'B', ... of 12 x 2 pixels, each bitmap and its metrics a pattern of its code.
void Fill(CGlyphSet& set, const std::string& codes) {
    set.SetGlyphSize(12, 2);
    for (char c : codes) {
        GlyphPtr glyph =
            NewGlyph(static_cast<uint16_t>(c), set.BytesPerGlyph(), set.Count(), set.Count());
        glyph->bits[0] = static_cast<uint8_t>(c);
        glyph->bits[3] = 0xF0;
        glyph->metrics = {c - 'A' + 3, {c - 'A', -1, 4, 2}};
        set.InsertGlyphAt(set.Count(), std::move(glyph));
    }
}

using MakeCommand = std::function<std::unique_ptr<CGlyphCommand>(CGlyphSet&)>;

template <typename Command, typename... Args>
MakeCommand Make(Args... args) {
    return [=](CGlyphSet& set) { return std::make_unique<Command>(set, args...); };
}

TEST(GlyphCommandsTest, EachSetOperationAndItsUndo) {
    struct Case {
        const char* name;
        MakeCommand make;
        bool changes;
        const char* after;
    };
    const Case cases[] = {
        {"insert first", Make<CInsertBlankGlyph>(0), true, "0ABCD"},
        {"insert inside", Make<CInsertBlankGlyph>(2), true, "AB2CD"},
        {"insert at the end", Make<CInsertBlankGlyph>(4), true, "ABCD4"},
        {"insert without selection", Make<CInsertBlankGlyph>(-1), true, "ABCD4"},
        {"insert beyond the end", Make<CInsertBlankGlyph>(9), true, "ABCD4"},
        {"remove first", Make<CRemoveGlyph>(0), true, "BCD"},
        {"remove last", Make<CRemoveGlyph>(3), true, "ABC"},
        {"remove nothing", Make<CRemoveGlyph>(-1), false, "ABCD"},
        {"remove beyond the end", Make<CRemoveGlyph>(4), false, "ABCD"},
        {"move forward", Make<CMoveGlyph>(1, 2), true, "ACBD"},
        {"move back to the start", Make<CMoveGlyph>(3, 0), true, "DABC"},
        {"move first to last", Make<CMoveGlyph>(0, 3), true, "BCDA"},
        {"move onto itself", Make<CMoveGlyph>(2, 2), false, "ABCD"},
        {"move beyond the end", Make<CMoveGlyph>(3, 4), false, "ABCD"},
        {"bits of the last", Make<CSetGlyphBits>(3, std::vector<uint8_t>{1, 2, 3, 4}), true,
         "ABCD"},
        {"bits of the wrong size", Make<CSetGlyphBits>(0, std::vector<uint8_t>{1}), false, "ABCD"},
        {"bits of no glyph", Make<CSetGlyphBits>(4, std::vector<uint8_t>{1, 2, 3, 4}), false,
         "ABCD"},
        {"replace all",
         [](CGlyphSet& set) {
             std::vector<GlyphPtr> glyphs;
             glyphs.push_back(NewGlyph('X', 16, 0, 0));
             glyphs.push_back(NewGlyph('Y', 16, 1, 1));
             return std::make_unique<CReplaceAllGlyphs>(set, std::move(glyphs), 16, 8, 8);
         },
         true, "XY"},
        {"range to custom", Make<CSetGlyphRange>(RANGE_CUSTOM), true, "ABCD"},
        {"range as it is", Make<CSetGlyphRange>(RANGE_ASCII), false, "ABCD"},
    };
    const std::size_t recordsBefore = CGlyphPool::Instance().InUse();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CGlyphSet set;
        Fill(set, "ABCD");
        set.range = RANGE_ASCII;
        const SetState before = StateOf(set);
        const std::unique_ptr<CGlyphCommand> command = c.make(set);
        EXPECT_EQ(command->Do(), c.changes);
        EXPECT_EQ(Codes(set), c.after);
        EXPECT_EQ(StateOf(set) != before, c.changes);
        const SetState done = StateOf(set);
        command->Undo();
        EXPECT_EQ(StateOf(set), before);
        // Done again after the undo: the same glyphs at the same places.
        EXPECT_EQ(command->Do(), c.changes);
        EXPECT_EQ(StateOf(set), done);
    }
    EXPECT_EQ(CGlyphPool::Instance().InUse(), recordsBefore);
}

TEST(GlyphCommandsTest, InsertedGlyphIsBlankWithItsPositionAsCode) {
    CGlyphSet set;
    Fill(set, "AB");
    CInsertBlankGlyph insert(set, 1);
    ASSERT_TRUE(insert.Do());
    EXPECT_EQ(insert.Position(), 1);
    const CGlyph* glyph = set.GlyphAt(1);
    EXPECT_EQ(glyph->code, 1);
    EXPECT_EQ(glyph->originalIndex, -1);
    EXPECT_EQ(std::vector<uint8_t>(glyph->bits.get(), glyph->bits.get() + 4),
              std::vector<uint8_t>(4));
}

TEST(GlyphCommandsTest, BitsGivenToAGlyphWithoutBitmapAreTakenBackWithIt) {
    CGlyphSet set;
    Fill(set, "AB");
    set.glyphs[1]->FreeBits();
    CSetGlyphBits write(set, 1, {0x80, 0x00, 0x10, 0x00});
    ASSERT_TRUE(write.Do());
    ASSERT_NE(set.glyphs[1]->bits, nullptr);
    EXPECT_EQ(set.glyphs[1]->bits[2], 0x10);
    write.Undo();
    EXPECT_EQ(set.glyphs[1]->bits, nullptr);
}

TEST(GlyphCommandsTest, MoveTargetsByOneAndByAPageStopAtTheEnds) {
    struct Case {
        int from, count, direction, steps, target;
    };
    const Case cases[] = {
        {2, 5, -1, 1, 1},  {2, 5, +1, 1, 3},   {0, 5, -1, 1, -1},  {4, 5, +1, 1, -1},
        {3, 5, -1, 10, 0}, {1, 5, +1, 10, 4},  {0, 5, -1, 10, -1}, {4, 5, +1, 10, -1},
        {7, 20, -1, 6, 1}, {7, 20, +1, 6, 13}, {-1, 5, +1, 1, -1}, {5, 5, -1, 1, -1},
        {0, 1, +1, 1, -1}, {0, 0, -1, 1, -1},  {2, 5, +1, 0, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MoveTarget(c.from, c.count, c.direction, c.steps), c.target)
            << c.from << " of " << c.count << ", " << c.direction << " x " << c.steps;
}

TEST(GlyphCommandsTest, CommandsUndoneInReverseOrderRestoreTheSet) {
    CGlyphSet set;
    Fill(set, "ABCDEF");
    const SetState before = StateOf(set);
    std::vector<std::unique_ptr<CGlyphCommand>> done;
    done.push_back(std::make_unique<CRemoveGlyph>(set, 0));
    done.push_back(std::make_unique<CInsertBlankGlyph>(set, 5));
    done.push_back(std::make_unique<CMoveGlyph>(set, 5, 0));
    done.push_back(std::make_unique<CSetGlyphBits>(set, 0, std::vector<uint8_t>{9, 9, 9, 9}));
    for (auto& command : done) ASSERT_TRUE(command->Do());
    EXPECT_EQ(Codes(set), "5BCDEF");
    for (auto it = done.rbegin(); it != done.rend(); ++it) (*it)->Undo();
    EXPECT_EQ(StateOf(set), before);
}

// A load or an extraction fills the set after its glyphs were taken aside; Undo and Do then
// trade the whole content, range and exceptUnused included.
TEST(GlyphCommandsTest, GlyphsTakenAsideComeBackWithTheirRange) {
    const std::size_t recordsBefore = CGlyphPool::Instance().InUse();
    {
        CGlyphSet set;
        Fill(set, "ABCD");
        set.range = RANGE_HANGUL;
        set.exceptUnused = 1;
        set.baseline = 1;
        set.lineMetrics = LineMetrics{1, 1, 3, 0};
        const SetState before = StateOf(set);
        CReplaceAllGlyphs replace(set);
        EXPECT_EQ(set.Count(), 0);
        EXPECT_EQ(replace.HeldBytes(), 4 * (sizeof(GlyphPtr) + sizeof(CGlyph) + 4));

        std::vector<GlyphPtr> one;
        one.push_back(NewGlyph('X', 2, 0, 0));
        set.ReplaceGlyphs(std::move(one), 8, 2, 1);
        set.range = RANGE_ASCII;
        set.exceptUnused = 0;
        set.baseline = 2;
        set.lineMetrics = LineMetrics{2, 0, 2, 1};
        const SetState filled = StateOf(set);
        replace.Undo();
        EXPECT_EQ(StateOf(set), before);
        EXPECT_EQ(set.range, RANGE_HANGUL);
        EXPECT_EQ(set.exceptUnused, 1);
        EXPECT_EQ(replace.HeldBytes(), sizeof(GlyphPtr) + sizeof(CGlyph) + 2);
        replace.Do();
        EXPECT_EQ(StateOf(set), filled);
        EXPECT_EQ(set.range, RANGE_ASCII);
    }
    EXPECT_EQ(CGlyphPool::Instance().InUse(), recordsBefore);
}

}  // namespace
