// plotter_main_fine: each axis's prescaler and auto-reload pair, checked
// against the timer rules of the reference manual (update event period =
// (PSC + 1)(ARR + 1) / f_timer, 16-bit PSC and ARR, the timer clock twice its
// APB clock when the APB prescaler is not 1), and the carriage's distance from
// the ideal path on the modelled chip.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "chip/stm32f40x.h"
#include "plotter/board.h"
#include "plotter/plotter_figure.h"
#include "plotter/tests/power_on_state.h"
#include "plotter/tests/test_figures.h"
#include "sim/chip_model.h"
#include "sim/plotter_sim/plotter_run.h"

using namespace chip::sim;

namespace {

constexpr double kPathStepSeconds = 100e-6;  // motor_arr 100: one path step per 100 us

double period_seconds(std::uint32_t psc, std::uint32_t arr) {
    return (psc + 1.0) * (arr + 1.0) / board::kStepTimerClockHz;
}

// Field `width` bits wide at `pos` of a register value.
std::uint32_t field(std::uint32_t value, unsigned pos, unsigned width) {
    return value >> pos & ((1u << width) - 1);
}

// An APB or AHB prescaler field as a divisor: below the first dividing code
// the clock passes undivided.
unsigned divisor(std::uint32_t code, std::uint32_t first_dividing) {
    return code < first_dividing ? 1u : 2u << (code - first_dividing);
}

// The clocks as the reference manual derives them from RCC's registers
// (8 MHz crystal): PLLCFGR M [5:0], N [14:6], P [17:16] as 2/4/6/8; CFGR HPRE
// [7:4], PPRE1 [12:10], PPRE2 [15:13]; a timer clock is its APB clock when
// that APB's prescaler is 1, twice it otherwise. TIM1 and TIM8 sit on APB2
// (APB2ENR bits 0 and 1), TIM4 on APB1 (APB1ENR bit 2).
TEST(FinePacingTest, StepTimersCountTheTimerClockTheManualGives) {
    reset();
    SystemInit();
    TIMER1_OC_Init();
    TIMER8_OC_Init();
    TIMER4_PWM_Init();
    const std::uint32_t pll = RCC->PLLCFGR, cfgr = RCC->CFGR;
    const double sysclk = 8e6 / field(pll, 0, 6) * field(pll, 6, 9) / (2 * (field(pll, 16, 2) + 1));
    const double hclk = sysclk / divisor(field(cfgr, 4, 4), 8);
    const unsigned apb1 = divisor(field(cfgr, 10, 3), 4), apb2 = divisor(field(cfgr, 13, 3), 4);
    const double tim_apb1 = hclk / apb1 * (apb1 == 1 ? 1 : 2);
    const double tim_apb2 = hclk / apb2 * (apb2 == 1 ? 1 : 2);
    EXPECT_EQ(sysclk, 168e6);
    EXPECT_TRUE(RCC->APB2ENR & 1u << 0);  // TIM1
    EXPECT_TRUE(RCC->APB2ENR & 1u << 1);  // TIM8
    EXPECT_TRUE(RCC->APB1ENR & 1u << 2);  // TIM4
    EXPECT_EQ(tim_apb2, board::kStepTimerClockHz);
    EXPECT_EQ(tim_apb1 / (TIM4->PSC + 1), 1e6);  // the PWM's 1 MHz tick
}

// A wanted period in timer ticks gets the smallest prescaler whose 16-bit
// ARR holds it, and is met to within half a prescaled tick.
TEST(FinePacingTest, StepTimingIsTheFinestPairForThePeriod) {
    const double periods[] = {2,       16800,    23759.4, 65535.4, 65535.6, 65536,
                              65536.4, 131072.9, 1.7e6,   8.4e8,   4.29e9,  65536.0 * 65536.0};
    for (double ticks : periods) {
        SCOPED_TRACE(ticks);
        const board::StepTiming t = board::fine_step_timing(ticks);
        ASSERT_LE(t.psc, 0xFFFFu);
        ASSERT_LE(t.arr, 0xFFFFu);
        const double got = (t.psc + 1.0) * (t.arr + 1.0);
        EXPECT_LE(std::abs(got - ticks), (t.psc + 1.0) / 2);
        if (t.psc > 0) {
            EXPECT_GT(ticks, t.psc * 65536.0);  // a smaller prescaler cannot hold it
            EXPECT_GE(t.arr + 1, 32768u);
        }
        EXPECT_LE(t.ccr1, t.arr);  // a step event in every period, halfway through
        EXPECT_NEAR(t.ccr1, (t.arr + 1) / 2.0, 1.0);
    }
    EXPECT_EQ(board::fine_step_timing(1.0 / 0.0).psc, 0xFFFFu);  // no displacement
}

// Straight sets both axes' periods from the steps each makes: each is the
// path's 100 us per step over its share of the length, to 1/32768, so
// their ratio is the displacements' ratio to 1/16384.
TEST(FinePacingTest, DiagonalPeriodsKeepTheDisplacementRatio) {
    struct Case {
        double px, py, qx, qy;
    };
    const Case cases[] = {
        {0.0, 0.0, 1.0, 1.0},   {5.0, 5.0, 6.9, 5.6},    {0.0, 0.0, 33.3, 99.9},
        {0.1, 99.9, 0.2, 0.0},  {33.3, 0.1, 0.0, 0.2},   {12.3, 45.6, 12.4, 45.5},
        {3.0, 9.0, 33.3, 99.8}, {20.0, 80.0, 0.1, 79.9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.px << ',' << c.py << " -> " << c.qx << ',' << c.qy);
        reset();
        power_on::reset_figure_state();
        _GPIO_Init();
        TIMER1_OC_Init();
        TIMER8_OC_Init();
        x_num[0] = c.px;
        y_num[0] = c.py;
        x_num[1] = c.qx;
        y_num[1] = c.qy;
        i = 1;
        x_cur = static_cast<int>(resolution * c.px);
        y_cur = static_cast<int>(resolution * c.py);
        const int from_x = x_cur, from_y = y_cur;
        Straight();
        const double dx = std::abs(x_goal - from_x), dy = std::abs(y_goal - from_y);
        const double length = std::hypot(dx, dy);
        const double tx = period_seconds(TIM8->PSC, TIM8->ARR);
        const double ty = period_seconds(TIM1->PSC, TIM1->ARR);
        EXPECT_NEAR(tx / (length / dx * kPathStepSeconds), 1.0, 1.0 / 32768);
        EXPECT_NEAR(ty / (length / dy * kPathStepSeconds), 1.0, 1.0 / 32768);
        EXPECT_NEAR(tx * dx / (ty * dy), 1.0, 1.0 / 16384);
        EXPECT_LE(TIM8->CCR1, TIM8->ARR);
        EXPECT_LE(TIM1->CCR1, TIM1->ARR);
        x_stop();
        y_stop();
    }
}

TEST(FinePacingTest, SingleAxisSegmentsStepEvery100Microseconds) {
    reset();
    power_on::reset_figure_state();
    _GPIO_Init();
    TIMER8_OC_Init();
    TIMER1_OC_Init();
    x_num[0] = 1.0;
    y_num[0] = 2.0;
    x_num[1] = 7.5;
    y_num[1] = 2.0;
    i = 1;
    Straight();
    EXPECT_EQ(period_seconds(TIM8->PSC, TIM8->ARR), kPathStepSeconds);
    EXPECT_LE(TIM8->CCR1, TIM8->ARR);
    x_stop();
}

// The target: at most 8 step events from the ideal polyline, and every figure
// ends on its last point. The figures run one after another after one homing.
TEST(FinePacingTest, CarriageKeepsWithinEightStepsOfThePath) {
    using test_figures::point;
    const std::string figures[] = {
        test_figures::star_figure(12, 20, 15), test_figures::random_figure(5, 3, 120),
        point(1, 40) + point(2, 0) + point(40, 1) + point(0, 3) + "Z",  // steep and shallow
        point(1, 1) + point(2, 3) + point(3, 2) + point(2, 2) + point(4, 3) + "Z",  // short
    };
    power_on::reset_main_state();
    plotter_sim::RunOptions options;
    for (const std::string& figure : figures) options.stream += figure;
    options.start_x = options.start_y = 300;
    options.time_limit = milliseconds(200'000);
    const plotter_sim::RunResult result = plotter_sim::run_plotter(options);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.replies.back(), "done 4");
    EXPECT_EQ(result.path.back().x, result.figure_points.back().x);
    EXPECT_EQ(result.path.back().y, result.figure_points.back().y);
    EXPECT_LE(result.max_deviation, 8.0);
}

}  // namespace
