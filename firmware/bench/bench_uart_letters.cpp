// UART4 bench: one letter per command moves the axes by hand.
#include "bench_axes.h"

volatile char ch4;

void TIM1_CC_IRQHandler(void) { take_flag(TIM1, TIM_SR_CC1IF); }
void TIM8_CC_IRQHandler(void) { take_flag(TIM8, TIM_SR_CC1IF); }

void UART4_IRQHandler(void) {
    if (!(UART4->SR & USART_SR_RXNE)) return;
    ch4 = static_cast<char>(UART4->DR & 0xFF);
    switch (ch4) {
        case 'a':
            bench::x_halt();
            break;
        case 'b':
            bench::x_run();
            break;
        case 'c':
            bench::x_dir_up();
            break;
        case 'd':
            bench::x_dir_down();
            break;
        case 'e':
            bench::y_run_down();
            break;
        case 'f':
            bench::y_run_up();
            break;
        case 'g':
            bench::y_halt();
            break;
        default:
            break;
    }
}

int main(void) {
    DelayMS(10);
    _GPIO_Init();
    TIMER1_OC_Init(bench::TimerStart::Stopped);
    TIMER8_OC_Init(bench::TimerStart::Stopped);
    UART4_Init();
    bench::x_dir_up();
    for (;;) chip_wait_for_interrupt();
}
