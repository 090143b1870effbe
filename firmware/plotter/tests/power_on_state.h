// The firmware's globals as the start-up code leaves them (zero, or their
// initial value), for host tests that run several scenarios in one process.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <iterator>

#include "plotter/plotter_figure.h"
#include "plotter/plotter_globals.h"
#include "plotter/plotter_main.h"

namespace power_on {

// The globals of plotter_globals.h and of the figure module.
inline void reset_figure_state() {
    std::fill(std::begin(save_data), std::end(save_data), 0);
    std::fill(std::begin(laser_check), std::end(laser_check), 0);
    std::fill(std::begin(loc_x), std::end(loc_x), 0);
    std::fill(std::begin(loc_y), std::end(loc_y), 0);
    std::fill(std::begin(laser_power), std::end(laser_power), 0);
    std::fill(std::begin(x_num), std::end(x_num), 0.0);
    std::fill(std::begin(y_num), std::end(y_num), 0.0);
    usart_count = 0;
    figure_start = 0;
    figure_cut = false;
    Count_Straight = x = y = l_i = l_j = m = n = o = p = i = 0;
    markers_dropped = 0;
    start_x_num = start_y_num = 0.0;
    x_goal = 0;
    y_goal = 0;
    x_cur = 0;
    y_cur = 0;
    x_dir = 3;
    y_dir = 3;
    check_flag = 0;
    move_flag = 0;
    axes_moving = 0;
    resolution = 1500;
    motor_arr = 100;
    velo_x = velo_y = 0;
}

// Those and the globals of plotter_main.
inline void reset_main_state() {
    reset_figure_state();
    k = 0;
    vector_data = 0;
    j = 0;
    t_i = 0;
    x_flag = 0;
    y_flag = 0;
    figures_received = 0;
    figures_ended = 0;
    std::fill(std::begin(figure_next), std::end(figure_next), 0);
    std::fill(std::begin(figure_dropped_bytes), std::end(figure_dropped_bytes), false);
    figures_numbered = 0;
    std::fill(std::begin(figure_numbers), std::end(figure_numbers), 0);
    std::fill(std::begin(lost_numbers), std::end(lost_numbers), 0);
    figures_lost = 0;
    figures_lost_answered = 0;
    incoming_start = 0;
    incoming_ms = 0;
    receive_dropped = false;
    figure_loaded = false;
    figure_refused = false;
    figure_number = 0;
    x_limit = 0;
    x_touch_cur = 0;
    y_touch_cur = 0;
    y_overshoot = 0;
    ms_ticks = 0;
    x_edge_ms = 0;
    y_edge_ms = 0;
    for (volatile bool* request :
         {&hold_requested, &resume_requested, &reset_requested, &status_requested, &home_requested,
          &unlock_requested, &command_pending})
        *request = false;
    machine = Machine::Homing;
    limit_alarm = 0;
}

}  // namespace power_on
