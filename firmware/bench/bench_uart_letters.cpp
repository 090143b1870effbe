// UART4 bench: one letter per command moves the axes by hand.
#include "bench_axes.h"

volatile char ch4;

void TIM1_CC_IRQHandler(void) { take_flag(TIM1, TIM_SR_CC1IF); }
void TIM8_CC_IRQHandler(void) { take_flag(TIM8, TIM_SR_CC1IF); }

void UART4_IRQHandler(void) {
    if (!bench::uart4_take_byte(ch4)) return;
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
    bench::axes_setup(bench::TimerStart::Stopped);
    UART4_Init();
    bench::x_dir_up();
    for (;;) chip_wait_for_interrupt();
}
