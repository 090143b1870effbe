// TIM4 bench: PD12 and PD13 toggle at 1 kHz, 50 us apart; buttons on PG0 to
// PG3, PG6 and PG7 switch PD0, PD1 and PD7.
#include <iterator>

#include "bench_tim4_setup.h"

namespace {
constexpr bench::ButtonAction kButtons[] = {
    {0, 0, true}, {1, 1, true}, {2, 0, false}, {3, 1, false}, {6, 7, true}, {7, 7, false},
};
}  // namespace

void TIM4_IRQHandler(void) {
    take_flag(TIM4, TIM_SR_UIF);
    take_flag(TIM4, TIM_SR_CC1IF);
    take_flag(TIM4, TIM_SR_CC2IF);
}

void TIMER4_OC_Init() { bench::tim4_toggle_init(bench::Tim4Channels::Two); }

int main(void) {
    DelayMS(10);
    _GPIO_Init();
    TIMER4_OC_Init();
    for (;;) bench::poll_buttons(kButtons, std::size(kButtons));
}
