// bench_uart_irq driven from its terminal: letter commands, goal commands
// and the step counting that stops an axis at its goal or end of travel.
#include <string>

#include "bench_test_support.h"

extern volatile int s1[10];
extern volatile int k;
extern volatile int x, y;
extern volatile std::uint32_t X_tmp, Y_tmp, X_goal, Y_goal;

using namespace bench_test;

namespace {
void reset_state() {
    for (volatile int& entry : s1) entry = 0;
    k = 0;
    x = 1;
    y = 1;
    X_tmp = 0;
    Y_tmp = 0;
    X_goal = 0;
    Y_goal = 0;
}
const bool kStateResets = (reset_image_state = reset_state, true);

// A goal command padded to the ten entries of the command buffer, after
// which the buffer starts over and the next command is taken.
std::string framed(std::string command) {
    command.resize(10, '\0');
    return command;
}

void wait_ms(std::uint64_t ms) { run_for(milliseconds(ms)); }
}  // namespace

TEST(BenchUartIrqTest, StartsWithBothAxesStoppedAndCountersAtZero) {
    power_up();
    EXPECT_FALSE(timer_running(Timer::Tim1));
    EXPECT_FALSE(timer_running(Timer::Tim8));
    EXPECT_EQ(X_tmp, 0u);
    EXPECT_EQ(Y_tmp, 0u);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 1);
    EXPECT_EQ(UART4->BRR, 0x1117u);
}

struct LetterCase {
    const char* name;
    const char* bytes;
    AxisLines lines;
    int x_sense, y_sense;
};

class BenchUartIrqLetterTest : public ::testing::TestWithParam<LetterCase> {};

TEST_P(BenchUartIrqLetterTest, SetsLinesTimersAndSense) {
    const LetterCase& c = GetParam();
    EXPECT_EQ(lines_after_typing(c.bytes), c.lines);
    EXPECT_EQ(x, c.x_sense);
    EXPECT_EQ(y, c.y_sense);
    EXPECT_EQ(k, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Letters, BenchUartIrqLetterTest,
    ::testing::Values(LetterCase{"StartX", "b", {false, false, false, false, true, false}, 1, 1},
                      LetterCase{"StopX", "ba", {true, false, false, false, false, false}, 1, 1},
                      LetterCase{"XDown", "d", {false, false, false, false, false, false}, 2, 1},
                      LetterCase{"XUp", "dc", {false, true, false, false, false, false}, 1, 1},
                      LetterCase{"YUp", "e", {false, false, false, true, false, true}, 1, 1},
                      LetterCase{"YDown", "f", {false, false, true, false, false, true}, 1, 2},
                      LetterCase{"StopY", "eg", {false, false, false, true, false, false}, 1, 1},
                      LetterCase{"BothDown", "r", {false, false, false, false, true, true}, 2, 2}),
    case_name);

struct GoalCase {
    const char* name;
    std::string bytes;
    std::uint32_t x_goal, y_goal;
    int x_sense, y_sense;
};

class BenchUartIrqGoalTest : public ::testing::TestWithParam<GoalCase> {};

TEST_P(BenchUartIrqGoalTest, SetsSenseAndGoalFromTheCounter) {
    const GoalCase& c = GetParam();
    power_up();
    type(c.bytes);
    EXPECT_EQ(X_goal, c.x_goal);
    EXPECT_EQ(Y_goal, c.y_goal);
    EXPECT_EQ(x, c.x_sense);
    EXPECT_EQ(y, c.y_sense);
    EXPECT_EQ(k, static_cast<int>(c.bytes.size())) << "a goal command is not cleared";
}

INSTANTIATE_TEST_SUITE_P(
    Goals, BenchUartIrqGoalTest,
    ::testing::Values(GoalCase{"XUpFiveUnits", "x+\x05", 16000, 0, 1, 1},
                      GoalCase{"XUpFiftyUnits", std::string("x+\x05\x00", 4), 160000, 0, 1, 1},
                      GoalCase{"XUpCutToEndOfTravel", "x+\x09\x09", 160000, 0, 1, 1},
                      GoalCase{"YUpCutToEndOfTravel", "y+\x09\x09", 0, 128000, 1, 1},
                      GoalCase{"YDownBelowZeroStopsAtOne", "y-\x03", 0, 1, 1, 2},
                      GoalCase{"XDownToZeroStopsAtOne", std::string("x-\x00", 3), 1, 0, 2, 1},
                      GoalCase{"NoSignChangesNothing", "x*\x05", 0, 0, 1, 1}),
    case_name);

TEST(BenchUartIrqTest, AxisStopsAtItsGoalUpAndDown) {
    power_up();
    // Y up by one unit: from 0 the goal is 3200 step events away.
    type(framed(std::string("y+\x00\x01", 4)));
    EXPECT_EQ(Y_goal, 3200u);
    type("e");
    wait_ms(1700);  // 2000 step events a second
    EXPECT_EQ(Y_tmp, 3200u);
    EXPECT_FALSE(timer_running(Timer::Tim8));
    EXPECT_EQ(Y_goal, 0u);

    // Down one unit from 3200: goal 1, not 0.
    type(framed("y-\x01"));
    EXPECT_EQ(Y_goal, 1u);
    type("f");
    wait_ms(1700);
    EXPECT_EQ(Y_tmp, 1u);
    EXPECT_FALSE(timer_running(Timer::Tim8));
}

TEST(BenchUartIrqTest, FreeRunningAxisStopsAtZeroGoingDown) {
    power_up();
    type(framed(std::string("x+\x00\x01", 4)));
    type("b");
    wait_ms(1700);
    ASSERT_EQ(X_tmp, 3200u);
    type("d");  // down, no goal
    type("b");
    wait_ms(1700);
    EXPECT_EQ(X_tmp, 0u);
    EXPECT_FALSE(timer_running(Timer::Tim1));
}

TEST(BenchUartIrqTest, FullCommandBufferStartsOver) {
    power_up();
    type("zzzzzzzzz");  // an unknown first byte keeps the bytes piling up
    EXPECT_EQ(k, 9);
    type("z");
    EXPECT_EQ(k, 0);
    for (int n = 0; n < 10; ++n) EXPECT_EQ(s1[n], 0);
    type("a");
    EXPECT_TRUE(output(Port::F, 12));

    type(std::string("x+\x00\x02zzzzzz", 10));  // goal, then bytes that fill the buffer
    EXPECT_EQ(X_goal, 6400u);
    EXPECT_EQ(k, 0);
    type("b");
    EXPECT_TRUE(timer_running(Timer::Tim1));
}

TEST(BenchUartIrqTest, GoalLeftFromTheOtherSenseStillStopsAtZero) {
    power_up();
    type(framed(std::string("x+\x00\x01", 4)));
    type("b");
    wait_ms(1700);
    ASSERT_EQ(X_tmp, 3200u);
    type(framed(std::string("x+\x00\x02", 4)));  // goal 9600, never met counting down
    ASSERT_EQ(X_goal, 9600u);
    type("db");
    wait_ms(1700);
    EXPECT_EQ(X_tmp, 0u);
    EXPECT_FALSE(timer_running(Timer::Tim1));
    EXPECT_EQ(X_goal, 0u);
}
