// bench_switch_c driven by its switches: lines 0 to 7 on port D, each served
// after a 10 ms delay inside its handler.
#include "bench_test_support.h"

using namespace bench_test;

class BenchSwitchCTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(BenchSwitchCTest, SwitchesDriveTheAxisLines) {
    EXPECT_EQ(lines_after_taps(GetParam().taps), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BenchSwitchCTest,
    ::testing::ValuesIn(WithPortDLines0To6({SwitchCase{"Line7DoesNothing",
                                                       {{Port::D, 2}, {Port::D, 7}},
                                                       {false, true, false, false, true, true}},
                                            SwitchCase{"Line14NotEnabled",
                                                       {{Port::D, 14}},
                                                       {false, false, false, false, true, true}}})),
    case_name);

TEST(BenchSwitchCTest, BounceWithin10msGivesOneActionAfterTheDelay) {
    power_up();
    tap(Port::D, 2);  // PF13 high, so that line 3's action shows
    const Cycles pressed = bouncing_press(Port::D, 3);
    run_for(milliseconds(50));
    EXPECT_EQ(interrupt_count(EXTI3_IRQn), 1u);
    EXPECT_FALSE(output(Port::F, 13));
    EXPECT_GE(last_change(Port::F, 13, false), pressed + milliseconds(10));
}

TEST(BenchSwitchCTest, Line7IsAcknowledgedOnce) {
    power_up();
    tap(Port::D, 7);
    tap(Port::D, 7);
    EXPECT_EQ(interrupt_count(EXTI9_5_IRQn), 2u);
    EXPECT_EQ(EXTI->PR, 0u);
}
