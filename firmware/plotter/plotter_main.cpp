// The plotter's main program: homes both axes against their limit switches,
// receives figures over USART1, and draws them segment by segment, switching
// the laser at the marked segment starts. Commands outside the figure
// alphabet, as GRBL users know them: "$H" home, "$X" clear an alarm, "!" feed
// hold, "~" resume, Ctrl-X (0x18) stop and clear, "?" status.
//
// The main loop and the handlers meet only through the globals of
// plotter_globals.h and plotter_main.h; each is written by one side, or by
// the main loop only while the receive interrupt is masked.
#include "plotter/plotter_main.h"

#include "plotter/board.h"
#include "plotter/plotter_figure.h"

volatile int k;
volatile char vector_data;
volatile int j;
volatile int t_i;
volatile int x_flag, y_flag;
volatile int figures_received;
volatile int figures_ended;
volatile int figures_numbered;
int figure_number;
volatile int incoming_start;
volatile std::uint32_t incoming_ms;
volatile int figure_next[kQueuedFigures];
volatile int figure_numbers[kQueuedFigures];
volatile bool figure_dropped_bytes[kQueuedFigures];
volatile int lost_numbers[kLostFigures];
volatile int figures_lost;
int figures_lost_answered;
volatile bool receive_dropped;
volatile std::uint32_t ms_ticks;
volatile std::uint32_t x_edge_ms, y_edge_ms;
volatile bool hold_requested, resume_requested, reset_requested, status_requested, home_requested,
    unlock_requested;
volatile bool command_pending;
Machine machine;
bool figure_loaded;
bool figure_refused;
int x_limit;
volatile int x_touch_cur, y_touch_cur;
volatile int y_overshoot;
volatile std::uint8_t limit_alarm;

