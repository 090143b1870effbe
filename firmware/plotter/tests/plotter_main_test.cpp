// plotter_main on the modelled chip: serial receive, homing, the segments of
// a figure with their laser toggles, and the next figure after one has ended.
#include "plotter/plotter_main.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "chip/stm32f40x.h"
#include "plotter/board.h"
#include "plotter/plotter_figure.h"
#include "plotter/tests/power_on_state.h"
#include "plotter/tests/test_figures.h"
#include "sim/carriage.h"
#include "sim/chip_model.h"
#include "sim/plotter_sim/plotter_run.h"

using namespace chip::sim;
using plotter_sim::PathPoint;
using plotter_sim::run_plotter;
using plotter_sim::RunOptions;
using plotter_sim::RunResult;
using test_figures::point;
using test_figures::random_figure;
using test_figures::star_figure;

namespace {

// ---- whole figures, homing first (the carriage starts near its switches)

struct Segment {
    int kind, x_goal, y_goal;
    unsigned arr_x, arr_y;
    bool laser;
};

struct FigureCase {
    const char* name;
    const char* stream;
    std::vector<Segment> segments;
    int x_cur, y_cur;
};

// Runs `stream`, sent a figure at a time after homing or, `at_once`, all of
// it at power-up.
RunResult run_figure(const std::string& stream, bool at_once = false,
                     std::uint64_t time_limit_ms = 30'000) {
    RunOptions options;
    options.stream = stream;
    options.at_once = at_once;
    options.start_x = options.start_y = 300;
    options.time_limit = milliseconds(time_limit_ms);
    return run_plotter(options);
}

void PrintTo(const FigureCase& c, std::ostream* os) { *os << c.name; }

class FigureTest : public ::testing::TestWithParam<FigureCase> {};

TEST_P(FigureTest, RunsEverySegmentWithItsGoalsPeriodsAndLaser) {
    const FigureCase& c = GetParam();
    const RunResult result = run_figure(c.stream);
    ASSERT_TRUE(result.finished);
    ASSERT_EQ(result.segments.size(), c.segments.size());
    for (std::size_t s = 0; s < c.segments.size(); ++s) {
        SCOPED_TRACE("segment " + std::to_string(s));
        const Segment& want = c.segments[s];
        const auto& got = result.segments[s];
        EXPECT_EQ(got.kind, want.kind);
        EXPECT_EQ(got.x_goal, want.x_goal);
        EXPECT_EQ(got.y_goal, want.y_goal);
        EXPECT_EQ(got.arr_x, want.arr_x);
        EXPECT_EQ(got.arr_y, want.arr_y);
        EXPECT_EQ(got.laser, want.laser);
    }
    EXPECT_EQ(result.x_cur, c.x_cur);
    EXPECT_EQ(result.y_cur, c.y_cur);
    EXPECT_FALSE(result.laser);            // held off once the figure has ended
    EXPECT_LE(result.max_deviation, 5.0);  // steps from the ideal line
}

INSTANTIATE_TEST_SUITE_P(PlotterMainTest, FigureTest,
                         ::testing::Values(
                             // Diagonals paced so both axes arrive together; no marker, no laser.
                             FigureCase{"Diagonals",
                                        "LX01.0Y01.0\r\nLX01.5Y02.0\r\nZ",
                                        {{4, 1500, 1500, 140, 140, false},
                                         {4, 2250, 3000, 222, 110, false}},
                                        2250,
                                        3000},
                             // A marker before the first "L" switches on before segment 0; each
                             // marker inverts the output whatever its digit.
                             FigureCase{"LaserToggles",
                                        "S1LX01.0Y00.0S0LX01.0Y01.0LX00.0Y01.0Z",
                                        {{0, 1500, 0, 99, 99, true},
                                         {2, 1500, 1500, 99, 99, false},
                                         {1, 0, 1500, 99, 99, false}},
                                        0,
                                        1500},
                             // Two markers before one segment: the first fires, the rest never do.
                             FigureCase{"MarkersOnOneSegment",
                                        "LX01.0Y01.0S1S0LX02.0Y02.0S1LX01.0Y01.0Z",
                                        {{4, 1500, 1500, 140, 140, false},
                                         {4, 3000, 3000, 140, 140, true},
                                         {7, 1500, 1500, 140, 140, true}},
                                        1500,
                                        1500},
                             // A repeated point starts both axes and ends at the first step event.
                             FigureCase{"RepeatedPoint",
                                        "LX01.0Y01.0LX01.0Y01.0LX02.0Y01.0Z",
                                        {{4, 1500, 1500, 140, 140, false},
                                         {8, 1500, 1500, 140, 140, false},
                                         {0, 3000, 1500, 99, 140, false}},
                                        3000,
                                        1500},
                             // A marker after the last "L" never fires.
                             FigureCase{"MarkerAfterLastSegment",
                                        "S1LX01.0Y01.0S0Z",
                                        {{4, 1500, 1500, 140, 140, true}},
                                        1500,
                                        1500},
                             // After a figure has ended the next one runs, from where the last
                             // one stopped; an empty figure ends at once.
                             FigureCase{"NextFigureStartsWhereTheLastEnded",
                                        "LX01.0Y01.0ZZLX02.0Y01.0LX02.0Y00.0Z",
                                        {{4, 1500, 1500, 140, 140, false},
                                         {0, 3000, 1500, 99, 140, false},
                                         {3, 3000, 0, 99, 99, false}},
                                        3000,
                                        0}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- segments end on their goals

// Each axis stops at its own goal and the next segment waits for both, so a
// figure ends exactly on its last point and the carriage keeps close to the
// ideal path; what remains is the rounding of the two step rates.
TEST(PlotterMainTest, SegmentsEndWhenBothAxesHaveArrived) {
    struct Case {
        const char* name;
        std::string stream;
        int x_end, y_end;
        double deviation_max;
    };
    const Case cases[] = {
        {"star", star_figure(), 7500, 7500, 10},
        {"random", random_figure(7, 5), 0, 0, 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult result = run_figure(c.stream, false, 200'000);
        ASSERT_TRUE(result.finished);
        const PathPoint& last = result.figure_points.back();
        EXPECT_EQ(result.x_cur, last.x);
        EXPECT_EQ(result.y_cur, last.y);
        EXPECT_EQ(result.path.back().x, last.x);  // the carriage, not only the counters
        EXPECT_EQ(result.path.back().y, last.y);
        if (c.x_end != 0) {
            EXPECT_EQ(result.x_cur, c.x_end);
            EXPECT_EQ(result.y_cur, c.y_end);
        }
        EXPECT_LE(result.max_deviation, c.deviation_max);
    }
}

// A later figure starts its points at the first table entry: a figure of the
// tables' full size after a shorter one keeps all its points, and the figure
// after it starts from its last point with the rates of that segment.
TEST(PlotterMainTest, FullFigureAfterAnotherKeepsAllItsPoints) {
    std::string full;
    for (int n = 0; n < kMaxPoints; ++n) full += point(10 + n % 2, 10 + n / 2 % 2);
    const RunResult result = run_figure("LX01.0Y01.0Z" + full + "Z" + "LX01.1Y03.0Z");
    ASSERT_TRUE(result.finished);
    ASSERT_EQ(result.segments.size(), 2u + kMaxPoints);
    // The 400th point of the full figure, (1.1, 1.1) ...
    const auto& last_of_full = result.segments[kMaxPoints];
    EXPECT_EQ(last_of_full.x_goal, 1650);
    EXPECT_EQ(last_of_full.y_goal, 1650);
    // ... then from there to (1.1, 3.0): Y alone at the single-axis rate.
    const auto& next = result.segments.back();
    EXPECT_EQ(next.kind, kYUp);
    EXPECT_EQ(next.arr_y, 99u);
    EXPECT_EQ(result.x_cur, 1650);
    EXPECT_EQ(result.y_cur, 4500);
}

// ---- receive

struct ReceiveCase {
    const char* name;
    std::string stream;
    std::string stored;  // save_data[0 .. k)
};

void PrintTo(const ReceiveCase& c, std::ostream* os) { *os << c.name; }

class ReceiveTest : public ::testing::TestWithParam<ReceiveCase> {};

// The switches never close here, so homing goes on and the figure waits.
TEST_P(ReceiveTest, StoresTheStreamAndWaitsForHoming) {
    const ReceiveCase& c = GetParam();
    reset();
    power_on::reset_main_state();
    at(milliseconds(1100), [&] { send_serial(Serial::Usart1, c.stream, 115200); });
    run(firmware_main,
        milliseconds(1200) + microseconds(87 * (c.stream.size() + 2)) + milliseconds(600));
    ASSERT_EQ(k, static_cast<int>(c.stored.size()));
    for (std::size_t b = 0; b < c.stored.size(); ++b)
        ASSERT_EQ(save_data[b], static_cast<unsigned char>(c.stored[b])) << "entry " << b;
    EXPECT_EQ(figures_received, 1);
    EXPECT_EQ(check_flag, 1);
    EXPECT_EQ(Count_Straight, 0);
    EXPECT_EQ(transmitted(Serial::Usart1), "");
}

INSTANTIATE_TEST_SUITE_P(
    PlotterMainTest, ReceiveTest,
    ::testing::Values(ReceiveCase{"LineEndsAndLetterNAreDropped", "L\r\nX\n01n.5Y01.0Z",
                                  "LX01.5Y01.0Z"},
                      ReceiveCase{"BytesAfterTheEndAreStored", "LX01.0Y01.0ZLL", "LX01.0Y01.0ZLL"},
                      // The ring keeps one entry free; bytes that find no room are dropped,
                      // and the end marker still ends the figure.
                      ReceiveCase{"OverlongStreamIsCutAtTheBuffer",
                                  std::string(4000, 'L') + std::string(2000, 'A') + "Z",
                                  std::string(4000, 'L') + std::string(kSaveDataSize - 4001, 'A')}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- replies and refusals

// Every figure gets "ok N" and "done N", or "error N: reason" and nothing of
// it runs. Homing measures where the X switch closes: the modelled carriage
// puts it 50 174 step events (33.45 units) from where the back-off ends.
TEST(PlotterMainTest, RefusesWhatItCannotDrawAndRepliesToEachFigure) {
    struct Figure {
        std::string stream;
        std::string replies;
    };
    const Figure figures[] = {
        {"LX01.0Y01.0Z", "ok 1\r\ndone 1\r\n"},
        {"LX33.5Y00.0Z", "error 2: an X coordinate beyond the X limit switch\r\n"},
        {"LXzz.zY01.0Z", "error 3: a coordinate that is not tens, units and tenths digits\r\n"},
        {"LX01.0Y01Z", "error 4: a coordinate that is not tens, units and tenths digits\r\n"},
        {"LX01.0LX02.0Y01.0Z", "error 5: a point without both coordinates\r\n"},
        {std::string(kMaxPoints + 1, 'L') + "Z",
         "error 6: more points or laser markers than the plotter holds\r\n"},
        {std::string(kLaserMarkers + 1, 'S') + "LX01.0Y01.0Z",
         "error 7: more points or laser markers than the plotter holds\r\n"},
        {std::string(kSaveDataSize, 'A') + "Z",
         "error 8: longer than the receive buffer holds\r\n"},
        {"LX00.5Y00.5Z", "ok 9\r\ndone 9\r\n"},
    };
    std::string stream, expected;
    for (const Figure& f : figures) {
        stream += f.stream;
        expected += f.replies;
    }
    const RunResult result = run_figure(stream);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(transmitted(Serial::Usart1), expected);
    EXPECT_EQ(result.replies.size(), 11u);
    EXPECT_EQ(result.segments.size(), 2u);  // the refused figures moved nothing
    EXPECT_EQ(result.x_cur, 750);
    EXPECT_EQ(result.y_cur, 750);
    EXPECT_NEAR(x_limit, 50174, 2);
}

// Figures written in one go (as `cat a.txt b.txt > /dev/ttyUSB0` does) queue
// up while one runs; each is drawn in turn from where the last one ended,
// also one whose bytes straddle the end of the first write.
TEST(PlotterMainTest, BackToBackFiguresAreAllDrawnInOrder) {
    const RunResult result =
        run_figure("LX01.0Y01.0ZLX02.0Y01.0ZLX02.0Y02.0\r\nLX00.5Y00.5Z", true);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.replies,
              (std::vector<std::string>{"ok 1", "done 1", "ok 2", "done 2", "ok 3", "done 3"}));
    ASSERT_EQ(result.segments.size(), 4u);
    const int goals[][2] = {{1500, 1500}, {3000, 1500}, {3000, 3000}, {750, 750}};
    for (std::size_t s = 0; s < 4; ++s) {
        EXPECT_EQ(result.segments[s].x_goal, goals[s][0]) << s;
        EXPECT_EQ(result.segments[s].y_goal, goals[s][1]) << s;
    }
    EXPECT_EQ(result.path.back().x, 750);
    EXPECT_EQ(result.path.back().y, 750);
}

// Figures that together hold more than the receive buffer, each sent once
// the last one has ended, run through the ring's end and start again.
TEST(PlotterMainTest, FiguresWrapAroundTheReceiveBuffer) {
    std::string figure;
    for (int n = 0; n < 272; ++n) figure += point(10 + n % 2, 10);
    const RunResult result = run_figure(figure + "Z" + figure + "Z");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.replies, (std::vector<std::string>{"ok 1", "done 1", "ok 2", "done 2"}));
    EXPECT_EQ(result.segments.size(), 2u * 272);
    EXPECT_EQ(figure_start, (2 * 2993) % kSaveDataSize);
}

// A figure sent at power-up waits for homing to end, then runs from the origin.
TEST(PlotterMainTest, FigureSentBeforeHomingEndsWaitsForIt) {
    const RunResult result = run_figure("LX01.0Y02.0Z", true);
    ASSERT_TRUE(result.finished);
    ASSERT_EQ(result.segments.size(), 1u);
    EXPECT_GT(result.segments[0].time, milliseconds(1000 + 30 + 5000));
    EXPECT_EQ(result.path.back().x, 1500);  // from the homed origin
    EXPECT_EQ(result.path.back().y, 3000);
    EXPECT_EQ(result.replies, (std::vector<std::string>{"ok 1", "done 1"}));
}

// ---- limit alarms

// A limit switch that closes where the figure does not take the carriage is
// a hard limit: both step timers stop at once, the laser goes off, the rest
// of the figure is dropped and "alarm: X limit" or "alarm: Y limit" goes out;
// the next figure is drawn from where the axes stopped. Y rests on its switch
// at the origin, so a figure that returns to y = 0 closes it without alarm.
TEST(PlotterMainTest, LimitSwitchClosingMidFigureRaisesAnAlarm) {
    struct Case {
        const char* name;
        std::string stream;
        int close_pin;  // pressed 20 ms into the second segment; -1: none
        std::vector<std::string> replies;
        std::size_t segments;
    };
    const std::string figure = "S1LX05.0Y05.0LX10.0Y10.0LX10.0Y05.0Z";
    const Case cases[] = {
        {"XSwitch",
         figure + "LX01.0Y01.0Z",
         board::kXLimitPin,
         {"ok 1", "alarm: X limit", "ok 2", "done 2"},
         3},
        {"YSwitch",
         figure + "LX01.0Y01.0Z",
         board::kYLimitPin,
         {"ok 1", "alarm: Y limit", "ok 2", "done 2"},
         3},
        {"BackToTheYSwitch",
         "LX01.0Y01.0LX02.0Y00.0LX03.0Y01.0LX04.0Y00.0Z",
         -1,
         {"ok 1", "done 1"},
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        struct Seen {
            bool before = false, after = true, laser_before = false, laser_after = true;
        } seen;
        RunOptions options;
        options.stream = c.stream;
        options.at_once = true;
        options.start_x = options.start_y = 300;
        options.time_limit = milliseconds(30'000);
        const auto on_segment = [&](const plotter_sim::SegmentStart& start) {
            if (start.segment != 1 || c.close_pin < 0) return;
            const Cycles when = now() + milliseconds(20);
            at(when, [&] {
                seen.before = timer_running(Timer::Tim8) && timer_running(Timer::Tim1);
                seen.laser_before = output(Port::F, board::kLaserPin);
                set_input(Port::D, static_cast<unsigned>(c.close_pin), false);
            });
            at(when + microseconds(20), [&] {
                seen.after = timer_running(Timer::Tim8) || timer_running(Timer::Tim1);
                seen.laser_after = output(Port::F, board::kLaserPin);
            });
        };
        const RunResult result = run_plotter(options, {}, on_segment);
        ASSERT_TRUE(result.finished);
        EXPECT_EQ(result.replies, c.replies);
        EXPECT_EQ(result.segments.size(), c.segments);
        const PathPoint& last = result.figure_points.back();
        EXPECT_EQ(result.path.back().x, last.x);  // the counters kept up with the carriage
        EXPECT_EQ(result.path.back().y, last.y);
        EXPECT_EQ(result.x_cur, last.x);
        EXPECT_EQ(result.y_cur, last.y);
        if (c.close_pin < 0) continue;
        EXPECT_TRUE(seen.before);
        EXPECT_TRUE(seen.laser_before);
        EXPECT_FALSE(seen.after);
        EXPECT_FALSE(seen.laser_after);
    }
}

// ---- homing

// X runs towards its switch, Y towards its own; each stops 50 ms after its
// switch closes, then X backs off for 5 s.
struct HomingCase {
    const char* name;
    std::int64_t start_x, start_y;
    double x_overshoot_max;  // steps past the X switch when X stops
};

void PrintTo(const HomingCase& c, std::ostream* os) { *os << c.name; }

class HomingTest : public ::testing::TestWithParam<HomingCase> {};

TEST_P(HomingTest, StopsEachAxisAfterTheDebounceAndBacksXOff) {
    const HomingCase& c = GetParam();
    reset();
    power_on::reset_main_state();
    Carriage carriage({Timer::Tim8, Port::F, 13, Port::D, 8, 0, true},
                      {Timer::Tim1, Port::F, 15, Port::D, 9, 0, false}, -c.start_x, c.start_y);
    std::int64_t x_at_stop = 0;
    Cycles homed_at = 0;
    on_register_write(
        [&](const void* block, std::uint32_t offset, std::uint32_t value, Cycles when) {
            if (block == TIM8 && offset == offsetof(TIM_Registers, CR1) && !(value & TIM_CR1_CEN) &&
                x_flag == 0)
                x_at_stop = carriage.x();
            if (x_flag == 2 && homed_at == 0) homed_at = when;
        });
    const Cycles last_switch = milliseconds(1000 + std::max(c.start_x, c.start_y) / 10);
    run(firmware_main, last_switch + milliseconds(5300));

    EXPECT_EQ(x_flag, 2);
    EXPECT_EQ(y_flag, 2);
    // 50 ms at 10 000 steps/s past the switch, then 5 s back (the delays
    // run about 1 % long).
    EXPECT_GE(x_at_stop, 500);
    EXPECT_LE(x_at_stop, c.x_overshoot_max);
    EXPECT_NEAR(static_cast<double>(carriage.y()), -500, 10);
    EXPECT_NEAR(static_cast<double>(x_at_stop - carriage.x()), 50000, 1000);
    EXPECT_FALSE(timer_running(Timer::Tim8));
    EXPECT_FALSE(timer_running(Timer::Tim1));
    EXPECT_EQ(x_cur, 0);  // homing counts nothing
    EXPECT_EQ(y_cur, 0);
    EXPECT_GE(homed_at, last_switch + milliseconds(50 + 5000));
    EXPECT_LE(homed_at, last_switch + milliseconds(100 + 5000 + 150));
}

INSTANTIATE_TEST_SUITE_P(PlotterMainTest, HomingTest,
                         // With Y held, X is only looked at after Y's 50 ms.
                         ::testing::Values(HomingCase{"XFirst", 300, 1000, 510},
                                           HomingCase{"YFirst", 1000, 300, 1010}),
                         [](const auto& info) { return std::string(info.param.name); });

// A switch that reads pressed for less than the debounce does not stop its
// axis; one that stays pressed does.
TEST(PlotterMainTest, SwitchMustStayPressedForTheDebounce) {
    struct Case {
        unsigned pin;
        Timer timer;
        int pressed_ms;
        bool stopped;
    };
    const Case cases[] = {{8, Timer::Tim8, 20, false},
                          {9, Timer::Tim1, 20, false},
                          {8, Timer::Tim8, 80, true},
                          {9, Timer::Tim1, 80, true}};
    reset();
    power_on::reset_main_state();
    Cycles t = milliseconds(1500);
    std::vector<bool> running;
    for (const Case& c : cases) {
        at(t, [&] { set_input(Port::D, c.pin, false); });
        at(t + milliseconds(c.pressed_ms), [&] { set_input(Port::D, c.pin, true); });
        at(t + milliseconds(150), [&] { running.push_back(timer_running(c.timer)); });
        t += milliseconds(200);
    }
    run(firmware_main, t);
    ASSERT_EQ(running.size(), std::size(cases));
    for (std::size_t n = 0; n < std::size(cases); ++n)
        EXPECT_EQ(running[n], !cases[n].stopped)
            << "PD" << cases[n].pin << " pressed " << cases[n].pressed_ms << " ms";
}

// While the Y switch is pressed every pass of the main loop spends 50 ms in
// the debounce, also after homing: short segments along y = 0 (15 ms each)
// follow each other 50 ms apart instead of at once.
double handover_gap_ms(const char* stream) {
    const RunResult result = run_figure(stream);
    EXPECT_TRUE(result.finished);
    if (result.segments.size() != 3) {
        ADD_FAILURE() << "segments: " << result.segments.size();
        return 0;
    }
    return static_cast<double>(result.segments[2].time - result.segments[1].time) /
               milliseconds(1) -
           15;  // 150 steps at 100 us
}

TEST(PlotterMainTest, YSwitchHeldDelaysEverySegmentStart) {
    EXPECT_NEAR(handover_gap_ms("LX00.1Y00.0LX00.2Y00.0LX00.3Y00.0Z"), 50 - 15, 5);
}

TEST(PlotterMainTest, SegmentsOffTheYSwitchFollowAtOnce) {
    EXPECT_LT(handover_gap_ms("LX00.0Y01.0LX00.1Y01.0LX00.2Y01.0Z"), 2);
}

// Random bytes, some streams longer than the buffer, must never make the
// firmware write outside its tables (AddressSanitizer checks every access in
// the SANITIZE build).
class RandomStreamTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomStreamTest, NeverWritesPastItsTables) {
    std::mt19937 random(GetParam());
    std::string stream(GetParam() % 2 ? 7000 : 3000, '\0');
    for (char& b : stream) b = static_cast<char>(random() & 0xFF);
    reset();
    power_on::reset_main_state();
    at(milliseconds(1100), [&] { send_serial(Serial::Usart1, stream, 115200); });
    run(firmware_main, milliseconds(1200) + microseconds(87 * stream.size()) + milliseconds(600));
    EXPECT_LE(k, kSaveDataSize);
    EXPECT_LE(Count_Straight, kMaxPoints);
    EXPECT_LE(l_i, kLaserMarkers);
    EXPECT_LE(t_i, kLaserMarkers);
}

INSTANTIATE_TEST_SUITE_P(PlotterMainTest, RandomStreamTest, ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
