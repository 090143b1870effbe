#include "plotter/plotter_figure.h"

#include <cmath>

#include "plotter/board.h"

int loc_x[kMaxPoints], loc_y[kMaxPoints];
int x, y;
int laser_power[kLaserMarkers];
int l_i;
double x_num[kMaxPoints], y_num[kMaxPoints];
int m, n;
int o, p;
int markers_dropped;

int i;
double start_x_num, start_y_num;
int l_j;
int resolution = 1500;
int motor_arr = 100;
std::int32_t velo_x, velo_y;

namespace {

// The byte at `position` of the figure in the receive ring; a payload that
// runs past the ring's capacity reads zeros.
int byte_at(int position) {
    if (position < 0 || position >= kSaveDataSize) return 0;
    return save_data[(figure_start + position) % kSaveDataSize];
}

// "dd.d" after the marker: tens, units, the point, tenths. The tens and units are
// 10 * (tens - '0') + (units - '0'), taken as one sum; a byte that is no digit counts by its
// distance from '0'.
double coordinate(int marker) {
    int whole = 10 * byte_at(marker + 1) + byte_at(marker + 2) - 11 * '0';
    return static_cast<double>(whole) + static_cast<double>(byte_at(marker + 4) - '0') * 0.1;
}

// Segments start where the previous one ended; the first one of a figure
// starts where the last figure ended (the homing position, coordinate
// (0.0, 0.0), for the first figure).
double previous_x() { return i > 0 ? x_num[i - 1] : start_x_num; }
double previous_y() { return i > 0 ? y_num[i - 1] : start_y_num; }
double next_x() { return i < kMaxPoints ? x_num[i] : previous_x(); }
double next_y() { return i < kMaxPoints ? y_num[i] : previous_y(); }

int goal(double c) { return static_cast<int>(resolution * c); }

#ifdef PLOTTER_FINE_PACING
constexpr double kTicksPerMicrosecond = board::kStepTimerClockHz / 1e6;

// The step period of an axis moving `displacement` steps of a diagonal
// `length` steps long, in timer clock ticks: the path runs at one step per
// motor_arr microseconds. The displacement is never 0 here.
board::StepTiming diagonal_timing(double length, int displacement) {
    return board::fine_step_timing(length / std::abs(displacement) * motor_arr *
                                   kTicksPerMicrosecond);
}
#else
// The auto-reload value of one axis of a diagonal, as an unsigned integer.
std::uint32_t diagonal_arr(double length, std::int32_t displacement) {
    double value = length / std::abs(static_cast<double>(displacement)) * motor_arr + (-1.0);
    if (!(value < 4294967295.0)) return 0xFFFFFFFFu;  // no displacement: as slow as it gets
    return value <= 0.0 ? 0u : static_cast<std::uint32_t>(value);
}
#endif

// The driver operations and registers of one axis.
struct AxisDrive {
    std::uint8_t bit;  // in axes_moving
    volatile int& goal;
    TIM_Registers* timer;
    void (*towards_larger)();
    void (*towards_smaller)();
    void (*start)();
    void (*stop)();
};

void single_axis_move(const AxisDrive& moving, const AxisDrive& other, double target, bool larger) {
    moving.goal = goal(target);
    ++i;
#ifdef PLOTTER_FINE_PACING
    board::set_step_timing(moving.timer, board::fine_step_timing(motor_arr * kTicksPerMicrosecond));
#else
    board::set_step_period(moving.timer, static_cast<std::uint32_t>(motor_arr - 1));
#endif
    larger ? moving.towards_larger() : moving.towards_smaller();
    other.stop();
    axes_moving = moving.bit;
    moving.start();
}

}  // namespace

void Data_Check() {
    for (int c = 0; c < usart_count && c < kSaveDataSize; ++c) {
        switch (byte_at(c)) {
            case 'L':
                if (Count_Straight < kMaxPoints)
                    ++Count_Straight;
                else
                    ++markers_dropped;
                break;
            case 'X':
                if (x < kMaxPoints)
                    loc_x[x++] = c;
                else
                    ++markers_dropped;
                break;
            case 'Y':
                if (y < kMaxPoints)
                    loc_y[y++] = c;
                else
                    ++markers_dropped;
                break;
            case 'S':
                if (l_i < kLaserMarkers) {
                    laser_check[l_i] = Count_Straight;
                    laser_power[l_i] = c;
                    ++l_i;
                } else {
                    ++markers_dropped;
                }
                break;
            default:
                break;
        }
    }
}

void XY_Data() {
    for (int s = 0; s < Count_Straight; ++s) {
        if (m >= kMaxPoints || o >= kMaxPoints) break;
        x_num[o++] = coordinate(loc_x[m]);
        y_num[p++] = coordinate(loc_y[n]);
        ++m;
        ++n;
    }
}

namespace {
bool is_digit(int b) { return b >= '0' && b <= '9'; }

// The payload of the coordinate marker at `marker` lies before the end
// marker and has digits where the tens, units and tenths go.
bool coordinate_well_formed(int marker) {
    return marker + 4 < usart_count && is_digit(byte_at(marker + 1)) &&
           is_digit(byte_at(marker + 2)) && is_digit(byte_at(marker + 4));
}
}  // namespace

