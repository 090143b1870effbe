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
    if (bench::letter_command(ch4)) {
        // The direction letters also set the counting mode.
        if (ch4 == 'c') x_mode = 1;
        if (ch4 == 'd') x_mode = 0;
        if (ch4 == 'e') y_mode = 0;
        if (ch4 == 'f') y_mode = 1;
        return;
    }
    if (ch4 == 'r') {
        bench::x_dir_down();
        x_mode = 0;
        bench::y_run_down();
        y_mode = 0;
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
