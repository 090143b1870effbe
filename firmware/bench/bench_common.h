// Set-up and helpers shared by the bench images: busy-wait delays, status
// flag acknowledgement and pin helpers.
#pragma once

#include <cstdint>

#include "chip/stm32f40x.h"

// Busy-waits about `us` microseconds: 17 passes per microsecond at 168 MHz.
// Only the low 16 bits of the count are used.
void DelayUS(std::uint32_t us);
// Busy-waits about `count` milliseconds; only the low 16 bits are used.
void DelayMS(std::uint32_t count);

// Acknowledges a timer status flag if it is set: the status register is
// written back with that flag cleared (16-bit read-modify-write).
inline bool take_flag(TIM_Registers* timer, std::uint32_t flag) {
    const std::uint32_t sr = timer->SR & 0xFFFFu;
    if (!(sr & flag)) return false;
    timer->SR = sr & ~flag;
    return true;
}

inline void pin_high(GPIO_Registers* port, unsigned pin) { port->BSRR = GPIO_BSRR_BS(pin); }
inline void pin_low(GPIO_Registers* port, unsigned pin) { port->BSRR = GPIO_BSRR_BR(pin); }
inline bool pin_reads_low(GPIO_Registers* port, unsigned pin) { return !(port->IDR & (1u << pin)); }
