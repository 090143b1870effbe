// bench_uart driven from its terminal: one digit per command; X runs from
// start-up.
#include "bench_test_support.h"

using namespace bench_test;

class BenchUartTest : public ::testing::TestWithParam<TerminalCase> {};

TEST_P(BenchUartTest, MovesTheAxesByHand) {
    EXPECT_EQ(lines_after_typing(GetParam().bytes), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Digits, BenchUartTest,
    ::testing::Values(TerminalCase{"StartUp", "", {false, false, false, false, true, false}},
                      TerminalCase{"XControlHigh", "1", {true, false, false, false, true, false}},
                      TerminalCase{"XControlLow", "12", {false, false, false, false, true, false}},
                      TerminalCase{"XUp3", "3", {false, true, false, false, true, false}},
                      TerminalCase{"XUp8", "8", {false, true, false, false, true, false}},
                      TerminalCase{"XDown4", "34", {false, false, false, false, true, false}},
                      TerminalCase{"XDown9", "89", {false, false, false, false, true, false}},
                      TerminalCase{"YDown", "5", {false, false, true, false, true, true}},
                      TerminalCase{"YUp", "56", {false, false, false, true, true, true}},
                      TerminalCase{"StopY", "67", {false, false, false, true, true, false}},
                      TerminalCase{
                          "OthersIgnored", "0abZ\r", {false, false, false, false, true, false}}),
    case_name);

TEST(BenchUartTest, StepInterruptsAcknowledgeBothFlags) {
    power_up();
    run_for(milliseconds(100));
    // Running from 10 ms after power-up: 110 ms, two step events a millisecond.
    EXPECT_NEAR(double(interrupt_count(TIM1_CC_IRQn)), 220, 3);
    EXPECT_FALSE(TIM1->SR & (TIM_SR_CC1IF | TIM_SR_UIF));
    EXPECT_EQ(transmitted(Serial::Uart4), "");  // nothing is ever sent back
}
