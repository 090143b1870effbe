#include "sim/plotter_sim/plotter_run.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string_view>
#include <utility>

#include "chip/stm32f40x.h"
#include "plotter/board.h"
#include "plotter/plotter_figure.h"
#include "plotter/plotter_main.h"
#include "plotter/tests/power_on_state.h"
#include "sim/carriage.h"

using namespace chip::sim;

namespace plotter_sim {

double distance_to_segment(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0.0 ? ((px - ax) * dx + (py - ay) * dy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

bool only_commands(const std::string& tail) {
    for (std::size_t at = 0; at < tail.size(); ++at) {
        const char c = tail[at];
        if (c == '$' && at + 1 < tail.size() &&
            std::string_view("HhXx").find(tail[at + 1]) != std::string_view::npos) {
            ++at;
            continue;
        }
        if (std::string_view("\r\nn!~?\x18").find(c) == std::string_view::npos) return false;
    }
    return true;
}

Cycles default_time_limit(const RunOptions& options) {
    // Homing: seek at 10 000 steps/s, the slow approach and 33.4 units back.
    const std::int64_t far = std::max(options.start_x, options.start_y);
    Cycles limit = milliseconds(60'000) + microseconds(100) * static_cast<Cycles>(far);
    // Each point "X tt.t Y tt.t" at the drawing rate (a step of the path per
    // 100 us), from the last one.
    const std::string& text = options.stream;
    auto number_at = [&](std::size_t at) {
        if (at + 4 >= text.size()) return -1.0;
        const char a = text[at + 1], b = text[at + 2], c = text[at + 4];
        if (a < '0' || a > '9' || b < '0' || b > '9' || c < '0' || c > '9') return -1.0;
        return (a - '0') * 10.0 + (b - '0') + (c - '0') * 0.1;
    };
    double px = 0, py = 0, steps = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == 'Z') limit += milliseconds(5'000);
        if (text[at] != 'X') continue;
        const double x = number_at(at);
        const std::size_t y_at = text.find('Y', at);
        if (x < 0 || y_at == std::string::npos) continue;
        const double y = number_at(y_at);
        if (y < 0) continue;
        steps += std::hypot(x - px, y - py) * 1500;
        px = x;
        py = y;
    }
    limit += 3 * microseconds(100) * static_cast<Cycles>(steps);
    // Whatever the scenario does late still happens, with as much time after it.
    Cycles latest = 0;
    for (const SwitchAction& action : options.switches)
        if (!action.when.at_position) latest = std::max(latest, action.when.time);
    for (const SendAction& action : options.sends)
        if (!action.when.at_position) latest = std::max(latest, action.when.time);
    return limit + latest;
}

namespace {

// The stream cut after each end marker: one piece per figure.
std::vector<std::string> split_figures(const std::string& stream) {
    std::vector<std::string> figures;
    std::string current;
    for (char c : stream) {
        current += c;
        if (c == 'Z') figures.push_back(std::exchange(current, {}));
    }
    if (!current.empty()) figures.push_back(current);
    return figures;
}

class Recorder {
public:
    Recorder(const RunOptions& options, const std::function<void(const CounterChange&)>& on_change,
             const std::function<void(const SegmentStart&)>& on_segment,
             const std::function<void(const std::string&)>& on_reply)
        : options_(options),
          on_change_(on_change),
          on_segment_(on_segment),
          on_reply_(on_reply),
          figures_(split_figures(options.stream)),
          end_markers_(
              static_cast<int>(std::count(options.stream.begin(), options.stream.end(), 'Z'))),
          // Bytes after the last end marker that the firmware keeps start a
          // figure that never ends.
          complete_(figures_.empty() || figures_.back().back() == 'Z' ||
                    only_commands(figures_.back())),
          // The X switch lies towards larger positions, the Y switch towards
          // smaller ones; both close at position 0.
          carriage_({Timer::Tim8, Port::F, board::kXDirPin, Port::D, board::kXLimitPin, 0, true},
                    {Timer::Tim1, Port::F, board::kYUpPin, Port::D, board::kYLimitPin, 0, false},
                    -options.start_x, options.start_y) {
        result_.figure_points.push_back({0, 0, false});
        on_register_write([this](const void* block, std::uint32_t offset, std::uint32_t value,
                                 Cycles) { register_written(block, offset, value); });
        on_compare([this](Timer, unsigned channel, Cycles) {
            if (channel == 1) carriage_moved();
        });
        on_handler_return([this](unsigned, Cycles when) { counters_seen(when); });
        on_pin_change([this](const PinChange& change) {
            if (change.port == Port::F && change.pin == board::kLaserPin) {
                add_vertex();
                counters_seen(change.time, true);
            }
        });
        poll_ = [this] {
            poll();
            at(now() + milliseconds(1), poll_);
        };
        at(milliseconds(1), poll_);
        for (const SwitchAction& action : options_.switches) {
            auto act = [this, action] { carriage_.force_switch(action.axis, action.closed); };
            schedule(action.when, act);
        }
        for (const SendAction& action : options_.sends) {
            auto act = [action] { send_serial(Serial::Usart1, action.bytes, 115200); };
            schedule(action.when, act);
        }
    }

    RunResult run_to_end() {
        const Cycles limit =
            options_.time_limit != 0 ? options_.time_limit : default_time_limit(options_);
        result_.finished = run(firmware_main, limit) == StopReason::Requested;
        collect_replies();
        add_vertex();
        result_.x_cur = x_cur;
        result_.y_cur = y_cur;
        result_.carriage_x = rel_x();
        result_.carriage_y = rel_y();
        result_.x_limit = x_limit;
        result_.y_overshoot = y_overshoot;
        if (!timer_running(Timer::Tim8) && !timer_running(Timer::Tim1)) check_carriage("the end");
        result_.laser = output(Port::F, board::kLaserPin);
        result_.end_time = now();
        return std::move(result_);
    }

private:
    // Runs `action` at its time, or when the carriage first reaches its
    // position after homing.
    void schedule(const When& when, std::function<void()> action) {
        ++actions_pending_;
        auto done = [this, action] {
            action();
            --actions_pending_;
        };
        if (when.at_position)
            position_actions_.push_back({when, done});
        else
            at(when.time, done);
    }

    // The carriage and the counters at rest must agree.
    void check_carriage(const std::string& where) {
        // Homing (or one broken off) counts from where it started.
        if (!origin_known_ || x_flag != 2 || (rel_x() == x_cur && rel_y() == y_cur)) return;
        result_.mismatches.push_back(where + ": carriage " + std::to_string(rel_x()) + "," +
                                     std::to_string(rel_y()) + ", counters " +
                                     std::to_string(x_cur) + "," + std::to_string(y_cur));
    }

    std::int64_t rel_x() const { return carriage_.x() - origin_x_; }
    std::int64_t rel_y() const { return carriage_.y() - origin_y_; }

    void add_vertex() {
        if (!origin_known_) return;
        const PathPoint point{rel_x(), rel_y(), output(Port::F, board::kLaserPin)};
        if (!result_.path.empty() && result_.path.back().x == point.x &&
            result_.path.back().y == point.y) {
            result_.path.back().laser = point.laser;
            return;
        }
        result_.path.push_back(point);
    }

    void register_written(const void* block, std::uint32_t offset, std::uint32_t value) {
        if (block == USART1 && offset == offsetof(USART_Registers, CR1)) usart_ready_ = true;
        if (block == TIM8 || block == TIM1) {
            if (offset == offsetof(TIM_Registers, ARR)) (block == TIM8 ? arr_x_ : arr_y_) = value;
            if (offset == offsetof(TIM_Registers, CR1) && !(value & TIM_CR1_CEN)) add_vertex();
        }
        check_segment();
    }

    // A segment has started once the main loop has counted it (j) and, for
    // one that moves, cleared move_flag after Straight; a zero-length one
    // moves nothing and starts no timer, so it is taken from the tables when
    // the next one is seen or the figure ends (the reply goes out first).
    void check_segment() {
        const int figure = figures_ended, started = j;
        if (figure != last_figure_) {
            last_figure_ = figure;
            last_started_ = 0;
        }
        while (last_started_ < started && last_started_ < kMaxPoints) {
            const int s = last_started_;
            const double px = s >= 1 ? x_num[s - 1] : start_x_num;
            const double py = s >= 1 ? y_num[s - 1] : start_y_num;
            const std::uint8_t kind = segment_kind(px, py, x_num[s], y_num[s]);
            if (s == started - 1 && kind != kStill && move_flag != 0) return;  // not started yet
            // A zero-length segment keeps the goals it started on; by now the
            // next one may have set its own.
            const bool still = kind == kStill;
            const SegmentStart start{static_cast<int>(result_.segments.size()),
                                     kind,
                                     still ? static_cast<int>(resolution * x_num[s]) : x_goal,
                                     still ? static_cast<int>(resolution * y_num[s]) : y_goal,
                                     arr_x_,
                                     arr_y_,
                                     output(Port::F, board::kLaserPin),
                                     now()};
            result_.segments.push_back(start);
            result_.figure_points.push_back({static_cast<int>(resolution * x_num[s]),
                                             static_cast<int>(resolution * y_num[s]), start.laser});
            add_vertex();
            last_started_ = s + 1;
            if (on_segment_) on_segment_(start);
        }
    }

    void carriage_moved() {
        if (!origin_known_) return;
        for (auto& [when, action] : position_actions_) {
            if (!action || (when.axis == 0 ? rel_x() : rel_y()) != when.position) continue;
            std::exchange(action, {})();
        }
        if (result_.segments.empty()) return;
        const auto& points = result_.figure_points;
        const std::size_t last = points.size() - 1;
        double d = HUGE_VAL;
        for (std::size_t s = last; s >= 1 && s + 2 > last; --s) {
            const PathPoint &a = points[s - 1], &b = points[s];
            d = std::min(d, distance_to_segment(static_cast<double>(rel_x()),
                                                static_cast<double>(rel_y()), a.x, a.y, b.x, b.y));
        }
        result_.max_deviation = std::max(result_.max_deviation, d);
    }

    void counters_seen(Cycles when, bool force = false) {
        const CounterChange change{when, x_cur, y_cur, output(Port::F, board::kLaserPin)};
        if (!force && change.x_cur == last_change_.x_cur && change.y_cur == last_change_.y_cur &&
            change.laser == last_change_.laser)
            return;
        last_change_ = change;
        if (on_change_) on_change_(change);
    }

    // Complete lines the firmware has sent since the last look.
    void collect_replies() {
        const std::string& sent = transmitted(Serial::Usart1);
        for (std::size_t end; (end = sent.find("\r\n", reply_from_)) != std::string::npos;) {
            result_.replies.push_back(sent.substr(reply_from_, end - reply_from_));
            result_.reply_times.push_back(now());
            reply_from_ = end + 2;
            const std::string& reply = result_.replies.back();
            if ((reply.starts_with("done ") || reply.starts_with("alarm:")) &&
                !timer_running(Timer::Tim8) && !timer_running(Timer::Tim1))
                check_carriage(reply.starts_with("done ") ? "figure " + reply.substr(5) : reply);
            if (on_reply_) on_reply_(reply);
        }
    }

    void poll() {
        collect_replies();
        // Homing (again after "$H") sets the origin where the counters are 0.
        if (x_flag != 2) homed_ = false;
        if (!homed_ && x_flag == 2 && machine != Machine::Homing) {
            homed_ = true;
            origin_known_ = true;
            origin_x_ = carriage_.x() - x_cur;
            origin_y_ = carriage_.y() - y_cur;
            add_vertex();
        }
        if (options_.at_once && usart_ready_ && sent_ == 0) {
            send_serial(Serial::Usart1, options_.stream, options_.baud);
            sent_ = figures_.size();
        }
        if (!usart_ready_ || !origin_known_ || serial_pending(Serial::Usart1) != 0) return;
        if (sent_ < figures_.size() && figures_ended == static_cast<int>(sent_)) {
            send_serial(Serial::Usart1, figures_[sent_], options_.baud);
            sent_ = sent_ + 1;
            return;
        }
        const bool all_answered =
            options_.at_once ? figures_numbered >= end_markers_ : figures_ended >= end_markers_;
        // A reply line under way, or a command not yet answered, is waited for.
        const std::string& replied = transmitted(Serial::Usart1);
        if ((!replied.empty() && !replied.ends_with("\r\n")) || status_requested) return;
        if (complete_ && sent_ == figures_.size() && all_answered && actions_pending_ == 0 &&
            !(options_.busy && options_.busy()) && figures_received == figures_ended &&
            !figure_loaded && check_flag == 0 && machine != Machine::Homing && !reset_requested &&
            !home_requested && !timer_running(Timer::Tim8) && !timer_running(Timer::Tim1) &&
            !output(Port::F, board::kLaserPin))
            request_stop();
    }

    const RunOptions& options_;
    const std::function<void(const CounterChange&)>& on_change_;
    const std::function<void(const SegmentStart&)>& on_segment_;
    const std::function<void(const std::string&)>& on_reply_;
    std::size_t reply_from_ = 0;
    std::vector<std::string> figures_;
    int end_markers_;
    bool complete_;
    Carriage carriage_;
    RunResult result_;
    std::function<void()> poll_;
    std::size_t sent_ = 0;
    bool usart_ready_ = false;
    bool origin_known_ = false;
    bool homed_ = false;
    int actions_pending_ = 0;
    std::vector<std::pair<When, std::function<void()>>> position_actions_;
    std::int64_t origin_x_ = 0, origin_y_ = 0;
    std::uint32_t arr_x_ = 0, arr_y_ = 0;
    int last_figure_ = 0, last_started_ = 0;
    CounterChange last_change_{0, 0, 0, false};
};

}  // namespace

RunResult run_plotter(const RunOptions& options,
                      const std::function<void(const CounterChange&)>& on_change,
                      const std::function<void(const SegmentStart&)>& on_segment,
                      const std::function<void(const std::string&)>& on_reply) {
    reset();
    power_on::reset_main_state();
    Recorder recorder(options, on_change, on_segment, on_reply);
    return recorder.run_to_end();
}

}  // namespace plotter_sim
