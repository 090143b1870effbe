// bench_uart_letters driven from its terminal: one letter per command.
#include "bench_test_support.h"

using namespace bench_test;

class BenchUartLettersTest : public ::testing::TestWithParam<TerminalCase> {};

TEST_P(BenchUartLettersTest, MovesTheAxesByHand) {
    EXPECT_EQ(lines_after_typing(GetParam().bytes), GetParam().lines);
}

// After start-up PF13 is high and both timers are stopped.
INSTANTIATE_TEST_SUITE_P(
    Letters, BenchUartLettersTest,
    ::testing::Values(TerminalCase{"StartUp", "", {false, true, false, false, false, false}},
                      TerminalCase{"StartX", "b", {false, true, false, false, true, false}},
                      TerminalCase{"StopX", "ba", {true, true, false, false, false, false}},
                      TerminalCase{"XDown", "d", {false, false, false, false, false, false}},
                      TerminalCase{"XUp", "dc", {false, true, false, false, false, false}},
                      TerminalCase{"YDown", "e", {false, true, true, false, false, true}},
                      TerminalCase{"YUp", "ef", {false, true, false, true, false, true}},
                      TerminalCase{"StopY", "eg", {false, true, true, false, false, false}},
                      TerminalCase{"RAndUnknownBytesIgnored",
                                   "rZ1\n",
                                   {false, true, false, false, false, false}}),
    case_name);

TEST(BenchUartLettersTest, StepInterruptsOnlyAcknowledgeTheirStepEvent) {
    power_up();
    type("be");
    const auto x_before = interrupt_count(TIM1_CC_IRQn);
    const auto y_before = interrupt_count(TIM8_CC_IRQn);
    run_for(milliseconds(100));
    EXPECT_EQ(interrupt_count(TIM1_CC_IRQn) - x_before, 200u);
    EXPECT_EQ(interrupt_count(TIM8_CC_IRQn) - y_before, 200u);
    EXPECT_FALSE(TIM1->SR & TIM_SR_CC1IF);
    EXPECT_TRUE(TIM1->SR & TIM_SR_UIF);  // left set: nothing serves it
}
