// The modelled chip, driven the way firmware drives the real one.
#include "sim/chip_model.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "chip/stm32f40x.h"

using namespace chip::sim;

namespace {
std::function<void()> tim4_handler, exti0_handler, usart1_handler;
}  // namespace

void TIM4_IRQHandler(void) { tim4_handler(); }
void EXTI0_IRQHandler(void) { exti0_handler(); }
void USART1_IRQHandler(void) { usart1_handler(); }

namespace {

class ChipModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset();
        tim4_handler = exti0_handler = usart1_handler = [] {};
    }

    // TIM4 as the TIM4 benches set it up: 1 MHz tick, period 500 us, toggle at 250.
    static void start_tim4(std::uint32_t dier) {
        RCC->APB1ENR |= RCC_APB1ENR_TIM4EN;
        TIM4->PSC = 83;
        TIM4->ARR = 499;
        TIM4->EGR = TIM_EGR_UG;
        TIM4->SR = 0;
        TIM4->CCMR1 = TIM_CCMR1_OC1M_TOGGLE;
        TIM4->CCER = TIM_CCER_CC1E;
        TIM4->CCR1 = 250;
        TIM4->DIER = dier;
        nvic_enable(TIM4_IRQn);
        TIM4->CR1 |= TIM_CR1_CEN;
    }
};

TEST_F(ChipModelTest, TimerRaisesCompareInterruptsAtItsPeriod) {
    std::vector<Cycles> times;
    tim4_handler = [&] {
        times.push_back(now());
        TIM4->SR = ~TIM_SR_CC1IF;
    };
    start_tim4(TIM_DIER_CC1IE);
    const Cycles started = now();
    run_for(milliseconds(10));

    ASSERT_EQ(times.size(), 20u);
    EXPECT_NEAR(static_cast<double>(times[0] - started), microseconds(250), 100);
    for (std::size_t k = 1; k < times.size(); ++k)
        EXPECT_NEAR(static_cast<double>(times[k] - times[k - 1]), microseconds(500), 40);
    EXPECT_EQ(compare_events(Timer::Tim4, 1), 20u);
    EXPECT_EQ(update_events(Timer::Tim4), 20u);
}

TEST_F(ChipModelTest, WritingStatusBackClearsOnlyTheClearedFlag) {
    RCC->APB1ENR |= RCC_APB1ENR_TIM4EN;
    TIM4->EGR = TIM_EGR_UG | TIM_EGR_CC1G | TIM_EGR_CC2G;
    EXPECT_EQ(TIM4->SR & 0x7u, TIM_SR_UIF | TIM_SR_CC1IF | TIM_SR_CC2IF);
    TIM4->SR = ~TIM_SR_CC1IF;
    EXPECT_EQ(TIM4->SR & 0x7u, TIM_SR_UIF | TIM_SR_CC2IF);
    TIM4->SR &= ~TIM_SR_UIF;
    EXPECT_EQ(TIM4->SR & 0x7u, TIM_SR_CC2IF);
}

TEST_F(ChipModelTest, PreloadedPeriodAndPrescalerApplyAtTheNextUpdate) {
    std::vector<Cycles> times;
    tim4_handler = [&] {
        times.push_back(now());
        TIM4->SR = 0;
    };
    start_tim4(TIM_DIER_UIE);
    TIM4->CR1 |= TIM_CR1_ARPE;
    run_for(microseconds(100));
    TIM4->ARR = 999;  // preloaded: this period still ends at 500 us
    TIM4->PSC = 167;  // half the tick rate from the next period on
    run_for(microseconds(5000));
    ASSERT_GE(times.size(), 3u);
    EXPECT_NEAR(static_cast<double>(times[1] - times[0]), microseconds(2000), 40);
    EXPECT_NEAR(static_cast<double>(times[2] - times[1]), microseconds(2000), 40);
}

TEST_F(ChipModelTest, StoppedTimerRaisesNothing) {
    start_tim4(TIM_DIER_CC1IE);
    tim4_handler = [] { TIM4->SR = 0; };
    TIM4->CR1 &= ~TIM_CR1_CEN;
    run_for(milliseconds(5));
    EXPECT_EQ(compare_events(Timer::Tim4, 1), 0u);
    EXPECT_FALSE(timer_running(Timer::Tim4));
}

