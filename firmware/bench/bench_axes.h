// The axis benches' board: X steps on TIM1 channel 1 (PE9), Y on TIM8
// channel 1 (PC6), 1 MHz tick, ARR 499, CCR1 250, so a step event (pin
// toggle and capture/compare 1 interrupt) every 500 us while a timer runs.
// Port F carries the axis control lines:
//   PF12       second X control line, high while the UART benches stop X
//   PF13       X direction, high = X counts up
//   PF14/PF15  Y direction pair, PF15 high and PF14 low = Y counts up
// UART4 (PC10 TX, PC11 RX) takes the terminal's commands at 9600 baud, 8N1.
#pragma once

#include <cstdint>

#include "bench_common.h"

namespace bench {
constexpr unsigned kXControlPin = 12;  // PF12
constexpr unsigned kXDirPin = 13;      // PF13
constexpr unsigned kYDownPin = 14;     // PF14
constexpr unsigned kYUpPin = 15;       // PF15
constexpr std::uint32_t kUartBaud = 9600;

enum class TimerStart { Running, Stopped };

void timer_start(TIM_Registers* timer);
void timer_stop(TIM_Registers* timer);

// The axis commands shared by the UART and switch benches.
void x_halt();      // PF12 high, TIM1 stopped
void x_run();       // PF12 low, TIM1 started
void x_dir_up();    // PF13 high
void x_dir_down();  // PF13 low
void y_run_down();  // TIM8 started, PF14 high, PF15 low
void y_run_up();    // TIM8 started, PF15 high, PF14 low
void y_halt();      // TIM8 stopped

// The start of every axis bench's main: DelayMS (10 ms), _GPIO_Init,
// TIMER1_OC_Init, TIMER8_OC_Init.
void axes_setup(TimerStart start);

// Takes the byte UART4 has received into `ch4`; false when there is none.
bool uart4_take_byte(volatile char& ch4);

// Enables the EXTI0 to EXTI4 and EXTI9_5 interrupts, and EXTI15_10 if asked.
void exti_enable_interrupts(bool lines_10_to_15);

// The single-letter commands "a" to "g" of the letter benches; false for
// any other byte.
bool letter_command(char letter);

// The plain step-interrupt handler's work: UIF, then CC1IF, if set.
void acknowledge_step(TIM_Registers* timer);

// What a switch on EXTI line `line` does in the switch benches; lines
// without an action do nothing.
void switch_action(unsigned line);
// A switch line served after a 10 ms delay inside the handler: further edges
// during the delay are acknowledged with the first, so bounce gives one action.
void serve_switch_debounced(unsigned line);
// A switch line served at once: action, then acknowledgement.
void serve_switch_undelayed(unsigned line);
// A switch line acknowledged first: every edge gives an action.
void serve_switch_at_once(unsigned line);
// How this switch bench serves a switch line: one of the three above. Each
// switch image defines it; its EXTI0 to EXTI4 handlers call it.
void serve_switch(unsigned line);
// Serves each of `lines` (ascending) that is pending, with `serve`.
void serve_pending(std::uint32_t lines, void (*serve)(unsigned line));
}  // namespace bench

// Port F control lines PF8 to PF15: medium-speed push-pull outputs.
void _GPIO_Init();
// Step timers; the X and Y timer run on return unless told otherwise.
void TIMER1_OC_Init(bench::TimerStart start = bench::TimerStart::Running);
void TIMER8_OC_Init(bench::TimerStart start = bench::TimerStart::Running);

void UART4_Init();
void UART4_BRR_Configuration(std::uint32_t baud);
void SerialSendChar(std::uint8_t byte);
void SerialSendString(const char* text);
