// The handlers the switch benches share: the plain step-timer handlers and
// one handler for each of EXTI lines 0 to 4, which every switch image serves
// with its own bench::serve_switch.
#include "bench_axes.h"

void TIM1_CC_IRQHandler(void) { bench::acknowledge_step(TIM1); }
void TIM8_CC_IRQHandler(void) { bench::acknowledge_step(TIM8); }

void EXTI0_IRQHandler(void) { bench::serve_switch(0); }
void EXTI1_IRQHandler(void) { bench::serve_switch(1); }
void EXTI2_IRQHandler(void) { bench::serve_switch(2); }
void EXTI3_IRQHandler(void) { bench::serve_switch(3); }
void EXTI4_IRQHandler(void) { bench::serve_switch(4); }
