#include "bench_common.h"

void DelayUS(std::uint32_t us) {
    // Read and written through memory on every pass so that the loop stays.
    volatile std::uint32_t counter = 17u * static_cast<std::uint16_t>(us);
    while (counter != 0) {
        counter = counter - 1;
        chip_time_hook();
    }
}

void DelayMS(std::uint32_t count) {
    const std::uint16_t passes = static_cast<std::uint16_t>(count);
    for (std::uint16_t n = 0; n != passes; n = static_cast<std::uint16_t>(n + 1)) DelayUS(1000);
}
