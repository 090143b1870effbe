// From a drawing to the picture the plotter draws: SVG and G-code through
// plotter-figure, plotter-send --sim and plotter-sim --png. The PNG is read
// back with libpng and compared with the drawing's own geometry, written out
// here from the drawings, not taken from the tools.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "FakePlotter.h"
#include "FigureStream.h"
#include "Sender.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string output;  // stdout and stderr
};

Outcome run(const std::string& command) {
    Outcome outcome;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return outcome;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        outcome.output.append(buffer, n);
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

struct Point {
    double x, y;
};

double distanceToSegment(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    const double t =
        length2 == 0 ? 0 : std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0);
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// The lines of house.svg and house.gcode, and the circle of circle.svg and
// circle.gcode, in millimetres.
const std::vector<Point> kHouse = {{10, 10}, {30, 10}, {30, 25}, {20, 35},
                                   {10, 25}, {10, 10}, {30, 25}};
constexpr Point kCentre{20, 20};
constexpr double kRadius = 10;

double distanceToDrawing(Point p) {
    double best = std::abs(std::hypot(p.x - kCentre.x, p.y - kCentre.y) - kRadius);
    for (size_t i = 1; i < kHouse.size(); ++i)
        best = std::min(best, distanceToSegment(p, kHouse[i - 1], kHouse[i]));
    return best;
}

// Points every `step` mm along the drawing.
std::vector<Point> alongDrawing(double step) {
    std::vector<Point> points;
    for (size_t i = 1; i < kHouse.size(); ++i) {
        const Point a = kHouse[i - 1], b = kHouse[i];
        const int n = static_cast<int>(std::hypot(b.x - a.x, b.y - a.y) / step);
        for (int k = 0; k <= n; ++k)
            points.push_back({a.x + (b.x - a.x) * k / n, a.y + (b.y - a.y) * k / n});
    }
    const int n = static_cast<int>(2 * M_PI * kRadius / step);
    for (int k = 0; k < n; ++k)
        points.push_back({kCentre.x + kRadius * std::cos(2 * M_PI * k / n),
                          kCentre.y + kRadius * std::sin(2 * M_PI * k / n)});
    return points;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    bool burnt(int x, int y) const {  // the laser's dark red, not grid grey or move blue
        if (x < 0 || y < 0 || x >= width || y >= height) return false;
        const unsigned char* p = &rgb[3 * (static_cast<size_t>(y) * width + x)];
        return p[0] > 128 && p[1] < 64 && p[2] < 64;
    }
};

Picture readPng(const fs::path& path) {
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) return picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    return picture;
}

class PlotterSendSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(WORK_DIR) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // plotter-figure's figures for each drawing, one after the other in one job.
    fs::path job(const std::vector<std::string>& drawings) {
        std::string command = "cat";
        for (const std::string& drawing : drawings) {
            const fs::path figures = dir_ / (drawing + ".txt");
            const std::string from = drawing.ends_with(".svg") ? "from-svg" : "from-gcode";
            const Outcome converted = run(std::string(PLOTTER_FIGURE) + " " + from + " " +
                                          TEST_DATA "/" + drawing + " -o " + figures.string());
            EXPECT_EQ(converted.status, 0) << converted.output;
            command += " " + figures.string();
        }
        const fs::path job = dir_ / "job.txt";
        EXPECT_EQ(run(command + " > " + job.string()).status, 0);
        return job;
    }

    Outcome send(const fs::path& job, const std::string& options) {
        return run(std::string(PLOTTER_SEND) + " " + job.string() + " --sim --sim-program " +
                   PLOTTER_SIM + " " + options);
    }

    fs::path dir_;
};

TEST_F(PlotterSendSimTest, DrawingsComeOutAsTheSamePicture) {
    // Each drawing once as SVG and once as G-code, the house and the circle in one job.
    const std::vector<std::vector<std::string>> jobs = {{"house.svg", "circle.gcode"},
                                                        {"house.gcode", "circle.svg"}};
    constexpr int kDpi = 254;  // 10 pixels a millimetre
    for (const auto& drawings : jobs) {
        SCOPED_TRACE(drawings[0] + " + " + drawings[1]);
        const fs::path png = dir_ / "job.png";
        fs::remove(png);
        const Outcome sent = send(job(drawings), "--png " + png.string() + " --dpi 254");
        ASSERT_EQ(sent.status, 0) << sent.output;
        // The job's own time on the plotter, as plotter-sim reports it, not the
        // few seconds the simulation takes.
        const Outcome report =
            run(std::string(PLOTTER_SIM) + " --report " + job(drawings).string());
        std::smatch simulated, shown;
        ASSERT_TRUE(std::regex_search(report.output, simulated, std::regex("\"sim_ms\":(\\d+)")))
            << report.output;
        ASSERT_TRUE(std::regex_search(
            sent.output, shown, std::regex("2 figures drawn in (\\d+):(\\d\\d) of simulated time")))
            << sent.output;
        EXPECT_EQ(std::stoi(shown[1]) * 60 + std::stoi(shown[2]),
                  (std::stoll(simulated[1]) + 500) / 1000);

        // The path from the origin to (30, 35) mm, 2 mm around it.
        const Picture picture = readPng(png);
        ASSERT_EQ(picture.width, 34 * kDpi / 25.4);
        ASSERT_EQ(picture.height, 39 * kDpi / 25.4);
        auto pixel = [&](Point p) {
            return std::pair{static_cast<int>(std::floor((p.x + 2) * 10)),
                             static_cast<int>(std::floor((37 - p.y) * 10))};
        };
        // Ink within 0.2 mm of every point of the drawing ...
        int missing = 0;
        for (const Point p : alongDrawing(0.25)) {
            const auto [px, py] = pixel(p);
            bool found = false;
            for (int dy = -2; dy <= 2 && !found; ++dy)
                for (int dx = -2; dx <= 2 && !found; ++dx) found = picture.burnt(px + dx, py + dy);
            missing += !found;
        }
        EXPECT_EQ(missing, 0);
        // ... and none farther than 0.4 mm from it.
        int stray = 0, burnt = 0;
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x) {
                if (!picture.burnt(x, y)) continue;
                ++burnt;
                stray += distanceToDrawing({(x + 0.5) / 10 - 2, 37 - (y + 0.5) / 10}) > 0.4;
            }
        EXPECT_GT(burnt, 1000);
        EXPECT_EQ(stray, 0);
    }
}

