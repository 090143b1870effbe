// The interrupt controller's enable, pending and priority registers: set and
// clear registers act on the same bits, the active bits are read-only.
#pragma once

#include "device.h"

namespace chip::sim::detail {

class NvicModel : public Device {
public:
    std::uint32_t read(std::uint32_t offset, Reg& reg) override;
    void write(std::uint32_t offset, Reg& reg, std::uint32_t value) override;
    static bool enabled(unsigned irq) {
        return (peripherals.nvic.ISER[irq / 32].raw() >> (irq % 32)) & 1u;
    }
    static unsigned priority(unsigned irq) {
        return (peripherals.nvic.IPR[irq / 4].raw() >> (8 * (irq % 4))) & 0xFFu;
    }
};

}  // namespace chip::sim::detail
