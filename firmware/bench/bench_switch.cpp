// Switch bench: push-buttons on PD0 to PD6, PD14 and PD15 (falling edges,
// external pull-ups) drive the axis control lines; both step timers run.
#include "bench_axes.h"

void TIM1_CC_IRQHandler(void) { bench::acknowledge_step(TIM1); }
void TIM8_CC_IRQHandler(void) { bench::acknowledge_step(TIM8); }

void EXTI0_IRQHandler(void) { bench::serve_switch_debounced(0); }
void EXTI1_IRQHandler(void) { bench::serve_switch_debounced(1); }
void EXTI2_IRQHandler(void) { bench::serve_switch_debounced(2); }
void EXTI3_IRQHandler(void) { bench::serve_switch_debounced(3); }
void EXTI4_IRQHandler(void) { bench::serve_switch_debounced(4); }
void EXTI9_5_IRQHandler(void) {
    bench::serve_pending(EXTI_LINE(5) | EXTI_LINE(6), bench::serve_switch_debounced);
}
// Lines 14 and 15: action, then acknowledgement, without a delay.
void EXTI15_10_IRQHandler(void) {
    bench::serve_pending(EXTI_LINE(14) | EXTI_LINE(15), bench::serve_switch_undelayed);
}

void _EXTI_Init() {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIODEN;
    RCC->APB2ENR |= RCC_APB2ENR_SYSCFGEN;
    GPIOD->MODER = 0;             // all of port D inputs
    SYSCFG->EXTICR[0] |= 0x3333;  // lines 0 to 3 from port D
    SYSCFG->EXTICR[1] |= 0x0333;  // lines 4 to 6
    SYSCFG->EXTICR[3] |= 0x3300;  // lines 14 and 15
    EXTI->FTSR |= 0xC07F;
    EXTI->IMR |= 0xC07F;
    bench::exti_enable_interrupts(true);
}

int main(void) {
    bench::axes_setup(bench::TimerStart::Running);
    _EXTI_Init();
    for (;;) chip_wait_for_interrupt();
}
