// UART4 bench: one letter per command moves the axes by hand.
#include "bench_axes.h"

volatile char ch4;

void TIM1_CC_IRQHandler(void) { take_flag(TIM1, TIM_SR_CC1IF); }
void TIM8_CC_IRQHandler(void) { take_flag(TIM8, TIM_SR_CC1IF); }

void UART4_IRQHandler(void) {
    if (!bench::uart4_take_byte(ch4)) return;
    bench::letter_command(ch4);
}

int main(void) {
    bench::axes_setup(bench::TimerStart::Stopped);
    UART4_Init();
    bench::x_dir_up();
    for (;;) chip_wait_for_interrupt();
}
