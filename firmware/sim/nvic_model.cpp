#include "nvic_model.h"

namespace chip::sim::detail {

namespace {
constexpr std::uint32_t kIser = offsetof(NVIC_Registers, ISER);
constexpr std::uint32_t kIcer = offsetof(NVIC_Registers, ICER);
constexpr std::uint32_t kIspr = offsetof(NVIC_Registers, ISPR);
constexpr std::uint32_t kIcpr = offsetof(NVIC_Registers, ICPR);
constexpr std::uint32_t kIabr = offsetof(NVIC_Registers, IABR);
}  // namespace

std::uint32_t NvicModel::read(std::uint32_t offset, Reg& reg) {
    auto& n = peripherals.nvic;
    if (offset >= kIcer && offset < kIcer + 32) return n.ISER[(offset - kIcer) / 4].raw();
    if (offset >= kIcpr && offset < kIcpr + 32) return n.ISPR[(offset - kIcpr) / 4].raw();
    return reg.raw();
}

void NvicModel::write(std::uint32_t offset, Reg& reg, std::uint32_t value) {
    auto& n = peripherals.nvic;
    if (offset < kIser + 32 || (offset >= kIspr && offset < kIspr + 32)) {
        reg.set_raw(reg.raw() | value);
    } else if (offset >= kIcer && offset < kIcer + 32) {
        Reg& iser = n.ISER[(offset - kIcer) / 4];
        iser.set_raw(iser.raw() & ~value);
    } else if (offset >= kIcpr && offset < kIcpr + 32) {
        Reg& ispr = n.ISPR[(offset - kIcpr) / 4];
        ispr.set_raw(ispr.raw() & ~value);
    } else if (offset >= kIabr && offset < kIabr + 32) {
        // read-only
    } else {
        reg.set_raw(value);
    }
}

}  // namespace chip::sim::detail
