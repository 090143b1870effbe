// A general-purpose or advanced timer: the counter runs from PSC and ARR
// (preloaded with ARPE), counts compare matches of CCR1..4 and update events
// and raises the update and capture/compare interrupts.
#pragma once

#include <array>

#include "device.h"

namespace chip::sim::detail {

class TimerModel : public Device {
public:
    TimerModel(Timer id, TIM_Registers& regs, Cycles clock_divider, int up_irq, int cc_irq)
        : id_(id), r_(regs), divider_(clock_divider), up_irq_(up_irq), cc_irq_(cc_irq) {}

    void reset() override;
    Cycles next_event() const override;
    void fire(Cycles) override;
    std::uint32_t read(std::uint32_t offset, Reg& reg) override;
    void write(std::uint32_t offset, Reg& reg, std::uint32_t value) override;
    void raise_lines(IrqLines& lines) const override;

    Timer id() const { return id_; }
    bool running() const { return running_; }
    std::uint64_t compares(unsigned ch) const { return ch >= 1 && ch <= 4 ? compares_[ch - 1] : 0; }
    std::uint64_t updates() const { return updates_; }

private:
    Cycles tick_cycles() const { return (psc_ + 1) * divider_; }
    std::uint32_t top() const { return cnt_ <= arr_ ? arr_ : 0xFFFFu; }
    std::uint32_t ccr(unsigned ch) const {
        const Reg* ccrs[] = {&r_.CCR1, &r_.CCR2, &r_.CCR3, &r_.CCR4};
        return ccrs[ch - 1]->raw() & 0xFFFF;
    }
    // Ticks from now to the next overflow or compare match (at least 1).
    Cycles ticks_to_event() const;
    // Counts the ticks up to now; none of them is an event.
    void sync();
    void update_event(bool overflow);
    void compare_match(unsigned ch, Cycles time);

    Timer id_;
    TIM_Registers& r_;
    Cycles divider_;
    int up_irq_, cc_irq_;
    std::uint32_t cnt_ = 0, psc_ = 0, arr_ = 0xFFFF;
    bool running_ = false;
    Cycles next_tick_ = 0;
    std::array<std::uint64_t, 4> compares_{};
    std::uint64_t updates_ = 0;
};

}  // namespace chip::sim::detail
