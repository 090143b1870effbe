// Switch bench with eight more lines on port B: buttons on PD0 to PD7 and
// PB8 to PB11 (falling edges, external pull-ups). Every line is acknowledged
// before its action and without a delay, so every edge gives an action.
#include "bench_axes.h"

void bench::serve_switch(unsigned line) { serve_switch_at_once(line); }

// Line 9 has no action, but a pending line left unacknowledged would raise
// this interrupt for ever; lines 10 and 11 likewise. Lines 12 to 15 come from
// no switch of this bench (their EXTICR entries keep port A, whose PA13 to
// PA15 are the debug pins): they are only acknowledged.
void EXTI9_5_IRQHandler(void) { bench::serve_pending(EXTI_LINES(5, 9), bench::serve_switch); }
void EXTI15_10_IRQHandler(void) {
    bench::serve_pending(EXTI_LINES(10, 11), bench::serve_switch);
    const std::uint32_t unrouted = EXTI->PR & EXTI_LINES(12, 15);
    if (unrouted != 0) EXTI->PR = unrouted;
}

void _EXTI_Init() {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIODEN;
    RCC->APB2ENR |= RCC_APB2ENR_SYSCFGEN;
    GPIOD->MODER &= ~GPIO_MODER_MODE_Msk(GPIO_PINS(0, 7));  // PD0 to PD7 inputs
    SYSCFG->EXTICR[0] |= SYSCFG_EXTICR_EXTI(GPIO_PINS(0, 3), SYSCFG_EXTI_PD);
    SYSCFG->EXTICR[1] |= SYSCFG_EXTICR_EXTI(GPIO_PINS(4, 7), SYSCFG_EXTI_PD);
    EXTI->FTSR |= EXTI_LINES(0, 7);
    EXTI->IMR |= EXTI_LINES(0, 7);

    RCC->AHB1ENR |= RCC_AHB1ENR_GPIOBEN;
    GPIOB->MODER &= ~GPIO_MODER_MODE_Msk(GPIO_PINS(8, 15));  // PB8 to PB15 inputs
    SYSCFG->EXTICR[2] |= SYSCFG_EXTICR_EXTI(GPIO_PINS(8, 11), SYSCFG_EXTI_PB);
    EXTI->FTSR |= EXTI_LINES(8, 15);
    EXTI->IMR |= EXTI_LINES(8, 15);

    bench::exti_enable_interrupts(true);
}

int main(void) {
    bench::axes_setup(bench::TimerStart::Running);
    _EXTI_Init();
    for (;;) chip_wait_for_interrupt();
}
