// Switch bench: buttons on PD0 to PD7 (falling edges, external pull-ups);
// each handler waits 10 ms before its action and acknowledgement, so contact
// bounce within that time gives one action.
#include "bench_axes.h"

void TIM1_CC_IRQHandler(void) { bench::acknowledge_step(TIM1); }
void TIM8_CC_IRQHandler(void) { bench::acknowledge_step(TIM8); }

void EXTI0_IRQHandler(void) { bench::serve_switch_debounced(0); }
void EXTI1_IRQHandler(void) { bench::serve_switch_debounced(1); }
void EXTI2_IRQHandler(void) { bench::serve_switch_debounced(2); }
void EXTI3_IRQHandler(void) { bench::serve_switch_debounced(3); }
void EXTI4_IRQHandler(void) { bench::serve_switch_debounced(4); }
// Line 7 is enabled but has no action: it is only acknowledged, so that it
// cannot raise this interrupt for ever.
void EXTI9_5_IRQHandler(void) {
    bench::serve_pending(EXTI_LINE(5) | EXTI_LINE(6), bench::serve_switch_debounced);
    if (EXTI->PR & EXTI_LINE(7)) EXTI->PR = EXTI_LINE(7);
}

void _EXTI_Init() {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIODEN;
    RCC->APB2ENR |= RCC_APB2ENR_SYSCFGEN;
    GPIOD->MODER &= ~0xFFFFu;     // PD0 to PD7 inputs
    SYSCFG->EXTICR[0] |= 0x3333;  // lines 0 to 7 from port D
    SYSCFG->EXTICR[1] |= 0x3333;
    EXTI->FTSR |= 0x00FF;
    EXTI->IMR |= 0x00FF;
    bench::exti_enable_interrupts(false);
}

int main(void) {
    bench::axes_setup(bench::TimerStart::Running);
    _EXTI_Init();
    for (;;) chip_wait_for_interrupt();
}
