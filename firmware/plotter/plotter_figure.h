// The figure module: the interpreter of the received figure stream
// (Data_Check, XY_Data) and the line stepping of its segments (Direction,
// Straight). Runs in the main loop only.
//
// Stream: "L" one segment; "X" and "Y" followed by tens digit, units digit,
// one separator byte and tenths digit give the coordinates of the next point;
// "S" and a digit is a laser marker tied to the next segment; "Z" ends it.
#pragma once

#include <cstdint>

#include "chip/stm32f40x.h"
#include "plotter/plotter_globals.h"

constexpr int kMaxPoints = 400;

// Interpreter tables, filled once per figure.
extern int loc_x[kMaxPoints], loc_y[kMaxPoints];     // buffer position of each "X" / "Y"
extern int x, y;                                     // "X" / "Y" markers found
extern int laser_power[kLaserMarkers];               // buffer position of each "S"
extern int l_i;                                      // "S" markers found
extern double x_num[kMaxPoints], y_num[kMaxPoints];  // coordinates of each point
extern int m, n;                                     // next loc_x / loc_y entry to convert
extern int o, p;                                     // next x_num / y_num entry to fill
extern int markers_dropped;                          // markers beyond the tables' end

// Line stepping.
extern int i;                            // index of the point the next segment runs to
extern double start_x_num, start_y_num;  // where the figure's first segment starts
extern int resolution;                   // step events per coordinate unit
extern int motor_arr;                    // timer period of a single-axis move, in ticks
extern std::int32_t velo_x, velo_y;      // displacement of a diagonal, previous minus next

// Segment kinds returned by Direction.
enum SegmentKind : std::uint8_t {
    kXUp = 0,
    kXDown = 1,
    kYUp = 2,
    kYDown = 3,
    kXUpYUp = 4,
    kXUpYDown = 5,
    kXDownYUp = 6,
    kXDownYDown = 7,
    kStill = 8,
};

// Laser markers applied by laser_control.
extern int l_j;  // next laser_power entry

void Data_Check();
void XY_Data();

// Why the figure just parsed cannot be drawn, or nullptr when it can: bytes
// of it found no room in the receive buffer (figure_cut), it has more points or laser markers than
// the tables hold, a point without both coordinates, a coordinate that is not "tens units . tenths"
// digits, or an X goal at or beyond `x_limit`.
const char* figure_fault(int x_limit);
std::uint8_t Direction();
// Starts the next segment; false when it has no length, so nothing moves and
// it has already ended (move_flag is left as it was).
bool Straight();

// The kind of the segment from (px, py) to (qx, qy), as Direction returns it.
std::uint8_t segment_kind(double px, double py, double qx, double qy);

// Applies the next laser marker: the digit after "S" switches the laser
// output on ("1") or off ("0"); any other byte leaves it as it is.
void laser_control();

// The body of a step interrupt (called from the image's TIM8/TIM1 handler):
// acknowledges the step event, counts it towards the goal in the axis's
// motion mode, and stops the axis once it is reached. The main loop is freed
// when every axis of the segment (bit `axis` of axes_moving) has arrived.
void count_step_event(TIM_Registers* timer, volatile int& cur, volatile int& goal,
                      volatile std::uint8_t& mode, void (*stop)(), std::uint8_t axis);

// Clears the interpreter's tables and counters for the next figure. Its first
// segment starts where the last segment of this one ended, so the point that
// segment ran to is kept as the start of the next figure.
void Next_Figure();
