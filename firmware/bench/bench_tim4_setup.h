// The TIM4 benches' board: TIM4 toggles PD12 (and PD13) as a free-running
// 1 kHz square wave; buttons on PG0 to PG7 (no pull resistors) switch the
// outputs PD0 to PD7.
#pragma once

#include <cstddef>

#include "bench_common.h"

namespace bench {
enum class Tim4Channels { One, Two };

// A button (PGn, pressed = low) and what it does to an output (PDn).
struct ButtonAction {
    unsigned button;
    unsigned output;
    bool level;
};

// One pass over `actions`, in order: for each button that reads low, wait
// 10 ms, then set its output (the button is not read again).
void poll_buttons(const ButtonAction* actions, std::size_t count);
void tim4_toggle_init(Tim4Channels channels);
}  // namespace bench

// PD0 to PD7 medium-speed push-pull outputs, PG0 to PG7 inputs.
void _GPIO_Init();
