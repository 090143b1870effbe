// bench_tim4_switch on the modelled chip: one TIM4 toggle on PD12 and four
// polled buttons.
#include <vector>

#include "bench_test_support.h"

using namespace bench_test;

struct ButtonCase {
    const char* name;
    unsigned first, then;  // PGn, pressed one after the other
    bool pd0, pd1, pd7;
};

class BenchTim4SwitchTest : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(BenchTim4SwitchTest, ButtonsSwitchTheOutputs) {
    const ButtonCase& c = GetParam();
    reset();
    hold_at(Port::G, c.first, kLoopStartMs, kHoldMs);
    hold_at(Port::G, c.then, kLoopStartMs + kPressEveryMs, kHoldMs);
    run(firmware_main, milliseconds(kLoopStartMs + 2 * kPressEveryMs));
    EXPECT_EQ(output(Port::D, 0), c.pd0);
    EXPECT_EQ(output(Port::D, 1), c.pd1);
    EXPECT_EQ(output(Port::D, 7), c.pd7);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, BenchTim4SwitchTest,
    ::testing::Values(ButtonCase{"PG0ThenPG1", 0, 1, true, true, false},
                      ButtonCase{"PG0ThenPG2", 0, 2, false, false, false},
                      ButtonCase{"PG1ThenPG3", 1, 3, false, false, false},
                      ButtonCase{"PG6AndPG7DoNothing", 6, 7, false, false, false},
                      ButtonCase{"PG4AndPG5DoNothing", 4, 5, false, false, false}),
    case_name);

TEST(BenchTim4SwitchTest, OnlyPD12Toggles) {
    reset();
    run(firmware_main, milliseconds(16));
    EXPECT_NEAR(double(compare_events(Timer::Tim4, 1)), 12, 1);  // from 10 ms on, every 500 us
    EXPECT_FALSE(TIM4->CCER & TIM_CCER_CC2E);
    EXPECT_FALSE(TIM4->DIER & TIM_DIER_CC2IE);
    EXPECT_EQ(TIM4->SR & (TIM_SR_UIF | TIM_SR_CC1IF), 0u);
}
