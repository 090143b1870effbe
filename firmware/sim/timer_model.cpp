#include "timer_model.h"

#include <algorithm>

#include "model.h"

namespace chip::sim::detail {

void TimerModel::reset() {
    cnt_ = 0;
    psc_ = 0;
    arr_ = 0xFFFF;
    running_ = false;
    r_.ARR.set_raw(0xFFFF);
    compares_ = {};
    updates_ = 0;
}

Cycles TimerModel::next_event() const {
    if (!running_) return kNever;
    return next_tick_ + (ticks_to_event() - 1) * tick_cycles();
}

void TimerModel::fire(Cycles) {
    Cycles skip = ticks_to_event() - 1;
    cnt_ += static_cast<std::uint32_t>(skip);
    next_tick_ += skip * tick_cycles();
    Cycles time = next_tick_;
    if (cnt_ == top()) {
        cnt_ = 0;
        update_event(true);
    } else {
        ++cnt_;
    }
    next_tick_ = time + tick_cycles();
    for (unsigned ch = 1; ch <= 4; ++ch)
        if (cnt_ == ccr(ch)) compare_match(ch, time);
}

std::uint32_t TimerModel::read(std::uint32_t offset, Reg& reg) {
    if (offset == offsetof(TIM_Registers, CNT)) {
        sync();
        return cnt_;
    }
    if (offset == offsetof(TIM_Registers, EGR)) return 0;
    return reg.raw();
}

void TimerModel::write(std::uint32_t offset, Reg& reg, std::uint32_t value) {
    sync();
    switch (offset) {
        case offsetof(TIM_Registers, SR):
            reg.set_raw(reg.raw() & value);  // flags clear on a written 0
            return;
        case offsetof(TIM_Registers, EGR):
            if (value & TIM_EGR_UG) {
                cnt_ = 0;
                update_event(false);
                next_tick_ = current_time() + tick_cycles();
            }
            for (unsigned ch = 1; ch <= 4; ++ch)
                if (value & (1u << ch)) r_.SR.set_raw(r_.SR.raw() | (1u << ch));
            return;
        case offsetof(TIM_Registers, CNT):
            cnt_ = value & 0xFFFF;
            return;
        case offsetof(TIM_Registers, ARR):
            reg.set_raw(value & 0xFFFF);
            if (!(r_.CR1.raw() & TIM_CR1_ARPE)) arr_ = value & 0xFFFF;
            return;
        case offsetof(TIM_Registers, CR1): {
            bool was = running_;
            reg.set_raw(value);
            running_ = value & TIM_CR1_CEN;
            if (running_ && !was) next_tick_ = current_time() + tick_cycles();
            return;
        }
        default:
            reg.set_raw(value);
    }
}

void TimerModel::raise_lines(IrqLines& lines) const {
    std::uint32_t active = r_.SR.raw() & r_.DIER.raw();
    if (active & TIM_SR_UIF) lines.set(up_irq_);
    if (active & (TIM_SR_CC1IF | TIM_SR_CC2IF | TIM_SR_CC3IF | TIM_SR_CC4IF)) lines.set(cc_irq_);
}

Cycles TimerModel::ticks_to_event() const {
    Cycles to_overflow = Cycles{top()} - cnt_ + 1;
    Cycles best = to_overflow;
    for (unsigned ch = 1; ch <= 4; ++ch) {
        std::uint32_t v = ccr(ch);
        Cycles n = kNever;
        if (v > cnt_ && v <= top())
            n = v - cnt_;
        else if (v <= arr_)
            n = to_overflow + v;
        best = std::min(best, n);
    }
    return best;
}

void TimerModel::sync() {
    Cycles t = current_time();
    if (!running_ || t < next_tick_) return;
    Cycles k = (t - next_tick_) / tick_cycles() + 1;
    cnt_ += static_cast<std::uint32_t>(k);
    next_tick_ += k * tick_cycles();
}

void TimerModel::update_event(bool overflow) {
    std::uint32_t cr1 = r_.CR1.raw();
    if (cr1 & TIM_CR1_UDIS) return;
    psc_ = r_.PSC.raw() & 0xFFFF;
    arr_ = r_.ARR.raw() & 0xFFFF;
    if (overflow || !(cr1 & TIM_CR1_URS)) r_.SR.set_raw(r_.SR.raw() | TIM_SR_UIF);
    if (overflow) ++updates_;
}

void TimerModel::compare_match(unsigned ch, Cycles time) {
    ++compares_[ch - 1];
    r_.SR.set_raw(r_.SR.raw() | (1u << ch));
    for (auto& observer : model().compare_observers) observer(id_, ch, time);
}

}  // namespace chip::sim::detail
