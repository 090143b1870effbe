// UART4 bench with buffered commands: letters move the axes by hand, and
// "x"/"y", a sign and one or two digits (byte values 0 to 9) set a goal in
// units of 3200 step events at which the axis stops by itself.
#include "bench_axes.h"

volatile int s1[10];
volatile int k;
volatile char ch4;
volatile int x = 1, y = 1;  // counting sense: 1 up, 2 down
volatile std::uint32_t X_tmp, Y_tmp;
volatile std::uint32_t X_goal, Y_goal;  // 0: no goal

namespace {
constexpr int kCommandSize = 10;
constexpr std::uint32_t kStepsPerUnit = 3200;
constexpr std::uint32_t kXEnd = 160000;
constexpr std::uint32_t kYEnd = 128000;

void clear_command() {
    k = 0;
    for (int n = 0; n < kCommandSize; ++n) s1[n] = 0;
}

void set_goal(volatile int& sense, volatile std::uint32_t& counter, volatile std::uint32_t& goal,
              std::uint32_t end) {
    if (k != 3 && k != 4) return;
    const std::uint32_t units = k == 3 ? s1[2] : 10 * s1[2] + s1[3];
    const std::uint32_t steps = units * kStepsPerUnit;
    if (s1[1] == '+') {
        sense = 1;
        const std::uint32_t target = counter + steps;
        goal = target > end ? end : target;
    } else if (s1[1] == '-') {
        sense = 2;
        // 0 would mean "no goal"; a goal at or below 0 stops at 1 instead.
        goal = steps >= counter ? 1 : counter - steps;
    }
}

// Counts one step event. A goal stops the axis where it is met; whatever the
// goal, the axis never runs past the end of travel counting up, nor past 0
// counting down from above it (a goal left from a command of the other sense
// would otherwise never be met).
void count_step(TIM_Registers* timer, volatile int& sense, volatile std::uint32_t& counter,
                volatile std::uint32_t& goal, std::uint32_t end) {
    take_flag(timer, TIM_SR_UIF);
    if (!take_flag(timer, TIM_SR_CC1IF)) return;
    bool stop = false;
    if (sense == 1) {
        counter = counter + 1;
        if (goal != 0 && counter == goal) {
            stop = true;
        } else if (counter > end) {
            counter = end;
            stop = true;
        }
    } else if (sense == 2) {
        counter = counter - 1;
        stop = (goal != 0 && counter == goal) || counter == 0;
    }
    if (stop) {
        bench::timer_stop(timer);
        goal = 0;
    }
}
}  // namespace

void TIM1_CC_IRQHandler(void) { count_step(TIM1, x, X_tmp, X_goal, kXEnd); }
void TIM8_CC_IRQHandler(void) { count_step(TIM8, y, Y_tmp, Y_goal, kYEnd); }

void UART4_IRQHandler(void) {
    if (!bench::uart4_take_byte(ch4)) return;
    s1[k] = static_cast<unsigned char>(ch4);
    k = k + 1;
    switch (s1[0]) {
        case 'a':
            bench::x_halt();
            clear_command();
            break;
        case 'b':
            bench::x_run();
            clear_command();
            break;
        case 'c':
            bench::x_dir_up();
            x = 1;
            clear_command();
            break;
        case 'd':
            bench::x_dir_down();
            x = 2;
            clear_command();
            break;
        case 'e':
            bench::y_run_up();
            y = 1;
            clear_command();
            break;
        case 'f':
            bench::y_run_down();
            y = 2;
            clear_command();
            break;
        case 'g':
            bench::y_halt();
            clear_command();
            break;
        case 'r':
            bench::timer_start(TIM1);
            bench::timer_start(TIM8);
            x = 2;
            y = 2;
            clear_command();
            break;
        case 'x':
            set_goal(x, X_tmp, X_goal, kXEnd);
            break;
        case 'y':
            set_goal(y, Y_tmp, Y_goal, kYEnd);
            break;
        default:
            break;
    }
    // Bytes after a goal or an unknown first byte keep piling up; a full
    // buffer starts over, so the next byte begins a new command.
    if (k == kCommandSize) clear_command();
}

int main(void) {
    bench::axes_setup(bench::TimerStart::Running);
    UART4_Init();
    bench::timer_stop(TIM1);
    bench::timer_stop(TIM8);
    // The set-up's forced compare event (CC1G) moved no axis.
    X_tmp = 0;
    Y_tmp = 0;
    for (;;) chip_wait_for_interrupt();
}
