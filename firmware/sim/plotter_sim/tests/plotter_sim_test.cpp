// The plotter-sim program: its report, drawing and trace files, and its
// errors.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string out;
};

Outcome run_sim(const std::string& arguments) {
    const std::string command = std::string(PLOTTER_SIM) + " " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {-1, {}};
    std::string out;
    char buffer[4096];
    for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, got);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string read_file(const fs::path& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

class PlotterSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("plotter-sim-test-" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name) << text;
        return dir_ / name;
    }

    fs::path dir_;
};

TEST_F(PlotterSimTest, ReportsEverySegmentAndTheEnd) {
    const fs::path figure = write("figure.txt", "S1LX01.0Y01.0\r\nS0LX01.5Y02.0\r\nZ\r\n");
    const Outcome r = run_sim(figure.string() + " --start 300,300 --report");
    EXPECT_EQ(r.status, 0);
    const std::string summary =
        "{\"segments\":2,\"x_cur\":2250,\"y_cur\":3000,\"laser\":0,\"sim_ms\":";
    EXPECT_EQ(r.out.substr(0, r.out.find(summary)),
              "{\"reply\":\"ok 1\"}\n"
              "{\"segment\":0,\"kind\":4,\"x_goal\":1500,\"y_goal\":1500,\"arr_x\":140,"
              "\"arr_y\":140,\"laser\":1}\n"
              "{\"segment\":1,\"kind\":4,\"x_goal\":2250,\"y_goal\":3000,\"arr_x\":222,"
              "\"arr_y\":110,\"laser\":0}\n"
              "{\"reply\":\"done 1\"}\n");
    // The run's and the figure's simulated time, from "ok 1" to "done 1".
    const std::string tail = r.out.substr(r.out.find(summary) + summary.size());
    std::smatch times;
    // Then the carriage from the origin, which homing put 50 100 steps before
    // the X switch (measured to within the step its interrupt comes before
    // the count) and at the Y switch.
    ASSERT_TRUE(std::regex_match(
        tail, times,
        std::regex(R"((\d+),"figure_ms":\[(\d+)\],"carriage_x":2250,"carriage_y":3000,)"
                   R"("x_limit":50(099|100),"y_overshoot":[01]\}\n)")))
        << tail;
    EXPECT_LT(std::stoi(times[2]), std::stoi(times[1]));
    EXPECT_GT(std::stoi(times[2]), 500);  // it waits half a second before drawing
}

// --fine runs plotter_main_fine: a steep segment whose 1 us periods drift
// apart by 0.5 % stays within a step of the path.
TEST_F(PlotterSimTest, FineRunsTheFinelyPacedImage) {
    const fs::path figure = write("figure.txt", "LX00.9Y06.6Z");
    auto deviation = [](const std::string& out) {
        const auto at = out.find("{\"max_deviation_steps\":");
        return at == std::string::npos ? -1.0 : std::stod(out.substr(out.find(':', at) + 1));
    };
    const Outcome coarse = run_sim(figure.string() + " --start 300,300 --deviation");
    const Outcome fine = run_sim(figure.string() + " --start 300,300 --fine --deviation");
    EXPECT_EQ(coarse.status, 0);
    EXPECT_EQ(fine.status, 0);
    EXPECT_GT(deviation(coarse.out), 8.0);
    EXPECT_GE(deviation(fine.out), 0.0);
    EXPECT_LE(deviation(fine.out), 1.0);
}

TEST_F(PlotterSimTest, DrawsThePathAndTracesTheCounters) {
    const fs::path figure = write("figure.txt", "LX01.0Y00.0S1LX01.0Y01.0S0LX00.0Y00.0Z");
    const Outcome r = run_sim("--start 300,300 --svg " + (dir_ / "out.svg").string() + " --csv " +
                              (dir_ / "out.csv").string() + " < " + figure.string());
    ASSERT_EQ(r.status, 0);
    const std::string svg = read_file(dir_ / "out.svg");
    // The path and its points from (0, 0) to (1, 1) mm, 2 mm around them, a 1 mm scale bar.
    EXPECT_NE(svg.find("width=\"5mm\" height=\"5mm\" viewBox=\"-2 -3 5 5\""), std::string::npos);
    EXPECT_NE(svg.find(">1 mm</text>"), std::string::npos);
    EXPECT_NE(svg.find("#c00000"), std::string::npos);  // the laser-on stretch
    EXPECT_NE(svg.find("<circle cx=\"1\" cy=\"-1\""), std::string::npos);
    const std::string csv = read_file(dir_ / "out.csv");
    EXPECT_EQ(csv.rfind("time_us,x_cur,y_cur,laser\n", 0), 0u);
    EXPECT_NE(csv.find(",1500,0,0\n"), std::string::npos);     // end of the first segment
    EXPECT_NE(csv.find(",1500,1500,1\n"), std::string::npos);  // laser on for the second
    EXPECT_TRUE(csv.ends_with(",0,0,0\n"));                    // back at the start, laser off
}

