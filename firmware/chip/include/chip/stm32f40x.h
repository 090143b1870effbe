// Register map of the STM32F40x peripherals that the plotter images use,
// written from the reference manual (RM0090). Register and bit names are the
// manual's. On the target every register is a volatile word at its address;
// in the host build (CHIP_HOST_MODEL) it is a modelled register that behaves
// as the hardware's does (see sim/reg.h). The block layouts are the same in
// both builds.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>

#include "chip/irq_list.h"

#if defined(CHIP_HOST_MODEL)
#include "sim/reg.h"
using chip_reg32 = chip::sim::Reg;
#else
using chip_reg32 = volatile std::uint32_t;
#endif

// ---------------------------------------------------------------- blocks

struct RCC_Registers {
    chip_reg32 CR;            // 0x00
    chip_reg32 PLLCFGR;       // 0x04
    chip_reg32 CFGR;          // 0x08
    chip_reg32 CIR;           // 0x0C
    chip_reg32 AHB1RSTR;      // 0x10
    chip_reg32 AHB2RSTR;      // 0x14
    chip_reg32 AHB3RSTR;      // 0x18
    std::uint32_t reserved0;  // 0x1C
    chip_reg32 APB1RSTR;      // 0x20
    chip_reg32 APB2RSTR;      // 0x24
    std::uint32_t reserved1[2];
    chip_reg32 AHB1ENR;  // 0x30
    chip_reg32 AHB2ENR;  // 0x34
    chip_reg32 AHB3ENR;  // 0x38
    std::uint32_t reserved2;
    chip_reg32 APB1ENR;  // 0x40
    chip_reg32 APB2ENR;  // 0x44
    std::uint32_t reserved3[2];
    chip_reg32 AHB1LPENR;  // 0x50
    chip_reg32 AHB2LPENR;  // 0x54
    chip_reg32 AHB3LPENR;  // 0x58
    std::uint32_t reserved4;
    chip_reg32 APB1LPENR;  // 0x60
    chip_reg32 APB2LPENR;  // 0x64
    std::uint32_t reserved5[2];
    chip_reg32 BDCR;  // 0x70
    chip_reg32 CSR;   // 0x74
    std::uint32_t reserved6[2];
    chip_reg32 SSCGR;       // 0x80
    chip_reg32 PLLI2SCFGR;  // 0x84
};

struct GPIO_Registers {
    chip_reg32 MODER;    // 0x00
    chip_reg32 OTYPER;   // 0x04
    chip_reg32 OSPEEDR;  // 0x08
    chip_reg32 PUPDR;    // 0x0C
    chip_reg32 IDR;      // 0x10
    chip_reg32 ODR;      // 0x14
    chip_reg32 BSRR;     // 0x18
    chip_reg32 LCKR;     // 0x1C
    chip_reg32 AFR[2];   // 0x20 low (pins 0-7), 0x24 high (pins 8-15)
};

struct SYSCFG_Registers {
    chip_reg32 MEMRMP;     // 0x00
    chip_reg32 PMC;        // 0x04
    chip_reg32 EXTICR[4];  // 0x08..0x14, four lines per register
    std::uint32_t reserved[2];
    chip_reg32 CMPCR;  // 0x20
};

struct EXTI_Registers {
    chip_reg32 IMR;    // 0x00
    chip_reg32 EMR;    // 0x04
    chip_reg32 RTSR;   // 0x08
    chip_reg32 FTSR;   // 0x0C
    chip_reg32 SWIER;  // 0x10
    chip_reg32 PR;     // 0x14
};