TEST_F(ChipModelTest, UnclockedPeripheralIgnoresWrites) {
    TIM4->ARR = 1234;
    EXPECT_EQ(TIM4->ARR, 0u);
    RCC->APB1ENR |= RCC_APB1ENR_TIM4EN;
    EXPECT_EQ(TIM4->ARR, 0xFFFFu);  // reset value
    TIM4->ARR = 1234;
    EXPECT_EQ(TIM4->ARR, 1234u);
}

TEST_F(ChipModelTest, ExtiFallingEdgeOnRoutedPinRaisesPendingLine) {
    int calls = 0;
    exti0_handler = [&] {
        ++calls;
        EXTI->PR = EXTI_LINE(0);  // a written 1 clears
    };
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIOGEN;
    RCC->APB2ENR |= RCC_APB2ENR_SYSCFGEN;
    SYSCFG->EXTICR[0] = SYSCFG_EXTICR_EXTI(0, SYSCFG_EXTI_PG);
    EXTI->FTSR = EXTI_LINE(0);
    EXTI->IMR = EXTI_LINE(0);
    nvic_enable(EXTI0_IRQn);

    struct Step {
        Port port;
        bool level;
        int calls_after;
    };
    const Step steps[] = {
        {Port::G, false, 1},  // falling edge on the routed port
        {Port::G, false, 1},  // held low: no new edge
        {Port::G, true, 1},   // rising edge: not selected
        {Port::D, false, 1},  // another port's pin 0 is not routed
        {Port::G, false, 2},
    };
    for (const Step& s : steps) {
        set_input(s.port, 0, s.level);
        run_for(microseconds(10));
        EXPECT_EQ(calls, s.calls_after);
    }
    EXPECT_EQ(EXTI->PR, 0u);
    EXPECT_EQ(GPIOG->IDR & 1u, 0u);
}

TEST_F(ChipModelTest, OutputsAreRecordedWithTheirTime) {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIOFEN;
    GPIOF->MODER = GPIO_MODER_MODE(4, GPIO_MODE_OUTPUT);
    GPIOF->BSRR = GPIO_BSRR_BS(4);
    const Cycles on = now();
    run_for(milliseconds(1));
    GPIOF->ODR ^= 1u << 4;
    GPIOF->BSRR = GPIO_BSRR_BR(4);  // already low: no change

    ASSERT_EQ(pin_changes().size(), 2u);
    EXPECT_EQ(pin_changes()[0], (PinChange{on, Port::F, 4, true}));
    EXPECT_EQ(pin_changes()[1].level, false);
    EXPECT_GE(pin_changes()[1].time - on, milliseconds(1));
    EXPECT_EQ(GPIOF->IDR & (1u << 4), 0u);  // an output pin reads its own level
}

class SerialTest : public ChipModelTest {
protected:
    std::string received;
    void SetUp() override {
        ChipModelTest::SetUp();
        usart1_handler = [this] {
            if (USART1->SR & USART_SR_RXNE) received.push_back(static_cast<char>(USART1->DR));
        };
        RCC->APB2ENR |= RCC_APB2ENR_USART1EN;
        USART1->BRR = 729;  // 115200 baud at 84 MHz
        USART1->CR1 = USART_CR1_UE | USART_CR1_RE | USART_CR1_TE | USART_CR1_RXNEIE;
        nvic_enable(USART1_IRQn);
    }
};

TEST_F(SerialTest, BytesArriveOneFrameApartAndReadingClearsRxne) {
    send_serial(Serial::Usart1, "LX12.5", 115200);
    run_for(microseconds(5 * 87));  // five frames of 86.8 us
    EXPECT_EQ(received, "LX12.");
    run_for(microseconds(87));
    EXPECT_EQ(received, "LX12.5");
    EXPECT_EQ(USART1->SR & USART_SR_RXNE, 0u);
    EXPECT_EQ(framing_errors(Serial::Usart1), 0u);
    EXPECT_EQ(serial_pending(Serial::Usart1), 0u);
}

