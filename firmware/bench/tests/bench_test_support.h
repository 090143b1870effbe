// Driving a bench image on the modelled chip the way its terminal, switches
// and buttons would.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "chip/stm32f40x.h"
#include "sim/chip_model.h"

// Table-driven cases carry a `name`: it names the test and prints the case.
template <typename Case>
requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

namespace bench_test {
using ::PrintTo;  // so that GoogleTest finds it for the cases declared in here too
using namespace chip::sim;

// The image's globals back at the values the start-up code gives them, for
// the tests of an image that keeps state in them (several tests run in one
// process); power_up calls it.
inline void (*reset_image_state)() = nullptr;

// Powers the board up and lets the image run its set-up and reach its loop.
inline void power_up(Cycles for_time = milliseconds(20)) {
    reset();
    if (reset_image_state) reset_image_state();
    EXPECT_EQ(run(firmware_main, for_time), StopReason::TimeUp);
}

// Types `bytes` on the terminal (9600 baud, about 1 ms a byte) and waits
// until the last one has been handled.
inline void type(std::string_view bytes, Serial serial = Serial::Uart4, unsigned baud = 9600) {
    send_serial(serial, bytes, baud);
    while (serial_pending(serial) != 0) run_for(milliseconds(1));
    run_for(milliseconds(2));
}

// A switch or button closing: its line goes low (and stays low until released).
inline void press(Port port, unsigned pin) { set_input(port, pin, false); }
inline void release(Port port, unsigned pin) { set_input(port, pin, true); }

// A switch pressed for 30 ms, then released for 5 ms.
inline void tap(Port port, unsigned pin) {
    press(port, pin);
    run_for(milliseconds(30));
    release(port, pin);
    run_for(milliseconds(5));
}

// A press that bounces: low, high after 1 ms, low, high, and low for good
// 4 ms after the first contact; three falling edges in all.
inline Cycles bouncing_press(Port port, unsigned pin) {
    const Cycles start = now();
    for (int n = 0; n < 5; ++n) at(start + milliseconds(n), [=] { set_input(port, pin, n % 2); });
    return start;
}

// When `pin` of `port` last changed to `level`, or kNever.
inline Cycles last_change(Port port, unsigned pin, bool level) {
    Cycles when = kNever;
    for (const PinChange& c : pin_changes())
        if (c.port == port && c.pin == pin && c.level == level) when = c.time;
    return when;
}

// The polling benches reach their loop after their 10 ms start-up delay. A
// button held for 2 ms is read low once and acted on 10 ms later; the next
// press comes 11 ms after it. Polling is the costly part of a simulation, so
// presses follow each other closely.
constexpr std::uint64_t kLoopStartMs = 11;
constexpr std::uint64_t kHoldMs = 2;
constexpr std::uint64_t kPressEveryMs = 11;

// Schedules a button on `port` held down from `from_ms` for `for_ms`.
inline void hold_at(Port port, unsigned pin, std::uint64_t from_ms, std::uint64_t for_ms) {
    at(milliseconds(from_ms), [=] { press(port, pin); });
    at(milliseconds(from_ms + for_ms), [=] { release(port, pin); });
}

// A switch line of a bench and the port it is wired to.
struct SwitchLine {
    Port port;
    unsigned line;
};

// The axis control lines PF12 to PF15 and whether the step timers run.
struct AxisLines {
    bool pf12, pf13, pf14, pf15;
    bool x_running, y_running;
    bool operator==(const AxisLines&) const = default;
};

inline AxisLines axis_lines() {
    return {output(Port::F, 12), output(Port::F, 13),        output(Port::F, 14),
            output(Port::F, 15), timer_running(Timer::Tim1), timer_running(Timer::Tim8)};
}

// The axis lines after power-up and `bytes` typed on the terminal.
inline AxisLines lines_after_typing(std::string_view bytes) {
    power_up();
    type(bytes);
    return axis_lines();
}

// The axis lines after power-up and a tap on each of `taps` in turn.
inline AxisLines lines_after_taps(const std::vector<SwitchLine>& taps) {
    power_up();
    for (const SwitchLine& s : taps) tap(s.port, s.line);
    return axis_lines();
}

// A table row: what the switches or the terminal do, and the lines after it.
struct SwitchCase {
    const char* name;
    std::vector<SwitchLine> taps;
    AxisLines lines;
};
// Lines 0 to 6 of port D drive the axis lines alike on the three switch benches; `more`
// adds a bench's own rows.
inline std::vector<SwitchCase> WithPortDLines0To6(std::vector<SwitchCase> more) {
    std::vector<SwitchCase> rows = {
        {"Line0", {{Port::D, 0}}, {true, false, false, false, true, true}},
        {"Line1", {{Port::D, 0}, {Port::D, 1}}, {false, false, false, false, true, true}},
        {"Line2", {{Port::D, 2}}, {false, true, false, false, true, true}},
        {"Line3", {{Port::D, 2}, {Port::D, 3}}, {false, false, false, false, true, true}},
        {"Line4", {{Port::D, 6}, {Port::D, 4}}, {false, false, true, false, true, true}},
        {"Line5", {{Port::D, 6}, {Port::D, 5}}, {false, false, false, true, true, true}},
        {"Line6", {{Port::D, 6}}, {false, false, false, false, true, false}},
    };
    rows.insert(rows.end(), more.begin(), more.end());
    return rows;
}

struct TerminalCase {
    const char* name;
    const char* bytes;
    AxisLines lines;
};

inline void PrintTo(const AxisLines& a, std::ostream* os) {
    *os << "PF12 " << a.pf12 << " PF13 " << a.pf13 << " PF14 " << a.pf14 << " PF15 " << a.pf15
        << " X " << (a.x_running ? "runs" : "stopped") << " Y "
        << (a.y_running ? "runs" : "stopped");
}
}  // namespace bench_test

// The name of a table-driven case names its test.
inline constexpr auto case_name = [](const auto& info) { return std::string(info.param.name); };
