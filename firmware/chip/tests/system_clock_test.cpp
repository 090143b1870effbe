// The clock set-up, run on the modelled chip.
#include <gtest/gtest.h>

#include "chip/stm32f40x.h"
#include "sim/chip_model.h"

TEST(SystemClockTest, RunsTheCoreAt168MHzFromTheCrystal) {
    chip::sim::reset();
    SystemInit();

    const std::uint32_t pll = RCC->PLLCFGR;
    EXPECT_EQ(pll & 0x3Fu, 8u);            // M: 8 MHz / 8 = 1 MHz
    EXPECT_EQ((pll >> 6) & 0x1FFu, 336u);  // N: 336 MHz VCO
    EXPECT_EQ((pll >> 16) & 0x3u, 0u);     // P = 2: 168 MHz
    EXPECT_EQ((pll >> 24) & 0xFu, 7u);     // Q = 7: 48 MHz
    EXPECT_TRUE(pll & RCC_PLLCFGR_PLLSRC_HSE);
    EXPECT_EQ(RCC->CFGR & RCC_CFGR_SWS_Msk, RCC_CFGR_SWS_PLL);
    EXPECT_EQ(RCC->CFGR & RCC_CFGR_HPRE_Msk, 0u);                    // AHB 168 MHz
    EXPECT_EQ(RCC->CFGR & RCC_CFGR_PPRE1_Msk, RCC_CFGR_PPRE1_DIV4);  // APB1 42 MHz
    EXPECT_EQ(RCC->CFGR & RCC_CFGR_PPRE2_Msk, RCC_CFGR_PPRE2_DIV2);  // APB2 84 MHz
    EXPECT_EQ(FLASH->ACR & FLASH_ACR_LATENCY_Msk, 5u);
}