const char* figure_fault(int x_limit) {
    if (figure_cut) return "longer than the receive buffer holds";
    if (markers_dropped > 0) return "more points or laser markers than the plotter holds";
    if (x < Count_Straight || y < Count_Straight) return "a point without both coordinates";
    for (int s = 0; s < Count_Straight; ++s) {
        if (!coordinate_well_formed(loc_x[s]) || !coordinate_well_formed(loc_y[s]))
            return "a coordinate that is not tens, units and tenths digits";
        if (goal(x_num[s]) >= x_limit) return "an X coordinate beyond the X limit switch";
    }
    return nullptr;
}

std::uint8_t segment_kind(double px, double py, double qx, double qy) {
    std::uint8_t kind;
    if (px < qx && py == qy)
        kind = kXUp;
    else if (px > qx && py == qy)
        kind = kXDown;
    else if (px == qx && py < qy)
        kind = kYUp;
    else if (px == qx && py > qy)
        kind = kYDown;
    else if (px < qx && py < qy)
        kind = kXUpYUp;
    else if (px < qx && py > qy)
        kind = kXUpYDown;
    else if (px > qx && py < qy)
        kind = kXDownYUp;
    else if (px > qx && py > qy)
        kind = kXDownYDown;
    else
        kind = kStill;
    return kind;
}

std::uint8_t Direction() {
    const std::uint8_t kind = segment_kind(previous_x(), previous_y(), next_x(), next_y());
    // A zero-length segment moves neither axis, so it leaves both modes alone.
    static constexpr std::uint8_t kXMode[] = {0, 1, 0xFF, 0xFF, 0, 0, 1, 1, 0xFF};
    static constexpr std::uint8_t kYMode[] = {0xFF, 0xFF, 0, 1, 0, 1, 0, 1, 0xFF};
    if (kXMode[kind] != 0xFF) x_dir = kXMode[kind];
    if (kYMode[kind] != 0xFF) y_dir = kYMode[kind];
    return kind;
}

bool Straight() {
    const AxisDrive x_axis{kXAxis, x_goal, TIM8, x_right, x_left, x_start, x_stop};
    const AxisDrive y_axis{kYAxis, y_goal, TIM1, y_up, y_down, y_start, y_stop};
    const std::uint8_t kind = Direction();
    switch (kind) {
        case kXUp:
        case kXDown:
            single_axis_move(x_axis, y_axis, next_x(), kind == kXUp);
            return true;
        case kYUp:
        case kYDown:
            single_axis_move(y_axis, x_axis, next_y(), kind == kYUp);
            return true;
        case kStill:
            // Nothing to move: starting a timer would toggle its step pin
            // once, a step of the carriage that no counter sees. The segment
            // has ended as soon as it has begun.
            ++i;
            axes_moving = 0;
            return false;
        default:
            break;
    }

    x_goal = goal(next_x());
    y_goal = goal(next_y());
    velo_x = static_cast<std::int32_t>(previous_x() * resolution - x_goal);
    velo_y = static_cast<std::int32_t>(previous_y() * resolution - y_goal);
    ++i;
#ifdef PLOTTER_FINE_PACING
    // Both periods from the steps each axis really makes (the counters are on
    // the last goals), so their ratio is that of the displacements.
    const int dx = x_goal - x_cur, dy = y_goal - y_cur;
    const double length = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
    board::set_step_timing(TIM1, diagonal_timing(length, dy));
    board::set_step_timing(TIM8, diagonal_timing(length, dx));
#else
    // The length is worked out once per axis, as the period of each axis is.
    const double length_y =
        std::sqrt(static_cast<double>(velo_y) * velo_y + static_cast<double>(velo_x) * velo_x);
    board::set_step_period(TIM1, diagonal_arr(length_y, velo_y));
    const double length_x =
        std::sqrt(static_cast<double>(velo_y) * velo_y + static_cast<double>(velo_x) * velo_x);
    board::set_step_period(TIM8, diagonal_arr(length_x, velo_x));
#endif

    const bool x_larger = kind == kXUpYUp || kind == kXUpYDown;
    const bool y_larger = kind == kXUpYUp || kind == kXDownYUp;
    x_larger ? x_axis.towards_larger() : x_axis.towards_smaller();
    y_larger ? y_axis.towards_larger() : y_axis.towards_smaller();
    axes_moving = kXAxis | kYAxis;
    x_start();
    y_start();
    return true;
}

void laser_control() {
    if (l_j >= kLaserMarkers) return;
    const int marker = laser_power[l_j];
    l_j = l_j + 1;
    const int b = byte_at(marker + 1);
    if (b == '1')
        GPIOF->BSRR = GPIO_BSRR_BS(board::kLaserPin);
    else if (b == '0')
        GPIOF->BSRR = GPIO_BSRR_BR(board::kLaserPin);
}

void Next_Figure() {
    const double last_x = previous_x(), last_y = previous_y();
    start_x_num = last_x;
    start_y_num = last_y;
    i = 0;
    o = p = 0;
    m = n = 0;
    x = y = 0;
    l_i = l_j = 0;
    markers_dropped = 0;
    Count_Straight = 0;
}

void count_step_event(TIM_Registers* timer, volatile int& cur, volatile int& goal,
                      volatile std::uint8_t& mode, void (*stop)(), std::uint8_t axis) {
    if (!(timer->SR & TIM_SR_CC1IF)) return;
    timer->SR = ~TIM_SR_CC1IF;
    if (mode == 0) {
        cur = cur + 1;
        if (cur < goal) return;
    } else if (mode == 1) {
        cur = cur - 1;
        if (goal < cur) return;
    } else {
        return;
    }
    // This axis has arrived; the segment ends when the other one has too.
    stop();
    axes_moving = axes_moving & ~axis;
    if (axes_moving == 0) move_flag = 1;
}
