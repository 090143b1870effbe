// bench_switch_b driven by its switches: lines 0 to 7 on port D, 8 to 11 on
// port B; every line is acknowledged first, so every edge acts.
#include "bench_test_support.h"

using namespace bench_test;

class BenchSwitchBTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(BenchSwitchBTest, SwitchesDriveTheAxisLines) {
    EXPECT_EQ(lines_after_taps(GetParam().taps), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BenchSwitchBTest,
    ::testing::ValuesIn(WithPortDLines0To6(
        {SwitchCase{"Line7", {{Port::D, 7}}, {false, true, false, false, true, true}},
         SwitchCase{
             "Line8", {{Port::D, 7}, {Port::B, 8}}, {false, false, false, false, true, true}},
         SwitchCase{"Line8NotFromPortD",
                    {{Port::D, 7}, {Port::D, 8}},
                    {false, true, false, false, true, true}}})),
    case_name);

TEST(BenchSwitchBTest, EveryBounceEdgeActsAtOnce) {
    power_up();
    const Cycles pressed = bouncing_press(Port::D, 0);
    run_for(milliseconds(50));
    EXPECT_EQ(interrupt_count(EXTI0_IRQn), 3u);
    EXPECT_TRUE(output(Port::F, 12));
    const Cycles acted = last_change(Port::F, 12, true);
    EXPECT_LT(acted, pressed + microseconds(20));
}

// Lines without an action are acknowledged once and do nothing else; lines 12
// to 15 come from port A, no switch of this bench.
TEST(BenchSwitchBTest, LinesWithoutActionAreOnlyAcknowledged) {
    struct Case {
        SwitchLine line;
        IRQn irq;
    } const cases[] = {{{Port::B, 9}, EXTI9_5_IRQn},    {{Port::B, 10}, EXTI15_10_IRQn},
                       {{Port::B, 11}, EXTI15_10_IRQn}, {{Port::A, 12}, EXTI15_10_IRQn},
                       {{Port::A, 13}, EXTI15_10_IRQn}, {{Port::A, 14}, EXTI15_10_IRQn},
                       {{Port::A, 15}, EXTI15_10_IRQn}};
    power_up();
    const AxisLines before = axis_lines();
    std::uint64_t expected[2] = {0, 0};
    for (const Case& c : cases) {
        tap(c.line.port, c.line.line);
        ++expected[c.irq == EXTI9_5_IRQn ? 0 : 1];
        EXPECT_EQ(interrupt_count(EXTI9_5_IRQn), expected[0]) << c.line.line;
        EXPECT_EQ(interrupt_count(EXTI15_10_IRQn), expected[1]) << c.line.line;
        EXPECT_EQ(EXTI->PR, 0u);
        EXPECT_EQ(axis_lines(), before) << c.line.line;
    }
}
