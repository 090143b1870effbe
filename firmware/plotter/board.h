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

// Fine pacing (the plotter_main_fine image). The step timers count the
// 168 MHz timer clock (APB2 runs at 84 MHz with a prescaler of 2, so its
// timers get twice that); a period of (PSC + 1)(ARR + 1) ticks is reached
// with the smallest prescaler that lets ARR hold it, so ARR + 1 is at least
// 32768 once the prescaler is needed, and the period is kept to within half
// a prescaled tick. CCR1 is half the period: a step event falls in the middle
// of its period, so each axis is at most half a step from where its rate puts
// it.
constexpr double kStepTimerClockHz = 168e6;

struct StepTiming {
    std::uint32_t psc, arr, ccr1;
};

constexpr StepTiming fine_step_timing(double ticks) {
    constexpr double kMaxTicks = 65536.0 * 65536.0;
    if (!(ticks < kMaxTicks)) ticks = kMaxTicks;  // no displacement: as slow as it gets
    if (ticks < 2.0) ticks = 2.0;
    const auto scale = static_cast<std::uint32_t>((ticks - 1.0) / 65536.0) + 1;  // PSC + 1
    auto reload = static_cast<std::uint32_t>(ticks / scale + 0.5);               // ARR + 1
    if (reload > 65536) reload = 65536;
    return {scale - 1, reload - 1, reload / 2};
}

// Writes a timing from fine_step_timing to a step timer.
void set_step_timing(TIM_Registers* timer, const StepTiming& timing);
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
