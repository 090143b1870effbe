// The board driver on the modelled chip: pins, step timers, serial line, delays.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plotter/board.h"
#include "sim/chip_model.h"

using namespace chip::sim;

namespace {
std::vector<Cycles> x_steps, y_steps;
std::string received;
int limit_interrupts;

void acknowledge_step(TIM_Registers* timer, std::vector<Cycles>& steps) {
    if (!(timer->SR & TIM_SR_CC1IF)) return;
    timer->SR = ~TIM_SR_CC1IF;
    steps.push_back(now());
}
}  // namespace

void TIM8_CC_IRQHandler(void) { acknowledge_step(TIM8, x_steps); }
void TIM1_CC_IRQHandler(void) { acknowledge_step(TIM1, y_steps); }
void USART1_IRQHandler(void) {
    if (USART1->SR & USART_SR_RXNE) received.push_back(static_cast<char>(USART1->DR & 0xFF));
}
void EXTI9_5_IRQHandler(void) {
    ++limit_interrupts;
    if (EXTI->PR & EXTI_LINE(8)) EXTI->PR = EXTI_LINE(8);
    if (EXTI->PR & EXTI_LINE(9)) EXTI->PR = EXTI_LINE(9);
}

namespace {

class BoardDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset();
        x_steps.clear();
        y_steps.clear();
        received.clear();
        limit_interrupts = 0;
        _EXTI_Init();
        _GPIO_Init();
        TIMER1_OC_Init();
        TIMER8_OC_Init();
        TIMER4_PWM_Init();
        USART1_Init();
    }
};

TEST_F(BoardDriverTest, AxisStepsAtItsPeriodFromStartToStop) {
    x_start();
    const Cycles started = now();
    run_for(milliseconds(10) + microseconds(50));
    x_stop();
    run_for(milliseconds(5));

    ASSERT_EQ(x_steps.size(), 100u);  // motor_arr 100 at a 1 MHz tick: 100 us per step event
    EXPECT_NEAR(static_cast<double>(x_steps[0] - started), microseconds(99), 60);
    for (std::size_t k = 1; k < x_steps.size(); ++k)
        EXPECT_NEAR(static_cast<double>(x_steps[k] - x_steps[k - 1]), microseconds(100), 40);
    EXPECT_TRUE(y_steps.empty());
    EXPECT_FALSE(timer_running(Timer::Tim8));
}

TEST_F(BoardDriverTest, StopIsHarmlessOnAStoppedAxisAndStartRestartsThePeriod) {
    y_stop();
    y_start();
    y_start();  // already running: the period is not disturbed
    run_for(microseconds(250));
    y_stop();
    y_stop();
    EXPECT_EQ(y_steps.size(), 2u);
    y_start();
    const Cycles restarted = now();
    run_for(microseconds(150));
    ASSERT_EQ(y_steps.size(), 3u);
    EXPECT_NEAR(static_cast<double>(y_steps[2] - restarted), microseconds(99), 60);
}

TEST_F(BoardDriverTest, DirectionLinesFollowTheOperations) {
    struct Case {
        void (*operation)();
        bool pf13, pf14, pf15;
    };
    const Case cases[] = {
        {x_right, true, false, false},
        {y_up, true, false, true},
        {x_left, false, false, true},
        {y_down, false, true, false},
    };
    for (const Case& c : cases) {
        c.operation();
        EXPECT_EQ(output(Port::F, 13), c.pf13);
        EXPECT_EQ(output(Port::F, 14), c.pf14);
        EXPECT_EQ(output(Port::F, 15), c.pf15);
    }
    EXPECT_FALSE(output(Port::F, 4));  // laser off after set-up
}

TEST_F(BoardDriverTest, StepPeriodBeyondSixteenBitsIsPacedByThePrescaler) {
    struct Case {
        std::uint32_t arr, psc, reload;
    };
    const Case cases[] = {
        {99, 167, 99},       {165, 167, 165},
        {65535, 167, 65535}, {65536, 335, 32768},          // 65537 ticks: two of 32768.5, rounded
        {98999, 335, 49499}, {0xFFFFFFFFu, 65519, 65535},  // as slow as the timer goes
    };
    for (const Case& c : cases) {
        board::set_step_period(TIM8, c.arr);
        EXPECT_EQ(TIM8->PSC, c.psc) << c.arr;
        EXPECT_EQ(TIM8->ARR, c.reload) << c.arr;
    }

    board::set_step_period(TIM8, 98999);
    x_start();
    run_for(milliseconds(400));
    ASSERT_GE(x_steps.size(), 3u);
    EXPECT_NEAR(static_cast<double>(x_steps[2] - x_steps[1]), microseconds(99000), 60);
}

TEST_F(BoardDriverTest, LimitSwitchesRaiseTheSharedExtiInterrupt) {
    set_input(Port::D, 8, false);
    run_for(microseconds(10));
    EXPECT_EQ(limit_interrupts, 1);
    EXPECT_EQ(GPIOD->IDR & (1u << 8), 0u);
    set_input(Port::D, 8, true);
    set_input(Port::D, 9, false);
    run_for(microseconds(10));
    EXPECT_EQ(limit_interrupts, 2);
    EXPECT_EQ(EXTI->PR, 0u);
}

TEST_F(BoardDriverTest, Usart1ReceivesAt115200) {
    send_serial(Serial::Usart1, "LX12.5Y07.0Z", 115200);
    run_for(milliseconds(2));
    EXPECT_EQ(received, "LX12.5Y07.0Z");
    EXPECT_EQ(framing_errors(Serial::Usart1), 0u);
    EXPECT_EQ(overruns(Serial::Usart1), 0u);
}

TEST_F(BoardDriverTest, Tim4RunsAsPwmAtOneKilohertz) {
    run_for(milliseconds(10));
    EXPECT_EQ(update_events(Timer::Tim4), 10u);
}

TEST_F(BoardDriverTest, DelayTakesAboutTheAskedTime) {
    for (std::uint32_t ms : {0u, 1u, 50u}) {
        const Cycles start = now();
        DelayMS(ms);
        EXPECT_NEAR(static_cast<double>(now() - start), milliseconds(ms),
                    milliseconds(ms) * 0.02 + 50);
    }
}

}  // namespace
