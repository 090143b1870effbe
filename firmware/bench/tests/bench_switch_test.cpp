// bench_switch driven by its switches: lines 0 to 6, 14 and 15 on port D.
#include "bench_test_support.h"

using namespace bench_test;

class BenchSwitchTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(BenchSwitchTest, SwitchesDriveTheAxisLines) {
    EXPECT_EQ(lines_after_taps(GetParam().taps), GetParam().lines);
}

// At start-up both step timers run and PF12 to PF15 are low.
INSTANTIATE_TEST_SUITE_P(
    Lines, BenchSwitchTest,
    ::testing::ValuesIn(WithPortDLines0To6(
        {SwitchCase{"StartUp", {}, {false, false, false, false, true, true}},
         SwitchCase{
             "Line4Then5", {{Port::D, 4}, {Port::D, 5}}, {false, false, false, true, true, true}},
         SwitchCase{"Line14", {{Port::D, 14}}, {false, true, false, false, true, true}},
         SwitchCase{
             "Line15", {{Port::D, 14}, {Port::D, 15}}, {false, false, false, false, true, true}},
         SwitchCase{"Line7NotEnabled", {{Port::D, 7}}, {false, false, false, false, true, true}}})),
    case_name);

TEST(BenchSwitchTest, BounceWithin10msGivesOneActionAfterTheDelay) {
    power_up();
    const Cycles pressed = bouncing_press(Port::D, 0);
    run_for(milliseconds(50));
    EXPECT_EQ(interrupt_count(EXTI0_IRQn), 1u);
    EXPECT_TRUE(output(Port::F, 12));
    const Cycles acted = last_change(Port::F, 12, true);
    EXPECT_GE(acted, pressed + milliseconds(10));
    EXPECT_LT(acted, pressed + milliseconds(11));
}

TEST(BenchSwitchTest, HeldSwitchActsOncePerFallingEdge) {
    power_up();
    press(Port::D, 5);
    run_for(milliseconds(200));
    EXPECT_EQ(interrupt_count(EXTI9_5_IRQn), 1u);
    release(Port::D, 5);
    run_for(milliseconds(20));
    tap(Port::D, 5);
    EXPECT_EQ(interrupt_count(EXTI9_5_IRQn), 2u);
}

TEST(BenchSwitchTest, Lines14And15ActWithoutDelay) {
    power_up();
    const Cycles pressed = now() + milliseconds(1);
    at(pressed, [] { press(Port::D, 14); });
    run_for(milliseconds(2));
    EXPECT_TRUE(output(Port::F, 13));
    EXPECT_LT(last_change(Port::F, 13, true), pressed + microseconds(20));
}

TEST(BenchSwitchTest, TheDelayInsideTheHandlerHoldsOffTheStepInterrupts) {
    power_up();
    std::vector<Cycles> steps;
    on_compare([&](Timer t, unsigned channel, Cycles) {
        if (t == Timer::Tim1 && channel == 1) steps.push_back(now());
    });
    const auto before = interrupt_count(TIM1_CC_IRQn);
    press(Port::D, 2);
    run_for(milliseconds(10));
    // About 20 step events pass while the handler waits; their flag is served once.
    EXPECT_GE(steps.size(), 19u);
    EXPECT_LE(interrupt_count(TIM1_CC_IRQn) - before, 1u);
}