struct TIM_Registers {
    chip_reg32 CR1;    // 0x00
    chip_reg32 CR2;    // 0x04
    chip_reg32 SMCR;   // 0x08
    chip_reg32 DIER;   // 0x0C
    chip_reg32 SR;     // 0x10
    chip_reg32 EGR;    // 0x14
    chip_reg32 CCMR1;  // 0x18
    chip_reg32 CCMR2;  // 0x1C
    chip_reg32 CCER;   // 0x20
    chip_reg32 CNT;    // 0x24
    chip_reg32 PSC;    // 0x28
    chip_reg32 ARR;    // 0x2C
    chip_reg32 RCR;    // 0x30
    chip_reg32 CCR1;   // 0x34
    chip_reg32 CCR2;   // 0x38
    chip_reg32 CCR3;   // 0x3C
    chip_reg32 CCR4;   // 0x40
    chip_reg32 BDTR;   // 0x44
    chip_reg32 DCR;    // 0x48
    chip_reg32 DMAR;   // 0x4C
};

struct USART_Registers {
    chip_reg32 SR;    // 0x00
    chip_reg32 DR;    // 0x04
    chip_reg32 BRR;   // 0x08
    chip_reg32 CR1;   // 0x0C
    chip_reg32 CR2;   // 0x10
    chip_reg32 CR3;   // 0x14
    chip_reg32 GTPR;  // 0x18
};

struct FLASH_Registers {
    chip_reg32 ACR;      // 0x00
    chip_reg32 KEYR;     // 0x04
    chip_reg32 OPTKEYR;  // 0x08
    chip_reg32 SR;       // 0x0C
    chip_reg32 CR;       // 0x10
    chip_reg32 OPTCR;    // 0x14
};

// Nested vectored interrupt controller, 0xE000E100.
struct NVIC_Registers {
    chip_reg32 ISER[8];  // 0x000 set-enable
    std::uint32_t reserved0[24];
    chip_reg32 ICER[8];  // 0x080 clear-enable
    std::uint32_t reserved1[24];
    chip_reg32 ISPR[8];  // 0x100 set-pending
    std::uint32_t reserved2[24];
    chip_reg32 ICPR[8];  // 0x180 clear-pending
    std::uint32_t reserved3[24];
    chip_reg32 IABR[8];  // 0x200 active
    std::uint32_t reserved4[56];
    chip_reg32 IPR[60];  // 0x300 priority, four interrupts per word
};

// System control block, 0xE000ED00 (the FPU access register lies in it).
struct SCB_Registers {
    chip_reg32 CPUID;  // 0x00
    chip_reg32 ICSR;   // 0x04
    chip_reg32 VTOR;   // 0x08
    chip_reg32 AIRCR;  // 0x0C
    chip_reg32 SCR;    // 0x10
    chip_reg32 CCR;    // 0x14
    chip_reg32 SHPR[3];
    chip_reg32 SHCSR;  // 0x24
    chip_reg32 CFSR;   // 0x28
    chip_reg32 HFSR;   // 0x2C
    chip_reg32 DFSR;   // 0x30
    chip_reg32 MMFAR;  // 0x34
    chip_reg32 BFAR;   // 0x38
    chip_reg32 AFSR;   // 0x3C
    std::uint32_t reserved[18];
    chip_reg32 CPACR;  // 0x88
};

static_assert(offsetof(RCC_Registers, APB2ENR) == 0x44);
static_assert(offsetof(RCC_Registers, PLLI2SCFGR) == 0x84);
static_assert(offsetof(GPIO_Registers, AFR) == 0x20);
static_assert(offsetof(SYSCFG_Registers, CMPCR) == 0x20);
static_assert(offsetof(TIM_Registers, BDTR) == 0x44);
static_assert(offsetof(USART_Registers, GTPR) == 0x18);
static_assert(offsetof(NVIC_Registers, ICER) == 0x80);
static_assert(offsetof(NVIC_Registers, IPR) == 0x300);
static_assert(offsetof(SCB_Registers, CPACR) == 0x88);

// ---------------------------------------------------------------- addresses

