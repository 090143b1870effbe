// Globals shared by the main loop, its interrupt handlers and the figure
// module. Each is written by one side only; those that the other side reads
// while it runs are volatile so that every use reads memory.
#pragma once

#include <cstdint>

constexpr int kSaveDataSize = 5000;
constexpr int kLaserMarkers = 50;

// Received bytes, one per entry, in a ring: the receive interrupt stores at
// k, the main loop parses the figure that starts at figure_start. It holds
// kSaveDataSize - 1 bytes at most.
extern int save_data[kSaveDataSize];
extern volatile int figure_start;       // ring index of the parsed figure's first byte
extern volatile int usart_count;        // index of its end marker "Z", from figure_start
extern bool figure_cut;                 // bytes of it found no room and were dropped
extern int Count_Straight;              // number of segments
extern int laser_check[kLaserMarkers];  // segment index of each laser marker
extern volatile int x_goal, y_goal;     // counter value that ends the running segment
extern volatile int x_cur, y_cur;       // step-event counters
// Motion modes: 0 counts up, 1 counts down, 3 not counting.
extern volatile std::uint8_t x_dir, y_dir;
extern volatile std::uint8_t check_flag;  // a whole figure has arrived
extern volatile std::uint8_t move_flag;   // the axes are free for the next segment
// Axes of the running segment that have not reached their goal yet.
constexpr std::uint8_t kXAxis = 1, kYAxis = 2;
extern volatile std::uint8_t axes_moving;
