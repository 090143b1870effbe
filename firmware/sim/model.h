// The modelled chip as one object: its peripherals, simulated time, the
// scenario's scheduled actions and observers, and the scheduler that fires
// the peripherals' events and calls the firmware's interrupt handlers.
// Shared by the peripheral models, the register accesses and the scenario
// interface of sim/chip_model.h; nothing else sees it.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <vector>

#include "device.h"
#include "gpio_model.h"
#include "nvic_model.h"
#include "rcc_model.h"
#include "timer_model.h"
#include "usart_model.h"

namespace chip::sim::detail {

// A peripheral's register block and the device that gives it behaviour.
struct Block {
    const char* begin;
    const char* end;
    void* regs;
    Device* device;
};

struct Model {
    Cycles now = 0;
    Cycles deadline = kNever;
    Cycles next_due = 0;  // earliest time at which settle() has work
    bool stop_requested = false;
    bool in_handler = false;

    RccModel rcc;
    Device flash, syscfg, scb;
    std::array<GpioModel, 7> gpio{GpioModel{0}, GpioModel{1}, GpioModel{2}, GpioModel{3},
                                  GpioModel{4}, GpioModel{5}, GpioModel{6}};
    ExtiModel exti;
    TimerModel tim1{Timer::Tim1, peripherals.tim1, 1, TIM1_UP_TIM10_IRQn, TIM1_CC_IRQn};
    TimerModel tim4{Timer::Tim4, peripherals.tim4, 2, TIM4_IRQn, TIM4_IRQn};
    TimerModel tim8{Timer::Tim8, peripherals.tim8, 1, TIM8_UP_TIM13_IRQn, TIM8_CC_IRQn};
    UsartModel usart1{peripherals.usart1, CHIP_APB2_HZ, USART1_IRQn};
    UsartModel uart4{peripherals.uart4, CHIP_APB1_HZ, UART4_IRQn};
    NvicModel nvic;

    std::vector<Block> blocks;
    std::vector<Device*> devices;
    std::multimap<Cycles, std::function<void()>> actions;
    std::vector<PinChange> changes;
    std::vector<std::function<void(const PinChange&)>> pin_observers;
    std::vector<std::function<void(Timer, unsigned, Cycles)>> compare_observers;
    std::vector<std::function<void(const void*, std::uint32_t, std::uint32_t, Cycles)>>
        write_observers;
    std::vector<std::function<void(unsigned, Cycles)>> handler_observers;
    std::array<std::uint64_t, CHIP_IRQ_COUNT> irq_counts{};

    Model();
    void reset();
    const Block* find(const Reg* reg) const;
    Cycles earliest_event() const;
    // Processes every event due by now, in time order, and calls the handlers
    // of the interrupts that are raised and enabled (never inside a handler).
    void settle();
    bool dispatch_one();
    // A handler runs to its end before the firmware stops, unless it is still
    // running a simulated second after the deadline (a handler that never ends).
    void check_stop();
    void advance(Cycles cycles);
    // Makes sure the next access re-examines the events.
    void touched() { next_due = 0; }
};

// The one modelled chip.
Model& model();

}  // namespace chip::sim::detail
