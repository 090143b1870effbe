// The GPIO ports and the external interrupt controller that their input
// edges reach through SYSCFG's line-to-port routes.
#pragma once

#include "device.h"

namespace chip::sim::detail {

class ExtiModel : public Device {
public:
    // An edge on pin `pin` of port `port` (0 = A): sets the line's pending
    // bit when the line is routed to that port and triggers on that edge.
    void edge(unsigned port, unsigned pin, bool rising);
    void write(std::uint32_t offset, Reg& reg, std::uint32_t value) override;
    void raise_lines(IrqLines& lines) const override;
};

class GpioModel : public Device {
public:
    explicit GpioModel(unsigned index) : index_(index) {}
    GPIO_Registers& regs() const { return peripherals.gpio[index_]; }
    void reset() override;
    std::uint32_t read(std::uint32_t offset, Reg& reg) override;
    void write(std::uint32_t offset, Reg& reg, std::uint32_t value) override;
    // The input data: ODR for output pins, the driven level for the others.
    std::uint32_t idr() const;
    void set_input(unsigned pin, bool level, ExtiModel& exti);
    // Sets ODR and records and reports each bit that changes.
    void set_odr(std::uint32_t value);

private:
    unsigned index_;
    std::uint32_t inputs_ = 0xFFFF;
};

}  // namespace chip::sim::detail
