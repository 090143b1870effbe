#include <gtest/gtest.h>

#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "FigureStream.h"
#include "Gcode.h"
#include "SvgDrawing.h"

using namespace plotter;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<Figure> fromGcode(const std::string& text, const Placement& placement = {}) {
    const GcodeResult gcode = readGcode(text);
    EXPECT_EQ(gcode.error, "");
    FiguresResult figures = buildFigures(placeAndFlatten(gcode.path, placement, 0.05), Travel{});
    EXPECT_EQ(figures.error, "");
    return figures.figures;
}

std::vector<Figure> fromSvg(const std::string& file, double tolerance = 0.05) {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
    const SvgDrawing drawing = readSvg(QString::fromStdString(std::string(TEST_DATA) + "/" + file));
    EXPECT_TRUE(drawing.error.isEmpty());
    FiguresResult figures = buildFigures(svgToolpath(drawing, {}, tolerance), Travel{});
    EXPECT_EQ(figures.error, "");
    return figures.figures;
}

Figure onlyFigure(const std::vector<Figure>& figures) {
    EXPECT_EQ(figures.size(), 1u);
    return figures.empty() ? Figure{} : figures[0];
}

// The firmware's sample house, parsed by our reader.
Figure exampleHouse() {
    const FiguresResult house = readFigures(readFile(std::string(EXAMPLES) + "/house.txt"));
    EXPECT_EQ(house.error, "");
    return onlyFigure(house.figures);
}

// Every vertex and every chord's midpoint of a drawn circle lies within `slack`
// of the circle, and the drawn part goes all the way round.
void expectCircle(const Figure& figure, double cx, double cy, double r, double slack) {
    double turned = 0;
    for (size_t k = 1; k < figure.size(); ++k) {
        ASSERT_TRUE(figure[k].laser) << k;
        const double ax = figure[k - 1].x / 10.0 - cx, ay = figure[k - 1].y / 10.0 - cy;
        const double bx = figure[k].x / 10.0 - cx, by = figure[k].y / 10.0 - cy;
        EXPECT_NEAR(std::hypot(bx, by), r, slack) << k;
        EXPECT_NEAR(std::hypot((ax + bx) / 2, (ay + by) / 2), r, slack) << k;
        turned += std::atan2(ax * by - ay * bx, ax * bx + ay * by);
    }
    EXPECT_NEAR(std::abs(turned), 2 * M_PI, 1e-9);
}

}  // namespace

TEST(FigureConversionTest, HouseGcodeGivesTheFirmwaresSampleHouse) {
    const std::vector<Figure> figures =
        fromGcode(readFile(std::string(TEST_DATA) + "/house.gcode"));
    EXPECT_EQ(onlyFigure(figures), exampleHouse());
    std::string sample = readFile(std::string(EXAMPLES) + "/house.txt");
    std::erase(sample, '\r');
    EXPECT_EQ(formatFigures(figures), sample);
}

TEST(FigureConversionTest, HouseSvgGivesTheSampleHouseWithoutTheWayHome) {
    Figure house = exampleHouse();
    house.pop_back();  // the sample returns to the origin; a drawing does not
    EXPECT_EQ(onlyFigure(fromSvg("house.svg")), house);
}

TEST(FigureConversionTest, SvgShapesWithTheirTransforms) {
    const Figure figure = onlyFigure(fromSvg("shapes.svg"));
    const Figure straight{
        {10, 10, false},  {50, 10, true},                                     // line
        {10, 50, false},  {50, 50, true},  {50, 90, true},                    // polyline
        {100, 10, false}, {140, 10, true}, {120, 50, true}, {100, 10, true},  // polygon
        {200, 50, false}, {240, 50, true}, {240, 30, true}, {200, 30, true},
        {200, 50, true},  // rect, moved down by its transform
    };
    ASSERT_GT(figure.size(), straight.size() + 10);
    EXPECT_EQ(Figure(figure.begin(), figure.begin() + straight.size()), straight);
    // The ellipse, turned upright: 4 wide and 8 high around (30, 20), then the
    // path of neither stroke nor fill is left out.
    const Figure ellipse(figure.begin() + straight.size(), figure.end());
    EXPECT_EQ(std::ranges::min(ellipse, {}, &Segment::x).x, 280);
    EXPECT_EQ(std::ranges::max(ellipse, {}, &Segment::x).x, 320);
    EXPECT_EQ(std::ranges::min(ellipse, {}, &Segment::y).y, 160);
    EXPECT_EQ(std::ranges::max(ellipse, {}, &Segment::y).y, 240);
}