TEST_F(PlotterSimTest, RejectsBadArgumentsAndUnfinishedFigures) {
    const fs::path figure = write("figure.txt", "LX01.0Y01.0");  // no end marker
    struct Case {
        std::string arguments;
        int status;
    };
    const Case cases[] = {
        {"", 2},  // no input named: the usage, not a wait on standard input
        {"--start 12", 2},
        {"--baud fast", 2},
        {"--svg", 2},
        {"--dpi 96", 2},  // without --png
        {"--png x.png --dpi 5", 2},
        {"--bogus", 2},
        {"--switch z@1s", 2},
        {"--switch x@5min", 2},
        {"--switch x:open@1s", 2},
        {"--send '$H'", 2},
        {"--send '\\xZZ'@1s", 2},
        {(dir_ / "missing.txt").string(), 1},
        {figure.string(), 1},  // refused before it runs, not after the time limit
        {figure.string() + " --start 300,300 --time-limit 8 --svg " + (dir_ / "never.svg").string(),
         1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run_sim(c.arguments).status, c.status) << c.arguments;
    }
    EXPECT_FALSE(fs::exists(dir_ / "never.svg"));
}

TEST_F(PlotterSimTest, KeepsReadOnlyFilesAndWritesThroughLinks) {
    const fs::path figure = write("figure.txt", "S1LX01.0Y01.0Z");
    const fs::path locked = write("locked.svg", "precious");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(run_sim(figure.string() + " --svg " + locked.string()).status, 1);
    EXPECT_EQ(read_file(locked), "precious");

    // A link stays a link; a link to nothing makes the file it names.
    fs::create_symlink("drawn.svg", dir_ / "link.svg");
    EXPECT_EQ(run_sim(figure.string() + " --svg " + (dir_ / "link.svg").string()).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.svg"));
    EXPECT_NE(read_file(dir_ / "drawn.svg").find("<svg"), std::string::npos);
    EXPECT_EQ(run_sim(figure.string() + " --csv /dev/stdout").out.rfind("time_us,", 0), 0u);
}

// A switch closed by hand as the carriage passes x = 3000 raises an alarm
// and locks the plotter: the next figure is refused and nothing moves. Let
// go, "?" shows the alarm where the axes stopped; "$H" homes again and "?"
// finds it idle at the origin, the carriage where the counters say.
TEST_F(PlotterSimTest, SwitchesAndCommandsAtATimeOrPosition) {
    const fs::path figure = write("figure.txt", "S1LX05.0Y00.0ZLX01.0Y01.0Z");
    const Outcome r = run_sim(figure.string() +
                              " --start 300,300 --report --switch x@x=3000 "
                              "--switch x:release@15000ms --send '?'@16s --send '$H'@17000ms "
                              "--send '?'@30000ms");
    EXPECT_EQ(r.status, 0) << r.out;
    std::string replies;
    for (std::size_t at = 0; (at = r.out.find("{\"reply\":\"", at)) != std::string::npos;) {
        at += 10;
        replies += r.out.substr(at, r.out.find('"', at) - at) + "|";
    }
    EXPECT_EQ(replies,
              "ok 1|alarm: X limit|error 2: alarm active: send $H to re-home|<Alarm,3000,0,0>|"
              "<Idle,0,0,0>|");
    EXPECT_NE(r.out.find("\"x_cur\":0,\"y_cur\":0,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"carriage_x\":0,\"carriage_y\":0,"), std::string::npos) << r.out;
}

TEST_F(PlotterSimTest, PrintsItsVersion) {
    const Outcome r = run_sim("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with("plotter-sim ")) << r.out;
}

}  // namespace
