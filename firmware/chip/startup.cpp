// Target startup: the vector table at the start of flash, and Reset_Handler,
// which enables the FPU, copies .data, clears .bss, runs the constructors,
// sets up the clocks and calls main.
#include "chip/stm32f40x.h"

extern "C" {
extern std::uint32_t _estack;
extern std::uint32_t _sidata, _sdata, _edata, _sbss, _ebss;
extern void (*__init_array_start[])(void);
extern void (*__init_array_end[])(void);
int main(void);

void Default_Handler(void) {
    for (;;) {
    }
}

#define CHIP_WEAK_ALIAS(name) void name(void) __attribute__((weak, alias("Default_Handler")));
CHIP_WEAK_ALIAS(NMI_Handler)
CHIP_WEAK_ALIAS(HardFault_Handler)
CHIP_WEAK_ALIAS(MemManage_Handler)
CHIP_WEAK_ALIAS(BusFault_Handler)
CHIP_WEAK_ALIAS(UsageFault_Handler)
CHIP_WEAK_ALIAS(SVC_Handler)
CHIP_WEAK_ALIAS(DebugMon_Handler)
CHIP_WEAK_ALIAS(PendSV_Handler)
CHIP_WEAK_ALIAS(SysTick_Handler)
#define CHIP_IRQ_WEAK(name, number) CHIP_WEAK_ALIAS(name##_IRQHandler)
CHIP_IRQ_LIST(CHIP_IRQ_WEAK)
#undef CHIP_IRQ_WEAK
#undef CHIP_WEAK_ALIAS

void Reset_Handler(void) {
    SCB->CPACR |= SCB_CPACR_CP10_CP11_FULL;  // before any floating-point instruction
    __asm volatile("dsb\n isb" ::: "memory");

    std::uint32_t* src = &_sidata;
    for (std::uint32_t* dst = &_sdata; dst < &_edata;) *dst++ = *src++;
    for (std::uint32_t* dst = &_sbss; dst < &_ebss;) *dst++ = 0;

    SystemInit();
    for (auto** ctor = __init_array_start; ctor < __init_array_end; ++ctor) (**ctor)();
    main();
    for (;;) {
    }
}

// No heap in any image: an allocation fails instead of growing into the stack.
void* _sbrk(int) { return reinterpret_cast<void*>(-1); }
}

using Vector = void (*)(void);

#define CHIP_IRQ_VECTOR(name, number) name##_IRQHandler,
extern "C" __attribute__((section(".isr_vector"), used))
const Vector vector_table[16 + CHIP_IRQ_COUNT] = {reinterpret_cast<Vector>(&_estack),
                                                  Reset_Handler,
                                                  NMI_Handler,
                                                  HardFault_Handler,
                                                  MemManage_Handler,
                                                  BusFault_Handler,
                                                  UsageFault_Handler,
                                                  nullptr,
                                                  nullptr,
                                                  nullptr,
                                                  nullptr,
                                                  SVC_Handler,
                                                  DebugMon_Handler,
                                                  nullptr,
                                                  PendSV_Handler,
                                                  SysTick_Handler,
                                                  CHIP_IRQ_LIST(CHIP_IRQ_VECTOR)};
#undef CHIP_IRQ_VECTOR