TEST(FigureConversionTest, CirclesStayWithinToleranceAndRounding) {
    // Rounding to tenths moves a point by up to 0.05 * sqrt(2) units.
    const double slack = 0.05 + 0.0708;
    const Figure svg = onlyFigure(fromSvg("circle.svg"));
    const Figure gcode = onlyFigure(fromGcode(readFile(std::string(TEST_DATA) + "/circle.gcode")));
    for (const Figure* figure : {&svg, &gcode}) {
        SCOPED_TRACE(figure == &svg ? "svg" : "gcode");
        ASSERT_GT(figure->size(), 20u);
        EXPECT_FALSE(figure->front().laser);
        expectCircle(*figure, 20, 20, 10, slack);
        EXPECT_EQ(figure->front(), (Segment{300, 200, false}));
        EXPECT_EQ(figure->back(), (Segment{300, 200, true}));
    }
}

TEST(FigureConversionTest, SvgCurvesAreFlattenedWithinTheTolerance) {
    fromSvg("circle.svg");  // makes the application
    const SvgDrawing drawing = readSvg(QString(TEST_DATA) + "/circle.svg");
    for (const double tolerance : {0.5, 0.05, 0.005}) {
        for (const double scale : {1.0, 0.3}) {
            const Toolpath path = svgToolpath(drawing, Placement{scale, {1, 2}}, tolerance);
            const double cx = 20 * scale + 1, cy = 20 * scale + 2, r = 10 * scale;
            double worst = 0;
            for (size_t k = 1; k < path.size(); ++k) {
                const Point a = path[k - 1].to, b = path[k].to;
                const double mid = std::hypot((a.x + b.x) / 2 - cx, (a.y + b.y) / 2 - cy);
                worst = std::max(
                    {worst, std::abs(mid - r), std::abs(std::hypot(b.x - cx, b.y - cy) - r)});
            }
            EXPECT_LE(worst, tolerance) << tolerance << " at scale " << scale;
            EXPECT_GT(worst, tolerance / 10)
                << "far finer than asked: " << path.size() << " points";
        }
    }
}

TEST(FigureConversionTest, FigureToGcodeAndBackGivesTheSamePoints) {
    // Long enough to be split, with laser changes across the split.
    Toolpath zigzag;
    for (int k = 0; k < 900; ++k)
        zigzag.push_back({{1.0 + k % 300 * 0.1, 1.0 + k % 7}, k % 9 > 2, {}});
    const std::vector<Figure> jobs[] = {
        {exampleHouse()},
        fromSvg("circle.svg"),
        buildFigures(zigzag, Travel{}).figures,
    };
    for (const std::vector<Figure>& figures : jobs) {
        const std::vector<Figure> back = fromGcode(writeGcode(figures));
        EXPECT_EQ(back, figures);
        EXPECT_EQ(readFigures(formatFigures(figures)).figures, figures);
    }
}

TEST(FigureConversionTest, SplitFiguresFitThePlottersTables) {
    Toolpath path;
    for (int k = 0; k < 2000; ++k) path.push_back({{k % 325 * 0.1, k % 13 + 1.0}, k % 3 == 0, {}});
    const FiguresResult result = buildFigures(path, Travel{});
    ASSERT_EQ(result.error, "");
    ASSERT_GT(result.figures.size(), 5u);
    std::vector<Segment> all;
    for (const Figure& figure : result.figures) {
        int markers = 0;
        bool laser = false;
        for (const Segment& s : figure) markers += s.laser != laser, laser = s.laser;
        EXPECT_LE(figure.size(), 400u);
        EXPECT_LE(markers, 50);
        EXPECT_LE(storedBytes(figure), 5000);
        all.insert(all.end(), figure.begin(), figure.end());
    }
    ASSERT_EQ(all.size(), path.size());
    for (size_t k = 0; k < all.size(); ++k)
        EXPECT_EQ(all[k], (Segment{static_cast<int>(k % 325), static_cast<int>(k % 13 * 10 + 10),
                                   k % 3 == 0}));
}

TEST(FigureConversionTest, DrawingsOutsideTheTravelAreRefusedSayingByHowMuch) {
    const struct {
        Point corner;
        const char* message;
    } cases[] = {
        {{30, 5}, "x reaches 40.0, 07.6 beyond its travel 0..32.4"},
        {{-2, 5}, "x reaches -02.0, 02.0 beyond"},
        {{5, 95}, "y reaches 105.0, 05.1 beyond its travel 0..99.9"},
        {{5, -0.5}, "y reaches -00.5, 00.5 beyond"},
    };
    for (const auto& c : cases) {
        const Toolpath square{{{c.corner.x, c.corner.y}, false, {}},
                              {{c.corner.x + 10, c.corner.y + 10}, true, {}}};
        EXPECT_NE(buildFigures(square, Travel{}).error.find(c.message), std::string::npos)
            << buildFigures(square, Travel{}).error;
    }
    // Scaled to fit, the same drawing is taken.
    const Toolpath wide{{{0, 0}, false, {}}, {{100, 50}, true, {}}};
    const Placement fit = fitPlacement(toolpathBounds(wide), 32.4, 99.9, {});
    const std::vector<Figure> expected{Figure{{324, 162, true}}};
    EXPECT_EQ(buildFigures(placeAndFlatten(wide, fit, 0.05), Travel{}).figures, expected);
}

