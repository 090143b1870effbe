// Clock set-up: 168 MHz from the 8 MHz crystal through the main PLL
// (8 / M 8 * N 336 / P 2; Q 7 gives 48 MHz for USB), AHB 168 MHz,
// APB1 42 MHz (its timers 84 MHz), APB2 84 MHz (its timers 168 MHz),
// 5 flash wait states with prefetch and caches.
#include "chip/stm32f40x.h"

namespace {
// A board without a working crystal keeps running on the 16 MHz internal
// oscillator instead of hanging before main.
constexpr std::uint32_t kReadyPolls = 100000;

bool wait_for(chip_reg32& reg, std::uint32_t mask, std::uint32_t value) {
    for (std::uint32_t n = 0; n < kReadyPolls; ++n)
        if ((reg & mask) == value) return true;
    return false;
}
}  // namespace

extern "C" void SystemInit(void) {
    RCC->CR |= RCC_CR_HSEON;
    if (!wait_for(RCC->CR, RCC_CR_HSERDY, RCC_CR_HSERDY)) return;

    FLASH->ACR = FLASH_ACR_LATENCY_5WS | FLASH_ACR_PRFTEN | FLASH_ACR_ICEN | FLASH_ACR_DCEN;
    RCC->CFGR = (RCC->CFGR & ~(RCC_CFGR_HPRE_Msk | RCC_CFGR_PPRE1_Msk | RCC_CFGR_PPRE2_Msk)) |
                RCC_CFGR_PPRE1_DIV4 | RCC_CFGR_PPRE2_DIV2;
    RCC->PLLCFGR = (8u << RCC_PLLCFGR_PLLM_Pos) | (336u << RCC_PLLCFGR_PLLN_Pos) |
                   (0u << RCC_PLLCFGR_PLLP_Pos) | RCC_PLLCFGR_PLLSRC_HSE |
                   (7u << RCC_PLLCFGR_PLLQ_Pos);
    RCC->CR |= RCC_CR_PLLON;
    if (!wait_for(RCC->CR, RCC_CR_PLLRDY, RCC_CR_PLLRDY)) return;

    RCC->CFGR = (RCC->CFGR & ~RCC_CFGR_SW_Msk) | RCC_CFGR_SW_PLL;
    wait_for(RCC->CFGR, RCC_CFGR_SWS_Msk, RCC_CFGR_SWS_PLL);
}
