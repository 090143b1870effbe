// The modelled carriage, moved by a step timer as the board driver runs it.
#include "sim/carriage.h"

#include <gtest/gtest.h>

#include "chip/stm32f40x.h"

using namespace chip::sim;

namespace {

// What drives TIM8's channel 1 onto PC6, the X step pin.
struct StepOutput {
    std::uint32_t moder = GPIO_MODE_AF, af = 3, ccer = TIM_CCER_CC1E, bdtr = TIM_BDTR_MOE;
};

// TIM8 stepping every 100 us without interrupts; PF13 is the X direction line.
void run_x_axis(bool towards_larger, const StepOutput& out = {}) {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIOFEN | RCC_AHB1ENR_GPIODEN | RCC_AHB1ENR_GPIOCEN;
    RCC->APB2ENR |= RCC_APB2ENR_TIM8EN;
    GPIOF->MODER = GPIO_MODER_MODE(13, GPIO_MODE_OUTPUT);
    GPIOF->BSRR = towards_larger ? GPIO_BSRR_BS(13) : GPIO_BSRR_BR(13);
    GPIOC->MODER = GPIO_MODER_MODE(6, out.moder);
    GPIOC->AFR[0] = GPIO_AFR_AF(6, out.af);
    TIM8->CCMR1 = TIM_CCMR1_OC1M_TOGGLE;
    TIM8->CCER = out.ccer;
    TIM8->BDTR = out.bdtr;
    TIM8->PSC = 167;
    TIM8->ARR = 99;
    TIM8->CCR1 = 99;
    TIM8->EGR = TIM_EGR_UG;
    TIM8->CR1 = TIM_CR1_CEN;
}

const AxisWiring kX{Timer::Tim8, Port::F, 13, Port::D, 8, 1000, true};
const AxisWiring kY{Timer::Tim1, Port::F, 15, Port::D, 9, -200, false};

TEST(CarriageTest, StepsMoveTheAxisAndCloseItsSwitch) {
    struct Case {
        bool towards_larger;
        std::int64_t start, after_50_steps;
        bool switch_closed;
    };
    const Case cases[] = {
        {true, 0, 50, false},
        {false, 0, -50, false},
        {true, 960, 1010, true},
        {false, 1020, 970, false},
    };
    for (const Case& c : cases) {
        reset();
        Carriage carriage(kX, kY, c.start, 0);
        run_x_axis(c.towards_larger);
        run_for(microseconds(50 * 100 + 50));
        EXPECT_EQ(carriage.x(), c.after_50_steps);
        EXPECT_EQ(carriage.y(), 0);
        EXPECT_EQ((GPIOD->IDR >> 8) & 1u, c.switch_closed ? 0u : 1u);
    }
}

// The step pin toggles only when the timer drives it (RM0090, advanced-control
// timers, "Output control bits for complementary OCx and OCxN channels with
// break feature": with MOE = 0 the output is disabled or idle whatever CCxE;
// with MOE = 1 and CCxE = 0 it is off; GPIO "Alternate functions": the pin
// follows the timer only in alternate-function mode with AF3 selected for
// TIM8). The compare matches and their interrupts happen all the same.
TEST(CarriageTest, StepsOnlyWhenTheTimerDrivesTheStepPin) {
    struct Case {
        const char* name;
        StepOutput out;
        std::int64_t after_50_steps;
    };
    const Case cases[] = {
        {"Driven", {}, 50},
        {"ChannelDisabled", {GPIO_MODE_AF, 3, 0, TIM_BDTR_MOE}, 0},
        {"MainOutputOff", {GPIO_MODE_AF, 3, TIM_CCER_CC1E, 0}, 0},
        {"PinIsAnOutput", {GPIO_MODE_OUTPUT, 3, TIM_CCER_CC1E, TIM_BDTR_MOE}, 0},
        {"OtherAlternateFunction", {GPIO_MODE_AF, 2, TIM_CCER_CC1E, TIM_BDTR_MOE}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        Carriage carriage(kX, kY, 0, 0);
        run_x_axis(true, c.out);
        run_for(microseconds(50 * 100 + 50));
        EXPECT_EQ(carriage.x(), c.after_50_steps);
        EXPECT_EQ(compare_events(Timer::Tim8, 1), 50u);
    }
}

TEST(CarriageTest, SwitchReadsPressedWhenStartingBeyondIt) {
    reset();
    Carriage carriage(kX, kY, 0, -300);
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIODEN;
    EXPECT_EQ((GPIOD->IDR >> 9) & 1u, 0u);
    EXPECT_EQ((GPIOD->IDR >> 8) & 1u, 1u);
}

}  // namespace
