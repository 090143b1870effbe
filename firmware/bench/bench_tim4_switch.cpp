// TIM4 bench, one channel: PD12 toggles at 1 kHz; buttons on PG0 to PG3
// switch PD0 and PD1.
#include <iterator>

#include "bench_tim4_setup.h"

namespace {
constexpr bench::ButtonAction kButtons[] = {
    {0, 0, true},
    {1, 1, true},
    {2, 0, false},
    {3, 1, false},
};
}  // namespace

void TIM4_IRQHandler(void) {
    take_flag(TIM4, TIM_SR_UIF);
    take_flag(TIM4, TIM_SR_CC1IF);
}

void TIMER4_OC_Init() { bench::tim4_toggle_init(bench::Tim4Channels::One); }

int main(void) {
    DelayMS(10);
    _GPIO_Init();
    TIMER4_OC_Init();
    for (;;) bench::poll_buttons(kButtons, std::size(kButtons));
}