namespace chip {
constexpr std::uintptr_t TIM4_BASE = 0x40000800;
constexpr std::uintptr_t UART4_BASE = 0x40004C00;
constexpr std::uintptr_t TIM1_BASE = 0x40010000;
constexpr std::uintptr_t TIM8_BASE = 0x40010400;
constexpr std::uintptr_t USART1_BASE = 0x40011000;
constexpr std::uintptr_t SYSCFG_BASE = 0x40013800;
constexpr std::uintptr_t EXTI_BASE = 0x40013C00;
constexpr std::uintptr_t GPIOA_BASE = 0x40020000;  // GPIOx at GPIOA_BASE + 0x400 * x
constexpr std::uintptr_t RCC_BASE = 0x40023800;
constexpr std::uintptr_t FLASH_BASE = 0x40023C00;
constexpr std::uintptr_t NVIC_BASE = 0xE000E100;
constexpr std::uintptr_t SCB_BASE = 0xE000ED00;
}  // namespace chip

#if defined(CHIP_HOST_MODEL)
namespace chip::sim {
// Storage of the modelled registers; the model gives each block its behaviour.
struct Peripherals {
    RCC_Registers rcc;
    FLASH_Registers flash;
    GPIO_Registers gpio[7];  // A..G
    SYSCFG_Registers syscfg;
    EXTI_Registers exti;
    TIM_Registers tim1, tim4, tim8;
    USART_Registers usart1, uart4;
    NVIC_Registers nvic;
    SCB_Registers scb;
};
extern Peripherals peripherals;
}  // namespace chip::sim
#define CHIP_BLOCK(type, base, member) (&chip::sim::peripherals.member)
#else
#define CHIP_BLOCK(type, base, member) (reinterpret_cast<type*>(base))
#endif

#define RCC CHIP_BLOCK(RCC_Registers, chip::RCC_BASE, rcc)
#define FLASH CHIP_BLOCK(FLASH_Registers, chip::FLASH_BASE, flash)
#define GPIOA CHIP_BLOCK(GPIO_Registers, chip::GPIOA_BASE + 0x0000, gpio[0])
#define GPIOB CHIP_BLOCK(GPIO_Registers, chip::GPIOA_BASE + 0x0400, gpio[1])
#define GPIOC CHIP_BLOCK(GPIO_Registers, chip::GPIOA_BASE + 0x0800, gpio[2])
#define GPIOD CHIP_BLOCK(GPIO_Registers, chip::GPIOA_BASE + 0x0C00, gpio[3])
#define GPIOE CHIP_BLOCK(GPIO_Registers, chip::GPIOA_BASE + 0x1000, gpio[4])
#define GPIOF CHIP_BLOCK(GPIO_Registers, chip::GPIOA_BASE + 0x1400, gpio[5])
#define GPIOG CHIP_BLOCK(GPIO_Registers, chip::GPIOA_BASE + 0x1800, gpio[6])
#define SYSCFG CHIP_BLOCK(SYSCFG_Registers, chip::SYSCFG_BASE, syscfg)
#define EXTI CHIP_BLOCK(EXTI_Registers, chip::EXTI_BASE, exti)
#define TIM1 CHIP_BLOCK(TIM_Registers, chip::TIM1_BASE, tim1)
#define TIM4 CHIP_BLOCK(TIM_Registers, chip::TIM4_BASE, tim4)
#define TIM8 CHIP_BLOCK(TIM_Registers, chip::TIM8_BASE, tim8)
#define USART1 CHIP_BLOCK(USART_Registers, chip::USART1_BASE, usart1)
#define UART4 CHIP_BLOCK(USART_Registers, chip::UART4_BASE, uart4)
#define NVIC CHIP_BLOCK(NVIC_Registers, chip::NVIC_BASE, nvic)
#define SCB CHIP_BLOCK(SCB_Registers, chip::SCB_BASE, scb)

// ---------------------------------------------------------------- interrupts

#define CHIP_IRQ_ENUM(name, number) name##_IRQn = number,
enum IRQn : std::uint8_t { CHIP_IRQ_LIST(CHIP_IRQ_ENUM) };
#undef CHIP_IRQ_ENUM

