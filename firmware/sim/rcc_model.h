// The reset and clock control: oscillators and the PLL are ready as soon as
// they are switched on, and the clock switch takes effect at once.
#pragma once

#include "device.h"

namespace chip::sim::detail {

class RccModel : public Device {
public:
    void reset() override;
    void write(std::uint32_t offset, Reg& reg, std::uint32_t value) override;
};

}  // namespace chip::sim::detail
