// Runs plotter_main on the modelled chip with a modelled carriage: powers the
// board up, waits for homing to end, feeds a figure stream over USART1 one
// figure at a time (the next once the previous one has ended, as a sender that
// waits would), and
// records what the firmware does: each segment start, the carriage path and
// the counters.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/chip_model.h"

namespace plotter_sim {

// Something the scenario does to the board at a simulated time, or when the
// carriage first reaches a position.
struct When {
    bool at_position = false;
    chip::sim::Cycles time = 0;  // since power-up, when !at_position
    int axis = 0;                // 0 X, 1 Y: whose position
    std::int64_t position = 0;   // carriage steps from the origin homing set
};

struct SwitchAction {
    int axis = 0;                // 0 X, 1 Y
    std::optional<bool> closed;  // true: held closed; nullopt: back to the carriage
    When when;
};

struct SendAction {
    std::string bytes;
    When when;
};

struct RunOptions {
    std::string stream;
    std::int64_t start_x = 20000;  // steps from the X limit switch at power-up
    std::int64_t start_y = 20000;  // steps from the Y limit switch
    unsigned baud = 115200;
    // Send the whole stream at power-up in one go, as `cat` to the serial
    // port does, instead of one figure after homing and each figure's end.
    bool at_once = false;
    // 0: default_time_limit.
    chip::sim::Cycles time_limit = 0;
    std::vector<SwitchAction> switches;
    std::vector<SendAction> sends;
    // Optional: true while the scenario still has something to do, so the
    // run must not end yet.
    std::function<bool()> busy;
};

// Whether `tail` (what follows the last end marker "Z") holds nothing but
// line ends and commands ("$H", "$X", "!", "~", "?", Ctrl-X): no figure that
// would never end.
bool only_commands(const std::string& tail);

// The default time limit for `options`: homing from the start position, then
// each figure's path at the drawing rate three times over, plus a minute and
// 5 s a figure, after the latest timed switch or send action.
chip::sim::Cycles default_time_limit(const RunOptions& options);

struct SegmentStart {
    int segment;  // counted over the whole run, from 0
    std::uint8_t kind;
    int x_goal, y_goal;
    std::uint32_t arr_x, arr_y;  // as last written to TIM8 and TIM1
    bool laser;
    chip::sim::Cycles time;
};

// The carriage relative to where homing ended, in step events.
struct PathPoint {
    std::int64_t x, y;
    bool laser;
};

// A change of the firmware's counters or of the laser output.
struct CounterChange {
    chip::sim::Cycles time;
    int x_cur, y_cur;
    bool laser;
};

struct RunResult {
    bool finished = false;  // false: the time limit passed first
    std::vector<SegmentStart> segments;
    std::vector<PathPoint> path;           // vertices: segment starts, stops, laser changes
    std::vector<PathPoint> figure_points;  // the ideal polyline, from (0, 0)
    int x_cur = 0, y_cur = 0;
    // The carriage relative to the origin homing set, in step events.
    std::int64_t carriage_x = 0, carriage_y = 0;
    int x_limit = 0, y_overshoot = 0;  // what homing measured
    // Each figure end (and the run's) where the carriage and the counters
    // differed: "figure N: carriage X,Y, counters X,Y".
    std::vector<std::string> mismatches;
    bool laser = false;
    chip::sim::Cycles end_time = 0;
    // The lines the firmware sent back over USART1, without their CR LF.
    std::vector<std::string> replies;
    std::vector<chip::sim::Cycles> reply_times;  // when each reply was seen, within 1 ms
    // Largest distance of the carriage from the ideal polyline while a
    // figure runs, in step events.
    double max_deviation = 0.0;
};

// Runs the stream. `on_change` (optional) is called at every counter or laser
// change; `on_segment` (optional) at every segment start; `on_reply`
// (optional) at every line the firmware sends back.
RunResult run_plotter(const RunOptions& options,
                      const std::function<void(const CounterChange&)>& on_change = {},
                      const std::function<void(const SegmentStart&)>& on_segment = {},
                      const std::function<void(const std::string&)>& on_reply = {});

// The distance of point (px, py) from the segment (ax, ay)-(bx, by).
double distance_to_segment(double px, double py, double ax, double ay, double bx, double by);

}  // namespace plotter_sim