// The handlers carry the vector-table names; declaring them here gives every
// definition C linkage, so the vector table finds them.
#define CHIP_IRQ_DECLARE(name, number) void name##_IRQHandler(void);
extern "C" {
CHIP_IRQ_LIST(CHIP_IRQ_DECLARE)
void Reset_Handler(void);
void NMI_Handler(void);
void HardFault_Handler(void);
void MemManage_Handler(void);
void BusFault_Handler(void);
void UsageFault_Handler(void);
void SVC_Handler(void);
void DebugMon_Handler(void);
void PendSV_Handler(void);
void SysTick_Handler(void);
// Clock set-up to 168 MHz from the 8 MHz crystal; the startup calls it before main.
void SystemInit(void);
}
#undef CHIP_IRQ_DECLARE

// Enables interrupt `irq` in the NVIC (ISERn bit irq % 32).
inline void nvic_enable(IRQn irq) { NVIC->ISER[irq >> 5] = 1u << (irq & 31u); }

// ---------------------------------------------------------------- time hooks

#if defined(CHIP_HOST_MODEL)
namespace chip::sim {
void delay_pass();
void wait_for_interrupt();
}  // namespace chip::sim
#endif

// Called on every pass of a busy-wait delay loop. On the target it is nothing;
// in the host model it spends the time one pass takes (about 1/17 us) and lets
// a scenario end the firmware's endless loop.
inline void chip_time_hook() {
#if defined(CHIP_HOST_MODEL)
    chip::sim::delay_pass();
#endif
}

// An idle loop's body: sleeps until the next interrupt.
inline void chip_wait_for_interrupt() {
#if defined(CHIP_HOST_MODEL)
    chip::sim::wait_for_interrupt();
#else
    __asm volatile("wfi");
#endif
}

// ---------------------------------------------------------------- bits

constexpr std::uint32_t GPIO_MODE_INPUT = 0, GPIO_MODE_OUTPUT = 1, GPIO_MODE_AF = 2,
                        GPIO_MODE_ANALOG = 3;
constexpr std::uint32_t GPIO_SPEED_LOW = 0, GPIO_SPEED_MEDIUM = 1, GPIO_SPEED_HIGH = 2,
                        GPIO_SPEED_VERY_HIGH = 3;
constexpr std::uint32_t GPIO_PULL_NONE = 0, GPIO_PULL_UP = 1, GPIO_PULL_DOWN = 2;
constexpr std::uint32_t GPIO_BSRR_BS(unsigned pin) { return 1u << pin; }
constexpr std::uint32_t GPIO_BSRR_BR(unsigned pin) { return 1u << (pin + 16u); }

// Port numbers of SYSCFG_EXTICR fields.
constexpr std::uint32_t SYSCFG_EXTI_PA = 0, SYSCFG_EXTI_PB = 1, SYSCFG_EXTI_PC = 2,
                        SYSCFG_EXTI_PD = 3, SYSCFG_EXTI_PE = 4, SYSCFG_EXTI_PF = 5,
                        SYSCFG_EXTI_PG = 6;
constexpr std::uint32_t EXTI_LINE(unsigned line) { return 1u << line; }

// Named fields, with the manual's register and field names, for one pin (or
// EXTI line) or a range of them: GPIO_MODER_MODE(9, GPIO_MODE_OUTPUT),
// GPIO_PUPDR(GPIO_PINS(0, 7), GPIO_PULL_UP). A _Msk variant covers the whole
// field, for clearing it.
struct GpioPins {
    unsigned first, last;
};
// Pins (or EXTI lines) first to last.
constexpr GpioPins GPIO_PINS(unsigned first, unsigned last) { return {first, last}; }

