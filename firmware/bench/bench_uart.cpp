// UART4 bench: one digit per command moves the axes by hand; X runs from
// start-up, Y waits for its start digit.
#include "bench_axes.h"

volatile char ch4;

void TIM1_CC_IRQHandler(void) { bench::acknowledge_step(TIM1); }
void TIM8_CC_IRQHandler(void) { bench::acknowledge_step(TIM8); }

void UART4_IRQHandler(void) {
    if (!bench::uart4_take_byte(ch4)) return;
    switch (ch4) {
        case '1':
            pin_high(GPIOF, bench::kXControlPin);
            break;
        case '2':
            pin_low(GPIOF, bench::kXControlPin);
            break;
        case '3':
        case '8':
            bench::x_dir_up();
            break;
        case '4':
        case '9':
            bench::x_dir_down();
            break;
        case '5':
            bench::y_run_down();
            break;
        case '6':
            bench::y_run_up();
            break;
        case '7':
            bench::y_halt();
            break;
        default:
            break;
    }
}

int main(void) {
    bench::axes_setup(bench::TimerStart::Running);
    UART4_Init();
    bench::timer_stop(TIM8);
    for (;;) chip_wait_for_interrupt();
}
