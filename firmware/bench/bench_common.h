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
    const std::uint32_t sr = timer->SR & TIM_SR_Msk;
    if (!(sr & flag)) return false;
    timer->SR = sr & ~flag;
    return true;
}

// A timer output pin: alternate function `af`, very high speed, push-pull,
// pull-up.
inline void timer_output_pin(GPIO_Registers* port, unsigned pin, std::uint32_t af) {
    port->MODER = (port->MODER & ~GPIO_MODER_MODE_Msk(pin)) | GPIO_MODER_MODE(pin, GPIO_MODE_AF);
    port->OSPEEDR |= GPIO_OSPEEDR_OSPEED(pin, GPIO_SPEED_VERY_HIGH);
    port->OTYPER &= ~GPIO_OTYPER_OT(pin);
    port->PUPDR |= GPIO_PUPDR(pin, GPIO_PULL_UP);
    port->AFR[pin / 8] |= GPIO_AFR_AF(pin, af);
}

inline void pin_high(GPIO_Registers* port, unsigned pin) { port->BSRR = GPIO_BSRR_BS(pin); }
inline void pin_low(GPIO_Registers* port, unsigned pin) { port->BSRR = GPIO_BSRR_BR(pin); }
inline bool pin_reads_low(GPIO_Registers* port, unsigned pin) {
    return !(port->IDR & GPIO_IDR_ID(pin));
}
