// Globals of plotter_main that only its main loop and its handlers use
// (those shared with the figure module are in plotter_globals.h), declared
// for the host tests and plotter-sim.
//
// Every global an interrupt handler reads or writes is volatile, so that the
// other side's every use reads or writes memory: the receive interrupt's ring
// and queue state and its command requests, the switch interrupt's flags and
// edge times, the 1 ms tick. The main loop's own state (machine, figure_loaded,
// x_limit, ...) is plain.
#pragma once

#include <cstdint>

extern volatile int k;             // next save_data entry to fill
extern volatile char vector_data;  // last byte read from USART1
extern volatile int j;             // segments of the figure started so far
extern volatile int t_i;           // next laser_check entry to wait for
// Homing per axis: 0 searching, 1 switch reached, 2 done. The switch
// interrupt reads them: only a homed axis's switch raises a limit alarm.
extern volatile int x_flag, y_flag;

// Figures handed over between the receive interrupt and the main loop: one
// more is received at each accepted end marker, one more has ended when the
// main loop has run it to its end and made ready for the next.
extern volatile int figures_received;
extern volatile int figures_ended;
// Every end marker gets the next number N of the replies, whether its
// figure is queued or refused (figure_numbers holds each queued figure's).
extern volatile int figures_numbered;
// The number of the figure parsed last.
extern int figure_number;
// Where the figure now arriving starts in the ring, and the 1 ms tick of its
// last byte: bytes that stop arriving without an end marker are dropped.
extern volatile int incoming_start;
extern volatile std::uint32_t incoming_ms;
// Homing puts the origin a fixed distance before the X switch's second
// touch: x_limit is that distance as the counters measured it (the counters
// are 0 at the origin). Goals up to x_limit - kXPullOff are drawn, so the
// carriage keeps about 1 mm off the switch.
extern int x_limit;
// The counters at each switch's last closing edge while homing runs.
extern volatile int x_touch_cur, y_touch_cur;
constexpr int kXSwitchDistance = 50100;  // 33.4 units
constexpr int kXPullOff = 1500;          // 1.0 unit
// Y's origin is where its switch closed on the slow approach: y_overshoot is
// how far Y ran on after that touch before it stopped (0 or 1 step).
extern volatile int y_overshoot;
// A Y closing edge this many step events above the homing overshoot is
// still the switch at the origin (its repeatability, 0.1 units).
constexpr int kYSwitchMargin = 150;
// A limit switch closed where the figure should not take the carriage
// (kXAxis or kYAxis); the main loop reports it and locks the machine.
extern volatile std::uint8_t limit_alarm;
// Per received figure, in a queue of kQueuedFigures entries: the ring index
// after its end marker, its number, and whether bytes of it were dropped for
// want of room.
constexpr int kQueuedFigures = 64;
extern volatile int figure_next[kQueuedFigures];
extern volatile int figure_numbers[kQueuedFigures];
extern volatile bool figure_dropped_bytes[kQueuedFigures];
// Numbers of figures whose end marker found the queue full (their bytes are
// dropped), in a ring of kLostFigures that the main loop answers from.
constexpr int kLostFigures = 8;
extern volatile int lost_numbers[kLostFigures];
extern volatile int figures_lost;        // written by the receive interrupt
extern int figures_lost_answered;        // main loop
extern volatile bool receive_dropped;    // receive side: the figure coming in lost bytes
extern volatile std::uint32_t ms_ticks;  // 1 ms tick, TIM4's update interrupt
extern volatile std::uint32_t x_edge_ms, y_edge_ms;  // last edge of each switch

// Commands outside the figure alphabet: the receive interrupt notes them, the
// main loop carries them out.
extern volatile bool hold_requested, resume_requested, reset_requested, status_requested,
    home_requested, unlock_requested;
extern volatile bool command_pending;  // "$" received, its letter not yet

// What the machine does, as the status reply names it (homing shows as Run).
enum class Machine : std::uint8_t { Homing, Ready, Hold, Alarm };
extern Machine machine;

// Main loop side: a parsed figure is in the tables, and it was refused.
extern bool figure_loaded;
extern bool figure_refused;

// Homes both axes: seek each switch, back off kXPullOff, approach it again
// slowly and set the origin from that second touch. Returns false when a
// reset stopped it (the machine is then in alarm).
bool home_axes();
// Parses the oldest received figure into the tables and answers it (`ok N`,
// or `error N: reason` and nothing of it will run); true when it was accepted.
bool load_figure();
// After the loaded figure's last segment: answers `done N` for an accepted
// one and makes the tables ready for the next figure.
void end_figure();
