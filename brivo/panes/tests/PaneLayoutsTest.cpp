#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "evalayout/EvaLayoutCore.h"
#include "evalayout/EvaSheet.h"
#include "panes/PaneLayouts.h"

namespace brivo {

void PrintTo(const EvaRect& r, std::ostream* os) {
    *os << "(" << r.x << ", " << r.y << ") " << r.width << " x " << r.height;
}

namespace {

// The pane's layout text with the names bound in order, each 10 x 10.
EvaLayoutCore MakeLayout(const std::vector<std::string>& names,
                         const std::vector<std::string>& lines) {
    EvaSheet sheet("first");
    for (const std::string& line : lines) sheet.AddRow(line);
    EvaLayoutCore layout;
    for (const std::string& name : names) layout.BindWidget(name, 10, 10);
    layout.SetSheet(sheet);
    return layout;
}

const std::vector<std::string> kInfoPane(std::begin(kGlyphInfoLayout), std::end(kGlyphInfoLayout));
const std::vector<std::string> kEditorPane(std::begin(kGlyphEditLayout),
                                           std::end(kGlyphEditLayout));

TEST(PaneLayoutsTest, InfoPaneSheetFillsAResizedPane) {
    EvaLayoutCore layout = MakeLayout({"fontinfo"}, kInfoPane);
    std::vector<EvaPlacement> placed = layout.Resize(400, 300);

    EXPECT_EQ(layout.Rows().start, (std::vector<int>{10, 25, 30}));
    EXPECT_EQ(layout.Rows().fixed, 40);
    EXPECT_EQ(layout.Columns().start, (std::vector<int>{10, 65}));
    EXPECT_EQ(layout.Columns().fixed, 75);
    EXPECT_EQ(layout.Rows().shift, (std::vector<int>{0, 0, 260}));
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_TRUE(placed[0].placed);
    EXPECT_TRUE(placed[0].move);
    EXPECT_EQ(placed[0].rect, (EvaRect{65, 25, 325, 260}));

    // Resizing again recomputes the shares from scratch.
    EXPECT_EQ(layout.Resize(400, 300)[0].rect, (EvaRect{65, 25, 325, 260}));
    EXPECT_EQ(layout.Resize(75, 40)[0].rect, (EvaRect{65, 25, 0, 0}));
    EvaPlacement squeezed = layout.Resize(70, 40)[0];
    EXPECT_TRUE(squeezed.placed);
    EXPECT_FALSE(squeezed.move);
}

TEST(PaneLayoutsTest, EditorPaneSheetPlacesEveryControl) {
    const std::vector<std::pair<std::string, EvaRect>> expected = {
        {"pen", {20, 10, 54, 36}},         {"eraser", {79, 10, 54, 36}},
        {"up", {61, 61, 31, 29}},          {"left", {30, 78, 26, 29}},
        {"right", {97, 78, 26, 29}},       {"down", {61, 95, 31, 29}},
        {"mirrorh", {20, 139, 54, 24}},    {"update", {20, 176, 113, 24}},
        {"zoom", {20, 242, 113, 20}},      {"fontinfo", {153, 10, 237, 24}},
        {"fontctrl", {153, 39, 237, 451}},
    };
    std::vector<std::string> names;
    for (const auto& [name, rect] : expected) names.push_back(name);
    EvaLayoutCore layout = MakeLayout(names, kEditorPane);
    std::vector<EvaPlacement> placed = layout.Resize(400, 500);
    EXPECT_EQ(layout.Columns().fixed, 163);
    EXPECT_EQ(layout.Rows().fixed, 277);
    for (size_t k = 0; k < expected.size(); ++k) {
        EXPECT_TRUE(placed[k].move) << expected[k].first;
        EXPECT_EQ(placed[k].rect, expected[k].second) << expected[k].first;
    }
}

}  // namespace
}  // namespace brivo