namespace chip {
// `value` in the `width`-bit field of `pin` (or of each of `pins`); in a
// register of `per_register` such fields (AFR, EXTICR), pins past them lie in
// the next register.
constexpr std::uint32_t pin_fields(unsigned pin, unsigned width, std::uint32_t value,
                                   unsigned per_register = 0) {
    if (per_register != 0) pin %= per_register;
    return value << (width * pin);
}
constexpr std::uint32_t pin_fields(GpioPins pins, unsigned width, std::uint32_t value,
                                   unsigned per_register = 0) {
    std::uint32_t fields = 0;
    for (unsigned pin = pins.first; pin <= pins.last; ++pin)
        fields |= pin_fields(pin, width, value, per_register);
    return fields;
}
template <typename T>
concept PinOrPins = std::same_as<T, GpioPins> || std::convertible_to<T, unsigned>;
}  // namespace chip

// GPIOx_MODER, OTYPER, OSPEEDR, PUPDR, IDR; AFR[0] holds pins 0-7 (AFRL),
// AFR[1] pins 8-15 (AFRH).
constexpr std::uint32_t GPIO_MODER_MODE(chip::PinOrPins auto pins, std::uint32_t mode) {
    return chip::pin_fields(pins, 2, mode);
}
constexpr std::uint32_t GPIO_MODER_MODE_Msk(chip::PinOrPins auto pins) {
    return GPIO_MODER_MODE(pins, 3u);
}
constexpr std::uint32_t GPIO_OTYPER_OT(chip::PinOrPins auto pins) {
    return chip::pin_fields(pins, 1, 1u);
}
constexpr std::uint32_t GPIO_OSPEEDR_OSPEED(chip::PinOrPins auto pins, std::uint32_t speed) {
    return chip::pin_fields(pins, 2, speed);
}
constexpr std::uint32_t GPIO_OSPEEDR_OSPEED_Msk(chip::PinOrPins auto pins) {
    return GPIO_OSPEEDR_OSPEED(pins, 3u);
}
constexpr std::uint32_t GPIO_PUPDR(chip::PinOrPins auto pins, std::uint32_t pull) {
    return chip::pin_fields(pins, 2, pull);
}
constexpr std::uint32_t GPIO_PUPDR_Msk(chip::PinOrPins auto pins) { return GPIO_PUPDR(pins, 3u); }
constexpr std::uint32_t GPIO_IDR_ID(chip::PinOrPins auto pins) { return GPIO_OTYPER_OT(pins); }
constexpr std::uint32_t GPIO_AFR_AF(chip::PinOrPins auto pins, std::uint32_t af) {
    return chip::pin_fields(pins, 4, af, 8);
}
constexpr std::uint32_t GPIO_AFR_AF_Msk(chip::PinOrPins auto pins) {
    return GPIO_AFR_AF(pins, 0xFu);
}

// EXTI_IMR, EMR, RTSR, FTSR, SWIER, PR: one bit per line.
constexpr std::uint32_t EXTI_LINES(unsigned first, unsigned last) {
    return chip::pin_fields(GPIO_PINS(first, last), 1, 1u);
}
// The EXTI line-to-port route: `port` (SYSCFG_EXTI_Px) in the field of each
// of `lines` in SYSCFG->EXTICR[line / 4], four lines to a register; the lines
// lie in one register.
constexpr std::uint32_t SYSCFG_EXTICR_EXTI(chip::PinOrPins auto lines, std::uint32_t port) {
    return chip::pin_fields(lines, 4, port, 4);
}
constexpr std::uint32_t SYSCFG_EXTICR_EXTI_Msk(chip::PinOrPins auto lines) {
    return SYSCFG_EXTICR_EXTI(lines, 0xFu);
}

static_assert(GPIO_MODER_MODE(GPIO_PINS(8, 15), GPIO_MODE_OUTPUT) == 0x55550000u);
static_assert(GPIO_AFR_AF(GPIO_PINS(9, 10), 7) == 0x770u);
static_assert(SYSCFG_EXTICR_EXTI(GPIO_PINS(12, 13), SYSCFG_EXTI_PG) == 0x66u);
static_assert(EXTI_LINES(5, 9) == 0x3E0u);

