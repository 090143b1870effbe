// bench_uart_goal driven from its terminal: letter commands, and the step
// events counted per axis with a stop at the end of travel or at 0.
#include "bench_test_support.h"

extern volatile int x_cur, y_cur, x_mode, y_mode;

using namespace bench_test;

namespace {
void reset_state() {
    x_cur = 0;
    y_cur = 0;
    x_mode = 1;
    y_mode = 1;
}
const bool kStateResets = (reset_image_state = reset_state, true);
}  // namespace

struct LetterCase {
    const char* name;
    const char* bytes;
    AxisLines lines;  // PF12..PF15, X running, Y running
    int x_mode, y_mode;
};

class BenchUartGoalLetterTest : public ::testing::TestWithParam<LetterCase> {};

TEST_P(BenchUartGoalLetterTest, SetsLinesTimersAndModes) {
    const LetterCase& c = GetParam();
    EXPECT_EQ(lines_after_typing(c.bytes), c.lines);
    EXPECT_EQ(x_mode, c.x_mode);
    EXPECT_EQ(y_mode, c.y_mode);
}

INSTANTIATE_TEST_SUITE_P(
    Letters, BenchUartGoalLetterTest,
    ::testing::Values(
        LetterCase{"StartUp", "", {false, true, false, false, false, false}, 1, 1},
        LetterCase{"StopX", "a", {true, true, false, false, false, false}, 1, 1},
        LetterCase{"XDown", "d", {false, false, false, false, false, false}, 0, 1},
        LetterCase{"XUp", "dc", {false, true, false, false, false, false}, 1, 1},
        LetterCase{"YDown", "e", {false, true, true, false, false, true}, 1, 0},
        LetterCase{"YDownStopsAtZero", "fe", {false, true, true, false, false, false}, 1, 0},
        LetterCase{"YUpStop", "efg", {false, true, false, true, false, false}, 1, 1},
        LetterCase{"BothDown", "r", {false, false, true, false, false, true}, 0, 0},
        LetterCase{"UnknownIgnored", "xyz9", {false, true, false, false, false, false}, 1, 1}),
    case_name);

TEST(BenchUartGoalTest, CountsUpThenDownAndStopsAtZero) {
    power_up();
    EXPECT_EQ(x_cur, 0);
    type("b");  // X counts up
    run_for(milliseconds(100));
    type("a");
    const int reached = x_cur;
    EXPECT_GT(reached, 200);  // 2000 step events a second
    EXPECT_FALSE(timer_running(Timer::Tim1));
    run_for(milliseconds(10));
    EXPECT_EQ(x_cur, reached);

    type("db");  // down to 0, then stopped
    run_for(milliseconds(200));
    EXPECT_EQ(x_cur, 0);
    EXPECT_FALSE(timer_running(Timer::Tim1));
}

TEST(BenchUartGoalTest, CountingDownFromZeroRunsOnUntilStoppedByHand) {
    power_up();
    type("db");
    run_for(milliseconds(100));
    EXPECT_LT(x_cur, -100);
    EXPECT_TRUE(timer_running(Timer::Tim1));
    type("a");
    const int stopped_at = x_cur;
    run_for(milliseconds(10));
    EXPECT_EQ(x_cur, stopped_at);
}

TEST(BenchUartGoalTest, CountingUpFromBelowZeroStopsAtOnce) {
    // The end-of-travel test is unsigned: a negative counter is past it.
    power_up();
    type("db");
    run_for(milliseconds(10));
    ASSERT_LT(x_cur, 0);
    type("c");  // the first step event after it stops X
    EXPECT_FALSE(timer_running(Timer::Tim1));
    const int stopped_at = x_cur;
    EXPECT_LT(stopped_at, 0);
    run_for(milliseconds(5));
    EXPECT_EQ(x_cur, stopped_at);
}
