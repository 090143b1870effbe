#include "usart_model.h"

#include <algorithm>
#include <cmath>

namespace chip::sim::detail {

void UsartModel::reset() {
    r_.SR.set_raw(USART_SR_TXE | USART_SR_TC);
    incoming_.clear();
    tx_done_ = kNever;
    transmitted_.clear();
    overruns_ = framing_errors_ = 0;
    errors_seen_ = 0;
    rx_byte_ = 0;
}

Cycles UsartModel::next_event() const {
    Cycles rx = incoming_.empty() ? kNever : incoming_.front().time;
    return std::min(rx, tx_done_);
}

void UsartModel::fire(Cycles time) {
    if (tx_done_ <= time) {
        tx_done_ = kNever;
        r_.SR.set_raw(r_.SR.raw() | USART_SR_TXE | USART_SR_TC);
    }
    if (incoming_.empty() || incoming_.front().time > time) return;
    Incoming in = incoming_.front();
    incoming_.pop_front();
    std::uint32_t cr1 = r_.CR1.raw();
    if (!(cr1 & USART_CR1_UE) || !(cr1 & USART_CR1_RE)) return;
    std::uint32_t sr = r_.SR.raw();
    if (sr & USART_SR_RXNE) {
        r_.SR.set_raw(sr | USART_SR_ORE);
        ++overruns_;
        return;
    }
    double rate = receiver_baud();
    if (rate <= 0 || std::abs(rate - in.baud) > 0.03 * in.baud) {
        sr |= USART_SR_FE;
        ++framing_errors_;
        in.byte ^= 0x55;
    }
    rx_byte_ = in.byte;
    r_.SR.set_raw(sr | USART_SR_RXNE);
}

// Reading DR clears RXNE; ORE and FE clear only when SR was read (with the
// flag set) before that DR read, as the reference manual's clearing sequence
// has it. ORE stays set otherwise and keeps the interrupt pending, even with
// RXNE clear.
std::uint32_t UsartModel::read(std::uint32_t offset, Reg& reg) {
    if (offset == offsetof(USART_Registers, SR)) {
        errors_seen_ = reg.raw() & (USART_SR_ORE | USART_SR_FE);
        return reg.raw();
    }
    if (offset != offsetof(USART_Registers, DR)) return reg.raw();
    r_.SR.set_raw(r_.SR.raw() & ~(USART_SR_RXNE | errors_seen_));
    errors_seen_ = 0;
    return rx_byte_;
}

void UsartModel::write(std::uint32_t offset, Reg& reg, std::uint32_t value) {
    if (offset == offsetof(USART_Registers, SR)) {
        // RXNE and TC clear on a written 0; the other flags are read-only.
        std::uint32_t keep = value | ~(USART_SR_RXNE | USART_SR_TC);
        reg.set_raw(reg.raw() & keep);
    } else if (offset == offsetof(USART_Registers, DR)) {
        std::uint32_t cr1 = r_.CR1.raw();
        if (!(cr1 & USART_CR1_UE) || !(cr1 & USART_CR1_TE)) return;
        transmitted_.push_back(static_cast<char>(value & 0xFF));
        r_.SR.set_raw(r_.SR.raw() & ~(USART_SR_TXE | USART_SR_TC));
        double rate = receiver_baud();
        Cycles frame = rate > 0 ? static_cast<Cycles>(10.0 * kCyclesPerSecond / rate) : 1;
        tx_done_ = current_time() + frame;
    } else {
        reg.set_raw(value);
    }
}

void UsartModel::raise_lines(IrqLines& lines) const {
    std::uint32_t sr = r_.SR.raw(), cr1 = r_.CR1.raw();
    bool rx = (cr1 & USART_CR1_RXNEIE) && (sr & (USART_SR_RXNE | USART_SR_ORE));
    bool tx = ((cr1 & USART_CR1_TXEIE) && (sr & USART_SR_TXE)) ||
              ((cr1 & USART_CR1_TCIE) && (sr & USART_SR_TC));
    if (rx || tx) lines.set(irq_);
}

void UsartModel::send(std::string_view bytes, unsigned baud, Cycles now) {
    Cycles frame = static_cast<Cycles>(std::llround(10.0 * kCyclesPerSecond / baud));
    Cycles t = incoming_.empty() ? now : std::max(now, incoming_.back().time);
    for (char c : bytes) {
        t += frame;
        incoming_.push_back({t, static_cast<std::uint8_t>(c), baud});
    }
}

double UsartModel::receiver_baud() const {
    std::uint32_t brr = r_.BRR.raw() & 0xFFFF;
    if (brr == 0) return 0;
    if (r_.CR1.raw() & USART_CR1_OVER8) {
        double div = (brr >> 4) + (brr & 7u) / 8.0;
        return pclk_ / (8.0 * div);
    }
    return static_cast<double>(pclk_) / brr;
}

}  // namespace chip::sim::detail
