// The host model's vector table. The handlers are weak references: an image
// defines the ones it uses, the others stay null, and the model reports an
// enabled interrupt without a handler instead of jumping to nowhere.
#include "chip/irq_list.h"

#define CHIP_IRQ_WEAK(name, number) extern "C" void name##_IRQHandler() __attribute__((weak));
CHIP_IRQ_LIST(CHIP_IRQ_WEAK)
#undef CHIP_IRQ_WEAK

namespace chip::sim {

using IrqHandler = void (*)();

#define CHIP_IRQ_ENTRY(name, number) &name##_IRQHandler,
extern const IrqHandler host_vectors[CHIP_IRQ_COUNT] = {CHIP_IRQ_LIST(CHIP_IRQ_ENTRY)};
#undef CHIP_IRQ_ENTRY

}  // namespace chip::sim