TEST(FigureConversionTest, GcodeDialects) {
    const struct {
        const char* gcode;
        std::vector<Segment> segments;
    } cases[] = {
        {"G91\nG0 X1 Y2\nM3 S100\nG1 X1\nG1 Y1\n",
         {{10, 20, false}, {20, 20, true}, {20, 30, true}}},
        {"G20\nG0 X1 Y0.5\n", {{254, 127, false}}},
        {"M3 S0\nG1 X5 Y5\nS255 G1 X6\nM5 G1 X7\n",
         {{50, 50, false}, {60, 50, true}, {70, 50, false}}},
        {"M3\nG0 X5 Y5\nG1 X6 ; no S: on\n", {{50, 50, false}, {60, 50, true}}},
        {"N5 G1 X1.5 Y2 (comment ; here) *71\n%\nG1 x 2 y +3\n",
         {{15, 20, false}, {20, 30, false}}},
        {"G0 X1\nM2\nG0 X9\n", {{10, 0, false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gcode);
        const std::vector<Figure> figures = fromGcode(c.gcode);
        if (!c.segments.empty()) {
            EXPECT_EQ(onlyFigure(figures), c.segments);
        }
    }
    // A counter-clockwise arc by a negative R takes the long way round, here three
    // quarters of the circle around (10, 10); by a positive R, the short way round (0, 0).
    const Figure longArc = onlyFigure(fromGcode("G0 X10 Y0\nM3\nG3 X0 Y10 R-10\n"));
    const Figure shortArc = onlyFigure(fromGcode("G0 X10 Y0\nM3\nG3 X0 Y10 R10\n"));
    EXPECT_GT(longArc.size(), 3 * shortArc.size() - 3);
    EXPECT_EQ(std::ranges::max(longArc, {}, &Segment::x).x, 200);
    EXPECT_EQ(std::ranges::max(longArc, {}, &Segment::y).y, 200);
    for (const Segment& s : shortArc) EXPECT_NEAR(std::hypot(s.x, s.y), 100, 1.3);
}

TEST(FigureConversionTest, GcodeWarnsOncePerIgnoredKindAndRefusesNonsense) {
    const GcodeResult ok = readGcode("G0 X1 F300\nG1 X2 F400 Z1\nG4 P1\nG4 P2\nM8\nT1\n");
    EXPECT_EQ(ok.error, "");
    EXPECT_EQ(ok.warnings.size(), 6u);  // F, Z, G4, P, M8, T
    const struct {
        const char* gcode;
        const char* error;
    } bad[] = {
        {"G0 X1\nG1 X1.2.3\n", "line 2: unexpected '.'"},
        {"G1 X\n", "line 1: X needs a number"},
        {"G2 X1 Y1\n", "line 1: G2 needs I/J or R"},
        {"G0 X1\nG2 X3 Y1 R0.5\n", "line 2: the arc's R is smaller than half its chord"},
        {"(open comment\n", "line 1: a comment"},
        {"X5\n", "line 1: a move without G0 or G1"},
    };
    for (const auto& c : bad) {
        const GcodeResult result = readGcode(c.gcode);
        EXPECT_EQ(result.error.rfind(c.error, 0), 0u) << c.gcode << " -> " << result.error;
        EXPECT_TRUE(result.path.empty());
    }
}

TEST(FigureConversionTest, StreamReaderRefusesWhatThePlotterWouldNotDraw) {
    const struct {
        const char* stream;
        const char* error;
    } cases[] = {
        {"LX1a.0Y00.0Z", "line 1: X needs a coordinate"},
        {"LX10L0Y00.0Z", "line 1: X needs a coordinate"},
        {"LX10.0Y10.0\nLX20.0\nZ\n", "line 3: figure 1 has 2 segments (L) but 2 X and 1 Y"},
        {"LX10.0Y10.0\nZ\nLX20.0Y10.0\n", "line 3: the last figure has no Z"},
        {"LX10.0Y10.0S2Z", "line 1: S needs 0 or 1"},
        {"LX10.0Y10.0 # Z", "line 1: unexpected '#'"},
    };
    for (const auto& c : cases) {
        const FiguresResult result = readFigures(c.stream);
        EXPECT_EQ(result.error.rfind(c.error, 0), 0u) << c.stream << " -> " << result.error;
    }
    std::string big;
    for (int k = 0; k < 401; ++k) big += "LX01.0Y01.0\n";
    EXPECT_NE(readFigures(big + "Z").error.find("401 segments; the plotter holds 400"),
              std::string::npos);
    // Markers toggle: S0 where S1 was meant is drawn as on, with a warning.
    const FiguresResult toggled = readFigures("S0LX10.0Y10.0S1LX20.0Y10.0Z");
    EXPECT_EQ(toggled.figures[0], (Figure{{100, 100, true}, {200, 100, false}}));
    EXPECT_EQ(toggled.warnings.size(), 2u);
}
