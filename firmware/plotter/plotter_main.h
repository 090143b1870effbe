// Globals of plotter_main that only its main loop and its handlers use
// (those shared with the figure module are in plotter_globals.h), declared
// for the host tests and plotter-sim.
#pragma once

#include <cstdint>

extern volatile int k;             // next save_data entry to fill
extern volatile char vector_data;  // last byte read from USART1
extern volatile int j;             // segments of the figure started so far
extern volatile int t_i;           // next laser_check entry to wait for
extern int x_flag, y_flag;         // homing: 0 searching, 1 switch reached, 2 done

// Figures handed over between the receive interrupt and the main loop: one
// more is received at each accepted end marker, one more has ended when the
// main loop has run it to its end and made ready for the next.
extern volatile int figures_received;
extern volatile int figures_ended;
// Figures parsed since power-up: the number N of the replies.
extern int figure_number;
// Homing measures where the X switch closes, in x_cur step events from the
// position where homing ends (x_switch_cur holds the counter at its first
// closing edge while homing runs).
extern volatile int x_switch_cur;
extern volatile bool x_switch_seen;
extern int x_limit;
// Likewise for Y, whose switch stays closed where homing ends: y_overshoot
// is how far Y ran past the switch's closing edge before it stopped.
extern volatile int y_switch_cur;
extern volatile bool y_switch_seen;
extern int y_overshoot;
// A Y closing edge this many step events above the homing overshoot is
// still the switch at the origin (its repeatability, 0.1 units).
constexpr int kYSwitchMargin = 150;
// A limit switch closed where the figure should not take the carriage
// (kXAxis or kYAxis); the main loop reports it and drops the figure.
extern volatile std::uint8_t limit_alarm;
// Per received figure, in a queue of kQueuedFigures entries: the ring index
// after its end marker, and whether bytes of it were dropped for want of room.
constexpr int kQueuedFigures = 64;
extern volatile int figure_next[kQueuedFigures];
extern volatile bool figure_dropped_bytes[kQueuedFigures];
extern volatile int figures_lost;  // end markers that found the queue full
extern bool receive_dropped;       // receive side: the figure coming in lost bytes

// Main loop side: a parsed figure is in the tables, and it was refused.
extern bool figure_loaded;
extern bool figure_refused;

void xy_search_start();
// Parses the oldest received figure into the tables and answers it (`ok N`,
// or `error N: reason` and nothing of it will run); true when it was accepted.
bool load_figure();
// After the loaded figure's last segment: answers `done N` for an accepted
// one and makes the tables ready for the next figure.
void end_figure();
