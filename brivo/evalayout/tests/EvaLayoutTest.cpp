#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "evalayout/EvaLayoutCore.h"
#include "evalayout/EvaSheet.h"
#include "evalayout/EvaTokenizer.h"

namespace brivo {

void PrintTo(const EvaRect& r, std::ostream* os) {
    *os << "(" << r.x << ", " << r.y << ") " << r.width << " x " << r.height;
}

namespace {

using Cells = std::vector<std::string>;

EvaSheet MakeSheet(const std::vector<std::string>& lines) {
    EvaSheet sheet("first");
    for (const std::string& line : lines) sheet.AddRow(line);
    return sheet;
}

// Binds the names in order, each 10 x 10 (for sheets without automatic sizes).
EvaLayoutCore MakeLayout(const std::vector<std::string>& names,
                         const std::vector<std::string>& lines) {
    EvaLayoutCore layout;
    for (const std::string& name : names) layout.BindWidget(name, 10, 10);
    layout.SetSheet(MakeSheet(lines));
    return layout;
}

TEST(EvaTokenizerTest, SplitsLinesIntoCells) {
    struct Case {
        std::string line;
        Cells cells;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"a, b", {"a", "b"}},
        {"a, b,", {"a", "b"}},
        {"a, b,  ", {"a", "b", ""}},
        {"a,,b", {"a", "", "b"}},
        {"  \ta ,\t b  ", {"a", "b"}},
        {"\"a, b\", c", {"a, b", "c"}},
        {"\"say \"\"hi\"\", ok\" , d", {"say \"hi\", ok", "d"}},
        {"x\"y\"\"z\", w", {"x\"y\"z", "w"}},
        {"\"open, never closed", {"open, never closed"}},
        {"\"\"", {""}},
        {"\"", {"\""}},
        {"grid, 50       , X        ,", {"grid", "50", "X"}},
        {"  10,          ,          ,", {"10", "", ""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TokenizeEvaLine(c.line), c.cells) << "line: [" << c.line << "]";
    }
}

TEST(EvaTokenizerTest, ReadsIntegerPrefixes) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"50", 50},
        {"-7", -7},
        {"12px", 12},
        {"abc", 0},
        {"", 0},
        {"x", 0},
        {"99999999999", 2147483647},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(EvaIntValue(text), value) << text;
}

TEST(EvaSheetSetTest, AddsFindsAndFallsBackToTheEmptySheet) {
    EvaSheetSet set;
    EXPECT_TRUE(set.AddSheet(EvaSheet("first")));
    EXPECT_FALSE(set.AddSheet(EvaSheet("first", "EvaLayout, 1")));
    EXPECT_TRUE(set.AddSheet(EvaSheet("First")));
    ASSERT_EQ(set.Count(), 2);

    set.FindSheet("first").AddRow("EvaLayout, 10");
    EXPECT_EQ(set.SheetAt(0).RowCount(), 1);
    EXPECT_EQ(set.SheetAt(1).Name(), "First");

    EvaSheet& missing = set.FindSheet("second");
    missing.AddRow("scribbled on");
    EXPECT_EQ(&set.SheetAt(7), &missing);
    EXPECT_EQ(missing.RowCount(), 0);
    EXPECT_EQ(set.SheetAt(-1).Name(), "");
}

TEST(EvaLayoutCoreTest, SpansCoverColumnsAndRowsWithGaps) {
    const std::vector<std::string> lines = {
        "EvaLayout, 2, 3, 4, 6", "grid, 10, 20, 30, 40", "  11, wide, -, -, tall",
        "  12, , , , +",         "  13, , , , +",
    };
    EvaLayoutCore layout = MakeLayout({"wide", "tall", "idle"}, lines);
    std::vector<EvaPlacement> placed = layout.Resize(500, 500);
    EXPECT_EQ(placed[0].rect, (EvaRect{2, 3, 10 + 20 + 30 + 2 * 4, 11}));
    EXPECT_EQ(placed[1].rect, (EvaRect{2 + 60 + 3 * 4, 3, 40, 11 + 12 + 13 + 2 * 6}));
    EXPECT_FALSE(placed[2].placed);
}

