// The scenario interface of sim/chip_model.h over the one modelled chip.
#include "sim/chip_model.h"

#include "model.h"

namespace chip::sim {

using detail::Model;
using detail::model;

namespace {

detail::TimerModel& timer(Timer t) {
    Model& m = model();
    return t == Timer::Tim1 ? m.tim1 : t == Timer::Tim4 ? m.tim4 : m.tim8;
}
detail::UsartModel& usart(Serial s) { return s == Serial::Usart1 ? model().usart1 : model().uart4; }

int idle_main() {
    for (;;) chip_wait_for_interrupt();
}

}  // namespace

void reset() { model().reset(); }
Cycles now() { return model().now; }

StopReason run(int (*entry)(), Cycles duration) {
    Model& m = model();
    m.deadline = duration >= kNever - m.now ? kNever : m.now + duration;
    m.stop_requested = false;
    m.touched();
    StopReason reason = StopReason::Returned;
    try {
        entry();
    } catch (const Stopped&) {
        reason = m.stop_requested ? StopReason::Requested : StopReason::TimeUp;
    }
    m.deadline = kNever;
    m.stop_requested = false;
    m.in_handler = false;
    m.touched();
    return reason;
}

void run_for(Cycles duration) { run(idle_main, duration); }

void at(Cycles time, std::function<void()> action) {
    model().actions.emplace(time, std::move(action));
    model().touched();
}

void request_stop() {
    model().stop_requested = true;
    model().touched();
}

void set_input(Port port, unsigned pin, bool level) {
    Model& m = model();
    m.gpio[static_cast<unsigned>(port)].set_input(pin, level, m.exti);
    m.touched();
}

bool output(Port port, unsigned pin) {
    return (peripherals.gpio[static_cast<unsigned>(port)].ODR.raw() >> pin) & 1u;
}
const std::vector<PinChange>& pin_changes() { return model().changes; }
void on_pin_change(std::function<void(const PinChange&)> observer) {
    model().pin_observers.push_back(std::move(observer));
}

std::uint64_t compare_events(Timer t, unsigned channel) { return timer(t).compares(channel); }
std::uint64_t update_events(Timer t) { return timer(t).updates(); }
bool timer_running(Timer t) { return timer(t).running(); }
void on_compare(std::function<void(Timer, unsigned, Cycles)> observer) {
    model().compare_observers.push_back(std::move(observer));
}

namespace {
// The pins that can carry a timer's channel 1 (the alternate-function tables
// of the datasheet, for the ports the model has).
struct OutputPin {
    Timer timer;
    unsigned port, pin, af;
};
constexpr OutputPin kChannel1Pins[] = {
    {Timer::Tim1, 0, 8, 1},   // PA8
    {Timer::Tim1, 4, 9, 1},   // PE9
    {Timer::Tim8, 2, 6, 3},   // PC6
    {Timer::Tim4, 3, 12, 2},  // PD12
    {Timer::Tim4, 1, 6, 2},   // PB6
};
}  // namespace

bool compare_output_driven(Timer t, unsigned channel) {
    if (channel != 1) return false;
    const TIM_Registers& r = t == Timer::Tim1   ? peripherals.tim1
                             : t == Timer::Tim4 ? peripherals.tim4
                                                : peripherals.tim8;
    // Channel configured as output (CC1S = 00) and its output enabled (CC1E);
    // on the advanced timers the main output enable (MOE) too, else the
    // output is disabled (OSSI = 0) or held at its idle level (OSSI = 1).
    if (r.CCMR1.raw() & TIM_CCMR1_CC1S_Msk) return false;
    if (!(r.CCER.raw() & TIM_CCER_CC1E)) return false;
    if (t != Timer::Tim4 && !(r.BDTR.raw() & TIM_BDTR_MOE)) return false;
    for (const OutputPin& pin : kChannel1Pins) {
        if (pin.timer != t) continue;
        const GPIO_Registers& g = peripherals.gpio[pin.port];
        const bool alternate = ((g.MODER.raw() >> (2 * pin.pin)) & 3u) == GPIO_MODE_AF;
        const bool routed = ((g.AFR[pin.pin / 8].raw() >> (4 * (pin.pin % 8))) & 0xFu) == pin.af;
        if (alternate && routed) return true;
    }
    return false;
}

void send_serial(Serial serial, std::string_view bytes, unsigned baud) {
    usart(serial).send(bytes, baud, model().now);
    model().touched();
}
std::size_t serial_pending(Serial serial) { return usart(serial).pending(); }
const std::string& transmitted(Serial serial) { return usart(serial).transmitted(); }
std::uint64_t overruns(Serial serial) { return usart(serial).overruns(); }
std::uint64_t framing_errors(Serial serial) { return usart(serial).framing_errors(); }

void on_register_write(
    std::function<void(const void*, std::uint32_t, std::uint32_t, Cycles)> observer) {
    model().write_observers.push_back(std::move(observer));
}

void on_handler_return(std::function<void(unsigned irq, Cycles)> observer) {
    model().handler_observers.push_back(std::move(observer));
}

std::uint64_t interrupt_count(unsigned irq) {
    return irq < CHIP_IRQ_COUNT ? model().irq_counts[irq] : 0;
}

}  // namespace chip::sim
