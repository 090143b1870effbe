// The modelled STM32F40x of the host build: a deterministic, single-threaded
// simulator behind the registers of chip/stm32f40x.h.
//
// Simulated time counts CPU cycles at 168 MHz. It advances at every register
// access, on every pass of a busy-wait delay (chip_time_hook) and in idle
// loops (chip_wait_for_interrupt). Timers run from PSC, ARR, CCRx and CEN;
// serial bytes arrive at the rate of their baud rate; GPIO inputs change when
// the scenario says so. When a peripheral raises an interrupt that the
// firmware enabled (in the peripheral and in the NVIC), the model calls the
// firmware's handler between two register accesses, as the core would. A
// handler is never interrupted.
//
// A scenario runs an image's main (built as firmware_main) with run(); the
// time hook ends the endless loop by throwing Stopped when the scenario asks
// to stop or its time is up.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace chip::sim {

using Cycles = std::uint64_t;
constexpr Cycles kCyclesPerSecond = 168'000'000;
constexpr Cycles kNever = UINT64_MAX;
constexpr Cycles microseconds(std::uint64_t us) { return us * (kCyclesPerSecond / 1'000'000); }
constexpr Cycles milliseconds(std::uint64_t ms) { return ms * (kCyclesPerSecond / 1'000); }

enum class Port : std::uint8_t { A, B, C, D, E, F, G };
enum class Timer : std::uint8_t { Tim1, Tim4, Tim8 };
enum class Serial : std::uint8_t { Usart1, Uart4 };

// Thrown by the time hook to end the firmware's endless loop.
struct Stopped {};

struct PinChange {
    Cycles time;
    Port port;
    std::uint8_t pin;
    bool level;
    bool operator==(const PinChange&) const = default;
};

enum class StopReason { Requested, TimeUp, Returned };

// Back to power-on: registers at their reset values, time 0, no scheduled
// actions, no queued serial bytes, all inputs high, records and observers
// cleared. The firmware's own globals are not touched.
void reset();
Cycles now();

// Runs `entry` until the scenario requests a stop or `duration` has passed.
StopReason run(int (*entry)(), Cycles duration);
// Lets `duration` pass with the firmware idle; interrupt handlers still run.
void run_for(Cycles duration);
// Runs `action` when simulated time reaches `time` (absolute). Actions may use
// this API (inputs, serial, stop) but must not touch registers.
void at(Cycles time, std::function<void()> action);
// Makes the firmware stop at its next register access or delay pass.
void request_stop();

// GPIO. Inputs float high (pulled up) until set.
void set_input(Port port, unsigned pin, bool level);
bool output(Port port, unsigned pin);         // the ODR bit
const std::vector<PinChange>& pin_changes();  // every ODR bit change, in order
// Adds an observer called at every ODR bit change.
void on_pin_change(std::function<void(const PinChange&)> observer);

// Timers: counts of compare matches per channel (1..4) and of update events.
std::uint64_t compare_events(Timer timer, unsigned channel);
std::uint64_t update_events(Timer timer);
bool timer_running(Timer timer);
// Whether channel 1's compare output reaches a pin: the channel is an output
// with CC1E set, for TIM1 and TIM8 BDTR.MOE is set, and one of the channel's
// pins (TIM1 PA8/PE9, TIM8 PC6, TIM4 PD12/PB6) is in its alternate function.
// Other channels: false.
bool compare_output_driven(Timer timer, unsigned channel);
// Adds an observer called at every compare match of any channel, with its time.
void on_compare(std::function<void(Timer, unsigned channel, Cycles)> observer);

// Serial: queues `bytes` to arrive one frame (start, 8 data bits, stop) after
// the other at `baud`, the first one frame from now or after the bytes still
// queued. A receiver set to another baud rate (more than 3 % off) gets a
// framing error and a garbled byte; a byte arriving while RXNE is still set
// is lost (overrun).
void send_serial(Serial serial, std::string_view bytes, unsigned baud);
std::size_t serial_pending(Serial serial);      // queued bytes not yet arrived
const std::string& transmitted(Serial serial);  // bytes the firmware sent
std::uint64_t overruns(Serial serial);
std::uint64_t framing_errors(Serial serial);

// Adds an observer called after every register write the firmware makes, with
// the register block (compare with TIM8, GPIOF, ...), the register's offset in
// it (offsetof(TIM_Registers, ARR)), the value written and the time. Writes to
// an unclocked peripheral are not reported: they have no effect.
void on_register_write(
    std::function<void(const void* block, std::uint32_t offset, std::uint32_t value, Cycles)>
        observer);

// Adds an observer called each time an interrupt handler has returned, with
// the interrupt's number and the time; it sees what the handler changed.
void on_handler_return(std::function<void(unsigned irq, Cycles)> observer);

// How many times each interrupt's handler has been called.
std::uint64_t interrupt_count(unsigned irq);

}  // namespace chip::sim

// An image's main, renamed for the host build (see firmware_image in CMake).
int firmware_main();
