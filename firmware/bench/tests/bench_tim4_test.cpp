// bench_tim4 on the modelled chip: the TIM4 toggles on PD12 and PD13 and the
// polled buttons on port G.
#include <vector>

#include "bench_test_support.h"

using namespace bench_test;

namespace {
struct Outputs {
    bool pd0, pd1, pd7;
    bool operator==(const Outputs&) const = default;
};
void PrintTo(const Outputs& o, std::ostream* os) {
    *os << "PD0 " << o.pd0 << " PD1 " << o.pd1 << " PD7 " << o.pd7;
}
Outputs outputs() { return {output(Port::D, 0), output(Port::D, 1), output(Port::D, 7)}; }
}  // namespace

struct ButtonCase {
    const char* name;
    std::vector<unsigned> buttons;  // PGn, pressed one after the other
    Outputs outputs;
};

class BenchTim4ButtonTest : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(BenchTim4ButtonTest, ButtonsSwitchTheOutputs) {
    reset();
    std::uint64_t t = kLoopStartMs;
    for (unsigned button : GetParam().buttons) {
        hold_at(Port::G, button, t, kHoldMs);
        t += kPressEveryMs;
    }
    run(firmware_main, milliseconds(t));
    EXPECT_EQ(outputs(), GetParam().outputs);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, BenchTim4ButtonTest,
    ::testing::Values(ButtonCase{"PG0SetsPD0", {0}, {true, false, false}},
                      ButtonCase{"PG2ClearsPD0", {0, 2}, {false, false, false}},
                      ButtonCase{"PG1SetsPD1", {1}, {false, true, false}},
                      ButtonCase{"PG3ClearsPD1", {1, 3}, {false, false, false}},
                      ButtonCase{"PG6SetsPD7", {6}, {false, false, true}},
                      ButtonCase{"PG7ClearsPD7", {6, 7}, {false, false, false}},
                      ButtonCase{"PG4AndPG5DoNothing", {0, 4, 5}, {true, false, false}}),
    case_name);

TEST(BenchTim4Test, PD12AndPD13Toggle500usApart50usBetween) {
    reset();
    std::vector<Cycles> ch1, ch2;
    on_compare([&](Timer t, unsigned channel, Cycles when) {
        if (t != Timer::Tim4) return;
        if (channel == 1) ch1.push_back(when);
        if (channel == 2) ch2.push_back(when);
    });
    run(firmware_main, milliseconds(16));
    ASSERT_GE(ch1.size(), 10u);
    ASSERT_EQ(ch1.size(), ch2.size());
    for (std::size_t n = 2; n < ch1.size(); ++n) {
        EXPECT_EQ(ch1[n] - ch1[n - 1], microseconds(500));
        EXPECT_EQ(ch2[n] - ch1[n], microseconds(50));
    }
    EXPECT_EQ(TIM4->SR & (TIM_SR_UIF | TIM_SR_CC1IF | TIM_SR_CC2IF), 0u);
    EXPECT_EQ(GPIOD->AFR[1] & 0x00FF0000u, 0x00220000u);  // PD12, PD13: AF2
}

TEST(BenchTim4Test, HeldButtonRepeatsEveryPassOfAtLeast10ms) {
    reset();
    std::vector<Cycles> sets;
    on_register_write(
        [&](const void* block, std::uint32_t offset, std::uint32_t value, Cycles when) {
            if (block == GPIOD && offset == offsetof(GPIO_Registers, BSRR) && value == 1u)
                sets.push_back(when);
        });
    hold_at(Port::G, 0, kLoopStartMs, 100);
    run(firmware_main, milliseconds(kLoopStartMs + 101));
    EXPECT_GE(sets.size(), 9u);
    EXPECT_LE(sets.size(), 10u);
    for (std::size_t n = 1; n < sets.size(); ++n)
        EXPECT_GE(sets[n] - sets[n - 1], milliseconds(10));
}

TEST(BenchTim4Test, ShortPressStillActsAfterTheDelay) {
    reset();
    hold_at(Port::G, 1, kLoopStartMs, 1);  // released long before the 10 ms are over
    run(firmware_main, milliseconds(kLoopStartMs + 12));
    EXPECT_TRUE(output(Port::D, 1));
    EXPECT_GE(last_change(Port::D, 1, true), milliseconds(kLoopStartMs + 10));
}
