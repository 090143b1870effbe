// Switch bench: push-buttons on PD0 to PD6, PD14 and PD15 (falling edges,
// external pull-ups) drive the axis control lines; both step timers run.
#include "bench_axes.h"

// Lines 0 to 6: a 10 ms delay, then action and acknowledgement.
void bench::serve_switch(unsigned line) { serve_switch_debounced(line); }

void EXTI9_5_IRQHandler(void) {
    bench::serve_pending(EXTI_LINE(5) | EXTI_LINE(6), bench::serve_switch);
}
// Lines 14 and 15: action, then acknowledgement, without a delay.
void EXTI15_10_IRQHandler(void) {
    bench::serve_pending(EXTI_LINE(14) | EXTI_LINE(15), bench::serve_switch_undelayed);
}

void _EXTI_Init() {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIODEN;
    RCC->APB2ENR |= RCC_APB2ENR_SYSCFGEN;
    GPIOD->MODER = 0;  // all of port D inputs
    SYSCFG->EXTICR[0] |= SYSCFG_EXTICR_EXTI(GPIO_PINS(0, 3), SYSCFG_EXTI_PD);
    SYSCFG->EXTICR[1] |= SYSCFG_EXTICR_EXTI(GPIO_PINS(4, 6), SYSCFG_EXTI_PD);
    SYSCFG->EXTICR[3] |= SYSCFG_EXTICR_EXTI(GPIO_PINS(14, 15), SYSCFG_EXTI_PD);
    constexpr std::uint32_t kLines = EXTI_LINES(0, 6) | EXTI_LINES(14, 15);
    EXTI->FTSR |= kLines;
    EXTI->IMR |= kLines;
    bench::exti_enable_interrupts(true);
}

int main(void) {
    bench::axes_setup(bench::TimerStart::Running);
    _EXTI_Init();
    for (;;) chip_wait_for_interrupt();
}