TEST_F(PlotterSendSimTest, RefusedFigureStopsWithThePlottersReason) {
    // The second figure reaches beyond the X limit switch (33.45 mm after homing).
    const fs::path job = dir_ / "beyond.txt";
    std::ofstream(job) << "S1\nLX10.0Y10.0\nZ\nLX40.0Y10.0\nZ\n";
    const Outcome sent = send(job, "");
    EXPECT_EQ(sent.status, 1);
    EXPECT_NE(sent.output.find("the plotter refused figure 2 of 2: an X coordinate beyond the X "
                               "limit switch"),
              std::string::npos)
        << sent.output;
}

TEST_F(PlotterSendSimTest, DrawingTimesAgreeWithTheFirmware) {
    // plotter-send's estimate, which sets its time limits and progress, and
    // the fake plotter's timing, which its tests run on, against the time
    // each figure takes on plotter-sim (from "ok N" to "done N").
    const fs::path drawings = job({"house.svg", "circle.gcode"});
    std::ifstream in(drawings);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    text += "LX01.0Y01.0\nS1\nLX31.0Y05.0\nLX01.0Y09.0\nLX31.0Y13.0\nLX31.0Y13.0\nLX01.0Y12.9\nZ\n";
    const fs::path mixed = dir_ / "mixed.txt";
    std::ofstream(mixed) << text;
    const Outcome report = run(std::string(PLOTTER_SIM) + " --report " + mixed.string());
    ASSERT_EQ(report.status, 0) << report.output;
    std::smatch list;
    ASSERT_TRUE(
        std::regex_search(report.output, list, std::regex("\"figure_ms\":\\[([0-9,]*)\\]")));
    std::vector<long long> measured;
    std::stringstream numbers(list[1].str());
    for (std::string n; std::getline(numbers, n, ',');) measured.push_back(std::stoll(n));

    const plotter::FiguresResult figures = plotter::readFigures(text);
    ASSERT_EQ(figures.figures.size(), 3u);
    ASSERT_EQ(measured.size(), 3u);
    plotter::Segment from;
    int x = 0, y = 0;
    for (size_t f = 0; f < 3; ++f) {
        SCOPED_TRACE(f);
        const double tolerance = static_cast<double>(measured[f]) / 100 + 20;
        EXPECT_NEAR(plotter::drawingMs(figures.figures[f], from), measured[f], tolerance);
        const std::string stored = plotter::formatFigures({figures.figures[f]});
        EXPECT_NEAR(500 + fake::Plotter::drawingMs(stored, x, y), measured[f], tolerance);
    }
}

TEST_F(PlotterSendSimTest, TheJobsOwnTimeLimitGoesToTheSimulator) {
    // Three figures of 4.5 minutes each: more than plotter-sim's default limit.
    const fs::path job = dir_ / "long.txt";
    {
        std::ofstream out(job);
        for (int f = 0; f < 3; ++f) {
            out << "LX01.0Y01.0\nS1\n";
            for (int s = 1; s <= 60; ++s) out << (s % 2 ? "LX31.0" : "LX01.0") << "Y01.0\n";
            out << "Z\n";
        }
    }
    // A stand-in for plotter-sim that notes its arguments and answers at once.
    const fs::path stand_in = dir_ / "sim.sh";
    std::ofstream(stand_in) << "#!/bin/sh\necho \"$@\" > " << (dir_ / "args").string()
                            << "\nfor n in 1 2 3; do echo \"{\\\"reply\\\":\\\"ok $n\\\"}\"; "
                               "echo \"{\\\"reply\\\":\\\"done $n\\\"}\"; done\n";
    fs::permissions(stand_in, fs::perms::owner_all);
    for (const auto& [options, least, most] : {std::tuple{std::string(), 3 * 270, 3 * 400},
                                               std::tuple{std::string("--time-limit 7"), 7, 7}}) {
        const Outcome sent = run(std::string(PLOTTER_SEND) + " " + job.string() +
                                 " --sim --sim-program " + stand_in.string() + " " + options);
        EXPECT_EQ(sent.status, 0) << sent.output;
        std::ifstream argsFile(dir_ / "args");
        const std::string args((std::istreambuf_iterator<char>(argsFile)), {});
        std::smatch limit;
        ASSERT_TRUE(std::regex_search(args, limit, std::regex("--time-limit (\\d+)"))) << args;
        EXPECT_GE(std::stoi(limit[1]), least);
        EXPECT_LE(std::stoi(limit[1]), most);
    }
    // And plotter-sim keeps to the limit it is given.
    const fs::path house = dir_ / "house.txt";
    std::ofstream(house) << "LX10.0Y10.0\nS1\nLX30.0Y10.0\nLX30.0Y25.0\nZ\n";
    const Outcome cut = send(house, "--time-limit 5");
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.output.find("had not ended after 5 s of simulated time"), std::string::npos)
        << cut.output;
}

}  // namespace
