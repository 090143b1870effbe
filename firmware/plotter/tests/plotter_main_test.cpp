// plotter_main on the modelled chip: serial receive, homing, the segments of
// a figure with their laser toggles, and the next figure after one has ended.
#include "plotter/plotter_main.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <regex>
#include <string>
#include <string_view>
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
// it runs. Homing puts the origin 50 100 step events (33.4 units) before the
// X switch and keeps 1.0 unit off it: X 32.4 is drawn, 32.5 refused.
TEST(PlotterMainTest, RefusesWhatItCannotDrawAndRepliesToEachFigure) {
    struct Figure {
        std::string stream;
        std::string replies;
    };
    const Figure figures[] = {
        {"LX32.4Y01.0LX01.0Y01.0Z", "ok 1\r\ndone 1\r\n"},
        {"LX32.5Y00.0Z", "error 2: an X coordinate beyond the X limit switch\r\n"},
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
    EXPECT_EQ(result.segments.size(), 3u);  // the refused figures moved nothing
    EXPECT_EQ(result.x_cur, 750);
    EXPECT_EQ(result.y_cur, 750);
    EXPECT_EQ(result.carriage_x, 750);
    EXPECT_EQ(result.carriage_y, 750);
    EXPECT_NEAR(x_limit, 50100, 1);
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

// ---- limit alarms and the commands

// Something the test sends: `after_ms` after the firmware has sent reply
// `after_reply`, or into segment `after_segment` (counted over the run), or,
// with neither, right after the action before it.
struct Action {
    std::string after_reply;
    int after_segment = -1;
    int after_ms = 0;
    std::string bytes;
    int press_pin = -1;  // instead of bytes: press (or, with release, let go) this switch
    bool release = false;
};

struct CommandCase {
    const char* name;
    std::string stream;
    std::vector<Action> actions;
    std::vector<std::string> replies;  // an entry ending in ',' matches a reply's start
    // From the action with this index until the next one, nothing moves and
    // the laser is off; -1: not checked.
    int still_from = -1;
    int end_x, end_y;  // the carriage at the end, from the origin of the last homing
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class CommandTest : public ::testing::TestWithParam<CommandCase> {};

// The board's answer to limits and commands, seen on the modelled carriage:
// what it drew, where it stopped, and that nothing moved while it should not.
TEST_P(CommandTest, CarriageDoesWhatTheCommandsSay) {
    const CommandCase& c = GetParam();
    RunOptions options;
    options.stream = c.stream;
    options.start_x = options.start_y = 300;
    options.time_limit = milliseconds(60'000);
    std::vector<bool> done(c.actions.size(), false);
    struct Probe {
        std::uint64_t steps = 0;
        bool laser = false;
        bool taken = false;
    };
    // After each action has been carried out, and just before each.
    std::vector<Probe> probes(c.actions.size() + 1), before(c.actions.size() + 1);
    options.busy = [&] {
        return std::any_of(probes.begin(), probes.end() - 1,
                           [](const auto& p) { return !p.taken; });
    };
    auto probe = [&](std::size_t at) {
        probes[at] = {compare_events(Timer::Tim8, 1) + compare_events(Timer::Tim1, 1),
                      output(Port::F, board::kLaserPin), true};
    };
    std::function<void(std::size_t)> act;
    act = [&](std::size_t n) {
        const Action& a = c.actions[n];
        at(now() + milliseconds(a.after_ms), [&, n] {
            const Action& a = c.actions[n];
            before[n] = {compare_events(Timer::Tim8, 1) + compare_events(Timer::Tim1, 1),
                         output(Port::F, board::kLaserPin), true};
            if (a.press_pin >= 0)
                set_input(Port::D, static_cast<unsigned>(a.press_pin), a.release);
            else
                send_serial(Serial::Usart1, a.bytes, 115200);
            // Just after the command has arrived and been carried out.
            at(now() + microseconds(87 * (a.bytes.size() + 1)) + milliseconds(2),
               [&, n] { probe(n); });
            const std::size_t next = n + 1;
            if (next < c.actions.size() && c.actions[next].after_reply.empty() &&
                c.actions[next].after_segment < 0) {
                done[next] = true;
                act(next);
            }
        });
    };
    const auto on_segment = [&](const plotter_sim::SegmentStart& start) {
        for (std::size_t n = 0; n < c.actions.size(); ++n)
            if (!done[n] && c.actions[n].after_segment == start.segment) {
                done[n] = true;
                act(n);
            }
    };
    const auto on_reply = [&](const std::string& reply) {
        for (std::size_t n = 0; n < c.actions.size(); ++n)
            if (!done[n] && c.actions[n].after_segment < 0 && c.actions[n].after_reply == reply) {
                done[n] = true;
                act(n);
            }
    };
    const RunResult result = run_plotter(options, {}, on_segment, on_reply);
    probe(c.actions.size());
    before[c.actions.size()] = probes[c.actions.size()];
    ASSERT_TRUE(result.finished);
    ASSERT_EQ(result.replies.size(), c.replies.size()) << ::testing::PrintToString(result.replies);
    for (std::size_t r = 0; r < c.replies.size(); ++r) {
        if (c.replies[r].ends_with(','))
            EXPECT_TRUE(result.replies[r].starts_with(c.replies[r])) << result.replies[r];
        else
            EXPECT_EQ(result.replies[r], c.replies[r]);
    }
    EXPECT_TRUE(result.mismatches.empty()) << ::testing::PrintToString(result.mismatches);
    EXPECT_EQ(result.carriage_x, c.end_x);
    EXPECT_EQ(result.carriage_y, c.end_y);
    EXPECT_EQ(result.x_cur, c.end_x);  // the counters kept up with the carriage
    EXPECT_EQ(result.y_cur, c.end_y);
    EXPECT_FALSE(result.laser);
    if (c.still_from >= 0) {
        const Probe &from = probes[static_cast<std::size_t>(c.still_from)],
                    &to = before[static_cast<std::size_t>(c.still_from) + 1];
        ASSERT_TRUE(from.taken && to.taken);
        EXPECT_EQ(from.steps, to.steps);
        EXPECT_FALSE(from.laser);
    }
}

const std::string kAlarmFigure = "S1LX05.0Y05.0LX10.0Y10.0LX10.0Y05.0Z";
constexpr const char* kLocked = "error 2: alarm active: send $H to re-home";

INSTANTIATE_TEST_SUITE_P(PlotterMainTest, CommandTest,
                         ::testing::Values(
                             // A switch that closes where the figure does not go stops both axes
                             // and the laser, and locks: the next figure is refused and nothing
                             // moves until "$X". Still held, it refuses a figure that drives
                             // further into it, before anything moves.
                             CommandCase{
                                 "XSwitchLocksAndStillHeldRefusesMore",
                                 kAlarmFigure + "LX01.0Y01.0Z",
                                 {{"", 1, 20, "", board::kXLimitPin},
                                  {kLocked, -1, 200, "$X"},
                                  {"", -1, 0, "LX20.0Y09.0Z"}},
                                 {"ok 1", "alarm: X limit", kLocked, "ok 3", "alarm: X limit"},
                                 0,
                                 7642,
                                 7642},
                             // Let go and cleared with "$X": the next figure runs from where the
                             // axes stopped.
                             CommandCase{"XSwitchReleasedAndCleared",
                                         kAlarmFigure + "LX01.0Y01.0Z",
                                         {{"", 1, 20, "", board::kXLimitPin},
                                          {kLocked, -1, 100, "", board::kXLimitPin, true},
                                          {kLocked, -1, 200, "$X\r\n"},
                                          {"", -1, 0, "LX20.0Y09.0Z"}},
                                         {"ok 1", "alarm: X limit", kLocked, "ok 3", "done 3"},
                                         0,
                                         30000,
                                         13500},
                             // "$H" homes again (the held Y switch lets go as Y backs off) and the
                             // next figure runs from the origin.
                             CommandCase{"YSwitchLocksUntilRehomed",
                                         kAlarmFigure + "LX01.0Y01.0Z",
                                         {{"", 1, 20, "", board::kYLimitPin},
                                          {kLocked, -1, 200, "$H"},
                                          {"", -1, 0, "LX02.0Y03.0Z"}},
                                         {"ok 1", "alarm: Y limit", kLocked, "ok 3", "done 3"},
                                         0,
                                         3000,
                                         4500},
                             // Y rests on its switch at the origin: a figure that returns to
                             // y = 0 closes it without alarm.
                             CommandCase{"BackToTheYSwitch",
                                         "LX01.0Y01.0LX02.0Y00.0LX03.0Y01.0LX04.0Y00.0Z",
                                         {},
                                         {"ok 1", "done 1"},
                                         -1,
                                         6000,
                                         0},
                             // "!" stops at the end of the step under way with the laser off, "?"
                             // says so, "~" goes on with the laser as it was; the figure ends
                             // where it should.
                             CommandCase{"FeedHoldAndResume",
                                         "S1LX05.0Y00.0LX05.0Y05.0Z",
                                         {{"", 0, 100, "!"}, {"", 0, 400, "?"}, {"", 0, 700, "~"}},
                                         {"ok 1", "<Hold,", "done 1"},
                                         0,
                                         7500,
                                         7500},
                             // Ctrl-X stops at once, forgets the figure and answers "reset"; the
                             // next figure runs from where the axes stopped.
                             CommandCase{"CtrlXStopsAndForgets",
                                         "S1LX05.0Y00.0LX05.0Y05.0ZLX01.0Y01.0Z",
                                         {{"", 0, 100, "\x18"}},
                                         {"ok 1", "reset", "ok 2", "done 2"},
                                         -1,
                                         1500,
                                         1500},
                             // Status when idle: the counters and the figures waiting.
                             CommandCase{"StatusWhenIdle",
                                         "LX01.0Y02.0Z",
                                         {{"done 1", -1, 10, "?"}},
                                         {"ok 1", "done 1", "<Idle,1500,3000,0>"},
                                         -1,
                                         1500,
                                         3000}),
                         [](const auto& info) { return std::string(info.param.name); });

// Figures beyond the queue and figures whose bytes stop before their end
// marker are answered, not lost or merged with the next one.
TEST(PlotterMainTest, FiguresBeyondTheQueueAndUnfinishedOnesAreRefused) {
    std::string stream;
    for (int n = 0; n < kQueuedFigures + 2; ++n) stream += "LX00.1Y00.1Z";
    reset();
    power_on::reset_main_state();
    Carriage carriage({Timer::Tim8, Port::F, 13, Port::D, 8, 0, true},
                      {Timer::Tim1, Port::F, 15, Port::D, 9, 0, false}, -300, 300);
    // While homing runs: every figure queues, the last two find it full.
    at(milliseconds(1100), [&] { send_serial(Serial::Usart1, stream, 115200); });
    // An unfinished figure, then silence for more than 2 s.
    at(milliseconds(2000), [&] { send_serial(Serial::Usart1, "LX01.0Y0", 115200); });
    run(firmware_main, milliseconds(4200));
    EXPECT_EQ(transmitted(Serial::Usart1),
              "error 65: queue full\r\nerror 66: queue full\r\n"
              "error 67: incomplete figure\r\n");
    EXPECT_EQ(figures_received, kQueuedFigures);
    EXPECT_EQ(k, figure_next[kQueuedFigures - 1]);  // the refused bytes are gone
}

// ---- homing

// Seek, back off, approach slowly: the origin lies the same distance before
// the X switch (and at the Y switch) wherever the carriage started, also
// when a switch bounced closed for a moment during the seek.
struct HomingCase {
    const char* name;
    std::int64_t start_x, start_y;
    int glitch_pin;  // pressed for 5 ms at 1010 ms; -1: none
};

void PrintTo(const HomingCase& c, std::ostream* os) { *os << c.name; }

class HomingTest : public ::testing::TestWithParam<HomingCase> {};

TEST_P(HomingTest, OriginIsTheSameWhereverTheCarriageStarted) {
    const HomingCase& c = GetParam();
    reset();
    power_on::reset_main_state();
    // Both switches close at carriage position 0.
    Carriage carriage({Timer::Tim8, Port::F, 13, Port::D, 8, 0, true},
                      {Timer::Tim1, Port::F, 15, Port::D, 9, 0, false}, -c.start_x, c.start_y);
    if (c.glitch_pin >= 0) {
        const auto pin = static_cast<unsigned>(c.glitch_pin);
        at(milliseconds(1010), [pin] { set_input(Port::D, pin, false); });
        at(milliseconds(1015), [pin] { set_input(Port::D, pin, true); });
    }
    at(milliseconds(1000), [] {});
    const Cycles limit = milliseconds(1000 + 12'000) +
                         microseconds(100) * static_cast<Cycles>(std::max(c.start_x, c.start_y));
    std::function<void()> poll = [&] {
        if (x_flag == 2 && machine == Machine::Ready) request_stop();
        at(now() + milliseconds(1), poll);
    };
    at(milliseconds(1), poll);
    ASSERT_EQ(run(firmware_main, limit), StopReason::Requested);
    EXPECT_EQ(carriage.x(), -kXSwitchDistance);
    EXPECT_LE(carriage.y(), 0);  // on the switch, at most a step past its edge
    EXPECT_GE(carriage.y(), -1);
    EXPECT_NEAR(x_limit, kXSwitchDistance, 1);
    EXPECT_LE(y_overshoot, 1);
    EXPECT_FALSE(timer_running(Timer::Tim8));
    EXPECT_FALSE(timer_running(Timer::Tim1));
    EXPECT_EQ(x_cur, 0);
    EXPECT_EQ(y_cur, 0);
}

INSTANTIATE_TEST_SUITE_P(PlotterMainTest, HomingTest,
                         ::testing::Values(HomingCase{"Near", 300, 1000, -1},
                                           HomingCase{"YFirst", 1000, 300, -1},
                                           HomingCase{"Far", 45000, 90000, -1},
                                           HomingCase{"XBounce", 20000, 20000, 8},
                                           HomingCase{"YBounce", 20000, 20000, 9}),
                         [](const auto& info) { return std::string(info.param.name); });

// Y rests on its switch along y = 0; a held switch costs no segment any time:
// short segments (15 ms each) follow each other at once, on it and off it.
TEST(PlotterMainTest, SegmentsFollowAtOnceOnAndOffTheYSwitch) {
    for (const char* stream :
         {"LX00.1Y00.0LX00.2Y00.0LX00.3Y00.0Z", "LX00.0Y01.0LX00.1Y01.0LX00.2Y01.0Z"}) {
        SCOPED_TRACE(stream);
        const RunResult result = run_figure(stream);
        ASSERT_TRUE(result.finished);
        ASSERT_EQ(result.segments.size(), 3u);
        const double gap = static_cast<double>(result.segments[2].time - result.segments[1].time) /
                               milliseconds(1) -
                           15;  // 150 steps at 100 us
        EXPECT_LT(gap, 1);
    }
}

// Random figures with repeated points, one after the other (each starts
// where the last ended): the carriage ends every figure where the counters
// say, on its last point.
TEST(PlotterMainTest, RepeatedPointsLoseNoStep) {
    std::mt19937 random(26);
    std::string stream;
    for (int figure = 0; figure < 12; ++figure) {
        std::string points;
        for (int n = 0; n < 6; ++n) {
            const std::string p =
                point(static_cast<int>(random() % 40), static_cast<int>(random() % 40));
            points += p;
            if (random() % 2) points += p;  // the same point again
        }
        stream += points + "Z" + (figure % 3 == 0 ? "Z" : "");  // some empty figures too
    }
    stream += point(0, 0) + point(0, 0) + "Z";
    const RunResult result = run_figure(stream, false, 300'000);
    ASSERT_TRUE(result.finished);
    EXPECT_TRUE(result.mismatches.empty()) << ::testing::PrintToString(result.mismatches);
    EXPECT_EQ(result.carriage_x, 0);
    EXPECT_EQ(result.carriage_y, 0);
    EXPECT_EQ(result.x_cur, 0);
    EXPECT_EQ(result.y_cur, 0);
}

// Garbage figures (one longer than the receive buffer for odd seeds) between
// figures of random points, then Ctrl-X while two figures wait: the carriage
// draws the valid figures and nothing else, with the laser off on every
// travel, and after Ctrl-X only the next figure, from where the axes stopped.
// (AddressSanitizer checks every table access in the SANITIZE build.)
class RandomStreamTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomStreamTest, CarriageDrawsOnlyTheValidFiguresAndCtrlXForgetsWhatWaits) {
    std::mt19937 random(GetParam());
    struct Stop {
        std::int64_t x, y;          // a point, in steps (the goal truncates: 2.3 gives 3449)
        bool laser, from_anywhere;  // the laser on the way there; where the way starts is unknown
    };
    std::vector<Stop> stops;
    // Figures of the test's own: each marker "S" inverts the laser for the rest.
    auto figure = [&](int points, bool from_anywhere = false) {
        std::string text;
        bool laser = false;
        for (int n = 0; n < points; ++n) {
            const bool marker = n > 0 && random() % 3 == 0;
            laser = laser != marker;
            if (marker) text += "S1";
            const int x = static_cast<int>(random() % 31), y = static_cast<int>(random() % 31);
            text += point(x, y);
            stops.push_back({static_cast<std::int64_t>(1500 * (x / 10.0)),
                             static_cast<std::int64_t>(1500 * (y / 10.0)), laser,
                             from_anywhere && n == 0});
        }
        return text + "Z";
    };
    std::string stream, replies;
    for (int n = 1; n < 12; n += 2) {
        std::string garbage(n == 5 && GetParam() % 2 ? kSaveDataSize + 500u : random() % 400, 0);
        // Any byte but the commands (answered apart) and the end marker.
        for (char& b : garbage)
            for (b = 'Z'; std::string_view("!~?$Z\x18").find(b) != std::string_view::npos;)
                b = static_cast<char>(random());
        stream += "L" + garbage + "Z" + figure(2 + static_cast<int>(random() % 4));
        const std::string ok = std::to_string(n + 1);
        replies += "error " + std::to_string(n) + ": .*\r\nok " + ok + "\r\ndone " + ok + "\r\n";
    }
    // A figure stopped in its first travel (the two waiting are never drawn),
    // then the last one.
    const int travel = static_cast<int>(stops.size());
    stream += point(60, 60) + "S1" + point(0, 60) + "Z";
    const std::string queued = "S1" + point(0, 0) + point(60, 0) + "Z", last = figure(3, true);
    replies += "ok 13\r\nreset\r\nok 16\r\ndone 16\r\n";
    bool drawn = false;
    RunOptions options;
    options.stream = stream;
    options.start_x = options.start_y = 300;
    options.busy = [&] { return !drawn; };
    const auto on_segment = [&](const plotter_sim::SegmentStart& start) {
        if (start.segment == travel) send_serial(Serial::Usart1, queued + queued + "\x18", 115200);
    };
    const auto on_reply = [&](const std::string& reply) {
        if (reply == "reset") send_serial(Serial::Usart1, last, 115200);
        drawn = drawn || reply == "done 16";
    };
    const RunResult result = run_plotter(options, {}, on_segment, on_reply);
    ASSERT_TRUE(result.finished);
    EXPECT_TRUE(std::regex_match(transmitted(Serial::Usart1), std::regex(replies)))
        << transmitted(Serial::Usart1);
    // Each point reached in turn; every vertex on the way has that laser and
    // lies in the box of that move.
    const std::vector<PathPoint>& path = result.path;
    auto between = [](std::int64_t v, std::int64_t a, std::int64_t b) {
        return std::min(a, b) <= v && v <= std::max(a, b);
    };
    std::size_t at_vertex = 0;
    for (const Stop& stop : stops) {
        std::size_t to = at_vertex;
        while (to < path.size() && (path[to].x != stop.x || path[to].y != stop.y)) ++to;
        ASSERT_LT(to, path.size()) << "never at " << stop.x << "," << stop.y;
        for (std::size_t v = at_vertex; v < to; ++v)
            EXPECT_TRUE(path[v].laser == stop.laser &&
                        (stop.from_anywhere || (between(path[v].x, path[at_vertex].x, stop.x) &&
                                                between(path[v].y, path[at_vertex].y, stop.y))))
                << path[v].x << "," << path[v].y << " laser " << path[v].laser << " towards "
                << stop.x << "," << stop.y;
        at_vertex = to;
    }
    EXPECT_EQ(at_vertex + 1, path.size());  // nothing after the last point
    EXPECT_TRUE(result.mismatches.empty()) << ::testing::PrintToString(result.mismatches);
}

// Points, repeated points, laser markers, end markers, stray bytes and every
// command, in random order while figures run: the carriage is where the
// counters say whenever it rests and, homed again, draws the last figure.
TEST_P(RandomStreamTest, CarriageStaysWhereTheCountersSay) {
    std::mt19937 random(GetParam());
    const char* const tokens[] = {"S1", "Z", "!", "~", "~", "?", "\x18", "$H", "$X", "L", "#"};
    std::string stream, last = point(10, 10);
    for (int n = 0; n < 120; ++n) {
        const unsigned pick = random() % 20;
        if (pick < 8)
            last = point(static_cast<int>(random() % 60), static_cast<int>(random() % 60));
        stream += pick < 10 ? last : tokens[pick - 10];  // 8, 9: the same point again
    }
    RunOptions options;
    options.stream = stream + "~Z$H" + point(5, 5) + "Z";
    options.at_once = true;
    options.start_x = options.start_y = 300;
    options.time_limit = milliseconds(40'000);
    const RunResult result = run_plotter(options);
    EXPECT_TRUE(result.mismatches.empty()) << ::testing::PrintToString(result.mismatches);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.replies.back(), "done " + std::to_string(figures_numbered));
    EXPECT_EQ(result.carriage_x, 750);
    EXPECT_EQ(result.carriage_y, 750);
}

INSTANTIATE_TEST_SUITE_P(PlotterMainTest, RandomStreamTest, ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
