// The shared bench set-up on the modelled chip: delays, step timers, UART4.
#include <vector>

#include "../bench_axes.h"
#include "bench_test_support.h"

using namespace bench_test;

namespace {
std::vector<Cycles> x_interrupts, y_interrupts;
}

void TIM1_CC_IRQHandler(void) {
    x_interrupts.push_back(now());
    bench::acknowledge_step(TIM1);
}
void TIM8_CC_IRQHandler(void) {
    y_interrupts.push_back(now());
    bench::acknowledge_step(TIM8);
}
void UART4_IRQHandler(void) { (void)(UART4->DR & 0xFF); }

TEST(BenchSetupTest, DelaysUseTheLow16BitsOfTheirCount) {
    // A millisecond is 17000 passes of 10 cycles: 170000 cycles, about 1.01 ms.
    struct Case {
        std::uint32_t count;
        std::uint32_t passes_of_1000_us;
    } const cases[] = {{0, 0}, {1, 1}, {10, 10}, {65536, 0}, {65536 + 2, 2}, {0x0FFF0003u, 3}};
    for (const Case& c : cases) {
        reset();
        const Cycles start = now();
        DelayMS(c.count);
        EXPECT_EQ(now() - start, c.passes_of_1000_us * Cycles{170000}) << c.count;
    }
}

TEST(BenchSetupTest, DelayUsCountsSeventeenPassesPerMicrosecond) {
    reset();
    const Cycles start = now();
    DelayUS(100);
    EXPECT_NEAR(double(now() - start), 17.0 * 100 * 10, 50);  // 10 cycles a pass
    const Cycles wrapped = now();
    DelayUS(65536 + 100);
    EXPECT_NEAR(double(now() - wrapped), 17.0 * 100 * 10, 50);
}

TEST(BenchSetupTest, StepTimersInterruptAtOnceThenEvery500Microseconds) {
    for (auto start : {bench::TimerStart::Running, bench::TimerStart::Stopped}) {
        reset();
        x_interrupts.clear();
        y_interrupts.clear();
        const Cycles t0 = now();
        TIMER1_OC_Init(start);
        TIMER8_OC_Init(start);
        run_for(milliseconds(10) + microseconds(100));

        // The forced compare event comes at once. PSC is preloaded and
        // nothing forces an update, so a running timer's first period is
        // counted at 168 MHz: one match 250 cycles in, the new prescaler from
        // the overflow 500 cycles in, then a match every 500 us.
        const bool running = start == bench::TimerStart::Running;
        EXPECT_EQ(timer_running(Timer::Tim1), running);
        EXPECT_EQ(timer_running(Timer::Tim8), running);
        for (const auto* events : {&x_interrupts, &y_interrupts}) {
            ASSERT_EQ(events->size(), running ? 22u : 1u);
            EXPECT_LT((*events)[0] - t0, microseconds(2));
            if (!running) continue;
            EXPECT_LT((*events)[1] - (*events)[0], microseconds(3));
            EXPECT_NEAR(double((*events)[2] - (*events)[1]), microseconds(250), microseconds(3));
            for (std::size_t n = 3; n < events->size(); ++n)
                EXPECT_EQ((*events)[n] - (*events)[n - 1], microseconds(500));
        }
    }
}

// What the timing above cannot show: the compare output toggles the step pin (PE9, AF1).
TEST(BenchSetupTest, StepTimerTogglesTheStepPin) {
    reset();
    TIMER1_OC_Init();
    EXPECT_EQ(TIM1->CCMR1 & TIM_CCMR1_OC1M_Msk, TIM_CCMR1_OC1M_TOGGLE);
    EXPECT_EQ(GPIOE->AFR[1] & 0xF0u, 0x10u);
}

TEST(BenchSetupTest, Uart4BaudRateRegister) {
    struct Case {
        std::uint32_t baud;
        bool over8;
        std::uint32_t brr;
    } const cases[] = {{9600, false, 0x1117}, {115200, false, 0x16C}, {9600, true, 0x2227}};
    for (const Case& c : cases) {
        reset();
        RCC->APB1ENR |= RCC_APB1ENR_UART4EN;
        if (c.over8) UART4->CR1 = USART_CR1_OVER8;
        UART4_BRR_Configuration(c.baud);
        EXPECT_EQ(UART4->BRR, c.brr) << c.baud << (c.over8 ? " OVER8" : "");
    }
}

TEST(BenchSetupTest, Uart4ReceivesAt9600BaudAndSendsStrings) {
    reset();
    UART4_Init();
    EXPECT_EQ(UART4->BRR, 0x1117u);
    EXPECT_EQ(UART4->CR1 & (USART_CR1_UE | USART_CR1_RE | USART_CR1_TE | USART_CR1_RXNEIE),
              USART_CR1_UE | USART_CR1_RE | USART_CR1_TE | USART_CR1_RXNEIE);
    type("ab");
    EXPECT_EQ(framing_errors(Serial::Uart4), 0u);
    EXPECT_EQ(interrupt_count(UART4_IRQn), 2u);
    SerialSendString("ok\r\n");
    EXPECT_EQ(transmitted(Serial::Uart4), "ok\r\n");
}
