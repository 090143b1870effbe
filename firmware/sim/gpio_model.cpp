#include "gpio_model.h"

#include "model.h"

namespace chip::sim::detail {

// ------------------------------------------------------------------ EXTI

void ExtiModel::edge(unsigned port, unsigned pin, bool rising) {
    auto& syscfg = peripherals.syscfg;
    std::uint32_t routed = (syscfg.EXTICR[pin / 4].raw() >> (4 * (pin % 4))) & 0xF;
    if (routed != port) return;
    auto& e = peripherals.exti;
    std::uint32_t trigger = rising ? e.RTSR.raw() : e.FTSR.raw();
    if (trigger & (1u << pin)) e.PR.set_raw(e.PR.raw() | (1u << pin));
}

void ExtiModel::write(std::uint32_t offset, Reg& reg, std::uint32_t value) {
    if (offset == offsetof(EXTI_Registers, PR)) {
        reg.set_raw(reg.raw() & ~value);  // a written 1 clears the pending bit
    } else if (offset == offsetof(EXTI_Registers, SWIER)) {
        auto& pr = peripherals.exti.PR;
        pr.set_raw(pr.raw() | (value & peripherals.exti.IMR.raw()));
    } else {
        reg.set_raw(value);
    }
}

void ExtiModel::raise_lines(IrqLines& lines) const {
    std::uint32_t active = peripherals.exti.PR.raw() & peripherals.exti.IMR.raw();
    for (unsigned line = 0; line < 5; ++line)
        if (active & (1u << line)) lines.set(EXTI0_IRQn + line);
    if (active & 0x03E0u) lines.set(EXTI9_5_IRQn);
    if (active & 0xFC00u) lines.set(EXTI15_10_IRQn);
}

// ------------------------------------------------------------------ GPIO

void GpioModel::reset() {
    inputs_ = 0xFFFF;
    // PA13/14/15 and PB3/4 are the debug port after reset.
    if (index_ == 0) {
        regs().MODER.set_raw(0xA8000000u);
        regs().PUPDR.set_raw(0x64000000u);
        regs().OSPEEDR.set_raw(0x0C000000u);
    } else if (index_ == 1) {
        regs().MODER.set_raw(0x00000280u);
        regs().PUPDR.set_raw(0x00000100u);
        regs().OSPEEDR.set_raw(0x000000C0u);
    }
}

std::uint32_t GpioModel::read(std::uint32_t offset, Reg& reg) {
    if (offset == offsetof(GPIO_Registers, IDR)) return idr();
    if (offset == offsetof(GPIO_Registers, BSRR)) return 0;
    return reg.raw();
}

void GpioModel::write(std::uint32_t offset, Reg& reg, std::uint32_t value) {
    if (offset == offsetof(GPIO_Registers, IDR)) return;
    if (offset == offsetof(GPIO_Registers, ODR)) {
        set_odr(value & 0xFFFF);
    } else if (offset == offsetof(GPIO_Registers, BSRR)) {
        std::uint32_t odr = regs().ODR.raw();
        set_odr(((odr & ~(value >> 16)) | value) & 0xFFFF);
    } else {
        reg.set_raw(value);
    }
}

std::uint32_t GpioModel::idr() const {
    std::uint32_t moder = regs().MODER.raw(), odr = regs().ODR.raw(), idr = 0;
    for (unsigned pin = 0; pin < 16; ++pin) {
        bool out = ((moder >> (2 * pin)) & 3u) == GPIO_MODE_OUTPUT;
        std::uint32_t level = out ? (odr >> pin) & 1u : (inputs_ >> pin) & 1u;
        idr |= level << pin;
    }
    return idr;
}

void GpioModel::set_input(unsigned pin, bool level, ExtiModel& exti) {
    bool old = (inputs_ >> pin) & 1u;
    if (old == level) return;
    inputs_ = level ? (inputs_ | (1u << pin)) : (inputs_ & ~(1u << pin));
    exti.edge(index_, pin, level);
}

void GpioModel::set_odr(std::uint32_t value) {
    Model& m = model();
    std::uint32_t old = regs().ODR.raw();
    regs().ODR.set_raw(value);
    for (unsigned pin = 0; pin < 16; ++pin) {
        if (((old ^ value) >> pin) & 1u) {
            PinChange change{m.now, static_cast<Port>(index_), static_cast<std::uint8_t>(pin),
                             static_cast<bool>((value >> pin) & 1u)};
            m.changes.push_back(change);
            for (auto& observer : m.pin_observers) observer(change);
        }
    }
}

}  // namespace chip::sim::detail
