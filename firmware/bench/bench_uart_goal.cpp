// UART4 bench: letter commands, with the step events counted per axis and
// each axis stopped at its end of travel (counting up) or at 0 (counting down).
#include "bench_axes.h"

volatile char ch4;
volatile int x_cur, y_cur;
volatile int x_mode = 1, y_mode = 1;  // 1 counts up, 0 counts down

namespace {
constexpr unsigned kXEnd = 96000;
constexpr unsigned kYEnd = 128000;

void count_step(TIM_Registers* timer, volatile int& cur, int mode, unsigned end) {
    if (!take_flag(timer, TIM_SR_CC1IF)) return;
    if (mode == 1) {
        cur = cur + 1;
        if (static_cast<unsigned>(cur) >= end) bench::timer_stop(timer);
    } else {
        cur = cur - 1;
        if (cur == 0) bench::timer_stop(timer);
    }
}
}  // namespace

void TIM1_CC_IRQHandler(void) { count_step(TIM1, x_cur, x_mode, kXEnd); }
void TIM8_CC_IRQHandler(void) { count_step(TIM8, y_cur, y_mode, kYEnd); }

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
            x_mode = 1;
            break;
        case 'd':
            bench::x_dir_down();
            x_mode = 0;
            break;
        case 'e':
            bench::y_run_down();
            y_mode = 0;
            break;
        case 'f':
            bench::y_run_up();
            y_mode = 1;
            break;
        case 'g':
            bench::y_halt();
            break;
        case 'r':
            bench::x_dir_down();
            x_mode = 0;
            bench::y_run_down();
            y_mode = 0;
            break;
        default:
            break;
    }
}

int main(void) {
    bench::axes_setup(bench::TimerStart::Stopped);
    UART4_Init();
    // The set-up's forced compare event (CC1G) moved no axis.
    x_cur = 0;
    y_cur = 0;
    bench::x_dir_up();
    for (;;) chip_wait_for_interrupt();
}
