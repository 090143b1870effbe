// Fuzz target for the receive path and the figure module: the input arrives
// over USART1 in pieces, and after each piece every figure that has ended is
// loaded, run segment by segment and ended as the main loop does, so several
// figures pass through the receive ring one after another. The step timers
// are stopped after each segment start: what counts is what the firmware
// asks of the axes. A refused figure must start no segment, an accepted one
// must keep its goals inside the travel, and no table may be read or written
// past its end (the sanitizers check that).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "plotter/board.h"
#include "plotter/plotter_figure.h"
#include "plotter/plotter_main.h"
#include "plotter/tests/power_on_state.h"
#include "sim/chip_model.h"

namespace {

using namespace chip::sim;

constexpr int kXLimit = 50174;      // where homing finds the X switch on the modelled carriage
constexpr std::size_t kPiece = 97;  // bytes per write, to end writes inside figures
constexpr int kYGoalMax = 149850;   // 99.9 units
constexpr unsigned kBaud = CHIP_APB2_HZ / 16;

void require(bool condition) {
    if (!condition) __builtin_trap();
}

void run_loaded_figure() {
    const bool accepted = load_figure();
    require(Count_Straight >= 0 && Count_Straight <= kMaxPoints);
    while (j < Count_Straight) {
        require(accepted);
        j = j + 1;
        Direction();
        Straight();
        x_stop();
        y_stop();
        require(i <= kMaxPoints);
        require(x_goal >= 0 && x_goal < kXLimit);
        require(y_goal >= 0 && y_goal <= kYGoalMax);
    }
    end_figure();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    reset();
    power_on::reset_main_state();
    _GPIO_Init();
    TIMER1_OC_Init();
    TIMER8_OC_Init();
    USART1_Init();
    // The serial line runs at 5.25 Mbaud instead of 115200: the replies are
    // sent by busy-waiting, which costs most of the time at the real rate.
    USART1->BRR = 16;
    x_flag = 2;
    y_flag = 2;
    x_limit = kXLimit;
    machine = Machine::Ready;

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (std::size_t from = 0; from < input.size(); from += kPiece) {
        const std::string_view piece = input.substr(from, kPiece);
        send_serial(Serial::Usart1, piece, kBaud);
        run_for((piece.size() + 1) * 10 * kCyclesPerSecond / kBaud);
        while (figures_received != figures_ended) run_loaded_figure();
    }
    return 0;
}
