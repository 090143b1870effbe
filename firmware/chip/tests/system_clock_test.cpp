// The clock set-up, run on the modelled chip, judged by the clocks the reference manual
// derives from RCC's registers (8 MHz crystal): VCO = HSE / M * N, SYSCLK = VCO / P with
// P = 2, 4, 6, 8 from PLLP [17:16], the 48 MHz domain = VCO / Q; AHB, APB1 and APB2 divide
// by their prescalers (CFGR HPRE [7:4], PPRE1 [12:10], PPRE2 [15:13]).
#include <gtest/gtest.h>

#include <cmath>

#include "chip/stm32f40x.h"
#include "sim/chip_model.h"

namespace {

std::uint32_t field(std::uint32_t value, unsigned pos, unsigned width) {
    return value >> pos & ((1u << width) - 1);
}

// A prescaler field as a divisor: below the first dividing code the clock passes undivided.
unsigned divisor(std::uint32_t code, std::uint32_t first_dividing) {
    return code < first_dividing ? 1u : 2u << (code - first_dividing);
}

}  // namespace

// 168 MHz from the crystal and 48 MHz for USB, within the manual's limits: VCO input
// 1..2 MHz, VCO 100..432 MHz, APB1 at most 42 MHz, APB2 at most 84 MHz, and (at 2.7..3.6 V)
// one flash wait state for every 30 MHz of HCLK beyond the first.
TEST(SystemClockTest, RunsTheCoreAt168MHzFromTheCrystalWithinTheManualsLimits) {
    chip::sim::reset();
    SystemInit();
    const std::uint32_t pll = RCC->PLLCFGR, cfgr = RCC->CFGR;
    ASSERT_EQ(cfgr & RCC_CFGR_SWS_Msk, RCC_CFGR_SWS_PLL);
    ASSERT_TRUE(pll & RCC_PLLCFGR_PLLSRC_HSE);
    const double vco_in = 8e6 / field(pll, 0, 6);
    const double vco = vco_in * field(pll, 6, 9);
    const double sysclk = vco / (2 * (field(pll, 16, 2) + 1));
    const double hclk = sysclk / divisor(field(cfgr, 4, 4), 8);
    EXPECT_EQ(hclk, 168e6);
    EXPECT_EQ(vco / field(pll, 24, 4), 48e6);
    EXPECT_GE(vco_in, 1e6);
    EXPECT_LE(vco_in, 2e6);
    EXPECT_GE(vco, 100e6);
    EXPECT_LE(vco, 432e6);
    EXPECT_LE(hclk / divisor(field(cfgr, 10, 3), 4), 42e6);
    EXPECT_LE(hclk / divisor(field(cfgr, 13, 3), 4), 84e6);
    EXPECT_GE(FLASH->ACR & FLASH_ACR_LATENCY_Msk, std::ceil(hclk / 30e6) - 1);
}
