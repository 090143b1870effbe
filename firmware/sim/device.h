// The base of every modelled peripheral of the host build, and what the
// peripheral models share with the scheduler that drives them (model.h).
#pragma once

#include <bitset>
#include <cstdint>

#include "chip/stm32f40x.h"
#include "sim/chip_model.h"

namespace chip::sim::detail {

using IrqLines = std::bitset<CHIP_IRQ_COUNT>;

// One peripheral behind its register block. The scheduler calls fire() when
// simulated time reaches next_event(), routes every register access of the
// block to read() and write(), and asks raise_lines() which interrupt lines
// the peripheral holds up.
class Device {
public:
    virtual ~Device() = default;
    virtual void reset() {}
    virtual Cycles next_event() const { return kNever; }
    virtual void fire(Cycles /*time*/) {}
    virtual std::uint32_t read(std::uint32_t /*offset*/, Reg& reg) { return reg.raw(); }
    virtual void write(std::uint32_t /*offset*/, Reg& reg, std::uint32_t value) {
        reg.set_raw(value);
    }
    virtual void raise_lines(IrqLines& /*lines*/) const {}
    // The RCC enable bit of the peripheral's clock; none = always clocked.
    const Reg* clock_reg = nullptr;
    std::uint32_t clock_bit = 0;
};

// Simulated time now.
Cycles current_time();

}  // namespace chip::sim::detail
