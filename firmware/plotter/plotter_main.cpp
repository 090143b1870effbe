// The plotter's main program: homes both axes against their limit switches,
// receives a figure over USART1, and draws it segment by segment, switching
// the laser at the marked segment starts. After a figure has run to its end
// the next one is received, parsed and drawn in the same way.
//
// The main loop and the handlers meet only through the globals of
// plotter_globals.h and plotter_main.h; each is written by one side.
#include "plotter/plotter_main.h"

#include "plotter/board.h"
#include "plotter/plotter_figure.h"

volatile int k;
volatile char vector_data;
volatile int j;
volatile int t_i;
int x_flag, y_flag;
volatile int figures_received;
volatile int figures_ended;
volatile int figure_next[kQueuedFigures];
volatile bool figure_dropped_bytes[kQueuedFigures];
volatile int figures_lost;
bool receive_dropped;
bool figure_loaded;
bool figure_refused;
int figure_number;
volatile int x_switch_cur;
volatile bool x_switch_seen;
int x_limit;
volatile int y_switch_cur;
volatile bool y_switch_seen;
int y_overshoot;
volatile std::uint8_t limit_alarm;

namespace {

constexpr std::uint32_t kLaserBit = 1u << board::kLaserPin;

bool x_switch_pressed() { return !(GPIOD->IDR & (1u << board::kXLimitPin)); }
bool y_switch_pressed() { return !(GPIOD->IDR & (1u << board::kYLimitPin)); }

void laser_off() { GPIOF->BSRR = GPIO_BSRR_BR(board::kLaserPin); }

// Sends one reply line to the sender: `text`, the figure number, and
// ": `reason`" when there is one, ended by CR LF. Waits for the transmitter;
// a line takes about 1 ms at 115200 baud.
void send_byte(char c) {
    while (!(USART1->SR & USART_SR_TXE)) {
    }
    USART1->DR = static_cast<std::uint8_t>(c);
}

void send_text(const char* text) {
    while (*text != '\0') send_byte(*text++);
}

void send_reply(const char* text, int number, const char* reason = nullptr) {
    send_text(text);
    send_byte(' ');
    char digits[12];
    int used = 0;
    do {
        digits[used++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0);
    while (used > 0) send_byte(digits[--used]);
    if (reason != nullptr) {
        send_text(": ");
        send_text(reason);
    }
    send_text("\r\n");
}

// A hard limit: both axes stop at once, whatever the segment, and the laser
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

}  // namespace

bool load_figure() {
    const int slot = figures_ended % kQueuedFigures;
    const int next = figure_next[slot];
    figure_cut = figure_dropped_bytes[slot];
    const int held = (next - figure_start + kSaveDataSize) % kSaveDataSize;
    usart_count = figure_cut ? held : held - 1;
    if (figures_received == figures_ended + 1) check_flag = 0;
    Data_Check();
    XY_Data();
    figure_number = figure_number + 1;
    const char* fault = figure_fault(x_limit);
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
    if (byte == '\n' || byte == '\r' || byte == 'n') return;

    // Figures sent back to back queue up in the ring while one runs. A byte
    // that finds the ring full is dropped, and its figure will be refused.
    const int next = (k + 1) % kSaveDataSize;
    if (next != figure_start) {
        save_data[k] = byte;
        k = next;
    } else {
        receive_dropped = true;
    }
    if (byte != 'Z') return;
    if (figures_received - figures_ended >= kQueuedFigures) {
        figures_lost = figures_lost + 1;
        return;
    }
    const int slot = figures_received % kQueuedFigures;
    figure_next[slot] = k;
    figure_dropped_bytes[slot] = receive_dropped;
    receive_dropped = false;
    check_flag = 1;
    figures_received = figures_received + 1;
}

void TIM8_CC_IRQHandler(void) { count_step_event(TIM8, x_cur, x_goal, x_dir, x_stop, kXAxis); }
void TIM1_CC_IRQHandler(void) { count_step_event(TIM1, y_cur, y_goal, y_dir, y_stop, kYAxis); }

// TIM4 runs the PWM; its update interrupt is the main loop's 1 ms wake-up.
void TIM4_IRQHandler(void) {
    if (TIM4->SR & TIM_SR_UIF) TIM4->SR = ~TIM_SR_UIF;
}

// Homing polls the switches in xy_search_start; their interrupt notes where
// each axis stood at the first closing edge of its switch while homing. After
// homing a closing edge is a hard limit, but for Y's switch within the
// homing overshoot of the origin: Y rests on its switch there, and a figure
// that returns to y = 0 closes it as homing did.
void EXTI9_5_IRQHandler(void) {
    if (EXTI->PR & (1u << board::kXLimitPin)) {
        EXTI->PR = 1u << board::kXLimitPin;
        if (x_flag == 0 && !x_switch_seen) {
            x_switch_cur = x_cur;
            x_switch_seen = true;
        } else if (x_flag == 2) {
            halt();
            limit_alarm = kXAxis;
        }
    }
    if (EXTI->PR & (1u << board::kYLimitPin)) {
        EXTI->PR = 1u << board::kYLimitPin;
        if (y_flag == 0 && !y_switch_seen) {
            y_switch_cur = y_cur;
            y_switch_seen = true;
        } else if (y_flag == 2 && y_cur > y_overshoot + kYSwitchMargin) {
            halt();
            limit_alarm = kYAxis;
        }
    }
}

// After a limit alarm: tells the sender which switch closed and drops the
// rest of the figure. The next figure starts from where the axes stopped.
void report_alarm() {
    halt();
    send_text(limit_alarm == kXAxis ? "alarm: X limit\r\n" : "alarm: Y limit\r\n");
    if (figure_loaded) end_figure();
    start_x_num = static_cast<double>(x_cur) / resolution;
    start_y_num = static_cast<double>(y_cur) / resolution;
    move_flag = 1;
    limit_alarm = 0;
}

// Homing: each axis stops when its switch has read pressed twice, 50 ms
// apart; when both have, X backs off its switch for 5 s.
void xy_search_start() {
    if (x_switch_pressed() && x_flag == 0) {
        DelayMS(50);
        if (x_switch_pressed()) {
            x_stop();
            x_flag = 1;
        }
    }
    // Y debounces before it looks at its flag, so while its switch is pressed
    // every pass waits here, after homing too.
    if (y_switch_pressed()) {
        DelayMS(50);
        if (y_switch_pressed() && y_flag == 0) {
            y_stop();
            y_flag = 1;
        }
    }
    if (x_flag == 1 && y_flag == 1) {
        // X counts its back-off (goal never met), so that the distance from
        // where homing ends to where the switch first closed is known.
        x_dir = 1;
        x_goal = -0x7FFFFFFF;
        x_left();
        x_start();
        DelayMS(5000);
        x_stop();
        x_limit = x_switch_cur - x_cur;
        y_overshoot = y_switch_cur - y_cur;
        x_dir = 3;
        x_cur = 0;
        y_dir = 3;
        y_goal = 0;
        y_cur = 0;
        x_flag = 2;
        y_flag = 2;
    }
}

int main(void) {
    DelayMS(1000);
    _EXTI_Init();
    _GPIO_Init();
    TIMER1_OC_Init();
    TIMER8_OC_Init();
    TIMER4_PWM_Init();
    USART1_Init();
    // Everything the main loop acts on comes with an interrupt (a received
    // byte, a step event, a switch edge), so each pass ends by sleeping until
    // the next one; the 1 ms tick bounds the wait should an interrupt come
    // just before the sleep.
    TIM4->DIER |= TIM_DIER_UIE;
    nvic_enable(TIM4_IRQn);
    laser_off();

    // X counts its steps towards the switch (goal never met) until homing
    // has measured the switch position.
    x_dir = 0;
    x_goal = 0x7FFFFFFF;
    x_right();
    x_start();
    // Y counts its steps down to where it stops, for the overshoot past its
    // switch.
    y_dir = 1;
    y_goal = -0x7FFFFFFF;
    y_down();
    y_start();

    for (;;) {
        xy_search_start();

        // The next received figure is parsed once the last one has ended; one
        // that arrives while homing runs waits for its end.
        if (!figure_loaded && figures_received != figures_ended && x_flag == 2) {
            if (load_figure()) DelayMS(500);
            move_flag = 1;
        }

        if (limit_alarm != 0) report_alarm();

        if (move_flag == 1 && j < Count_Straight && limit_alarm == 0) {
            // Only the markers of this figure count; a figure without any
            // leaves the laser off.
            if (t_i < l_i && laser_check[t_i] == j) {
                t_i = t_i + 1;
                laser_toggle();
            }
            j = j + 1;
            Direction();
            Straight();
            move_flag = 0;
            // A limit that closed while the segment was being set up holds.
            if (limit_alarm != 0) halt();
        }

        if (j == Count_Straight && move_flag == 1) {
            laser_off();
            if (figure_loaded) end_figure();
        }

        chip_wait_for_interrupt();
    }
}
