// Simulates one second of the plotter's two step timers at their fastest
// (10 000 step events per second each) with counting handlers, and one second
// of a busy-wait delay.
#include <benchmark/benchmark.h>

#include "plotter/board.h"
#include "sim/chip_model.h"

namespace {
volatile int steps;

void count_step(TIM_Registers* timer) {
    if (!(timer->SR & TIM_SR_CC1IF)) return;
    timer->SR = ~TIM_SR_CC1IF;
    steps = steps + 1;
}
}  // namespace

void TIM8_CC_IRQHandler(void) { count_step(TIM8); }
void TIM1_CC_IRQHandler(void) { count_step(TIM1); }

namespace {

void BM_StepTimersOneSecond(benchmark::State& state) {
    for (auto _ : state) {
        steps = 0;
        chip::sim::reset();
        TIMER1_OC_Init();
        TIMER8_OC_Init();
        x_start();
        y_start();
        chip::sim::run_for(chip::sim::milliseconds(1000));
    }
    state.counters["step_events"] = steps;  // of the last second simulated
}
BENCHMARK(BM_StepTimersOneSecond)->Unit(benchmark::kMillisecond);

int delay_one_second() {
    DelayMS(1000);
    return 0;
}

void BM_DelayOneSecond(benchmark::State& state) {
    for (auto _ : state) {
        chip::sim::reset();
        chip::sim::run(delay_one_second, chip::sim::milliseconds(2000));
    }
}
BENCHMARK(BM_DelayOneSecond)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