// RCC_CR
constexpr std::uint32_t RCC_CR_HSION = 1u << 0, RCC_CR_HSIRDY = 1u << 1, RCC_CR_HSEON = 1u << 16,
                        RCC_CR_HSERDY = 1u << 17, RCC_CR_PLLON = 1u << 24, RCC_CR_PLLRDY = 1u << 25;
// RCC_PLLCFGR
constexpr std::uint32_t RCC_PLLCFGR_PLLM_Pos = 0, RCC_PLLCFGR_PLLN_Pos = 6,
                        RCC_PLLCFGR_PLLP_Pos = 16, RCC_PLLCFGR_PLLSRC_HSE = 1u << 22,
                        RCC_PLLCFGR_PLLQ_Pos = 24;
// RCC_CFGR
constexpr std::uint32_t RCC_CFGR_SW_Msk = 3u << 0, RCC_CFGR_SW_PLL = 2u << 0,
                        RCC_CFGR_SWS_Msk = 3u << 2, RCC_CFGR_SWS_PLL = 2u << 2,
                        RCC_CFGR_HPRE_Msk = 0xFu << 4, RCC_CFGR_PPRE1_Msk = 7u << 10,
                        RCC_CFGR_PPRE1_DIV4 = 5u << 10, RCC_CFGR_PPRE2_Msk = 7u << 13,
                        RCC_CFGR_PPRE2_DIV2 = 4u << 13;
// RCC_AHB1ENR
constexpr std::uint32_t RCC_AHB1ENR_GPIOAEN = 1u << 0, RCC_AHB1ENR_GPIOBEN = 1u << 1,
                        RCC_AHB1ENR_GPIOCEN = 1u << 2, RCC_AHB1ENR_GPIODEN = 1u << 3,
                        RCC_AHB1ENR_GPIOEEN = 1u << 4, RCC_AHB1ENR_GPIOFEN = 1u << 5,
                        RCC_AHB1ENR_GPIOGEN = 1u << 6;
// RCC_APB1ENR
constexpr std::uint32_t RCC_APB1ENR_TIM4EN = 1u << 2, RCC_APB1ENR_UART4EN = 1u << 19,
                        RCC_APB1ENR_PWREN = 1u << 28;
// RCC_APB2ENR
constexpr std::uint32_t RCC_APB2ENR_TIM1EN = 1u << 0, RCC_APB2ENR_TIM8EN = 1u << 1,
                        RCC_APB2ENR_USART1EN = 1u << 4, RCC_APB2ENR_SYSCFGEN = 1u << 14;

// FLASH_ACR
constexpr std::uint32_t FLASH_ACR_LATENCY_Msk = 0xFu, FLASH_ACR_LATENCY_5WS = 5u,
                        FLASH_ACR_PRFTEN = 1u << 8, FLASH_ACR_ICEN = 1u << 9,
                        FLASH_ACR_DCEN = 1u << 10;

// SCB_CPACR: full access to coprocessors 10 and 11 (the FPU).
constexpr std::uint32_t SCB_CPACR_CP10_CP11_FULL = 0xFu << 20;

// TIMx_CR1
constexpr std::uint32_t TIM_CR1_CEN = 1u << 0, TIM_CR1_UDIS = 1u << 1, TIM_CR1_URS = 1u << 2,
                        TIM_CR1_OPM = 1u << 3, TIM_CR1_DIR = 1u << 4, TIM_CR1_CMS_Msk = 3u << 5,
                        TIM_CR1_ARPE = 1u << 7, TIM_CR1_CKD_Msk = 3u << 8;
// TIMx_DIER
constexpr std::uint32_t TIM_DIER_UIE = 1u << 0, TIM_DIER_CC1IE = 1u << 1, TIM_DIER_CC2IE = 1u << 2,
                        TIM_DIER_CC3IE = 1u << 3, TIM_DIER_CC4IE = 1u << 4;