TEST(EvaLayoutCoreTest, SharesTheRemainderAmongExpandableColumns) {
    EvaLayoutCore layout =
        MakeLayout({"a", "b", "c"}, {"EvaLayout, 0, 0, 0, 0", "grid, X, 10, X", "  5, a, b, c"});
    // 101 - 10 leaves 91: 45 each, 1 pixel unused at the right.
    std::vector<EvaPlacement> placed = layout.Resize(101, 5);
    EXPECT_EQ(placed[0].rect, (EvaRect{0, 0, 45, 5}));
    EXPECT_EQ(placed[1].rect, (EvaRect{45, 0, 10, 5}));
    EXPECT_EQ(placed[2].rect, (EvaRect{55, 0, 45, 5}));

    // 3 pixels short: each expandable column gets -2, so the fixed column ends inside.
    placed = layout.Resize(7, 5);
    EXPECT_FALSE(placed[0].move);
    EXPECT_EQ(placed[1].rect, (EvaRect{-2, 0, 10, 5}));
    EXPECT_FALSE(placed[1].move);
    EXPECT_FALSE(placed[2].move);
}

TEST(EvaLayoutCoreTest, WithoutExpandableColumnsTheExtraWidthStaysUnused) {
    EvaLayoutCore layout = MakeLayout({"a"}, {"EvaLayout, 1, 1, 0, 0", "grid, 10, 20", "  5, , a"});
    EXPECT_EQ(layout.Resize(1000, 1000)[0].rect, (EvaRect{11, 1, 20, 5}));
}

TEST(EvaLayoutCoreTest, AutomaticSizesCountOnlyUnextendedControls) {
    EvaLayoutCore layout;
    layout.BindWidget("small", 30, 12);
    layout.BindWidget("big", 70, 25);
    layout.BindWidget("spread", 500, 400);
    layout.SetSheet(MakeSheet({
        "EvaLayout, 0, 0, 0, 0",
        "grid, A, , 15",
        "  A, small, spread, -",
        "  A, big, +, ",
        "   , , +, ",
        "  x, , , ",
    }));
    std::vector<EvaPlacement> placed = layout.Resize(1000, 1000);
    EXPECT_EQ(layout.Columns().size, (std::vector<int>{70, 0, 15}));
    EXPECT_EQ(layout.Rows().size, (std::vector<int>{12, 25, 0, 0}));
    EXPECT_EQ(placed[2].rect, (EvaRect{70, 0, 15, 12 + 25 + 0}));
}

TEST(EvaLayoutCoreTest, ToleratesMissingAndOddCells) {
    EvaLayoutCore layout;
    layout.BindWidget("a", 8, 9);
    layout.BindWidget("a", 50, 50);  // a duplicate name: the first binding takes the cell
    for (const std::vector<std::string>& lines : std::vector<std::vector<std::string>>{
             {},
             {"EvaLayout"},
             {"EvaLayout, -5, -5, -5, -5", "grid"},
             {"EvaLayout, 4", "grid, 10", "  a, a"},
         }) {
        layout.SetSheet(MakeSheet(lines));
        std::vector<EvaPlacement> placed = layout.Resize(100, 100);
        ASSERT_EQ(placed.size(), 2u);
        EXPECT_FALSE(placed[1].placed);
        EXPECT_EQ(layout.MarginY(), 0);
    }
    // Row height "a" is not automatic: it reads as 0 pixels.
    EXPECT_EQ(layout.Resize(100, 100)[0].rect, (EvaRect{4, 0, 10, 0}));
}

TEST(EvaLayoutCoreTest, SheetIsCopiedAndRebindingReparses) {
    EvaSheet sheet = MakeSheet({
        "EvaLayout, 10, 10, 5, 5",
        "grid, 50       , X        ,",
        "  10,          ,          ,",
        "   X,          , fontinfo ,",
        "   A,          ,          ,",
    });
    EvaLayoutCore layout;
    layout.SetSheet(sheet);
    sheet.AddRow("   5, other ,          ,");
    layout.BindWidget("other", 5, 5);
    layout.BindWidget("fontinfo", 5, 5);
    std::vector<EvaPlacement> placed = layout.Resize(400, 300);
    EXPECT_FALSE(placed[0].placed);
    EXPECT_TRUE(placed[1].placed);
}

}  // namespace
}  // namespace brivo
