// The modelled carriage, moved by a step timer as the board driver runs it.
#include "sim/carriage.h"

#include <gtest/gtest.h>

#include "chip/stm32f40x.h"

using namespace chip::sim;

namespace {

// TIM8 stepping every 100 us without interrupts; PF13 is the X direction line.
void run_x_axis(bool towards_larger) {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIOFEN | RCC_AHB1ENR_GPIODEN;
    RCC->APB2ENR |= RCC_APB2ENR_TIM8EN;
    GPIOF->MODER = gpio_field2(13, GPIO_MODE_OUTPUT);
    GPIOF->BSRR = towards_larger ? GPIO_BSRR_BS(13) : GPIO_BSRR_BR(13);
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

TEST(CarriageTest, SwitchReadsPressedWhenStartingBeyondIt) {
    reset();
    Carriage carriage(kX, kY, 0, -300);
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIODEN;
    EXPECT_EQ((GPIOD->IDR >> 9) & 1u, 0u);
    EXPECT_EQ((GPIOD->IDR >> 8) & 1u, 1u);
}

}  // namespace