namespace {

constexpr std::uint32_t kLaserBit = 1u << board::kLaserPin;
constexpr char kCtrlX = 0x18;
// A figure is drawn this long after its "ok", as it always was.
constexpr std::uint32_t kDrawDelayMs = 500;
// Bytes of a figure that stop arriving for this long without "Z" are dropped.
constexpr std::uint32_t kIncompleteMs = 2000;
// Homing: a switch counts as closed once it has read closed with no edge for
// this long; the slow approach steps at a tenth of the drawing rate.
constexpr std::uint32_t kSwitchSettleMs = 20;
constexpr std::uint32_t kSeekArr = 99;
constexpr std::uint32_t kApproachArr = 999;
constexpr int kHomingBackOff = 1500;  // between the seek and the slow approach

// When the drawing of the loaded figure may begin.
std::uint32_t draw_from_ms;
// The laser output when a feed hold switched it off.
bool laser_before_hold;

bool x_switch_closed() { return !(GPIOD->IDR & (1u << board::kXLimitPin)); }
bool y_switch_closed() { return !(GPIOD->IDR & (1u << board::kYLimitPin)); }

void laser_off() { GPIOF->BSRR = GPIO_BSRR_BR(board::kLaserPin); }

// Reply lines to the sender, ended by CR LF. Each byte waits for the
// transmitter; a line takes about 1 ms at 115200 baud.
void send_byte(char c) {
    while (!(USART1->SR & USART_SR_TXE)) {
    }
    USART1->DR = static_cast<std::uint8_t>(c);
}

void send_text(const char* text) {
    while (*text != '\0') send_byte(*text++);
}

void send_number(int number) {
    unsigned value = static_cast<unsigned>(number);
    if (number < 0) {
        send_byte('-');
        value = 0u - value;
    }
    char digits[12];
    int used = 0;
    do {
        digits[used++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (used > 0) send_byte(digits[--used]);
}

// `text` N, and ": `reason`" when there is one.
void send_reply(const char* text, int number, const char* reason = nullptr) {
    send_text(text);
    send_byte(' ');
    send_number(number);
    if (reason != nullptr) {
        send_text(": ");
        send_text(reason);
    }
    send_text("\r\n");
}

// A hard stop: both axes stop at once, whatever the segment, and the laser
// goes off.
void halt() {
    x_stop();
    y_stop();
    laser_off();
}

void laser_toggle() {
    GPIOF->BSRR =
        (GPIOF->ODR & kLaserBit) ? GPIO_BSRR_BR(board::kLaserPin) : GPIO_BSRR_BS(board::kLaserPin);
}

// The main loop changes the receive interrupt's state only while that
// interrupt is masked; a byte arriving meanwhile waits in DR.
class ReceivePaused {
public:
    ReceivePaused() { USART1->CR1 = USART1->CR1 & ~USART_CR1_RXNEIE; }
    ~ReceivePaused() { USART1->CR1 = USART1->CR1 | USART_CR1_RXNEIE; }
};

// Forgets every received byte and queued figure; they get no reply.
void clear_received() {
    ReceivePaused paused;
    figure_start = k;
    incoming_start = k;
    figures_ended = figures_received;
    receive_dropped = false;
    command_pending = false;
    check_flag = 0;
}

// Drops the loaded figure where it stands, without "done": the next one
// starts from where the axes stopped.
void abandon_figure() {
    if (figure_loaded) {
        figure_loaded = false;
        figure_refused = false;
        Next_Figure();
        j = 0;
        t_i = 0;
        figures_ended = figures_ended + 1;
    }
    axes_moving = 0;
    start_x_num = static_cast<double>(x_cur) / resolution;
    start_y_num = static_cast<double>(y_cur) / resolution;
    move_flag = 1;
}

// After a limit alarm: tells the sender which switch closed, drops the
// figure and everything received, and locks the machine until "$H" or "$X".
// A switch that closes again while locked changes nothing.
void report_alarm() {
    halt();
    if (machine != Machine::Alarm) {
        send_text(limit_alarm == kXAxis ? "alarm: X limit\r\n" : "alarm: Y limit\r\n");
        abandon_figure();
        clear_received();
        machine = Machine::Alarm;
    }
    limit_alarm = 0;
}

void send_status() {
    const char* state = "Idle";
    if (machine == Machine::Alarm)
        state = "Alarm";
    else if (machine == Machine::Hold)
        state = "Hold";
    else if (machine == Machine::Homing || figure_loaded)
        state = "Run";
    const int waiting = figures_received - figures_ended - (figure_loaded ? 1 : 0);
    send_byte('<');
    send_text(state);
    send_byte(',');
    send_number(x_cur);
    send_byte(',');
    send_number(y_cur);
    send_byte(',');
    send_number(waiting);
    send_text(">\r\n");
}

// Ctrl-X: both axes stopped at once in the receive interrupt; here the
// figure and everything received are dropped. An alarm stays locked, and a
// homing it broke off leaves the machine in alarm.
void reset_machine() {
    reset_requested = false;
    halt();
    abandon_figure();
    clear_received();
    hold_requested = false;
    resume_requested = false;
    home_requested = false;
    unlock_requested = false;
    if (machine != Machine::Alarm) machine = Machine::Ready;
    send_text("reset\r\n");
}

void serve_receive();

// Answers "?" and the receive side, and notes Ctrl-X, while homing runs;
// true when homing must stop.
bool homing_interrupted() {
    if (status_requested) {
        status_requested = false;
        send_status();
    }
    serve_receive();
    return reset_requested;
}

// The compare stays where drawing expects it (the fine build sets its own).
void set_homing_rate(TIM_Registers* timer, std::uint32_t arr) {
    board::set_step_timing(timer, {board::kStepTimerPrescaler, arr, board::kStepCompare});
}

// Runs the axes in `axes` (kXAxis, kYAxis) with their direction lines and
// modes already set, until each has reached its goal or, when `to_switch`,
// its switch has read closed. A switch that then opens again within the
// settle time was a bounce: that axis runs on. Returns false on Ctrl-X.
bool run_axes(std::uint8_t axes, bool to_switch) {
    axes_moving = axes;
    if (axes & kXAxis) x_start();
    if (axes & kYAxis) y_start();
    for (;;) {
        if (homing_interrupted()) return false;
        if (to_switch) {
            if ((axes_moving & kXAxis) && x_switch_closed()) {
                x_stop();
                axes_moving = axes_moving & ~kXAxis;
            }
            if ((axes_moving & kYAxis) && y_switch_closed()) {
                y_stop();
                axes_moving = axes_moving & ~kYAxis;
            }
        }
        if (axes_moving == 0) {
            if (!to_switch) return true;
            // Both stopped on their switches: wait for them to settle.
            bool settled = true;
            const std::uint32_t now = ms_ticks;
            if ((axes & kXAxis) && now - x_edge_ms < kSwitchSettleMs) settled = false;
            if ((axes & kYAxis) && now - y_edge_ms < kSwitchSettleMs) settled = false;
            if (settled) {
                std::uint8_t bounced = 0;
                if ((axes & kXAxis) && !x_switch_closed()) bounced |= kXAxis;
                if ((axes & kYAxis) && !y_switch_closed()) bounced |= kYAxis;
                if (bounced == 0) return true;
                axes_moving = bounced;
                if (bounced & kXAxis) x_start();
                if (bounced & kYAxis) y_start();
            }
        }
        chip_wait_for_interrupt();
    }
}

// Both axes towards their switches (X counting up, Y down) until they close.
bool seek_switches(std::uint32_t arr) {
    set_homing_rate(TIM8, arr);
    set_homing_rate(TIM1, arr);
    x_dir = 0;
    x_goal = 0x7FFFFFFF;
    x_right();
    y_dir = 1;
    y_goal = -0x7FFFFFFF;
    y_down();
    return run_axes(kXAxis | kYAxis, true);
}

}  // namespace

bool home_axes() {
    machine = Machine::Homing;
    x_flag = 0;
    y_flag = 0;
    halt();
    x_cur = 0;
    y_cur = 0;
    // Seek fast, back off, approach slowly: the second touch is where the
    // switch closes to within a step, wherever the carriage started.
    bool homed = seek_switches(kSeekArr);
    if (homed) {
        set_homing_rate(TIM8, kSeekArr);
        set_homing_rate(TIM1, kSeekArr);
        x_dir = 1;
        x_goal = x_cur - kHomingBackOff;
        x_left();
        y_dir = 0;
        y_goal = y_cur + kHomingBackOff;
        y_up();
        homed = run_axes(kXAxis | kYAxis, false);
    }
    if (homed) homed = seek_switches(kApproachArr);
    if (homed) {
        x_flag = 1;
        y_flag = 1;
        // X runs to the origin, a fixed distance before the switch.
        set_homing_rate(TIM8, kSeekArr);
        x_dir = 1;
        x_goal = x_cur - kXSwitchDistance;
        x_left();
        homed = run_axes(kXAxis, false);
    }
    halt();
    set_homing_rate(TIM8, kSeekArr);  // as the set-up left them
    set_homing_rate(TIM1, kSeekArr);
    x_dir = 3;
    y_dir = 3;
    axes_moving = 0;
    if (!homed) {
        machine = Machine::Alarm;
        return false;
    }
    // Where the switches closed on the approach, from the origin.
    x_limit = x_touch_cur - x_cur;
    y_overshoot = y_touch_cur - y_cur;
    x_cur = 0;
    y_cur = 0;
    x_goal = 0;
    y_goal = 0;
    start_x_num = 0.0;
    start_y_num = 0.0;
    move_flag = 1;
    x_flag = 2;
    y_flag = 2;
    machine = Machine::Ready;
    return true;
}

bool load_figure() {
    const int slot = figures_ended % kQueuedFigures;
    const int next = figure_next[slot];
    figure_number = figure_numbers[slot];
    if (machine == Machine::Alarm) {
        // Locked: refused unread.
        send_reply("error", figure_number, "alarm active: send $H to re-home");
        figure_start = next;
        if (figures_received == figures_ended + 1) check_flag = 0;
        figures_ended = figures_ended + 1;
        return false;
    }
    figure_cut = figure_dropped_bytes[slot];
    const int held = (next - figure_start + kSaveDataSize) % kSaveDataSize;
    usart_count = figure_cut ? held : held - 1;
    if (figures_received == figures_ended + 1) check_flag = 0;
    Data_Check();
    XY_Data();
    // Homing put the origin a fixed distance from the switch, whatever x_limit
    // measured to within a step: the travel is the same after every homing.
    const char* fault = figure_fault(kXSwitchDistance - kXPullOff + 1);
    if (fault != nullptr) {
        // Refused whole: nothing of it runs.
        send_reply("error", figure_number, fault);
        Count_Straight = 0;
    } else {
        send_reply("ok", figure_number);
    }
    // The tables hold all that is needed: the ring takes the next one.
    figure_start = next;
    figure_loaded = true;
    figure_refused = fault != nullptr;
    return !figure_refused;
}

void end_figure() {
    figure_loaded = false;
    if (!figure_refused && limit_alarm == 0) send_reply("done", figure_number);
    figure_refused = false;
    Next_Figure();
    j = 0;
    t_i = 0;
    figures_ended = figures_ended + 1;
}

void USART1_IRQHandler(void) {
    // Reading SR and then DR clears an overrun (ORE) as well as RXNE; an
    // overrun with RXNE clear leaves nothing to read, but the read still ends
    // it, or its interrupt would stay pending.
    const std::uint32_t status = USART1->SR;
    if (!(status & (USART_SR_RXNE | USART_SR_ORE))) return;
    vector_data = static_cast<char>(USART1->DR & 0xFF);
    if (!(status & USART_SR_RXNE)) return;
    const int byte = static_cast<unsigned char>(vector_data);
    switch (byte) {
        case '\n':
        case '\r':
        case 'n':
            return;
        case kCtrlX:
            halt();  // at once; the main loop does the rest
            reset_requested = true;
            return;
        case '!':
            hold_requested = true;
            return;
        case '~':
            resume_requested = true;
            return;
        case '?':
            status_requested = true;
            return;
        case '$':
            command_pending = true;
            return;
        default:
            break;
    }
    if (command_pending) {
        command_pending = false;
        if (byte == 'H' || byte == 'h') home_requested = true;
        if (byte == 'X' || byte == 'x') unlock_requested = true;
        return;
    }

    // Figures sent back to back queue up in the ring while one runs. A byte
    // that finds the ring full is dropped, and its figure will be refused.
    const int next = (k + 1) % kSaveDataSize;
    if (next != figure_start) {
        save_data[k] = byte;
        k = next;
    } else {
        receive_dropped = true;
    }
    incoming_ms = ms_ticks;
    if (byte != 'Z') return;
    const int number = figures_numbered + 1;
    figures_numbered = number;
    if (figures_received - figures_ended >= kQueuedFigures) {
        // No room in the queue: its bytes go, and the main loop refuses it.
        k = incoming_start;
        receive_dropped = false;
        lost_numbers[figures_lost % kLostFigures] = number;
        figures_lost = figures_lost + 1;
        return;
    }
    const int slot = figures_received % kQueuedFigures;
    figure_next[slot] = k;
    figure_numbers[slot] = number;
    figure_dropped_bytes[slot] = receive_dropped;
    receive_dropped = false;
    incoming_start = k;
    check_flag = 1;
    figures_received = figures_received + 1;
}

void TIM8_CC_IRQHandler(void) { count_step_event(TIM8, x_cur, x_goal, x_dir, x_stop, kXAxis); }
void TIM1_CC_IRQHandler(void) { count_step_event(TIM1, y_cur, y_goal, y_dir, y_stop, kYAxis); }

// TIM4 runs the PWM; its update interrupt is the 1 ms tick and the main
// loop's wake-up.
void TIM4_IRQHandler(void) {
    if (TIM4->SR & TIM_SR_UIF) {
        TIM4->SR = ~TIM_SR_UIF;
        ms_ticks = ms_ticks + 1;
    }
}

// Both edges of each switch note their time, for homing's settling. Once an
// axis is homed, its switch closing is a hard limit, but for Y's switch
// within the homing overshoot of the origin: Y rests on its switch there,
// and a figure that returns to y = 0 closes it as homing did.
void EXTI9_5_IRQHandler(void) {
    const std::uint32_t pending = EXTI->PR;
    const std::uint32_t levels = GPIOD->IDR;
    if (pending & (1u << board::kXLimitPin)) {
        EXTI->PR = 1u << board::kXLimitPin;
        x_edge_ms = ms_ticks;
        if (!(levels & (1u << board::kXLimitPin))) {
            if (x_flag != 2) {
                x_touch_cur = x_cur;
            } else {
                halt();
                limit_alarm = kXAxis;
            }
        }
    }
    if (pending & (1u << board::kYLimitPin)) {
        EXTI->PR = 1u << board::kYLimitPin;
        y_edge_ms = ms_ticks;
        if (!(levels & (1u << board::kYLimitPin))) {
            if (y_flag != 2) {
                y_touch_cur = y_cur;
            } else if (y_cur > y_overshoot + kYSwitchMargin) {
                halt();
                limit_alarm = kYAxis;
            }
        }
    }
}

namespace {

// The axis whose closed switch the segment of `kind` would drive further
// into, or 0. Read from the pins before the segment starts: a switch held
// closed since its edge protects as much as one that closes now.
std::uint8_t blocked_by_switch(std::uint8_t kind) {
    const bool x_towards = kind == kXUp || kind == kXUpYUp || kind == kXUpYDown;
    const bool y_towards = kind == kYDown || kind == kXUpYDown || kind == kXDownYDown;
    if (x_towards && x_switch_closed()) return kXAxis;
    if (y_towards && y_switch_closed() && y_cur > y_overshoot + kYSwitchMargin) return kYAxis;
    return 0;
}

void hold() {
    hold_requested = false;
    if (machine != Machine::Ready) return;
    // The step under way has been made: the counters hold every step event,
    // and the axes of the segment keep their goals for "~".
    x_stop();
    y_stop();
    laser_before_hold = GPIOF->ODR & kLaserBit;
    laser_off();
    machine = Machine::Hold;
}

void resume() {
    resume_requested = false;
    if (machine != Machine::Hold) return;
    machine = Machine::Ready;
    if (laser_before_hold) GPIOF->BSRR = GPIO_BSRR_BS(board::kLaserPin);
    const std::uint8_t axes = axes_moving;
    if (axes & kXAxis) x_start();
    if (axes & kYAxis) y_start();
}

// Drops a figure whose bytes stopped arriving before its end marker.
void drop_incomplete_figure() {
    int number = 0;
    {
        ReceivePaused paused;
        if (k == incoming_start || ms_ticks - incoming_ms < kIncompleteMs) return;
        k = incoming_start;
        receive_dropped = false;
        number = figures_numbered + 1;
        figures_numbered = number;
    }
    send_reply("error", number, "incomplete figure");
}

// Figures refused on arrival: beyond the queue, or unfinished.
void serve_receive() {
    while (figures_lost_answered != figures_lost) {
        send_reply("error", lost_numbers[figures_lost_answered % kLostFigures], "queue full");
        figures_lost_answered = figures_lost_answered + 1;
    }
    if (k != incoming_start) drop_incomplete_figure();
}

// The commands and replies that do not wait for a segment's end.
void serve_commands() {
    if (reset_requested) reset_machine();
    if (status_requested) {
        status_requested = false;
        send_status();
    }
    if (hold_requested) hold();
    if (resume_requested) resume();
    if (unlock_requested) {
        unlock_requested = false;
        // Only a homed machine: after a homing that Ctrl-X broke off there is
        // no origin and no limit to keep, so only "$H" unlocks it.
        if (machine == Machine::Alarm && x_flag == 2) machine = Machine::Ready;
    }
    if (home_requested) {
        home_requested = false;
        // Not while a figure runs or holds: Ctrl-X first.
        if (!figure_loaded && (machine == Machine::Ready || machine == Machine::Alarm)) {
            if (!home_axes()) reset_machine();
        }
    }
    serve_receive();
}

}  // namespace

int main(void) {
    DelayMS(1000);
    _EXTI_Init();
    _GPIO_Init();
    TIMER1_OC_Init();
    TIMER8_OC_Init();
    TIMER4_PWM_Init();
    USART1_Init();
    // Both edges of a switch note their time; the handler reads the level.
    EXTI->RTSR = EXTI->RTSR | EXTI_LINE(board::kXLimitPin) | EXTI_LINE(board::kYLimitPin);
    // Everything the main loop acts on comes with an interrupt (a received
    // byte, a step event, a switch edge), so each pass ends by sleeping until
    // the next one; the 1 ms tick bounds the wait should an interrupt come
    // just before the sleep.
    TIM4->DIER |= TIM_DIER_UIE;
    nvic_enable(TIM4_IRQn);
    laser_off();

    if (!home_axes()) reset_machine();

    for (;;) {
        serve_commands();
        if (limit_alarm != 0) report_alarm();

        // The next received figure is parsed once the last one has ended.
        if (!figure_loaded && figures_received != figures_ended) {
            if (load_figure()) draw_from_ms = ms_ticks + kDrawDelayMs;
            move_flag = 1;
        }

        bool started = false;
        if (machine == Machine::Ready && figure_loaded && move_flag == 1 && j < Count_Straight &&
            limit_alarm == 0 && static_cast<std::int32_t>(ms_ticks - draw_from_ms) >= 0) {
            const std::uint8_t blocked = blocked_by_switch(Direction());
            if (blocked != 0) {
                limit_alarm = blocked;
                continue;
            }
            // Only the markers of this figure count; a figure without any
            // leaves the laser off.
            if (t_i < l_i && laser_check[t_i] == j) {
                t_i = t_i + 1;
                laser_toggle();
            }
            j = j + 1;
            if (Straight()) move_flag = 0;
            started = true;
            // A limit that closed while the segment was being set up holds.
            if (limit_alarm != 0) halt();
        }

        if (figure_loaded && j == Count_Straight && move_flag == 1) {
            laser_off();
            end_figure();
            started = true;
        }

        // A zero-length segment has ended already: the next one starts now.
        if (!started) chip_wait_for_interrupt();
    }
}
