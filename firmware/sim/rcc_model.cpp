#include "rcc_model.h"

namespace chip::sim::detail {

void RccModel::reset() {
    auto& r = peripherals.rcc;
    r.CR.set_raw(RCC_CR_HSION | RCC_CR_HSIRDY | 0x80u);
    r.PLLCFGR.set_raw(0x24003010u);
    r.CSR.set_raw(0x0E000000u);
}

void RccModel::write(std::uint32_t offset, Reg& reg, std::uint32_t value) {
    if (offset == offsetof(RCC_Registers, CR)) {
        // Oscillators and the PLL are ready as soon as they are switched on.
        value &= ~(RCC_CR_HSIRDY | RCC_CR_HSERDY | RCC_CR_PLLRDY);
        if (value & RCC_CR_HSION) value |= RCC_CR_HSIRDY;
        if (value & RCC_CR_HSEON) value |= RCC_CR_HSERDY;
        if (value & RCC_CR_PLLON) value |= RCC_CR_PLLRDY;
    } else if (offset == offsetof(RCC_Registers, CFGR)) {
        value = (value & ~RCC_CFGR_SWS_Msk) | ((value & RCC_CFGR_SW_Msk) << 2);
    }
    reg.set_raw(value);
}

}  // namespace chip::sim::detail
