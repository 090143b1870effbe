// Board driver of the plotter: pin and timer set-up, axis start/stop and
// direction lines, busy-wait delays.
//
// Wiring:
//   X step   TIM8 CH1 on PC6 (AF3)    X direction  PF13 (high: x_cur counts up)
//   Y step   TIM1 CH1 on PE9 (AF1)    Y direction  PF15/PF14 (PF15 high: y_cur counts up)
//   X limit  PD8, EXTI line 8         Y limit      PD9, EXTI line 9 (low = pressed)
//   laser    PF4 (high = on)          TIM4 PWM     CH1 on PD12 (AF2), 1 kHz, 50 %
//   USART1   PB6 TX, PB7 RX (AF7), 115200 baud, 8N1
//
// Step timers: a 1 MHz tick (PSC 167 on the 168 MHz APB2 timer clock), output
// compare toggle on channel 1 at CCR1 = 99, so every ARR from 99 up gives one
// step event (pin edge and capture/compare 1 interrupt) per ARR + 1 ticks:
// motor_arr 100 is 10000 step events per second. ARR is preloaded, so a new
// period written while an axis runs takes effect at the end of the current one.
#pragma once

#include <cstdint>

#include "chip/stm32f40x.h"

namespace board {
constexpr std::uint32_t kStepTimerPrescaler = 167;  // 1 MHz tick
constexpr std::uint32_t kStepCompare = 99;          // at most the smallest ARR, 99
constexpr std::uint32_t kStepInitialArr = 99;
constexpr std::uint32_t kUsart1Baud = 115200;
constexpr unsigned kLaserPin = 4;   // PF4
constexpr unsigned kXDirPin = 13;   // PF13
constexpr unsigned kYDownPin = 14;  // PF14
constexpr unsigned kYUpPin = 15;    // PF15
constexpr unsigned kXLimitPin = 8;  // PD8
constexpr unsigned kYLimitPin = 9;  // PD9
constexpr unsigned kXStepPin = 6;   // PC6
constexpr unsigned kYStepPin = 9;   // PE9
constexpr unsigned kPwmPin = 12;    // PD12

// Sets a step timer's period to `arr` + 1 ticks of 1 us. A period longer than
// the 16-bit ARR holds is reached by a larger prescaler, so the step rate
// stays as asked (to within one prescaled tick).
void set_step_period(TIM_Registers* timer, std::uint32_t arr);
}  // namespace board

void DelayUS(std::uint32_t us);
void DelayMS(std::uint32_t count);

void _EXTI_Init();
void _GPIO_Init();
void TIMER1_OC_Init();
void TIMER8_OC_Init();
void TIMER4_PWM_Init();
void USART1_Init();

void x_right();
void x_left();
void y_up();
void y_down();
void x_start();
void x_stop();
void y_start();
void y_stop();