// TIMx_SR: flags are cleared by writing 0, writing 1 leaves them. The
// register is 16 bits wide (TIM_SR_Msk).
constexpr std::uint32_t TIM_SR_Msk = 0xFFFFu;
constexpr std::uint32_t TIM_SR_UIF = 1u << 0, TIM_SR_CC1IF = 1u << 1, TIM_SR_CC2IF = 1u << 2,
                        TIM_SR_CC3IF = 1u << 3, TIM_SR_CC4IF = 1u << 4;
// TIMx_EGR
constexpr std::uint32_t TIM_EGR_UG = 1u << 0, TIM_EGR_CC1G = 1u << 1, TIM_EGR_CC2G = 1u << 2;
// TIMx_CCMR1 (output compare mode)
constexpr std::uint32_t TIM_CCMR1_CC1S_Msk = 3u << 0, TIM_CCMR1_OC1FE = 1u << 2,
                        TIM_CCMR1_OC1PE = 1u << 3, TIM_CCMR1_OC1M_Msk = 7u << 4,
                        TIM_CCMR1_OC1M_TOGGLE = 3u << 4, TIM_CCMR1_OC1M_PWM1 = 6u << 4,
                        TIM_CCMR1_CC2S_Msk = 3u << 8, TIM_CCMR1_OC2FE = 1u << 10,
                        TIM_CCMR1_OC2PE = 1u << 11, TIM_CCMR1_OC2M_Msk = 7u << 12,
                        TIM_CCMR1_OC2M_TOGGLE = 3u << 12, TIM_CCMR1_OC2M_PWM1 = 6u << 12;
// TIMx_CCER
constexpr std::uint32_t TIM_CCER_CC1E = 1u << 0, TIM_CCER_CC1P = 1u << 1, TIM_CCER_CC2E = 1u << 4,
                        TIM_CCER_CC2P = 1u << 5;
// TIMx_BDTR (TIM1 and TIM8 only)
constexpr std::uint32_t TIM_BDTR_MOE = 1u << 15;

// USART_SR
constexpr std::uint32_t USART_SR_PE = 1u << 0, USART_SR_FE = 1u << 1, USART_SR_NF = 1u << 2,
                        USART_SR_ORE = 1u << 3, USART_SR_IDLE = 1u << 4, USART_SR_RXNE = 1u << 5,
                        USART_SR_TC = 1u << 6, USART_SR_TXE = 1u << 7;
// USART_CR1
constexpr std::uint32_t USART_CR1_RE = 1u << 2, USART_CR1_TE = 1u << 3, USART_CR1_RXNEIE = 1u << 5,
                        USART_CR1_TCIE = 1u << 6, USART_CR1_TXEIE = 1u << 7,
                        USART_CR1_PCE = 1u << 10, USART_CR1_M = 1u << 12, USART_CR1_UE = 1u << 13,
                        USART_CR1_OVER8 = 1u << 15;
// USART_CR2
constexpr std::uint32_t USART_CR2_STOP_Msk = 3u << 12;
// USART_BRR: USARTDIV as mantissa and 4-bit fraction (3 bits with OVER8,
// whose bit 3 stays clear).
constexpr std::uint32_t USART_BRR_DIV_Fraction_Msk = 0xFu, USART_BRR_DIV_Fraction_Msk_OVER8 = 0x7u,
                        USART_BRR_DIV_Mantissa_Pos = 4;

// Clocks after SystemInit.
constexpr std::uint32_t CHIP_SYSCLK_HZ = 168'000'000;
constexpr std::uint32_t CHIP_APB1_HZ = 42'000'000;  // its timers run at 84 MHz
constexpr std::uint32_t CHIP_APB2_HZ = 84'000'000;  // its timers run at 168 MHz
