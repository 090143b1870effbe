// Switch bench: buttons on PD0 to PD7 (falling edges, external pull-ups);
// each handler waits 10 ms before its action and acknowledgement, so contact
// bounce within that time gives one action.
#include "bench_axes.h"

void bench::serve_switch(unsigned line) { serve_switch_debounced(line); }

// Line 7 is enabled but has no action: it is only acknowledged, so that it
// cannot raise this interrupt for ever.
void EXTI9_5_IRQHandler(void) {
    bench::serve_pending(EXTI_LINE(5) | EXTI_LINE(6), bench::serve_switch);
    if (EXTI->PR & EXTI_LINE(7)) EXTI->PR = EXTI_LINE(7);
}

void _EXTI_Init() {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIODEN;
    RCC->APB2ENR |= RCC_APB2ENR_SYSCFGEN;
    GPIOD->MODER &= ~GPIO_MODER_MODE_Msk(GPIO_PINS(0, 7));  // PD0 to PD7 inputs
    SYSCFG->EXTICR[0] |= SYSCFG_EXTICR_EXTI(GPIO_PINS(0, 3), SYSCFG_EXTI_PD);
    SYSCFG->EXTICR[1] |= SYSCFG_EXTICR_EXTI(GPIO_PINS(4, 7), SYSCFG_EXTI_PD);
    EXTI->FTSR |= EXTI_LINES(0, 7);
    EXTI->IMR |= EXTI_LINES(0, 7);
    bench::exti_enable_interrupts(false);
}

int main(void) {
    bench::axes_setup(bench::TimerStart::Running);
    _EXTI_Init();
    for (;;) chip_wait_for_interrupt();
}