TEST_F(SerialTest, WrongBaudRateGivesFramingErrors) {
    send_serial(Serial::Usart1, "ab", 9600);
    run_for(milliseconds(3));
    EXPECT_EQ(framing_errors(Serial::Usart1), 2u);
    EXPECT_NE(received, "ab");
}

TEST_F(SerialTest, UnreadByteIsOverrunByTheNext) {
    usart1_handler = [] {};  // never reads: RXNE stays set
    USART1->CR1 &= ~USART_CR1_RXNEIE;
    send_serial(Serial::Usart1, "xyz", 115200);
    run_for(milliseconds(1));
    EXPECT_EQ(overruns(Serial::Usart1), 2u);
    EXPECT_EQ(USART1->DR, static_cast<std::uint32_t>('x'));
}

// ORE clears only by reading SR and then DR; a DR read alone leaves it set
// (and the receive interrupt pending) with RXNE clear.
TEST_F(SerialTest, OverrunClearsOnlyBySrThenDr) {
    usart1_handler = [] {};
    USART1->CR1 &= ~USART_CR1_RXNEIE;
    send_serial(Serial::Usart1, "xy", 115200);
    run_for(milliseconds(1));
    ASSERT_EQ(overruns(Serial::Usart1), 1u);
    EXPECT_EQ(USART1->DR, static_cast<std::uint32_t>('x'));  // DR alone
    EXPECT_EQ(USART1->SR & (USART_SR_RXNE | USART_SR_ORE), USART_SR_ORE);
    EXPECT_NE(USART1->SR & USART_SR_ORE, 0u);  // SR, then DR
    EXPECT_EQ(USART1->DR, static_cast<std::uint32_t>('x'));
    EXPECT_EQ(USART1->SR & (USART_SR_RXNE | USART_SR_ORE), 0u);
}

TEST_F(SerialTest, TransmittedBytesAreRecorded) {
    for (char c : std::string("ok")) {
        while (!(USART1->SR & USART_SR_TXE)) {
        }
        USART1->DR = static_cast<std::uint8_t>(c);
    }
    EXPECT_EQ(transmitted(Serial::Usart1), "ok");
}

// The firmware's endless loop, as a scenario runs it.
int spinning_main() {
    for (;;) chip_time_hook();
}

TEST_F(ChipModelTest, ScenarioStopsTheEndlessLoop) {
    EXPECT_EQ(run(spinning_main, milliseconds(2)), StopReason::TimeUp);
    EXPECT_NEAR(static_cast<double>(now()), milliseconds(2), 20);

    at(now() + microseconds(300), [] { request_stop(); });
    const Cycles start = now();
    EXPECT_EQ(run(spinning_main, milliseconds(50)), StopReason::Requested);
    EXPECT_NEAR(static_cast<double>(now() - start), microseconds(300), 20);
}

TEST_F(ChipModelTest, RegisterWritesAreReportedToObservers) {
    struct Write {
        const void* block;
        std::uint32_t offset, value;
    };
    std::vector<Write> writes;
    on_register_write([&](const void* block, std::uint32_t offset, std::uint32_t value, Cycles) {
        writes.push_back({block, offset, value});
    });
    TIM4->ARR = 77;  // unclocked: no effect, not reported
    RCC->APB1ENR |= RCC_APB1ENR_TIM4EN;
    TIM4->ARR = 99;
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].block, RCC);
    EXPECT_EQ(writes[1].block, TIM4);
    EXPECT_EQ(writes[1].offset, offsetof(TIM_Registers, ARR));
    EXPECT_EQ(writes[1].value, 99u);
}

TEST_F(ChipModelTest, EnabledInterruptWithoutHandlerIsReported) {
    RCC->APB1ENR |= RCC_APB1ENR_UART4EN;
    UART4->CR1 = USART_CR1_UE | USART_CR1_TE | USART_CR1_TXEIE;  // TXE is set: raised at once
    EXPECT_THROW(nvic_enable(UART4_IRQn), std::logic_error);
}

}  // namespace
